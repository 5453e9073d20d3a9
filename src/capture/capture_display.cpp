// SPDX-License-Identifier: MIT
#include "capture/capture_display.h"

#include "common/number_text.h"

#include <algorithm>
#include <cmath>

namespace talvix::capture {

namespace {

// Offsets of the two windows from the main window's bottom and from the Data Plot frame.
constexpr double kBottomOffset[2] = {6000.0, 8000.0};
constexpr double kFrameOffset[2] = {400.0, 600.0};
constexpr double kDisplayHeight = 4000.0;

constexpr double kPictureTop = 100.0;
constexpr double kPictureLeft = 1200.0;
constexpr double kPictureRightMargin = 400.0;
constexpr double kPictureHeightMargin = 900.0;
constexpr double kTopLineInset = 20.0;
// Half the heights of the full-scale (205) and minimum (255) labels.
constexpr double kFullScaleHalfHeight = 102.5;
constexpr double kMinScaleHalfHeight = 127.5;
constexpr double kInfoGap = 50.0;

}  // namespace

TwipsRect DisplayPlacement(int buffer, const TwipsRect& main_window, double frame_left) {
  const int i = buffer == 1 ? 1 : 0;
  return {main_window.left + frame_left + kFrameOffset[i],
          main_window.top + main_window.height - kBottomOffset[i], main_window.width - frame_left,
          kDisplayHeight};
}

DisplayLayout LayOutDisplay(double width, double height) {
  DisplayLayout layout;
  layout.width = std::max(width, kDisplayMinWidth);
  layout.height = std::max(height, kDisplayMinHeight);
  layout.picture = {kPictureLeft, kPictureTop, layout.width - kPictureLeft - kPictureRightMargin,
                    layout.height - kPictureHeightMargin};
  const double bottom = layout.picture.top + layout.picture.height;
  layout.line1_y = bottom;
  layout.line2_y = bottom / 2.0;
  layout.line3_y = layout.picture.top + kTopLineInset;
  layout.full_scale_top = layout.line3_y - kFullScaleHalfHeight;
  layout.min_scale_top = layout.line1_y - kMinScaleHalfHeight;
  layout.info_top = bottom + kInfoGap;
  return layout;
}

PlotMapping PlotMapping::For(const registers::CaptTrace& trace, double width, double height) {
  PlotMapping mapping;
  mapping.width = std::max(width, 1.0);
  mapping.height = std::max(height, 1.0);
  mapping.x_span = trace.length + 2.0;
  mapping.y_top = trace.YMax;
  mapping.y_bottom = trace.YMin;
  if (mapping.y_top == mapping.y_bottom) mapping.y_bottom = mapping.y_top - 1.0;
  return mapping;
}

double PlotMapping::PixelX(double x) const {
  return x / x_span * width;
}

double PlotMapping::PixelY(double y) const {
  return (y_top - y) / (y_top - y_bottom) * height;
}

double PlotMapping::TraceX(double pixel_x) const {
  return pixel_x / width * x_span;
}

double PlotMapping::TraceY(double pixel_y) const {
  return y_top - pixel_y / height * (y_top - y_bottom);
}

QString SampleReadout(double x) {
  return QString::number(static_cast<long long>(std::floor(x)));
}

QString ValueReadout(double y, const QLocale& locale) {
  return common::FormatPattern(y, u"#.0", locale);
}

}  // namespace talvix::capture
