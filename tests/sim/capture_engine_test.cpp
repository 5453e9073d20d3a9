// SPDX-License-Identifier: MIT
#include "sim/capture_engine.h"

#include "registers/register_bits.h"

#include <gtest/gtest.h>

namespace talvix::sim {
namespace {

SampleCodes XCode(int32_t x) {
  SampleCodes codes;
  codes.by_source[2] = x;
  return codes;
}

constexpr ComparatorOutputs kNoTrip{};
constexpr ComparatorOutputs kTrip1{true, false};
constexpr ComparatorOutputs kTrip2{false, true};

TEST(CaptureEngineTest, LayoutIsLimitedToTheBuffersSize) {
  const CaptureEngine::Layout full = CaptureEngine::Decode(0x922A);
  EXPECT_EQ(full.length, 1024);
  EXPECT_EQ(full.pre_trigger, 4);
  EXPECT_EQ(full.source, (std::array<int, 2>{2, 9}));

  const CaptureEngine::Layout all_ones = CaptureEngine::Decode(0xFFFF);
  EXPECT_EQ(all_ones.length, 1024);
  EXPECT_EQ(all_ones.pre_trigger, 1023) << "the trigger sample always fits";

  const CaptureEngine::Layout smallest = CaptureEngine::Decode(0x0000);
  EXPECT_EQ(smallest.length, 1);
  EXPECT_EQ(smallest.pre_trigger, 0);
}

TEST(CaptureEngineTest, TriggersOnlyWhenReadiedAndOnTheSelectedComparator) {
  CaptureEngine engine;
  engine.Reset();
  const uint16_t config = 0x0213;  // buffer 0 X, 2 before the trigger, 8 long
  EXPECT_FALSE(engine.OnSample(XCode(1), kTrip1, registers::kAlmCtrlTrigger1, config))
      << "not readied by COMMAND 0x0100";
  engine.Prepare();
  EXPECT_FALSE(engine.Armed(0x0000));
  EXPECT_TRUE(engine.Armed(registers::kAlmCtrlTrigger1));
  EXPECT_FALSE(engine.OnSample(XCode(2), kTrip2, registers::kAlmCtrlTrigger1, config));
  EXPECT_FALSE(engine.OnSample(XCode(3), kNoTrip, registers::kAlmCtrlTrigger1, config));
  EXPECT_TRUE(engine.OnSample(XCode(-5), kTrip1, registers::kAlmCtrlTrigger1, config));
  EXPECT_TRUE(engine.Triggered());
  EXPECT_FALSE(engine.Full());

  EXPECT_EQ(engine.Word(0, 1), 0x8002);
  EXPECT_EQ(engine.Word(0, 2), 0x8003);
  EXPECT_EQ(engine.Word(0, 3), 0x8000 | 0x3FFB) << "-5 in the 14-bit field";
  EXPECT_EQ(engine.Word(0, 4), 0) << "not filled yet";
  EXPECT_EQ(engine.Word(1, 3), 0x8000) << "buffer 1's source is disabled: it records 0";
  EXPECT_FALSE(engine.OnSample(XCode(7), kTrip1, registers::kAlmCtrlTrigger1, config))
      << "one trigger per readying";
  for (int i = 0; i < 4; ++i) engine.OnSample(XCode(8 + i), kNoTrip, 0, config);
  EXPECT_TRUE(engine.Full());
  EXPECT_EQ(engine.Word(0, 8), 0x800B);
  EXPECT_EQ(engine.Word(0, 0), 0);
  EXPECT_EQ(engine.Word(0, 9), 0);
  EXPECT_EQ(engine.Word(2, 1), 0);

  engine.Prepare();
  EXPECT_EQ(engine.Word(0, 1), 0) << "readying forgets the last capture";
}

TEST(CaptureEngineTest, PreTriggerPlacesFromBeforePowerUpStayEmpty) {
  CaptureEngine engine;
  engine.Reset();
  engine.Prepare();
  const uint16_t config = 0x0243;  // 16 before the trigger, 8 long: 7 before the trigger
  engine.OnSample(XCode(10), kNoTrip, registers::kAlmCtrlTrigger2, config);
  EXPECT_TRUE(engine.OnSample(XCode(20), kTrip2, registers::kAlmCtrlTrigger2, config));
  for (int pointer = 1; pointer <= 6; ++pointer) EXPECT_EQ(engine.Word(0, pointer), 0);
  EXPECT_EQ(engine.Word(0, 7), 0x800A);
  EXPECT_EQ(engine.Word(0, 8), 0x8014);
  EXPECT_TRUE(engine.Full());
}

}  // namespace
}  // namespace talvix::sim
