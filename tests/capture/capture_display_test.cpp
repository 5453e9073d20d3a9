// SPDX-License-Identifier: MIT
#include "capture/capture_display.h"

#include <gtest/gtest.h>

#include <array>

namespace talvix::capture {
namespace {

TEST(DisplayPlacement, AboveTheMainWindowsBottomBesideTheDataPlotFrame) {
  const TwipsRect main_window{500.0, 0.0, 12000.0, 9000.0};
  const TwipsRect capt0 = DisplayPlacement(0, main_window, 2000.0);
  const TwipsRect capt1 = DisplayPlacement(1, main_window, 2000.0);
  EXPECT_EQ(capt0.top, 3000.0);
  EXPECT_EQ(capt1.top, 1000.0);
  EXPECT_EQ(capt0.left, 500.0 + 2000.0 + 400.0);
  EXPECT_EQ(capt1.left - capt0.left, 200.0);
  EXPECT_EQ(capt1.width, 10000.0);
  EXPECT_EQ(capt1.height, 4000.0);
}

class LayOutDisplayTest : public ::testing::TestWithParam<std::array<double, 4>> {};

// Asked width and height, then the laid-out ones. The plot starts 100 twips down, so
// T + H = laid-out height - 800.
TEST_P(LayOutDisplayTest, ScaleLinesAndLabelsFollowThePlot) {
  const auto [width, height, laid_width, laid_height] = GetParam();
  const DisplayLayout layout = LayOutDisplay(width, height);
  EXPECT_EQ(layout.width, laid_width);
  EXPECT_EQ(layout.height, laid_height);
  EXPECT_EQ(layout.picture.width, laid_width - 1600.0);
  const double bottom = layout.picture.top + layout.picture.height;
  EXPECT_EQ(bottom, laid_height - 800.0);
  EXPECT_EQ(layout.line1_y, bottom);
  EXPECT_EQ(layout.line2_y, bottom / 2.0);
  EXPECT_EQ(layout.line3_y, layout.picture.top + 20.0);
  EXPECT_EQ(layout.full_scale_top, layout.line3_y - 102.5);
  EXPECT_EQ(layout.min_scale_top, layout.line1_y - 127.5);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LayOutDisplayTest,
                         ::testing::Values(std::array{1000.0, 500.0, 3200.0, 1500.0},
                                           std::array{3199.0, 4000.0, 3200.0, 4000.0},
                                           std::array{9000.0, 4000.0, 9000.0, 4000.0}));

TEST(PlotMapping, PixelsAndTraceCoordinatesRoundTrip) {
  registers::CaptTrace trace;
  trace.length = 8;  // x from 0 to 10
  trace.YMax = 2.0;
  trace.YMin = -2.0;
  const PlotMapping mapping = PlotMapping::For(trace, 400.0, 200.0);
  EXPECT_DOUBLE_EQ(mapping.PixelX(10.0), 400.0);
  EXPECT_DOUBLE_EQ(mapping.PixelY(2.0), 0.0);
  EXPECT_DOUBLE_EQ(mapping.PixelY(-2.0), 200.0);
  EXPECT_DOUBLE_EQ(mapping.TraceX(mapping.PixelX(3.5)), 3.5);
  EXPECT_DOUBLE_EQ(mapping.TraceY(mapping.PixelY(1.25)), 1.25);
}

struct ReadoutCase {
  double x;
  const char* sample;
  double y;
  const char* value;
};

class PointerReadoutTest : public ::testing::TestWithParam<ReadoutCase> {};

TEST_P(PointerReadoutTest, SampleIsTheFloorValueHasOneDecimal) {
  EXPECT_EQ(SampleReadout(GetParam().x), GetParam().sample);
  EXPECT_EQ(ValueReadout(GetParam().y, QLocale::c()), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Pointer, PointerReadoutTest,
                         ::testing::Values(ReadoutCase{12.7, "12", 1.26, "1.3"},
                                           ReadoutCase{-0.3, "-1", 0.04, ".0"},
                                           ReadoutCase{3.0, "3", -2.36, "-2.4"}));

}  // namespace
}  // namespace talvix::capture
