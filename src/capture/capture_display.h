// SPDX-License-Identifier: MIT
// The capture display windows' geometry and pointer read-out, in twips (1/1440 inch) as the
// windows are laid out: where each window opens beside the main window's "Data Plot" frame, how
// its plot, scale lines and labels follow a resize, and how a pointer position over the plot maps
// to a sample number and a value.
#pragma once

#include "registers/capture_trace.h"

#include <QLocale>
#include <QString>

namespace talvix::capture {

struct TwipsRect {
  double left = 0.0;
  double top = 0.0;
  double width = 0.0;
  double height = 0.0;
};

// Where the display window of buffer 0 or 1 opens: above the bottom of the main window (6000 and
// 8000 twips), to the right of the Data Plot frame's left edge (400 and 600), as wide as the main
// window less that edge, 4000 high. `frame_left` is the frame's left edge within the main window.
TwipsRect DisplayPlacement(int buffer, const TwipsRect& main_window, double frame_left);

// The smallest window a resize leaves.
inline constexpr double kDisplayMinWidth = 3200.0;
inline constexpr double kDisplayMinHeight = 1500.0;

struct DisplayLayout {
  double width = 0.0;  // the window's size after the minimum is applied
  double height = 0.0;
  TwipsRect picture;  // the plot
  // Heights of the bottom (Line1), middle (Line2) and top (Line3) scale lines.
  double line1_y = 0.0;
  double line2_y = 0.0;
  double line3_y = 0.0;
  double full_scale_top = 0.0;  // the labels, centred on Line3 and Line1
  double min_scale_top = 0.0;
  double info_top = 0.0;  // "Sample Period" and "Buffer Length", under the plot
};

// The layout of a window of the given client size: the plot 100 twips from the top, 1200 from the
// left and 400 from the right, 900 less than the window high.
DisplayLayout LayOutDisplay(double width, double height);

// Maps between a plot of `width` x `height` pixels and the trace's own coordinates: x from 0 at
// the left to length + 2 at the right, y from YMax at the top to YMin at the bottom.
struct PlotMapping {
  double width = 1.0;
  double height = 1.0;
  double x_span = 1.0;  // length + 2
  double y_top = 1.0;
  double y_bottom = -1.0;

  static PlotMapping For(const registers::CaptTrace& trace, double width, double height);
  double PixelX(double x) const;
  double PixelY(double y) const;
  double TraceX(double pixel_x) const;
  double TraceY(double pixel_y) const;
};

// The pointer read-out: the sample number as the largest whole number not above x (12.7 -> "12",
// -0.3 -> "-1"), the value as "#.0" (1.26 -> "1.3", 0.04 -> ".0", -2.36 -> "-2.4").
QString SampleReadout(double x);
QString ValueReadout(double y, const QLocale& locale = QLocale());

}  // namespace talvix::capture
