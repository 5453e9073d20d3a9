// SPDX-License-Identifier: MIT
#include "monitor/ui/chart_picture.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace talvix::monitor {

namespace {

int WidestOf(const QFontMetrics& metrics, std::initializer_list<QString> texts) {
  int widest = 0;
  for (const QString& text : texts) widest = std::max(widest, metrics.horizontalAdvance(text));
  return widest;
}

}  // namespace

ChartPicture DrawChartPicture(const QImage& plot, const ChartPictureTexts& texts,
                              const QFont& font) {
  const QFontMetrics metrics(font);
  ChartPictureMetrics m;
  m.plot = plot.size();
  m.line_height = metrics.height();
  m.axis_title_width = WidestOf(metrics, {texts.axis_title, texts.axis_unit});
  m.scale_label_width =
      WidestOf(metrics, {texts.scale_labels[0], texts.scale_labels[1], texts.scale_labels[2]});
  m.tick_label_width = 0;
  for (const QString& tick : texts.tick_labels) {
    m.tick_label_width = std::max(m.tick_label_width, metrics.horizontalAdvance(tick) + 4);
  }
  m.span_width = metrics.horizontalAdvance(texts.span);
  for (const auto& item : texts.legend) {
    m.legend_widths.push_back(metrics.horizontalAdvance(item.name));
  }

  ChartPicture picture{QImage(), LayOutChartPicture(m)};
  const ChartPictureLayout& layout = picture.layout;
  picture.image = QImage(layout.size, QImage::Format_RGB32);
  picture.image.fill(Qt::white);

  QPainter painter(&picture.image);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawImage(layout.plot.topLeft(), plot);
  painter.drawRect(layout.plot.adjusted(-1, -1, 0, 0));  // a frame just outside the plot

  painter.drawText(layout.span, Qt::AlignLeft | Qt::AlignVCenter, texts.span);
  painter.drawText(layout.axis_title, Qt::AlignCenter, texts.axis_title);
  painter.drawText(layout.axis_unit, Qt::AlignCenter, texts.axis_unit);
  for (std::size_t i = 0; i < layout.scale_labels.size(); ++i) {
    const QRect& label = layout.scale_labels[i];
    painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, texts.scale_labels[i]);
    const int y = label.center().y();
    painter.drawLine(layout.plot.left() - kPictureTick - 1, y, layout.plot.left() - 2, y);
  }
  for (std::size_t i = 0; i < layout.tick_labels.size(); ++i) {
    const int x = layout.tick_x[i];
    painter.drawLine(x, layout.plot.bottom() + 1, x, layout.plot.bottom() + kPictureTick);
    painter.drawText(layout.tick_labels[i], Qt::AlignCenter, texts.tick_labels[i]);
  }
  painter.drawText(layout.x_title, Qt::AlignCenter, texts.x_title);
  for (std::size_t i = 0; i < texts.legend.size(); ++i) {
    painter.fillRect(layout.legend_swatches[i], texts.legend[i].colour);
    painter.drawText(layout.legend_names[i], Qt::AlignLeft | Qt::AlignVCenter,
                     texts.legend[i].name);
  }
  painter.end();
  return picture;
}

}  // namespace talvix::monitor
