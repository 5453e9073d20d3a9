// SPDX-License-Identifier: MIT
// The picture "Save Chart..." writes: the chart as on screen framed by what makes it readable on
// its own (scale labels, axis titles and unit, sample-number ticks, the legend of the series drawn
// with their colours, the time span on screen). The layout is LayOutChartPicture's; this only
// measures the texts and paints.
#pragma once

#include "monitor/chart_picture_layout.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include <array>
#include <vector>

namespace talvix::monitor {

struct ChartPictureTexts {
  QString span;                         // the time span on screen
  QString axis_title;                   // "Accel."
  QString axis_unit;                    // "g"
  std::array<QString, 3> scale_labels;  // top, middle, bottom
  std::array<QString, 5> tick_labels;   // "0" .. "350"
  QString x_title;                      // "Sample Number"
  struct LegendItem {
    QColor colour;
    QString name;
  };
  std::vector<LegendItem> legend;  // the series drawn, in order
};

struct ChartPicture {
  QImage image;
  ChartPictureLayout layout;
};

// `plot` is the chart area as it shows on screen; the texts are drawn in `font`.
ChartPicture DrawChartPicture(const QImage& plot, const ChartPictureTexts& texts,
                              const QFont& font);

}  // namespace talvix::monitor
