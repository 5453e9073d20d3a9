// SPDX-License-Identifier: MIT
#include "registers/register_bits.h"

#include <gtest/gtest.h>

namespace talvix::registers {
namespace {

TEST(RegisterBitsTest, CaptCfgFieldsComposeAndSplit) {
  // Buffer 1 "Peak_RSS", buffer 0 "X_Acceleration", pre-trigger 4, length 1024.
  const uint16_t word = CaptCfgWord(10, 2, kSourceX, kSourceRssPeak);
  EXPECT_EQ(word, 0x922A);
  EXPECT_EQ(CaptLengthCode(word), 10);
  EXPECT_EQ(CaptPreTriggerCode(word), 2);
  EXPECT_EQ(CaptSource(word, 0), kSourceX);
  EXPECT_EQ(CaptSource(word, 1), kSourceRssPeak);
  EXPECT_EQ(CaptCfgWord(0x13, 0x1F, 0x1F, 0x1F), 0xFFF3) << "each field keeps its own 4 bits";
}

TEST(RegisterBitsTest, AlmCtrlSourcesLeaveTheIndicatorAndTriggerBits) {
  EXPECT_EQ(AlarmSource(0x5206, 1), kSourceX);
  EXPECT_EQ(AlarmSource(0x5206, 2), kSourceTemperature);
  EXPECT_EQ(WithAlarmSources(0xFF56, kSourceSupply, kSourceRss), 0x8156);
  EXPECT_EQ(WithAlarmSources(0x0000, 0x13, 0), 0x0300) << "a source keeps to its field";
}

TEST(RegisterBitsTest, AlmMagWordKeepsFourteenBitsAndTheDirection) {
  EXPECT_EQ(AlmMagWord(0x1F4, true), 0x81F4);
  EXPECT_EQ(AlmMagWord(0x1F4, false), 0x01F4);
  EXPECT_EQ(AlmMagWord(-1, false), 0x3FFF) << "a negative level in 14-bit two's complement";
  EXPECT_EQ(AlmMagWord(-8192, true), 0xA000);
}

}  // namespace
}  // namespace talvix::registers
