// SPDX-License-Identifier: MIT
#include "sim/sim_usb_driver.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace talvix::sim {
namespace {

using Bytes = std::vector<uint8_t>;

std::array<uint8_t, 4> Pipe(uint32_t pipe) {
  return {static_cast<uint8_t>(pipe), 0, 0, 0};
}

bool Write(platform::UsbDevice& device, uint32_t pipe, Bytes bytes) {
  uint32_t returned = 0;
  return device.IoControl(platform::kIoctlBulkWrite, Pipe(pipe), bytes, returned) &&
         returned == bytes.size();
}

std::optional<Bytes> Read(platform::UsbDevice& device, uint32_t pipe, size_t size) {
  Bytes buffer(size);
  uint32_t returned = 0;
  if (!device.IoControl(platform::kIoctlBulkRead, Pipe(pipe), buffer, returned)) {
    return std::nullopt;
  }
  buffer.resize(returned);
  return buffer;
}

TEST(SimUsbDriverTest, OpensPlacedCardsByTheirNameOnly) {
  SimUsbDriver driver;
  EXPECT_NE(driver.PlaceCard(2), nullptr);
  EXPECT_EQ(driver.PlaceCard(4), nullptr);
  EXPECT_EQ(driver.PlaceCard(-1), nullptr);

  EXPECT_EQ(driver.Open(QStringLiteral("Ezusb-0")), nullptr);
  EXPECT_EQ(driver.Open(QStringLiteral("Ezusb-4")), nullptr);
  {
    const auto first = driver.Open(QStringLiteral("Ezusb-2"));
    const auto second = driver.Open(QStringLiteral("Ezusb-2"));
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(driver.OpenDevices(), 2);
  }
  EXPECT_EQ(driver.OpenDevices(), 0);
}

TEST(SimUsbDriverTest, AnswersDeviceDescriptorAndPipeInformation) {
  SimUsbDriver driver;
  SimUsbCardSetup setup;
  setup.product_id = sim::kPlaceholderQuarnProductId;
  setup.max_packet = 64;
  driver.PlaceCard(0, setup);
  const auto device = driver.Open(QStringLiteral("Ezusb-0"));

  std::array<uint8_t, platform::kDeviceDescriptorBufferSize> descriptor{};
  uint32_t returned = 0;
  ASSERT_TRUE(
      device->IoControl(platform::kIoctlGetDeviceDescriptor, descriptor, descriptor, returned));
  EXPECT_EQ(returned, 18u);
  EXPECT_EQ(descriptor[8] | descriptor[9] << 8, sim::kPlaceholderVendorId);
  EXPECT_EQ(descriptor[10] | descriptor[11] << 8, sim::kPlaceholderQuarnProductId);

  std::array<uint8_t, platform::kPipeInfoBlockSize> block{};
  ASSERT_TRUE(device->IoControl(platform::kIoctlGetPipeInfo, block, block, returned));
  EXPECT_EQ(block[16 + 2], 0x02);                       // pipe 0: OUT
  EXPECT_GT(block[16 + 20 + 2], 0x80);                  // pipe 1: IN
  EXPECT_EQ(block[16 + 60] | block[16 + 61] << 8, 64);  // pipe 3's packet size

  std::array<uint8_t, 17> too_short{};
  EXPECT_FALSE(device->IoControl(platform::kIoctlGetDeviceDescriptor, {}, too_short, returned));
  EXPECT_FALSE(device->IoControl(platform::kIoctlGetPipeInfo, {}, too_short, returned));
  EXPECT_FALSE(device->IoControl(12345, {}, too_short, returned));
}

TEST(SimUsbDriverTest, StringDescriptorsComeWholeOrCutToTheBuffer) {
  SimUsbDriver driver;
  SimUsbCardSetup setup;
  setup.strings = {{1, QStringLiteral("Tlvx")}};
  driver.PlaceCard(1, setup);
  const auto device = driver.Open(QStringLiteral("Ezusb-1"));
  const std::array<uint8_t, 5> first = {1, 0, 0, 0, 0x1B};
  uint32_t returned = 0;

  std::array<uint8_t, 4> head{};
  ASSERT_TRUE(device->IoControl(platform::kIoctlGetStringDescriptor, first, head, returned));
  EXPECT_EQ(returned, 4u);
  EXPECT_EQ(head, (std::array<uint8_t, 4>{10, 3, 'T', 0}));

  std::array<uint8_t, 10> whole{};
  ASSERT_TRUE(device->IoControl(platform::kIoctlGetStringDescriptor, first, whole, returned));
  EXPECT_EQ(whole, (std::array<uint8_t, 10>{10, 3, 'T', 0, 'l', 0, 'v', 0, 'x', 0}));

  const std::array<uint8_t, 5> missing = {2, 0, 0, 0, 0x1B};
  EXPECT_FALSE(device->IoControl(platform::kIoctlGetStringDescriptor, missing, whole, returned));
  EXPECT_FALSE(device->IoControl(platform::kIoctlGetStringDescriptor, {}, whole, returned));
}

TEST(SimUsbDriverTest, CommandSetRemembersSettingsAndAnswersOnPipeOne) {
  SimUsbDriver driver;
  SimUsbCardSetup setup;
  setup.firmware_major = 3;
  setup.firmware_tenths = 7;
  driver.PlaceCard(0, setup);
  const auto device = driver.Open(QStringLiteral("Ezusb-0"));

  ASSERT_TRUE(Write(*device, 0, {0}));
  EXPECT_EQ(Read(*device, 1, 2), (Bytes{3, 7}));
  ASSERT_TRUE(Write(*device, 0, {1}));
  EXPECT_EQ(Read(*device, 1, 64), (Bytes{25, 0xFF}));  // power-up state; a short answer is fine

  ASSERT_TRUE(Write(*device, 0, {11, 40}));
  ASSERT_TRUE(Write(*device, 0, {12, 0x28}));
  EXPECT_EQ(driver.Card(0)->word_delay, 40);
  EXPECT_EQ(driver.Card(0)->static_bits, 0x28);
  ASSERT_TRUE(Write(*device, 0, {1}));
  EXPECT_EQ(Read(*device, 1, 2), (Bytes{40, 0x28}));

  EXPECT_EQ(Read(*device, 1, 2), std::nullopt) << "an answer is read once";
  ASSERT_TRUE(Write(*device, 0, {0}));
  EXPECT_EQ(Read(*device, 1, 1), std::nullopt) << "an answer longer than the buffer overflows";
  EXPECT_FALSE(Write(*device, 1, {0})) << "pipe 1 only answers";
  EXPECT_EQ(driver.ReceivedPackets(0),
            (std::vector<Bytes>{{0}, {1}, {11, 40}, {12, 0x28}, {1}, {0}}));
}

TEST(SimUsbDriverTest, TransfersReachTheSensorOnChannelOneOnly) {
  std::vector<uint16_t> frames;
  SimUsbDriver driver([&](uint16_t sent) {
    frames.push_back(sent);
    return static_cast<uint16_t>(sent + 1);
  });
  driver.PlaceCard(3);
  const auto device = driver.Open(QStringLiteral("Ezusb-3"));

  ASSERT_TRUE(Write(*device, 0, {13, 1, 2, 0x91, 0x12, 0x90, 0x34}));
  EXPECT_EQ(Read(*device, 1, 4), (Bytes{0x91, 0x13, 0x90, 0x35}));
  ASSERT_TRUE(Write(*device, 0, {14, 1, 1, 0x04, 0x00}));
  EXPECT_EQ(Read(*device, 1, 2), (Bytes{0x04, 0x01}));
  EXPECT_EQ(frames, (std::vector<uint16_t>{0x9112, 0x9034, 0x0400}));

  ASSERT_TRUE(Write(*device, 0, {13, 2, 1, 0x04, 0x00}));
  EXPECT_EQ(Read(*device, 1, 2), (Bytes{0xFF, 0xFF}));
  EXPECT_EQ(frames.size(), 3u) << "the sensor is not selected on channel 2";

  ASSERT_TRUE(Write(*device, 0, {13, 1, 3, 0x04, 0x00, 0x05, 0x00}));  // a word short
  ASSERT_TRUE(Write(*device, 0, {13, 1, 17}));
  EXPECT_EQ(Read(*device, 1, 64), std::nullopt);
  EXPECT_EQ(frames.size(), 3u);

  driver.SetSpiWire({});
  ASSERT_TRUE(Write(*device, 0, {13, 1, 1, 0x04, 0x00}));
  EXPECT_EQ(Read(*device, 1, 2), (Bytes{0xFF, 0xFF})) << "no sensor wired";
}

TEST(SimUsbDriverTest, InjectedFaultsHitOnceAndUnplugBlocksOpening) {
  SimUsbDriver driver;
  driver.PlaceCard(0);
  auto device = driver.Open(QStringLiteral("Ezusb-0"));

  driver.FailNextBulkWrite(0);
  EXPECT_FALSE(Write(*device, 0, {11, 9}));
  EXPECT_TRUE(driver.ReceivedPackets(0).empty()) << "a failed write never reaches the card";
  EXPECT_TRUE(Write(*device, 0, {0}));

  driver.FailNextBulkRead(0);
  EXPECT_EQ(Read(*device, 1, 2), std::nullopt);
  EXPECT_EQ(Read(*device, 1, 2), std::nullopt) << "the answer was lost with the failed read";
  EXPECT_TRUE(Write(*device, 0, {0}));
  EXPECT_TRUE(Read(*device, 1, 2));

  driver.Unplug(0);
  EXPECT_EQ(driver.Open(QStringLiteral("Ezusb-0")), nullptr);
  EXPECT_FALSE(Write(*device, 0, {0})) << "a handle open at the unplug fails";
  driver.Replug(0);
  EXPECT_NE(driver.Open(QStringLiteral("Ezusb-0")), nullptr);

  driver.RemoveCard(0);
  EXPECT_FALSE(Write(*device, 0, {0}));
  device.reset();
  EXPECT_EQ(driver.OpenDevices(), 0);
  driver.FailNextBulkRead(0);  // no card: nothing to do
  EXPECT_TRUE(driver.ReceivedPackets(0).empty());
}

TEST(SimUsbDriverTest, HungCardTakesPacketsButNeverAnswersUntilReplugged) {
  SimUsbDriver driver;
  driver.PlaceCard(0);
  auto device = driver.Open(QStringLiteral("Ezusb-0"));
  driver.Hang(0);
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_TRUE(Write(*device, 0, {0}));
    EXPECT_EQ(Read(*device, 1, 2), std::nullopt);
  }
  driver.Replug(0);
  EXPECT_TRUE(Write(*device, 0, {0}));
  EXPECT_EQ(Read(*device, 1, 2), (Bytes{2, 5}));
}

TEST(SimUsbDriverTest, StallFailsTheNextTransferInEitherDirectionOnly) {
  SimUsbDriver driver;
  driver.PlaceCard(0);
  auto device = driver.Open(QStringLiteral("Ezusb-0"));
  driver.StallNextBulkTransfer(0);
  EXPECT_FALSE(Write(*device, 0, {0}));
  EXPECT_TRUE(driver.ReceivedPackets(0).empty());
  EXPECT_TRUE(Write(*device, 0, {0}));
  driver.StallNextBulkTransfer(0);
  EXPECT_EQ(Read(*device, 1, 2), std::nullopt);
  EXPECT_TRUE(Write(*device, 0, {0}));
  EXPECT_EQ(Read(*device, 1, 2), (Bytes{2, 5}));
}

}  // namespace
}  // namespace talvix::sim
