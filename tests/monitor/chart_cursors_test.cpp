// SPDX-License-Identifier: MIT
#include "monitor/chart_cursors.h"

#include <gtest/gtest.h>

namespace talvix::monitor {
namespace {

class ChartCursorsTest : public ::testing::Test {
 protected:
  // Passes 1..count, X_Accel reading the pass number, read 0.1 s apart from 10 s past midnight,
  // unevenly after the fifth (a slow pass of 0.35 s).
  void Plot(int count) {
    double seconds = 10.0;
    for (int pass = 1; pass <= count; ++pass) {
      SampleVector samples{};
      samples[2] = static_cast<float>(pass);
      chart.PlotDataPoints2(samples, checked);
      seconds += pass == 6 ? 0.35 : 0.1;
      times.Record(chart.X(), seconds);
    }
  }

  StripChart chart;
  ChartTimes times;
  SeriesSelection checked = SeriesSelection::All();
};

TEST_F(ChartCursorsTest, TheCursorsReadTheMeasuredTimeAndTheValuesBetweenThem) {
  Plot(10);  // columns 1..10
  common::CursorPair cursors = StartingCursors(chart);
  EXPECT_EQ(cursors.a(), 1);
  EXPECT_EQ(cursors.b(), 10);
  cursors.Place(common::Cursor::kA, 4);
  cursors.Place(common::Cursor::kB, 8);
  const common::CursorReadout readout = ChartCursorReadout(chart, times, 2, cursors);
  ASSERT_TRUE(readout.delta_ms);
  EXPECT_NEAR(*readout.delta_ms, 650.0, 1e-6);  // 0.1 + 0.35 + 0.1 + 0.1 s, as read
  EXPECT_DOUBLE_EQ(readout.delta_value, 4.0);
  ASSERT_TRUE(readout.statistics);
  EXPECT_EQ(readout.statistics->count, 5);
  EXPECT_DOUBLE_EQ(readout.statistics->mean, 6.0);
  EXPECT_DOUBLE_EQ(readout.statistics->peak_to_peak, 4.0);
}

TEST_F(ChartCursorsTest, ColumnsWithoutAPassReadNoTimeAndNoValue) {
  Plot(3);
  common::CursorPair cursors = StartingCursors(chart);
  cursors.Place(common::Cursor::kB, 200);  // nothing drawn there yet
  const common::CursorReadout readout = ChartCursorReadout(chart, times, 2, cursors);
  EXPECT_FALSE(readout.delta_ms);
  EXPECT_DOUBLE_EQ(readout.delta_value, 0.0);
  ASSERT_TRUE(readout.statistics);
  EXPECT_EQ(readout.statistics->count, 3);
}

}  // namespace
}  // namespace talvix::monitor
