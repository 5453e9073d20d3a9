// SPDX-License-Identifier: MIT
// The register arithmetic of Arm and Self Test.
#include "monitor/arm_logic.h"
#include "monitor/self_test.h"

#include "support/sim_session.h"

#include <gtest/gtest.h>

namespace talvix::monitor {
namespace {

TEST(ArmLogicTest, AnyTriggerBitArmedMeansDisarm) {
  EXPECT_EQ(DecideArm(0x0A43, 0x40), ArmStep::kDisarm);
  EXPECT_EQ(DecideArm(0x0A13, 0x40), ArmStep::kDisarm);  // bit 4 counts as armed
  EXPECT_EQ(DecideArm(0x0A83, 0), ArmStep::kDisarm);     // whatever was chosen
  EXPECT_EQ(DecideArm(0x0A03, 0), ArmStep::kNoTriggerSource);
  EXPECT_EQ(DecideArm(0xFF0F, 0x10), ArmStep::kArm);  // bits outside 4..7 do not count
}

TEST(ArmLogicTest, TriggerBitsAreReplacedOrClearedKeepingTheRest) {
  EXPECT_EQ(ArmedAlmCtrl(0x0A03, 0x40), 0x0A43);
  EXPECT_EQ(ArmedAlmCtrl(0x0A93, 0x10), 0x0A13);  // an old selection goes
  EXPECT_EQ(ArmedAlmCtrl(0x0A03, static_cast<int16_t>(0x0F40)), 0x0A43);
  EXPECT_EQ(DisarmedAlmCtrl(0x0A43), 0x0A03);
  EXPECT_EQ(DisarmedAlmCtrl(0x0A13), 0x0A03);
  // Only bits 4 and 6 go: bits 5 and 7 and the high byte stay.
  EXPECT_EQ(DisarmedAlmCtrl(0xFFFF), 0xFFAF);
}

TEST(SelfTestTest, SwitchesTheSimulatedSensorsSelfTestBit) {
  test::SimSession sim;
  sim.Write(registers::kMiscCtrl, 0x0E05);
  SetSelfTest(sim.link(), true);
  EXPECT_EQ(sim.Read(registers::kMiscCtrl), 0x0F05);
  SetSelfTest(sim.link(), false);
  EXPECT_EQ(sim.Read(registers::kMiscCtrl), 0x0005);
}

}  // namespace
}  // namespace talvix::monitor
