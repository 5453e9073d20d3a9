// SPDX-License-Identifier: MIT
#include "monitor/chart_picture_layout.h"

#include "monitor/strip_chart.h"

#include <algorithm>

namespace talvix::monitor {

ChartPictureLayout LayOutChartPicture(const ChartPictureMetrics& m) {
  ChartPictureLayout layout;
  const int line = m.line_height;
  const int left = kPictureMargin + m.axis_title_width + kPictureGap + m.scale_label_width +
                   kPictureGap + kPictureTick;
  const int top = kPictureMargin + line + kPictureGap;
  layout.plot = QRect(QPoint(left, top), m.plot);
  layout.span = QRect(left, kPictureMargin, std::max(m.span_width, m.plot.width()), line);

  // Y axis: title and unit stacked at the middle of the plot; the scale labels centred on the
  // top row, the middle and the bottom row of the plot.
  const int middle_y = layout.plot.top() + m.plot.height() / 2;
  layout.axis_title = QRect(kPictureMargin, middle_y - line, m.axis_title_width, line);
  layout.axis_unit = QRect(kPictureMargin, middle_y, m.axis_title_width, line);
  const int labels_left = kPictureMargin + m.axis_title_width + kPictureGap;
  const std::array<int, 3> label_rows{layout.plot.top(), middle_y, layout.plot.bottom()};
  for (std::size_t i = 0; i < label_rows.size(); ++i) {
    layout.scale_labels[i] =
        QRect(labels_left, label_rows[i] - line / 2, m.scale_label_width, line);
  }

  // X axis: tick marks at their sample columns, their numbers under them, then the title.
  const int ticks_top = layout.plot.bottom() + 1;
  for (std::size_t i = 0; i < kXAxisTicks.size(); ++i) {
    const int x = left + static_cast<int>((kXAxisTicks[i] + 0.5) * m.plot.width() / kColumnCount);
    layout.tick_x[i] = x;
    layout.tick_labels[i] =
        QRect(x - m.tick_label_width / 2, ticks_top + kPictureTick, m.tick_label_width, line);
  }
  const int x_title_top = ticks_top + kPictureTick + line;
  layout.x_title = QRect(left, x_title_top, m.plot.width(), line);

  // Legend rows under the title.
  int x = left;
  int y = x_title_top + line + kPictureGap;
  int right = layout.plot.right();
  for (const int name_width : m.legend_widths) {
    const int item_width = kLegendSwatch + kPictureGap + name_width;
    if (x > left && x + item_width > layout.plot.right()) {
      x = left;
      y += line;
    }
    layout.legend_swatches.emplace_back(x, y + (line - kLegendSwatch) / 2, kLegendSwatch,
                                        kLegendSwatch);
    layout.legend_names.emplace_back(x + kLegendSwatch + kPictureGap, y, name_width, line);
    right = std::max(right, layout.legend_names.back().right());
    x += item_width + 3 * kPictureGap;
  }
  const int bottom = m.legend_widths.empty() ? x_title_top + line : y + line;

  right = std::max({right, layout.span.right(), layout.tick_labels.back().right()});
  layout.size = QSize(right + 1 + kPictureMargin, bottom + kPictureMargin);
  return layout;
}

}  // namespace talvix::monitor
