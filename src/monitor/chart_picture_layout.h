// SPDX-License-Identifier: MIT
// Where each piece of the saved chart picture goes, without any drawing: the plot as on screen,
// with the y-axis title, unit and scale labels at its left, the sample-number ticks and title
// under it, the legend of the series drawn (colour and name) below, and the time span the chart
// covers above it. All sizes are in pixels of the picture; the texts' widths are measured by the
// caller in the font the picture is drawn with.
#pragma once

#include <QRect>
#include <QSize>

#include <array>
#include <vector>

namespace talvix::monitor {

struct ChartPictureMetrics {
  QSize plot;                      // the chart area as grabbed from the screen
  int line_height = 0;             // of one line of text
  int axis_title_width = 0;        // the wider of the y-axis title ("Accel.") and its unit ("g")
  int scale_label_width = 0;       // the widest scale label ("-30")
  int tick_label_width = 0;        // the widest sample-number tick label ("350")
  int span_width = 0;              // the time span line
  std::vector<int> legend_widths;  // the name of each series in the legend, in order
};

struct ChartPictureLayout {
  QSize size;  // of the whole picture
  QRect span;  // the time span line, over the plot
  QRect plot;
  QRect axis_title;  // the y-axis title, with the unit in the line under it (axis_unit)
  QRect axis_unit;
  std::array<QRect, 3> scale_labels;   // top, middle and bottom of the range, right-aligned
  std::array<QRect, 5> tick_labels;    // under the ticks of the sample numbers
  std::array<int, 5> tick_x{};         // where each tick mark stands
  QRect x_title;                       // "Sample Number"
  std::vector<QRect> legend_swatches;  // a colour mark per series, its name to the right
  std::vector<QRect> legend_names;
};

inline constexpr int kPictureMargin = 10;  // pixels around everything
inline constexpr int kPictureGap = 6;      // between neighbouring pieces
inline constexpr int kPictureTick = 5;     // length of a tick mark
inline constexpr int kLegendSwatch = 12;   // side of a legend's colour mark

// The legend runs in rows as wide as the plot, wrapping where the next name would pass its
// right edge.
ChartPictureLayout LayOutChartPicture(const ChartPictureMetrics& metrics);

}  // namespace talvix::monitor
