// SPDX-License-Identifier: MIT
#include "link/ezusb.h"

#include "sim/sim_usb_driver.h"

#include <gtest/gtest.h>

#include <vector>

namespace talvix::link {
namespace {

const QString kNoCards = QStringLiteral("No USB Buffers Found, Please Verify Setup and Restart");
const QString kNoValidCards =
    QStringLiteral("No Valid USB Buffers Found, Please Verify Setup and Restart");
const QString kBoardInfoError = QStringLiteral("Error getting Board Info");

void ExpectEmpty(const UsbCardInfo& card) {
  EXPECT_TRUE(card.DevName.isEmpty());
  EXPECT_FALSE(card.Present);
  EXPECT_EQ(card.CardType, QStringLiteral("None"));
}

class EzUsbTest : public ::testing::Test {
 protected:
  sim::SimUsbDriver driver_;
  platform::RecordingNotifier notifier_;
  EzUsb ezusb_{driver_, notifier_, sim::PlaceholderUsbCardIdsSetting()};
};

TEST_F(EzUsbTest, FirstReadyCardBecomesCurrentWithItsBoardInformation) {
  sim::SimUsbCardSetup pellow;
  pellow.strings = {{1, QStringLiteral("Talvix")}, {2, QStringLiteral("SPI")}};
  pellow.firmware_major = 1;
  pellow.firmware_tenths = 0;
  pellow.max_packet = 64;
  driver_.PlaceCard(1, pellow);
  sim::SimUsbCardSetup quarn;
  quarn.product_id = sim::kPlaceholderQuarnProductId;
  quarn.firmware_major = 2;
  quarn.firmware_tenths = 5;
  quarn.max_packet = 512;
  driver_.PlaceCard(3, quarn);

  ezusb_.UsbSelectFirstCard();

  EXPECT_TRUE(notifier_.texts.isEmpty());
  EXPECT_EQ(ezusb_.UsbCardCount, 2);
  EXPECT_EQ(ezusb_.UsbCardIndex, 1);
  const UsbCardInfo& current = ezusb_.CurrentCard;
  EXPECT_TRUE(current.Present);
  EXPECT_EQ(current.DevName, QStringLiteral("Ezusb-1"));
  EXPECT_EQ(current.CardType, QStringLiteral("Pellow"));
  EXPECT_EQ(current.Descriptor0, QStringLiteral("Talvix"));
  EXPECT_EQ(current.Descriptor1, QStringLiteral("SPI"));
  EXPECT_FLOAT_EQ(current.FirmwareRev, 1.0f);
  EXPECT_EQ(current.UsbSpeed, QStringLiteral("1.1"));

  const UsbCardInfo& third = ezusb_.UsbCards[3];
  EXPECT_TRUE(third.Present);
  EXPECT_EQ(third.CardType, QStringLiteral("Quarn"));
  EXPECT_FLOAT_EQ(third.FirmwareRev, 2.5f);
  EXPECT_EQ(third.UsbSpeed, QStringLiteral("2"));
  ExpectEmpty(ezusb_.UsbCards[0]);
  ExpectEmpty(ezusb_.UsbCards[2]);
  EXPECT_EQ(driver_.OpenDevices(), 0);
  EXPECT_EQ(driver_.ReceivedPackets(1), (std::vector<std::vector<uint8_t>>{{0}}));
}

TEST_F(EzUsbTest, WithoutCardsNothingIsCurrentAndTheUserIsTold) {
  ezusb_.CurrentCard.Present = true;
  ezusb_.UsbCardIndex = 2;
  driver_.PlaceCard(0);
  driver_.Unplug(0);  // cannot be opened: counts as absent, without a message of its own

  ezusb_.UsbSelectFirstCard();

  EXPECT_EQ(notifier_.texts, QStringList{kNoCards});
  EXPECT_EQ(notifier_.titles, QStringList{QStringLiteral("Error")});
  EXPECT_EQ(ezusb_.UsbCardCount, 0);
  EXPECT_EQ(ezusb_.UsbCardIndex, -1);
  EXPECT_FALSE(ezusb_.CurrentCard.Present);
  for (const UsbCardInfo& card : ezusb_.UsbCards) ExpectEmpty(card);
}

// Without the installation's card ids nothing is looked for: no device is opened, the cards of an
// earlier scan are forgotten, and the user learns where to set the ids.
TEST_F(EzUsbTest, WithoutCardIdsNoDeviceIsOpened) {
  struct CountingDriver : platform::UsbDriver {
    explicit CountingDriver(platform::UsbDriver& inner) : inner(inner) {}
    std::unique_ptr<platform::UsbDevice> Open(const QString& name) override {
      ++opens;
      return inner.Open(name);
    }
    platform::UsbDriver& inner;
    int opens = 0;
  } counting(driver_);
  driver_.PlaceCard(0);
  EzUsb ezusb(counting, notifier_, platform::UsbCardIdsSetting{});
  ezusb.UsbCards[0].DevName = QStringLiteral("Ezusb-0");

  ezusb.UsbSelectFirstCard();

  EXPECT_EQ(counting.opens, 0);
  ExpectEmpty(ezusb.UsbCards[0]);
  EXPECT_FALSE(ezusb.CurrentCard.Present);
  ASSERT_EQ(notifier_.texts.size(), 1);
  EXPECT_TRUE(notifier_.texts[0].startsWith("No USB card ids are set"))
      << notifier_.texts[0].toStdString();
}

TEST_F(EzUsbTest, DevicesOfOtherProductsOrVendorsAreNotCounted) {
  sim::SimUsbCardSetup other_product;
  other_product.product_id = sim::kPlaceholderForeignProductId;
  driver_.PlaceCard(0, other_product);
  sim::SimUsbCardSetup other_vendor;
  other_vendor.vendor_id = sim::kPlaceholderOtherVendorId;
  driver_.PlaceCard(2, other_vendor);

  ezusb_.UsbSelectFirstCard();

  EXPECT_EQ(ezusb_.UsbCardCount, 0);
  for (const UsbCardInfo& card : ezusb_.UsbCards) ExpectEmpty(card);
  EXPECT_EQ(notifier_.texts, QStringList{kNoCards});
  EXPECT_TRUE(driver_.ReceivedPackets(0).empty());
}

TEST_F(EzUsbTest, CardsFailingTheirBoardInformationAreFoundButNotValid) {
  sim::SimUsbCardSetup no_second_string;
  no_second_string.strings = {{1, QStringLiteral("Talvix")}};
  driver_.PlaceCard(0, no_second_string);
  driver_.PlaceCard(1);
  driver_.FailNextBulkRead(1);
  sim::SimUsbCardSetup no_packet_size;
  no_packet_size.max_packet = 0;
  driver_.PlaceCard(2, no_packet_size);

  ezusb_.UsbSelectFirstCard();

  EXPECT_EQ(notifier_.texts,
            (QStringList{kBoardInfoError, kBoardInfoError, kBoardInfoError, kNoValidCards}));
  EXPECT_EQ(ezusb_.UsbCardCount, 3);
  EXPECT_EQ(ezusb_.UsbCardIndex, -1);
  EXPECT_FALSE(ezusb_.CurrentCard.Present);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(ezusb_.UsbCards[i].Present) << i;
    EXPECT_EQ(ezusb_.UsbCards[i].DevName, QStringLiteral("Ezusb-%1").arg(i));
  }
}

TEST_F(EzUsbTest, RescanForgetsCardsThatWentAway) {
  driver_.PlaceCard(0);
  ezusb_.UsbSelectFirstCard();
  driver_.RemoveCard(0);
  driver_.PlaceCard(2);

  ezusb_.UsbSelectFirstCard();

  ExpectEmpty(ezusb_.UsbCards[0]);
  EXPECT_EQ(ezusb_.UsbCards[0].Descriptor0, QStringLiteral("None"));
  EXPECT_EQ(ezusb_.UsbCardIndex, 2);
  EXPECT_EQ(ezusb_.CurrentCard.DevName, QStringLiteral("Ezusb-2"));
}

TEST_F(EzUsbTest, StringDescriptorTextIsTheLowByteOfEachUnit) {
  sim::SimUsbCardSetup setup;
  setup.strings = {{1, QStringLiteral("Tlvx")}, {2, QStringLiteral("A\u0142")}};
  driver_.PlaceCard(0, setup);
  const auto handle = driver_.Open(QStringLiteral("Ezusb-0"));

  EXPECT_EQ(ezusb_.UsbGetString(handle.get(), 1), QStringLiteral("Tlvx"));  // total length 10
  EXPECT_EQ(ezusb_.UsbGetString(handle.get(), 2), QStringLiteral("AB"));    // U+0142 -> 0x42
  EXPECT_EQ(ezusb_.UsbGetString(handle.get(), 3), QStringLiteral("None"));
  EXPECT_EQ(ezusb_.UsbGetString(nullptr, 1), QStringLiteral("None"));
}

TEST_F(EzUsbTest, PipeTransferPicksDirectionFromThePipeInformation) {
  driver_.PlaceCard(0);
  const auto handle = driver_.Open(QStringLiteral("Ezusb-0"));
  uint8_t command[] = {1};
  uint32_t length = 1;

  EXPECT_EQ(ezusb_.UsbPipeTransfer(nullptr, 0, command, length), -2);
  EXPECT_EQ(ezusb_.UsbPipeTransfer(handle.get(), 0, command, length), 1);
  EXPECT_EQ(length, 1u);

  uint8_t answer[8] = {};
  length = sizeof answer;
  EXPECT_EQ(ezusb_.UsbPipeTransfer(handle.get(), 1, answer, length), 1);
  EXPECT_EQ(length, 2u);
  EXPECT_EQ(answer[0], 25);

  for (int bad_pipe : {-1, 17}) {
    length = 1;
    EXPECT_EQ(ezusb_.UsbPipeTransfer(handle.get(), bad_pipe, command, length), 0);
    EXPECT_EQ(length, 0u);
  }
  EXPECT_EQ(ezusb_.UsbPipeMaxPacket(handle.get(), 3), 512);
  EXPECT_EQ(ezusb_.UsbPipeMaxPacket(handle.get(), 17), 0);
  EXPECT_EQ(ezusb_.UsbPipeMaxPacket(nullptr, 3), 0);
  EXPECT_EQ(driver_.ReceivedPackets(0).size(), 1u);
}

// A device whose pipe information cannot be read: no bulk request may go out, since the
// direction of the pipe is unknown.
class NoPipeInfoDevice : public platform::UsbDevice {
 public:
  bool IoControl(uint32_t code, std::span<const uint8_t>, std::span<uint8_t>,
                 uint32_t& returned) override {
    codes.push_back(code);
    returned = 0;
    return code != platform::kIoctlGetPipeInfo;
  }
  std::vector<uint32_t> codes;
};

TEST_F(EzUsbTest, PipeTransferSendsNothingWithoutPipeInformation) {
  NoPipeInfoDevice device;
  uint8_t buffer[2] = {};
  uint32_t length = 2;
  EXPECT_EQ(ezusb_.UsbPipeTransfer(&device, 1, buffer, length), 0);
  EXPECT_EQ(ezusb_.UsbPipeMaxPacket(&device, 3), 0);
  EXPECT_EQ(device.codes,
            (std::vector<uint32_t>{platform::kIoctlGetPipeInfo, platform::kIoctlGetPipeInfo}));
}

}  // namespace
}  // namespace talvix::link
