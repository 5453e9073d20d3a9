// SPDX-License-Identifier: MIT
#include "monitor/status_flags.h"

#include <gtest/gtest.h>

namespace talvix::monitor {
namespace {

TEST(StatusFlagsTest, CaptureTriggersOnlyOnTheAlarmBitOfTheChosenTrigger) {
  // Trigger 2 watches bit 9: bit 8 alone is some other alarm.
  EXPECT_FALSE(CaptureTriggered(0x0100, true, kCaptTrigger2));
  EXPECT_TRUE(CaptureTriggered(0x0200, true, kCaptTrigger2));
  EXPECT_TRUE(CaptureTriggered(0x0300, true, kCaptTrigger2));
  // Trigger 1 watches bit 8.
  EXPECT_TRUE(CaptureTriggered(0x0100, true, kCaptTrigger1));
  EXPECT_FALSE(CaptureTriggered(0x0200, true, kCaptTrigger1));
  // Not armed, or no trigger chosen: nothing to see.
  EXPECT_FALSE(CaptureTriggered(0x0300, false, kCaptTrigger1));
  EXPECT_FALSE(CaptureTriggered(0x0300, true, 0));
  // Another selection bit pattern (left by the sensor in ALM_CTRL) matches neither alarm.
  EXPECT_FALSE(CaptureTriggered(0x0300, true, 0x50));
}

}  // namespace
}  // namespace talvix::monitor
