// SPDX-License-Identifier: MIT
#include "common/range_statistics.h"
#include "common/cursor_pair.h"

#include <cmath>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

namespace talvix::common {
namespace {

TEST(RangeStatisticsTest, ASineOverWholePeriods) {
  std::vector<double> values;
  for (int i = 0; i < 400; ++i)
    values.push_back(0.5 + 2.0 * std::sin(2 * std::numbers::pi * i / 40));
  const std::optional<RangeStatistics> s = StatisticsOf(values);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->count, 400);
  EXPECT_NEAR(s->mean, 0.5, 1e-12);
  EXPECT_NEAR(s->rms, std::sqrt(0.25 + 2.0), 1e-12);  // the offset counts
  EXPECT_NEAR(s->minimum, -1.5, 1e-12);
  EXPECT_NEAR(s->maximum, 2.5, 1e-12);
  EXPECT_NEAR(s->peak_to_peak, 4.0, 1e-12);
}

TEST(RangeStatisticsTest, ValuesThatAreNotNumbersAreLeftOut) {
  const std::vector<double> values = {NAN, -3.0, INFINITY, 1.0};
  const std::optional<RangeStatistics> s = StatisticsOf(values);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->count, 2);
  EXPECT_DOUBLE_EQ(s->mean, -1.0);
  EXPECT_DOUBLE_EQ(s->rms, std::sqrt(5.0));
  EXPECT_FALSE(StatisticsOf(std::vector<double>{NAN}));
  EXPECT_FALSE(StatisticsOf(std::vector<double>{}));
}

TEST(RangeStatisticsTest, TheReadoutHasTheDifferencesThenTheStatistics) {
  const CursorReadout readout{.a = 12,
                              .b = 140,
                              .delta_ms = 31.25,
                              .delta_value = 0.05,
                              .statistics = RangeStatistics{129, -1.0, 1.0, 0.0, 0.7071, 2.0}};
  EXPECT_EQ(CursorReadoutText(readout, "G", QLocale::c()),
            "A 12  B 140  \u0394t 31.250 ms  \u0394A 0.05 G\n"
            "min -1.000  max 1.000  mean 0.000  RMS 0.707  p-p 2.000 G");
  CursorReadout unknown;
  unknown.a = 3;
  unknown.b = 1;
  EXPECT_EQ(CursorReadoutText(unknown, {}, QLocale::c()), "A 3  B 1  \u0394t ?  \u0394A 0.000");
}

TEST(CursorPairTest, CursorsStayOnTheRunAndTheActiveOneMoves) {
  CursorPair cursors;
  cursors.Reset(1, 64);
  EXPECT_EQ(cursors.a(), 1);
  EXPECT_EQ(cursors.b(), 64);
  EXPECT_EQ(cursors.active(), Cursor::kA);
  cursors.Step(-5);
  EXPECT_EQ(cursors.a(), 1);
  cursors.Step(10);
  EXPECT_EQ(cursors.a(), 11);
  cursors.ToggleActive();
  cursors.Step(2147483647);
  EXPECT_EQ(cursors.b(), 64);
  cursors.Place(Cursor::kB, -7);
  EXPECT_EQ(cursors.b(), 1);
  EXPECT_EQ(cursors.Left(), 1);
  EXPECT_EQ(cursors.Right(), 11);
  cursors.Place(Cursor::kA, 99);
  EXPECT_EQ(cursors.a(), 64);
  EXPECT_EQ(cursors.active(), Cursor::kA);
}

}  // namespace
}  // namespace talvix::common
