// SPDX-License-Identifier: MIT
// The program's libusb backend, with the card layer above it, against simulated cards on an
// emulated USB bus: every request here goes through libusb, usbfs ioctls and umockdev.
#include "link/ezusb.h"
#include "link/usb_spi_card.h"
#include "platform/clock.h"
#include "platform/libusb_driver.h"
#include "platform/notifier.h"
#include "sim/placeholder_usb_ids.h"
#include "sim/sim_sensor.h"
#include "sim/sim_usb_driver.h"
#include "usb_emulator/card_list.h"
#include "usb_emulator/usb_card_emulator.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

namespace talvix::usb_emulator {
namespace {

using Bytes = std::vector<uint8_t>;
using link::UsbCardInfo;

EmulatedDevice Device(uint16_t product_id, uint16_t max_packet = 512, uint8_t address = 0) {
  EmulatedDevice device;
  device.setup.product_id = product_id;
  device.setup.max_packet = max_packet;
  device.address = address;
  return device;
}

class LibUsbBackendTest : public ::testing::Test {
 protected:
  // Plugs the devices in, then starts libusb, which takes the device list from the testbed.
  void Plug(std::vector<EmulatedDevice> devices) {
    QString error;
    emulator_ = UsbCardEmulator::Start(cards_, std::move(devices), error);
    ASSERT_NE(emulator_, nullptr) << error.toStdString();
    libusb_ = std::make_unique<platform::LibUsbDriver>(sim::kPlaceholderVendorId);
    ASSERT_TRUE(libusb_->LastError().isEmpty()) << libusb_->LastError().toStdString();
    ezusb_ =
        std::make_unique<link::EzUsb>(*libusb_, notifier_, sim::PlaceholderUsbCardIdsSetting());
    card_ = std::make_unique<link::UsbSpiCard>(*ezusb_);
  }

  void SelectFirstCard() {
    ezusb_->UsbSelectFirstCard();
    ASSERT_TRUE(card_->CardReady()) << notifier_.texts.join(u'|').toStdString();
  }

  std::vector<Bytes> ReceivedPackets(int device) {
    std::vector<Bytes> packets;
    emulator_->WithCards(
        [&](sim::SimUsbDriver& cards) { packets = cards.ReceivedPackets(device); });
    return packets;
  }

  std::vector<sim::TracedFrame> TakeTrace() {
    std::vector<sim::TracedFrame> frames;
    emulator_->WithCards([&](sim::SimUsbDriver&) {
      frames = sensor_.trace().frames();
      sensor_.trace().Clear();
    });
    return frames;
  }

  // Sends `words` on channel 1 and checks that each reached the sensor and its answer came back
  // in SpiData, in order.
  void ExpectTransferReachesSensor(const std::vector<uint16_t>& words) {
    TakeTrace();
    for (size_t k = 0; k < words.size(); ++k) card_->SpiData[k + 1][0] = words[k];
    uint8_t count = static_cast<uint8_t>(words.size());
    card_->UsbSpiTransfer(count);
    ASSERT_TRUE(card_->CardReady()) << notifier_.texts.join(u'|').toStdString();
    const std::vector<sim::TracedFrame> frames = TakeTrace();
    ASSERT_EQ(frames.size(), words.size());
    for (size_t k = 0; k < words.size(); ++k) {
      EXPECT_EQ(frames[k].sent, words[k]) << "word " << k + 1;
      EXPECT_EQ(card_->SpiData[k + 1][1], frames[k].answered) << "word " << k + 1;
    }
  }

  // Destroyed in reverse order: the card layer and libusb go before the emulator, the emulator
  // before the card models and the sensor it serves.
  platform::ManualClock clock_;
  sim::SimSensor sensor_{clock_, 11};
  sim::SimUsbDriver cards_{[this](uint16_t sent) { return sensor_.Transfer(sent); }};
  std::unique_ptr<UsbCardEmulator> emulator_;
  std::unique_ptr<platform::LibUsbDriver> libusb_;
  platform::RecordingNotifier notifier_;
  std::unique_ptr<link::EzUsb> ezusb_;
  std::unique_ptr<link::UsbSpiCard> card_;
};

TEST_F(LibUsbBackendTest, CardsAreNamedInBusAddressOrderAmongTheMakersDevices) {
  EmulatedDevice quarn = Device(sim::kPlaceholderQuarnProductId, 64, 9);
  quarn.setup.strings = {{1, QStringLiteral("Q maker")}, {2, QStringLiteral("Q card")}};
  quarn.setup.firmware_major = 1;
  quarn.setup.firmware_tenths = 0;
  EmulatedDevice other = Device(sim::kPlaceholderOtherProductId, 512, 2);
  other.setup.vendor_id = sim::kPlaceholderOtherVendorId;
  ASSERT_NO_FATAL_FAILURE(Plug({quarn, other, Device(sim::kPlaceholderPellowProductId, 512, 4),
                                Device(sim::kPlaceholderForeignProductId, 512, 6)}));

  ezusb_->UsbScanCards();

  // Ezusb-0 is the Pellow at address 4, Ezusb-1 the foreign product at 6 (not counted), Ezusb-2
  // the Quarn at 9; the other maker's device at 2 gets no name.
  EXPECT_EQ(ezusb_->UsbCardCount, 2);
  const UsbCardInfo& pellow = ezusb_->UsbCards[0];
  EXPECT_TRUE(pellow.Present);
  EXPECT_EQ(pellow.DevName, "Ezusb-0");
  EXPECT_EQ(pellow.CardType, "Pellow");
  EXPECT_EQ(pellow.Descriptor0, "Talvix");
  EXPECT_EQ(pellow.Descriptor1, "USB SPI Card");
  EXPECT_FLOAT_EQ(pellow.FirmwareRev, 2.5f);
  EXPECT_EQ(pellow.UsbSpeed, "2");
  EXPECT_FALSE(ezusb_->UsbCards[1].Present);
  EXPECT_TRUE(ezusb_->UsbCards[1].DevName.isEmpty());
  const UsbCardInfo& q = ezusb_->UsbCards[2];
  EXPECT_TRUE(q.Present);
  EXPECT_EQ(q.DevName, "Ezusb-2");
  EXPECT_EQ(q.CardType, "Quarn");
  EXPECT_EQ(q.Descriptor0, "Q maker");
  EXPECT_EQ(q.Descriptor1, "Q card");
  EXPECT_FLOAT_EQ(q.FirmwareRev, 1.0f);
  EXPECT_EQ(q.UsbSpeed, "1.1");
  EXPECT_FALSE(ezusb_->UsbCards[3].Present);
  EXPECT_EQ(libusb_->Open(QStringLiteral("Ezusb-3")), nullptr);
  EXPECT_TRUE(notifier_.texts.isEmpty()) << notifier_.texts.join(u'|').toStdString();
  EXPECT_EQ(emulator_->Stats(0).unknown_ioctls, 0u);
}

TEST_F(LibUsbBackendTest, FirstReadyCardBecomesCurrentAndAnEmptyBusIsReported) {
  ASSERT_NO_FATAL_FAILURE(
      Plug({Device(sim::kPlaceholderForeignProductId), Device(sim::kPlaceholderPellowProductId),
            Device(sim::kPlaceholderForeignProductId), Device(sim::kPlaceholderQuarnProductId)}));
  ezusb_->UsbSelectFirstCard();
  EXPECT_EQ(ezusb_->UsbCardIndex, 1);
  EXPECT_EQ(ezusb_->CurrentCard.DevName, "Ezusb-1");
  EXPECT_TRUE(card_->CardReady());

  for (int device = 0; device < emulator_->DeviceCount(); ++device) emulator_->Unplug(device);
  ezusb_->UsbSelectFirstCard();
  EXPECT_FALSE(card_->CardReady());
  EXPECT_EQ(ezusb_->UsbCardCount, 0);
  EXPECT_EQ(notifier_.texts, QStringList{"No USB Buffers Found, Please Verify Setup and Restart"});
}

// Every request answered through libusb equals the simulated card's own answer at the driver
// level, for a high-speed and a full-speed card.
class LibUsbRequestTest : public LibUsbBackendTest,
                          public ::testing::WithParamInterface<uint16_t> {};

TEST_P(LibUsbRequestTest, AnswersEqualTheSimulatedCardsAtDriverLevel) {
  const uint16_t packet = GetParam();
  EmulatedDevice device = Device(sim::kPlaceholderQuarnProductId, packet);
  device.setup.strings = {{1, QStringLiteral("Talvix AG")}, {2, QStringLiteral("Spi4")}};
  sim::SimUsbDriver twin;
  twin.PlaceCard(0, device.setup);
  ASSERT_NO_FATAL_FAILURE(Plug({device}));

  const std::unique_ptr<platform::UsbDevice> real = libusb_->Open(QStringLiteral("Ezusb-0"));
  const std::unique_ptr<platform::UsbDevice> simulated = twin.Open(QStringLiteral("Ezusb-0"));
  ASSERT_NE(real, nullptr) << libusb_->LastError().toStdString();
  struct Case {
    uint32_t code;
    Bytes in;
    size_t out_size;
  };
  const std::vector<Case> cases = {
      {platform::kIoctlGetDeviceDescriptor, {}, platform::kDeviceDescriptorBufferSize},
      {platform::kIoctlGetStringDescriptor, {0, 0, 0, 0, 0x1B}, 4},
      {platform::kIoctlGetStringDescriptor, {1, 0, 0, 0, 0x1B}, 4},
      {platform::kIoctlGetStringDescriptor, {1, 0, 0, 0, 0x1B}, 20},
      {platform::kIoctlGetStringDescriptor, {2, 0, 0, 0, 0x1B}, 10},
      {platform::kIoctlGetStringDescriptor, {3, 0, 0, 0, 0x1B}, 4},  // no such string
      {platform::kIoctlGetPipeInfo, Bytes(platform::kPipeInfoBlockSize),
       platform::kPipeInfoBlockSize},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::DescribeUsbRequest(c.code, c.in, {}, 0, true).toStdString());
    Bytes real_out(c.out_size), sim_out(c.out_size);
    uint32_t real_returned = 0, sim_returned = 0;
    const bool real_ok = real->IoControl(c.code, c.in, real_out, real_returned);
    const bool sim_ok = simulated->IoControl(c.code, c.in, sim_out, sim_returned);
    EXPECT_EQ(real_ok, sim_ok);
    EXPECT_EQ(real_returned, sim_returned);
    EXPECT_EQ(real_out, sim_out);
  }

  // What the card layer makes of them: the descriptor of total length 10 gives 4 characters,
  // pipe 1 reads, pipe 3 tells the speed.
  EXPECT_EQ(ezusb_->UsbGetString(real.get(), 2), "Spi4");
  EXPECT_EQ(ezusb_->UsbGetString(real.get(), 3), "None");
  EXPECT_EQ(ezusb_->UsbPipeMaxPacket(real.get(), 3), packet);
  std::array<uint8_t, platform::kPipeInfoBlockSize> block{};
  ASSERT_TRUE(ezusb_->UsbGetPipeInfo(real.get(), block));
  EXPECT_GT(block[16 + 20 * 1 + 2], 0x80);  // pipe 1: an IN endpoint
  EXPECT_LT(block[16 + 20 * 0 + 2], 0x80);  // pipe 0: an OUT endpoint
}

INSTANTIATE_TEST_SUITE_P(PacketSizes, LibUsbRequestTest, ::testing::Values(512, 64));

TEST_F(LibUsbBackendTest, CardCommandSetRoundTrips) {
  ASSERT_NO_FATAL_FAILURE(Plug({Device(sim::kPlaceholderPellowProductId)}));
  ASSERT_NO_FATAL_FAILURE(SelectFirstCard());

  uint8_t bits = 0x5A;
  card_->UsbSpiSetBits(bits);
  uint8_t delay = 0;
  card_->UsbSpiSetDelay(delay);
  EXPECT_EQ(delay, 1);
  emulator_->WithCards([](sim::SimUsbDriver& cards) {
    EXPECT_EQ(cards.Card(0)->static_bits, 0x5A);
    EXPECT_EQ(cards.Card(0)->word_delay, 1);
  });
  card_->SpiWordDelay = 99;
  card_->UsbSpiGetSetup();
  EXPECT_EQ(card_->SpiWordDelay, 1);
  EXPECT_EQ(card_->SpiStaticBits, 0x58);

  // Sixteen words, the most one packet carries: read frames of the output registers, each
  // answered during the next frame.
  std::vector<uint16_t> words;
  for (uint16_t address = 0x02; words.size() < 16; address += 2) words.push_back(address << 8);
  ASSERT_NO_FATAL_FAILURE(ExpectTransferReachesSensor(words));
  const Bytes sent = ReceivedPackets(0).back();
  ASSERT_EQ(sent.size(), 3u + 2 * 16);
  EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 5), (Bytes{13, 1, 16, 0x02, 0x00}));

  // The other polarity on an unwired channel: the packet says so and the line reads all ones.
  card_->SpiChan = 2;
  card_->SpiInPolarity = false;
  card_->SpiData[1][0] = 0x9112;
  card_->SpiData[2][0] = 0x9034;
  uint8_t count = 2;
  card_->UsbSpiTransfer(count);
  EXPECT_EQ(ReceivedPackets(0).back(), (Bytes{14, 2, 2, 0x91, 0x12, 0x90, 0x34}));
  EXPECT_EQ(card_->SpiData[1][1], 0xFFFF);
  EXPECT_EQ(card_->SpiData[2][1], 0xFFFF);
  EXPECT_TRUE(TakeTrace().empty());
  EXPECT_TRUE(notifier_.texts.isEmpty()) << notifier_.texts.join(u'|').toStdString();
  EXPECT_EQ(emulator_->Stats(0).unknown_ioctls, 0u);
}

TEST_F(LibUsbBackendTest, ReadWithNothingWaitingTimesOutAndTheNextExchangeStillWorks) {
  ASSERT_NO_FATAL_FAILURE(Plug({Device(sim::kPlaceholderPellowProductId)}));
  ezusb_->UsbScanCards();
  const std::unique_ptr<platform::UsbDevice> handle = ezusb_->UsbOpenCard(ezusb_->UsbCards[0]);
  ASSERT_NE(handle, nullptr);

  std::array<uint8_t, 2> answer = {0xEE, 0xEE};
  uint32_t length = answer.size();
  EXPECT_EQ(ezusb_->UsbPipeTransfer(handle.get(), link::kAnswerPipe, answer.data(), length), 0);
  EXPECT_EQ(length, 0u);
  EXPECT_TRUE(libusb_->LastError().contains("LIBUSB_ERROR_TIMEOUT"))
      << libusb_->LastError().toStdString();
  EXPECT_EQ(emulator_->Stats(0).discarded, 1u);

  // The cancelled read must not swallow the answer to the next command.
  uint8_t command = link::kCardCmdBoardInfo;
  length = 1;
  EXPECT_EQ(ezusb_->UsbPipeTransfer(handle.get(), link::kCommandPipe, &command, length), 1);
  length = answer.size();
  EXPECT_EQ(ezusb_->UsbPipeTransfer(handle.get(), link::kAnswerPipe, answer.data(), length), 1);
  EXPECT_EQ(length, 2u);
  EXPECT_EQ(answer, (std::array<uint8_t, 2>{2, 5}));
}

// A transfer that fails half-way: the card is marked not ready with the step's message, the
// received words stay as they were, nothing more is sent, and a new search brings the program
// back to work.
struct TransferFault {
  const char* name;
  std::function<void(UsbCardEmulator&)> inject;
  const char* message;
  bool card_took_packet;
  bool unplugged;
};

void PrintTo(const TransferFault& fault, std::ostream* os) {
  *os << fault.name;
}

class TransferFaultTest : public LibUsbBackendTest,
                          public ::testing::WithParamInterface<TransferFault> {};

TEST_P(TransferFaultTest, CardIsMarkedNotReadyAndTheProgramGoesOn) {
  const TransferFault& fault = GetParam();
  ASSERT_NO_FATAL_FAILURE(Plug({Device(sim::kPlaceholderPellowProductId)}));
  ASSERT_NO_FATAL_FAILURE(SelectFirstCard());
  const size_t packets_before = ReceivedPackets(0).size();
  card_->SpiData[1][0] = 0x0200;
  card_->SpiData[1][1] = 0x1234;

  fault.inject(*emulator_);
  uint8_t count = 1;
  card_->UsbSpiTransfer(count);

  EXPECT_FALSE(card_->CardReady());
  EXPECT_EQ(notifier_.texts, QStringList{fault.message});
  EXPECT_EQ(card_->SpiData[1][1], 0x1234);
  EXPECT_EQ(ReceivedPackets(0).size(), packets_before + (fault.card_took_packet ? 1 : 0));

  // Not ready: the next transfer sends nothing and shows nothing.
  const size_t packets_after = ReceivedPackets(0).size();
  card_->UsbSpiTransfer(count);
  EXPECT_EQ(ReceivedPackets(0).size(), packets_after);
  EXPECT_EQ(notifier_.texts.size(), 1);

  notifier_.texts.clear();
  if (fault.unplugged) {
    ezusb_->UsbSelectFirstCard();
    EXPECT_FALSE(card_->CardReady());
    EXPECT_EQ(notifier_.texts,
              QStringList{"No USB Buffers Found, Please Verify Setup and Restart"});
    notifier_.texts.clear();
    emulator_->Replug(0);
  }
  emulator_->SetAnswering(0, true);  // a hung card comes back once it is reset
  ASSERT_NO_FATAL_FAILURE(SelectFirstCard());
  ASSERT_NO_FATAL_FAILURE(ExpectTransferReachesSensor({0x0200, 0x0000}));
  EXPECT_TRUE(notifier_.texts.isEmpty()) << notifier_.texts.join(u'|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TransferFaultTest,
    ::testing::Values(TransferFault{"UnpluggedBeforeTheCardTakesThePacket",
                                    [](UsbCardEmulator& emulator) {
                                      emulator.UnplugAtNextPacket(
                                          0, UsbCardEmulator::PullMoment::kInsteadOfPacket);
                                    },
                                    "Error Writing SPI", false, true},
                      TransferFault{"UnpluggedBeforeTheAnswer",
                                    [](UsbCardEmulator& emulator) {
                                      emulator.UnplugAtNextPacket(
                                          0, UsbCardEmulator::PullMoment::kBeforeAnswer);
                                    },
                                    "Error Reading SPI", true, true},
                      TransferFault{"WriteStalls",
                                    [](UsbCardEmulator& emulator) {
                                      emulator.WithCards([](sim::SimUsbDriver& cards) {
                                        cards.FailNextBulkWrite(0);
                                      });
                                    },
                                    "Error Writing SPI", false, false},
                      TransferFault{"ReadStalls",
                                    [](UsbCardEmulator& emulator) {
                                      emulator.WithCards([](sim::SimUsbDriver& cards) {
                                        cards.FailNextBulkRead(0);
                                      });
                                    },
                                    "Error Reading SPI", true, false},
                      TransferFault{
                          "CardStopsAnsweringAndTheReadTimesOut",
                          [](UsbCardEmulator& emulator) { emulator.SetAnswering(0, false); },
                          "Error Reading SPI", true, false},
                      // A halted endpoint stalls until the host clears it: the card works
                      // again only because the backend clears the halt after the stall.
                      TransferFault{"CommandEndpointHalts",
                                    [](UsbCardEmulator& emulator) {
                                      emulator.PlanFault({FaultKind::kStall, 0});
                                    },
                                    "Error Writing SPI", false, false},
                      TransferFault{"AnswerEndpointHalts",
                                    [](UsbCardEmulator& emulator) {
                                      emulator.PlanFault({FaultKind::kStall, 1});
                                    },
                                    "Error Reading SPI", true, false},
                      TransferFault{"CardHangsAtTheAnswer",
                                    [](UsbCardEmulator& emulator) {
                                      emulator.PlanFault({FaultKind::kHang, 1});
                                    },
                                    "Error Reading SPI", true, false},
                      TransferFault{"CardUnpluggedAtTheAnswer",
                                    [](UsbCardEmulator& emulator) {
                                      emulator.PlanFault({FaultKind::kUnplug, 1});
                                    },
                                    "Error Reading SPI", true, true}),
    [](const ::testing::TestParamInfo<TransferFault>& info) { return info.param.name; });

}  // namespace
}  // namespace talvix::usb_emulator
