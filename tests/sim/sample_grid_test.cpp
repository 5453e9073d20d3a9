// SPDX-License-Identifier: MIT
#include "sim/sample_grid.h"

#include <gtest/gtest.h>

namespace talvix::sim {
namespace {

TEST(SampleGridTest, PeriodFromTimeBaseAndMultiplier) {
  EXPECT_DOUBLE_EQ(SamplePeriodSeconds(0x00), 0.00012207);
  EXPECT_DOUBLE_EQ(SamplePeriodSeconds(0x7F), 128 * 0.00012207);
  EXPECT_DOUBLE_EQ(SamplePeriodSeconds(0xFF81), 2 * 0.003784) << "8-bit field";
}

TEST(SampleGridTest, InstantsComeDueExactlyOnThePeriod) {
  SampleGrid grid;
  const double period = SamplePeriodSeconds(0x81);
  grid.Restart(100.0, period);
  EXPECT_EQ(grid.DueBy(99.9), 0);
  EXPECT_EQ(grid.DueBy(100.0), 1);
  EXPECT_EQ(grid.DueBy(100.0 + 7 * period), 8) << "no sample lost to rounding";
  grid.Advance(8);
  EXPECT_EQ(grid.IndexAt(0), 8);
  EXPECT_DOUBLE_EQ(grid.InstantAt(0), 100.0 + 8 * period);
  EXPECT_EQ(grid.DueBy(100.0 + 8 * period - 1e-6), 0);

  grid.Restart(200.0, 1.0);
  EXPECT_EQ(grid.DueBy(202.5), 3);
  EXPECT_EQ(grid.IndexAt(0), 8) << "indices count on across a restart";
}

}  // namespace
}  // namespace talvix::sim
