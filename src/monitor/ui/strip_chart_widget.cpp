#include "monitor/ui/strip_chart_widget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

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
  const ChartUpdate pass = chart_.PlotDataPoints2(samples, checked_);
  Draw(image_, pass, 1.0, 1.0);
  history_.push_back(pass);
  if (history_.size() > static_cast<std::size_t>(kImageWidth)) history_.pop_front();
  if (!shown_.isNull()) {
    Draw(shown_, pass, static_cast<double>(shown_.width()) / kImageWidth,
         static_cast<double>(shown_.height()) / kImageHeight);
  }
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

void StripChartWidget::Draw(QImage& target, const ChartUpdate& update, double x_scale,
                            double y_scale) {
  QPainter painter(&target);  // aliased: every line is a crisp 1-pixel trace
  const auto scaled = [&](QPointF image_point) {
    return QPointF(image_point.x() * x_scale, image_point.y() * y_scale);
  };

  // The band covers columns band_left..band_right inclusive, each column x_scale pixels wide;
  // the part past column 350 falls off.
  const int band_left = static_cast<int>(std::floor(update.band_left * x_scale));
  const int band_right = static_cast<int>(std::ceil((update.band_right + 1) * x_scale));
  painter.fillRect(QRect(band_left, 0, band_right - band_left, target.height()),
                   ToQColor(kChartBackground));

  painter.setPen(LinePen(kCursorColour));
  const double cursor_x = update.cursor_x * x_scale;
  painter.drawLine(QLineF(cursor_x, 0, cursor_x, target.height() - 1));

  // Far-off values are drawn as they are and leave the image (the painter clips them); a piece
  // to or from a value that is not a number draws nothing.
  for (const ChartSegment& segment : update.segments) {
    painter.setPen(LinePen(segment.colour));
    painter.drawLine(QLineF(scaled(ChartToImage(segment.from)), scaled(ChartToImage(segment.to))));
  }
}

const QImage& StripChartWidget::Shown() {
  const QSize device_size = (QSizeF(size()) * devicePixelRatioF()).toSize();
  if (shown_.size() == device_size) return shown_;
  shown_ = QImage(device_size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  shown_.fill(ToQColor(kChartBackground));
  const double x_scale = static_cast<double>(shown_.width()) / kImageWidth;
  const double y_scale = static_cast<double>(shown_.height()) / kImageHeight;
  for (const ChartUpdate& pass : history_) Draw(shown_, pass, x_scale, y_scale);
  return shown_;
}

void StripChartWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  // One image pixel per device pixel: nothing is stretched.
  painter.drawImage(QRectF(rect()), Shown());
}

void StripChartWidget::mouseMoveEvent(QMouseEvent* event) {
  const ChartPoint point = WidgetToChart(event->position());
  emit MouseMovedTo(point.x, point.y);
  QWidget::mouseMoveEvent(event);
}

}  // namespace talvix::monitor
