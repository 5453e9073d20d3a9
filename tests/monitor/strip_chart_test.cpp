// SPDX-License-Identifier: MIT
#include "monitor/strip_chart.h"

#include <gtest/gtest.h>

namespace talvix::monitor {
namespace {

SampleVector Samples(float value) {
  SampleVector samples{};
  for (int series = kFirstSeries; series <= kLastSeries; ++series) samples[series] = value;
  return samples;
}

SeriesSelection Only(int series) {
  SeriesSelection selection;
  selection.SetChecked(series, true);
  return selection;
}

TEST(StripChartTest, FirstUpdateDrawsFromOriginToColumnOne) {
  StripChart chart;
  SampleVector samples{};
  samples[5] = 25.0f;
  const ChartUpdate update = chart.PlotDataPoints2(samples, Only(5));

  EXPECT_EQ(update.band_left, 1);
  EXPECT_EQ(update.band_right, 2);
  EXPECT_EQ(update.cursor_x, 2);
  ASSERT_EQ(update.segments.size(), 1u);
  const ChartSegment& segment = update.segments[0];
  EXPECT_EQ(segment.series, 5);
  EXPECT_EQ(segment.colour, (Rgb{128, 0, 0}));
  EXPECT_EQ(segment.from, (ChartPoint{0.0, 0.0}));
  EXPECT_EQ(segment.to, (ChartPoint{1.0, 25.0}));
}

TEST(StripChartTest, EachSeriesTakesItsOwnElementInSeriesOrder) {
  StripChart chart;
  SampleVector samples{};
  samples[1] = 99.0f;   // supply: never plotted
  samples[10] = 99.0f;  // beyond the rows
  for (int series = kFirstSeries; series <= kLastSeries; ++series) samples[series] = series * 1.5f;

  const ChartUpdate update = chart.PlotDataPoints2(samples, SeriesSelection::All());
  ASSERT_EQ(update.segments.size(), static_cast<std::size_t>(kSeriesCount));
  for (int series = kFirstSeries; series <= kLastSeries; ++series) {
    const ChartSegment& segment = update.segments[series - kFirstSeries];
    EXPECT_EQ(segment.series, series);
    EXPECT_EQ(segment.colour, SeriesLineColour(series));
    EXPECT_EQ(segment.to.y, series * 1.5f);
  }
}

TEST(StripChartTest, WrapsToColumnZeroAtThe351stUpdate) {
  StripChart chart;
  const SeriesSelection all = SeriesSelection::All();
  for (int pass = 1; pass <= 349; ++pass) chart.PlotDataPoints2(Samples(1.0f), all);

  const ChartUpdate last_column = chart.PlotDataPoints2(Samples(2.0f), all);
  EXPECT_EQ(last_column.band_left, 350);
  EXPECT_EQ(last_column.cursor_x, 351);  // beyond the right edge
  EXPECT_EQ(last_column.segments[0].from, (ChartPoint{349.0, 1.0}));
  EXPECT_EQ(last_column.segments[0].to, (ChartPoint{350.0, 2.0}));

  // The next pass starts again at the left edge with a vertical piece at column 0.
  const ChartUpdate wrapped = chart.PlotDataPoints2(Samples(-3.0f), all);
  EXPECT_EQ(chart.X(), 0);
  EXPECT_EQ(wrapped.band_left, 0);
  EXPECT_EQ(wrapped.band_right, 1);
  EXPECT_EQ(wrapped.cursor_x, 1);
  EXPECT_EQ(wrapped.segments[7].from, (ChartPoint{0.0, 2.0}));
  EXPECT_EQ(wrapped.segments[7].to, (ChartPoint{0.0, -3.0}));

  const ChartUpdate after = chart.PlotDataPoints2(Samples(4.0f), all);
  EXPECT_EQ(after.segments[0].from, (ChartPoint{0.0, -3.0}));
  EXPECT_EQ(after.segments[0].to, (ChartPoint{1.0, 4.0}));
}

TEST(StripChartTest, UncheckedSeriesKeepTheirLatestValueForWhenTheyAreCheckedAgain) {
  StripChart chart;
  SampleVector samples{};
  samples[4] = 7.0f;
  samples[2] = 1.0f;
  EXPECT_EQ(chart.PlotDataPoints2(samples, Only(2)).segments.size(), 1u);
  samples[4] = 8.5f;
  samples[2] = 2.0f;
  EXPECT_TRUE(chart.PlotDataPoints2(samples, SeriesSelection()).segments.empty());

  samples[4] = 9.0f;
  const ChartUpdate rechecked = chart.PlotDataPoints2(samples, Only(4));
  ASSERT_EQ(rechecked.segments.size(), 1u);
  EXPECT_EQ(rechecked.segments[0].series, 4);
  EXPECT_EQ(rechecked.segments[0].from, (ChartPoint{2.0, 8.5}));
  EXPECT_EQ(rechecked.segments[0].to, (ChartPoint{3.0, 9.0}));
}

TEST(StripChartTest, MouseReadoutRoundsHalvesToEven) {
  const QLocale c = QLocale::c();
  const auto readout = [&](double x, double y) {
    const ReadoutTexts texts = MouseReadout(x, y, c);
    return texts.sample + u'|' + texts.value;
  };
  EXPECT_EQ(readout(174.5, 0.25), "174|0.2");
  EXPECT_EQ(readout(175.5, 0.75), "176|0.8");
  EXPECT_EQ(readout(12.49, -0.25), "12|-0.2");
  EXPECT_EQ(readout(-0.4, -0.04), "0|0");  // never "-0"
  EXPECT_EQ(readout(350.0, 29.96), "350|30");
  EXPECT_EQ(readout(1234.0, 5.06), "1234|5.1");  // no group separator even far off the chart

  const ReadoutTexts german = MouseReadout(2.0, 12.5, QLocale(QLocale::German));
  EXPECT_EQ(german.value, "12,5");
}

}  // namespace
}  // namespace talvix::monitor
