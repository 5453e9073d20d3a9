// SPDX-License-Identifier: MIT
#include "platform/libusb_driver.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace talvix::platform {
namespace {

uint32_t Le32(const std::array<uint8_t, kPipeInfoBlockSize>& block, size_t at) {
  return block[at] | block[at + 1] << 8 | block[at + 2] << 16 |
         static_cast<uint32_t>(block[at + 3]) << 24;
}

TEST(LibUsbDriverTest, OnlyTheFourCardNamesAreAccepted) {
  for (int i = 0; i < 4; ++i) EXPECT_EQ(EzusbIndex(QStringLiteral("Ezusb-%1").arg(i)), i);
  for (const char* name : {"Ezusb-4", "Ezusb-", "ezusb-1", "Ezusb-01", "\\\\.\\Ezusb-0", ""}) {
    EXPECT_EQ(EzusbIndex(QString::fromLatin1(name)), std::nullopt) << name;
  }
}

TEST(LibUsbDriverTest, CardsAreNumberedByBusThenAddressAmongTheMakersDevices) {
  // The project's placeholder vendor ids (no maker's), as the simulated cards carry them.
  constexpr uint16_t kCards = 0xFFFE;
  constexpr uint16_t kOther = 0xFFFD;
  const std::vector<UsbDeviceLocation> devices = {
      {.bus = 2, .address = 1, .vendor_id = kCards},
      {.bus = 1, .address = 9, .vendor_id = kCards},
      {.bus = 1, .address = 3, .vendor_id = kOther},
      {.bus = 1, .address = 4, .vendor_id = kCards},
  };
  EXPECT_EQ(OrderCards(devices, kCards), (std::vector<size_t>{3, 1, 0}));
  EXPECT_TRUE(OrderCards(devices, 0xFFFC).empty());
  EXPECT_TRUE(OrderCards({}, kCards).empty());
}

TEST(LibUsbDriverTest, PipeInformationBlockLayout) {
  UsbInterface interface;
  interface.number = 0;
  interface.alternate = 1;
  interface.class_code = 0xFF;
  interface.subclass = 0x12;
  interface.protocol = 0x34;
  interface.pipes = {{.address = 0x02, .attributes = 0x02, .max_packet = 512, .interval = 0},
                     {.address = 0x86, .attributes = 0x03, .max_packet = 64, .interval = 4}};
  std::array<uint8_t, kPipeInfoBlockSize> block;
  block.fill(0xEE);

  BuildPipeInfoBlock(interface, block);

  EXPECT_EQ(block[0] | block[1] << 8, kPipeInfoBlockSize);
  EXPECT_EQ(block[3], 1);
  EXPECT_EQ(block[4], 0xFF);
  EXPECT_EQ(block[5], 0x12);
  EXPECT_EQ(block[6], 0x34);
  EXPECT_NE(Le32(block, 8), 0u);
  EXPECT_EQ(Le32(block, 12), 2u);
  // Pipe 0 at 16, pipe 1 at 36: packet size, endpoint, interval, type.
  EXPECT_EQ(block[16] | block[17] << 8, 512);
  EXPECT_EQ(block[18], 0x02);
  EXPECT_EQ(Le32(block, 20), 2u);
  EXPECT_EQ(block[36] | block[37] << 8, 64);
  EXPECT_EQ(block[38], 0x86);
  EXPECT_EQ(block[39], 4);
  EXPECT_EQ(Le32(block, 40), 3u);
  for (size_t i = 56; i < block.size(); ++i) ASSERT_EQ(block[i], 0) << "at " << i;
}

TEST(LibUsbDriverTest, PipeInformationBlockHoldsAtMostSeventeenPipes) {
  UsbInterface interface;
  for (int e = 0; e < 20; ++e) {
    interface.pipes.push_back({.address = static_cast<uint8_t>(0x81 + e),
                               .attributes = 2,
                               .max_packet = 64,
                               .interval = 0});
  }
  std::array<uint8_t, kPipeInfoBlockSize> block{};
  BuildPipeInfoBlock(interface, block);
  EXPECT_EQ(Le32(block, 12), 17u);
  EXPECT_EQ(block[16 + 20 * 16 + 2], 0x81 + 16);
}

}  // namespace
}  // namespace talvix::platform
