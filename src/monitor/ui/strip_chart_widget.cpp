#include "monitor/ui/strip_chart_widget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace talvix::monitor {

namespace {

QPen LinePen(Rgb rgb) {
  QPen pen(ToQColor(rgb));
  pen.setWidth(1);  // 1 image pixel, so one column wide
  // Both end pixels are drawn, so each sample lands on its column at once, even as the
  // zero-length piece at column 0 after a wrap.
  pen.setCapStyle(Qt::SquareCap);
  return pen;
}

}  // namespace

QColor ToQColor(Rgb rgb) {
  return QColor(rgb.red, rgb.green, rgb.blue);
}

StripChartWidget::StripChartWidget(QWidget* parent)
    : QWidget(parent), image_(kImageWidth, kImageHeight, QImage::Format_RGB32) {
  setObjectName(QStringLiteral("pic2"));
  setMouseTracking(true);                 // the read-out follows the pointer without a button held
  setAttribute(Qt::WA_OpaquePaintEvent);  // the image covers the whole widget
  image_.fill(ToQColor(kChartBackground));
}

void StripChartWidget::PlotDataPoints2(const SampleVector& samples) {
  Draw(chart_.PlotDataPoints2(samples, checked_));
  update();
}

void StripChartWidget::SetSeriesChecked(int series, bool checked) {
  checked_.SetChecked(series, checked);
}

QPointF StripChartWidget::ChartToImage(ChartPoint point) {
  return {point.x, (kChartTop - point.y) * kPixelsPerUnit};
}

ChartPoint StripChartWidget::WidgetToChart(QPointF position) const {
  // Widget pixel p covers [p, p + 1); image pixel i covers the same share of the image, and its
  // centre stands for column i (value row i).
  const double image_x = (position.x() + 0.5) * kImageWidth / std::max(width(), 1) - 0.5;
  const double image_y = (position.y() + 0.5) * kImageHeight / std::max(height(), 1) - 0.5;
  return {image_x, kChartTop - image_y / kPixelsPerUnit};
}

QSize StripChartWidget::sizeHint() const {
  return {kImageWidth, kImageHeight};
}

QSize StripChartWidget::minimumSizeHint() const {
  return {kImageWidth / 3, kImageHeight / 3};
}

void StripChartWidget::Draw(const ChartUpdate& update) {
  QPainter painter(&image_);  // aliased: every line is a crisp 1-pixel trace

  // The band covers columns band_left..band_right inclusive; the part past column 350 falls off.
  painter.fillRect(
      QRect(update.band_left, 0, update.band_right - update.band_left + 1, kImageHeight),
      ToQColor(kChartBackground));

  painter.setPen(LinePen(kCursorColour));
  painter.drawLine(QLineF(update.cursor_x, 0, update.cursor_x, kImageHeight - 1));

  // Far-off values are drawn as they are and leave the image (the painter clips them); a piece
  // to or from a value that is not a number draws nothing.
  for (const ChartSegment& segment : update.segments) {
    painter.setPen(LinePen(segment.colour));
    painter.drawLine(QLineF(ChartToImage(segment.from), ChartToImage(segment.to)));
  }
}

void StripChartWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  // Smooth scaling keeps 1-pixel traces continuous when the widget is not the image's size.
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QRectF(rect()), image_);
}

void StripChartWidget::mouseMoveEvent(QMouseEvent* event) {
  const ChartPoint point = WidgetToChart(event->position());
  emit MouseMovedTo(point.x, point.y);
  QWidget::mouseMoveEvent(event);
}

}  // namespace talvix::monitor
