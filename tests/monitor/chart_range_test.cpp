// SPDX-License-Identifier: MIT
#include "monitor/chart_range.h"
#include "monitor/strip_chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

namespace talvix::monitor {
namespace {

struct FixedCase {
  RangeChoice choice;
  const char* text;
  const char* labels;  // top|middle|bottom
};

class FixedRangeTest : public ::testing::TestWithParam<FixedCase> {};

// A fixed range puts half its full scale a quarter from the top, and labels its top, middle and
// bottom; the choice survives the trip through its settings word.
TEST_P(FixedRangeTest, HalfFullScaleLiesAQuarterFromTheTop) {
  const FixedCase& c = GetParam();
  const ChartRange range = FixedRange(c.choice);
  EXPECT_DOUBLE_EQ(range.FractionFromTop(range.top / 2.0), 0.25);
  EXPECT_EQ(RangeChoiceText(c.choice), QString::fromUtf8(c.text));
  const YAxisTexts texts = YAxisLabelTexts(range);
  EXPECT_EQ(texts.top + u'|' + texts.middle + u'|' + texts.bottom, c.labels);
  EXPECT_EQ(RangeChoiceFromKey(RangeChoiceKey(c.choice)), c.choice);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, FixedRangeTest,
    ::testing::Values(FixedCase{RangeChoice::kPlusMinus30, "±30 g", "30|0|-30"},
                      FixedCase{RangeChoice::kPlusMinus10, "±10 g", "10|0|-10"},
                      FixedCase{RangeChoice::kPlusMinus5, "±5 g", "5|0|-5"},
                      FixedCase{RangeChoice::kPlusMinus2, "±2 g", "2|0|-2"},
                      FixedCase{RangeChoice::kPlusMinus1, "±1 g", "1|0|-1"}));

TEST(ChartRangeTest, TwoGPutsOneGAQuarterFromTheTop) {
  EXPECT_DOUBLE_EQ(FixedRange(RangeChoice::kPlusMinus2).FractionFromTop(1.0), 0.25);
  EXPECT_EQ(ChartRange(), FixedRange(RangeChoice::kPlusMinus30));  // the default
}

struct FitCase {
  ValueExtent extent;
  ChartRange expected;
};

class FitRangeTest : public ::testing::TestWithParam<FitCase> {};

// A margin, then top and bottom on a readable step with the middle on a step too.
TEST_P(FitRangeTest, FitsAReadableRangeAroundTheValues) {
  const FitCase& c = GetParam();
  const ChartRange fitted = FitRange(c.extent);
  EXPECT_NEAR(fitted.top, c.expected.top, 1e-9);
  EXPECT_NEAR(fitted.bottom, c.expected.bottom, 1e-9);
  EXPECT_LE(fitted.bottom, c.extent.low);
  EXPECT_GE(fitted.top, c.extent.high);
}

INSTANTIATE_TEST_SUITE_P(
    Extents, FitRangeTest,
    ::testing::Values(FitCase{{0.8, 1.2}, {1.5, 0.5}},      // a sensor at rest, 1 g up
                      FitCase{{-1.2, -0.8}, {-0.5, -1.5}},  // upside down
                      FitCase{{1.0, 1.0}, {1.05, 0.95}},    // a flat line
                      FitCase{{0.0, 0.0}, {0.05, -0.05}},   // flat at zero
                      FitCase{{24.9, 25.3}, {30.0, 22.0}},  // degC; 22..28 widened to even steps
                      FitCase{{-3.1, 2.4}, {5.0, -5.0}},    // a knock
                      FitCase{{0.3, 1.0}, {2.0, 0.0}}));

TEST(ChartRangeTest, UnknownSettingsWordsNameNoChoice) {
  EXPECT_EQ(RangeChoiceFromKey(u" AUTO "), RangeChoice::kAuto);
  EXPECT_FALSE(RangeChoiceFromKey(u"").has_value());
  EXPECT_FALSE(RangeChoiceFromKey(u"3").has_value());
}

SampleVector XAt(float value) {
  SampleVector samples{};
  samples[2] = value;
  return samples;
}

SeriesSelection OnlyX() {
  SeriesSelection selection;
  selection.SetChecked(2, true);
  return selection;
}

// A sensor at rest moving between 0.8 and 1.2 g shows about 0.5..1.5 g and the range holds still
// over two sweeps; a knock widens it at once, and it narrows again only once the knock has left
// the chart.
TEST(AutoRangeTest, FitsTheValuesOnTheChartAndHoldsStill) {
  StripChart chart;
  chart.SetRangeChoice(RangeChoice::kAuto, OnlyX());
  EXPECT_EQ(chart.Range(), ChartRange());  // nothing on the chart yet: kept

  // It widens while the first values come in, then holds.
  std::set<std::pair<double, double>> ranges;
  for (int pass = 0; pass < 3 * kColumnCount; ++pass) {
    chart.PlotDataPoints2(XAt(static_cast<float>(1.0 + 0.2 * std::sin(pass * 0.3))), OnlyX());
    if (pass >= 20) ranges.insert({chart.Range().top, chart.Range().bottom});
  }
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_NEAR(chart.Range().top, 1.5, 1e-9);
  EXPECT_NEAR(chart.Range().bottom, 0.5, 1e-9);

  chart.PlotDataPoints2(XAt(3.0f), OnlyX());
  EXPECT_GE(chart.Range().top, 3.0);
  for (int pass = 0; pass < kChartRight; ++pass) chart.PlotDataPoints2(XAt(1.0f), OnlyX());
  EXPECT_GE(chart.Range().top, 3.0);  // the knock is still on the chart
  chart.PlotDataPoints2(XAt(1.0f), OnlyX());
  EXPECT_LT(chart.Range().top, 1.5);  // gone: only the flat line is left
}

// Pause keeps only the latest values: the first pass after it draws one column on, joined from
// the latest value, not from the value before the pause.
TEST(StripChartPauseTest, ResumingDrawsTheNextSegmentFromTheLatestValue) {
  StripChart chart;
  chart.PlotDataPoints2(XAt(1.0f), OnlyX());
  chart.KeepLatest(XAt(5.0f));
  chart.KeepLatest(XAt(7.0f));
  EXPECT_EQ(chart.X(), 1);
  EXPECT_EQ(chart.PassesOnScreen().size(), 1u);

  const ChartUpdate& resumed = chart.PlotDataPoints2(XAt(9.0f), OnlyX());
  ASSERT_EQ(resumed.segments.size(), 1u);
  EXPECT_EQ(resumed.segments[0].from, (ChartPoint{1.0, 7.0}));
  EXPECT_EQ(resumed.segments[0].to, (ChartPoint{2.0, 9.0}));
}

}  // namespace
}  // namespace talvix::monitor
