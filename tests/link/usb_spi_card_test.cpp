// SPDX-License-Identifier: MIT
#include "link/usb_spi_card.h"

#include "sim/sim_usb_driver.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace talvix::link {
namespace {

using Packets = std::vector<std::vector<uint8_t>>;

// A ready card at Ezusb-0 whose sensor answers the queued words in turn (0 when none is left).
class UsbSpiCardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    driver_.PlaceCard(0);
    ezusb_.UsbSelectFirstCard();
    ASSERT_TRUE(card_.CardReady());
    driver_.Card(0)->received.clear();
  }

  Packets Sent() const { return driver_.ReceivedPackets(0); }

  std::vector<uint16_t> frames_;
  std::deque<uint16_t> answers_;
  sim::SimUsbDriver driver_{[this](uint16_t sent) {
    frames_.push_back(sent);
    if (answers_.empty()) return uint16_t{0};
    const uint16_t answer = answers_.front();
    answers_.pop_front();
    return answer;
  }};
  platform::RecordingNotifier notifier_;
  EzUsb ezusb_{driver_, notifier_, sim::PlaceholderUsbCardIdsSetting()};
  UsbSpiCard card_{ezusb_};
};

TEST_F(UsbSpiCardTest, TwoWordTransferSendsOnePacketAndKeepsTheAnswers) {
  card_.SpiData[1][0] = 0x9112;
  card_.SpiData[2][0] = 0x9034;
  card_.SpiChan = 1;
  card_.SpiInPolarity = true;
  answers_ = {0x0000, 0x1234};
  uint8_t count = 2;

  card_.UsbSpiTransfer(count);

  EXPECT_EQ(Sent(), (Packets{{13, 1, 2, 0x91, 0x12, 0x90, 0x34}}));
  EXPECT_EQ(frames_, (std::vector<uint16_t>{0x9112, 0x9034}));
  EXPECT_EQ(card_.SpiData[1][1], 0x0000);
  EXPECT_EQ(card_.SpiData[2][1], 0x1234);
  EXPECT_EQ(card_.SpiWordCount, 2);
  EXPECT_TRUE(notifier_.texts.isEmpty());
  EXPECT_EQ(driver_.OpenDevices(), 0);
}

TEST_F(UsbSpiCardTest, WordsGoUpperByteFirstAndPolaritySelectsTheCommand) {
  card_.SpiData[1][0] = 0xFF00;
  card_.SpiData[2][0] = 0x12345;  // only the low 16 bits are a word
  card_.SpiInPolarity = false;
  answers_ = {0xABCD, 0xFFFF};
  card_.SpiWordCount = 2;

  card_.UsbSpiTransfer(card_.SpiWordCount);  // the count may be SpiWordCount itself

  EXPECT_EQ(Sent(), (Packets{{14, 1, 2, 0xFF, 0x00, 0x23, 0x45}}));
  EXPECT_EQ(card_.SpiData[1][1], 0xABCD);
  EXPECT_EQ(card_.SpiData[2][1], 0xFFFF);
}

TEST_F(UsbSpiCardTest, ChannelIsKeptWithinOneToFive) {
  uint8_t count = 1;
  card_.SpiChan = 0;
  card_.UsbSpiTransfer(count);
  EXPECT_EQ(card_.SpiChan, 1);

  card_.SpiChan = 9;
  card_.UsbSpiTransfer(count);
  EXPECT_EQ(card_.SpiChan, 5);
  EXPECT_EQ(card_.SpiData[1][1], 0xFFFF) << "nothing answers on channel 5";

  ASSERT_EQ(Sent().size(), 2u);
  EXPECT_EQ(Sent()[0][1], 1);
  EXPECT_EQ(Sent()[1][1], 5);
  EXPECT_EQ(frames_.size(), 1u);
}

TEST_F(UsbSpiCardTest, WordCountOutsideOneToSixteen) {
  uint8_t count = 0;
  card_.UsbSpiTransfer(count);
  EXPECT_TRUE(Sent().empty());

  count = 20;
  card_.UsbSpiTransfer(count);
  EXPECT_EQ(count, 16);
  ASSERT_EQ(Sent().size(), 1u);
  EXPECT_EQ(Sent()[0].size(), 3u + 2 * 16);
  EXPECT_TRUE(notifier_.texts.isEmpty());
}

TEST_F(UsbSpiCardTest, FailedWriteMarksTheCardNotReadyAndLaterOperationsSendNothing) {
  card_.SpiData[1][1] = 0x5555;
  driver_.FailNextBulkWrite(0);
  uint8_t count = 1;

  card_.UsbSpiTransfer(count);

  EXPECT_EQ(notifier_.texts, QStringList{QStringLiteral("Error Writing SPI")});
  EXPECT_FALSE(card_.CardReady());
  EXPECT_EQ(card_.SpiData[1][1], 0x5555);

  uint8_t delay = 7;
  uint8_t bits = 0x08;
  card_.SpiData[1][0] = 0x0400;
  card_.UsbSpiTransfer(count);
  card_.UsbSpiSetDelay(delay);
  card_.UsbSpiSetBits(bits);
  card_.UsbSpiGetSetup();
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(notifier_.texts.size(), 1);
  EXPECT_EQ(card_.SpiData[1][1], 0x5555);
  EXPECT_EQ(card_.SpiWordDelay, 25);
  EXPECT_EQ(card_.SpiStaticBits, 0x78);
}

TEST_F(UsbSpiCardTest, FailedReadLeavesTheReceivedWordsAlone) {
  card_.SpiData[1][1] = 0x5555;
  card_.SpiData[2][1] = 0x6666;
  answers_ = {0x1111, 0x2222};
  driver_.FailNextBulkRead(0);
  uint8_t count = 2;

  card_.UsbSpiTransfer(count);

  EXPECT_EQ(notifier_.texts, QStringList{QStringLiteral("Error Reading SPI")});
  EXPECT_FALSE(card_.CardReady());
  EXPECT_EQ(card_.SpiData[1][1], 0x5555);
  EXPECT_EQ(card_.SpiData[2][1], 0x6666);
}

// Hands the simulated card's requests through, but every bulk read comes back one byte short.
class ShortReadDriver : public platform::UsbDriver {
 public:
  explicit ShortReadDriver(sim::SimUsbDriver& inner) : inner_(inner) {}
  std::unique_ptr<platform::UsbDevice> Open(const QString& dev_name) override {
    auto device = inner_.Open(dev_name);
    return device ? std::make_unique<Device>(std::move(device)) : nullptr;
  }

 private:
  class Device : public platform::UsbDevice {
   public:
    explicit Device(std::unique_ptr<platform::UsbDevice> inner) : inner_(std::move(inner)) {}
    bool IoControl(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                   uint32_t& returned) override {
      const bool ok = inner_->IoControl(code, in, out, returned);
      if (code == platform::kIoctlBulkRead && returned > 0) --returned;
      return ok;
    }
    std::unique_ptr<platform::UsbDevice> inner_;
  };
  sim::SimUsbDriver& inner_;
};

TEST_F(UsbSpiCardTest, ShortAnswerIsAFailedRead) {
  ShortReadDriver short_driver(driver_);
  EzUsb ezusb(short_driver, notifier_, sim::PlaceholderUsbCardIdsSetting());
  ezusb.CurrentCard = ezusb_.CurrentCard;
  UsbSpiCard card(ezusb);
  card.SpiData[2][1] = 0x6666;
  uint8_t count = 2;

  card.UsbSpiTransfer(count);

  EXPECT_EQ(notifier_.texts, QStringList{QStringLiteral("Error Reading SPI")});
  EXPECT_EQ(card.SpiData[2][1], 0x6666);
  EXPECT_FALSE(card.CardReady());
}

TEST_F(UsbSpiCardTest, UnpluggedCardFailsTheWrite) {
  driver_.Unplug(0);
  uint8_t count = 1;
  card_.UsbSpiTransfer(count);
  EXPECT_EQ(notifier_.texts, QStringList{QStringLiteral("Error Writing SPI")});
  EXPECT_FALSE(card_.CardReady());
}

TEST_F(UsbSpiCardTest, WithoutAReadyCardNothingHappens) {
  platform::RecordingNotifier notifier;
  EzUsb ezusb(driver_, notifier, sim::PlaceholderUsbCardIdsSetting());  // no card selected
  UsbSpiCard card(ezusb);
  card.SpiData[1][0] = 0x0400;
  uint8_t count = 1;
  uint8_t delay = 0;

  card.UsbSpiTransfer(count);
  card.UsbSpiSetDelay(delay);

  EXPECT_EQ(card.SpiData[1][1], 0);
  EXPECT_EQ(delay, 0);
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(notifier.texts.isEmpty());
}

TEST_F(UsbSpiCardTest, SettingsReachTheCard) {
  uint8_t delay = 0;
  card_.UsbSpiSetDelay(delay);
  EXPECT_EQ(delay, 1);
  EXPECT_EQ(card_.SpiWordDelay, 1);

  uint8_t bits = 0x28;
  card_.UsbSpiSetBits(bits);
  EXPECT_EQ(card_.SpiStaticBits, 0x28);

  EXPECT_EQ(Sent(), (Packets{{11, 1}, {12, 0x28}}));
  EXPECT_EQ(driver_.Card(0)->word_delay, 1);
  EXPECT_EQ(driver_.Card(0)->static_bits, 0x28);
  EXPECT_TRUE(notifier_.texts.isEmpty());
}

TEST_F(UsbSpiCardTest, GetSetupKeepsOnlyTheChipSelectBits) {
  driver_.Card(0)->word_delay = 25;
  driver_.Card(0)->static_bits = 0xFF;
  card_.SpiWordDelay = 3;
  card_.SpiStaticBits = 0;

  card_.UsbSpiGetSetup();

  EXPECT_EQ(Sent(), (Packets{{1}}));
  EXPECT_EQ(card_.SpiWordDelay, 25);
  EXPECT_EQ(card_.SpiStaticBits, 0x78);
  EXPECT_TRUE(notifier_.texts.isEmpty());
}

TEST_F(UsbSpiCardTest, FailedGetSetupStillReadsAndKeepsTheSettings) {
  card_.SpiWordDelay = 40;
  driver_.FailNextBulkWrite(0);
  card_.UsbSpiGetSetup();
  EXPECT_EQ(notifier_.texts, (QStringList{QStringLiteral("Error Setting up SPI"),
                                          QStringLiteral("Error Reading SPI")}));
  EXPECT_EQ(card_.SpiWordDelay, 40);
  EXPECT_EQ(card_.SpiStaticBits, 0x78);
  EXPECT_FALSE(card_.CardReady());
}

TEST_F(UsbSpiCardTest, FailedSettingsShowTheirMessages) {
  uint8_t delay = 9;
  driver_.FailNextBulkWrite(0);
  card_.UsbSpiSetDelay(delay);
  EXPECT_EQ(notifier_.texts, QStringList{QStringLiteral("Error Setting up SPI")});
  EXPECT_FALSE(card_.CardReady());
  EXPECT_EQ(card_.SpiWordDelay, 9);

  ezusb_.UsbSelectFirstCard();
  uint8_t bits = 0x10;
  driver_.FailNextBulkWrite(0);
  card_.UsbSpiSetBits(bits);
  EXPECT_EQ(notifier_.texts.last(), QStringLiteral("Error Setting SPI Bits"));
  EXPECT_FALSE(card_.CardReady());
  EXPECT_EQ(driver_.Card(0)->static_bits, 0xFF) << "the card never got the bits";
}

}  // namespace
}  // namespace talvix::link
