// SPDX-License-Identifier: MIT
#include "monitor/entry_corrections.h"

#include <gtest/gtest.h>

namespace talvix::monitor {
namespace {

TEST(EntryCorrectionsTest, LoopDelayKeepsNumbersFrom0To1000) {
  EXPECT_EQ(CorrectedLoopDelay("abc"), "0");
  EXPECT_EQ(CorrectedLoopDelay(""), "0");
  EXPECT_EQ(CorrectedLoopDelay("12abc"), "0");  // a box holds a number or nothing
  EXPECT_EQ(CorrectedLoopDelay("2000"), "1000");
  EXPECT_EQ(CorrectedLoopDelay("1e9"), "1000");
  EXPECT_EQ(CorrectedLoopDelay("-5"), "0");
  EXPECT_EQ(CorrectedLoopDelay("1000"), "1000");
  EXPECT_EQ(CorrectedLoopDelay("12.5"), "12.5");
  EXPECT_EQ(CorrectedLoopDelay(" 7 "), " 7 ");  // accepted as typed
}

TEST(EntryCorrectionsTest, PowerDownKeepsNumbersFrom0To127Point5) {
  EXPECT_EQ(CorrectedPowerDownTime("abc"), "0.0");
  EXPECT_EQ(CorrectedPowerDownTime("127.6"), "127.5");
  EXPECT_EQ(CorrectedPowerDownTime("-0.5"), "0.0");
  EXPECT_EQ(CorrectedPowerDownTime("127.5"), "127.5");
  EXPECT_EQ(CorrectedPowerDownTime("0"), "0");
  EXPECT_EQ(CorrectedPowerDownTime("0.7"), "0.7");
}

TEST(EntryCorrectionsTest, ValuesUsedAreTheLeadingNumberWithinTheRange) {
  EXPECT_FLOAT_EQ(LoopDelayMs("12.5"), 12.5f);
  EXPECT_FLOAT_EQ(LoopDelayMs("abc"), 0.0f);
  // A text not yet corrected can never make the loop wait longer than the limit.
  EXPECT_FLOAT_EQ(LoopDelayMs("1e30"), 1000.0f);
  EXPECT_FLOAT_EQ(LoopDelayMs("-3"), 0.0f);
  EXPECT_DOUBLE_EQ(PowerDownSeconds("0.7"), 0.7);
  EXPECT_DOUBLE_EQ(PowerDownSeconds("500"), 127.5);
}

}  // namespace
}  // namespace talvix::monitor
