// SPDX-License-Identifier: MIT
#include "monitor/ui/strip_chart_widget.h"

#include "monitor/chart_cursors.h"

#include <QKeyEvent>
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

// Laid over the chart while its values are old: the lines stay readable, but pale.
QColor StaleVeil() {
  return {160, 160, 160, 150};
}

// Columns a page key moves a cursor.
constexpr int kCursorPage = 20;

QColor CursorLineColour(common::Cursor cursor) {
  return cursor == common::Cursor::kA ? QColor(200, 0, 0) : QColor(0, 140, 0);
}

// Image rows per unit of value at `range`: 4 per g at the default range.
double RowsPerUnit(const ChartRange& range) {
  return (StripChartWidget::kImageHeight - 1) / range.Span();
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
  setFocusPolicy(Qt::ClickFocus);         // the cursor keys, once the chart is clicked
  image_.fill(ToQColor(kChartBackground));
}

void StripChartWidget::PlotDataPoints2(const SampleVector& samples) {
  if (paused_) {
    chart_.KeepLatest(samples);
    return;
  }
  const ChartRange before = chart_.Range();
  const ChartUpdate& pass = chart_.PlotDataPoints2(samples, checked_);
  if (chart_.Range() != before) {  // "Auto" moved the range: everything on the chart moves
    Redraw();
  } else {
    Draw(image_, pass, before, 1.0, 1.0);
    if (!shown_.isNull()) {
      Draw(shown_, pass, before, static_cast<double>(shown_.width()) / kImageWidth,
           static_cast<double>(shown_.height()) / kImageHeight);
    }
  }
  update();
}

void StripChartWidget::SetPaused(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  if (paused_) cursors_ = StartingCursors(chart_);
  update();
  emit CursorsMoved();
}

void StripChartWidget::PlaceCursor(common::Cursor cursor, int column) {
  if (!paused_) return;
  cursors_.Place(cursor, column);
  update();
  emit CursorsMoved();
}

int StripChartWidget::ColumnAt(double pixel_x) const {
  return static_cast<int>(std::lround(WidgetToChart(QPointF(pixel_x, 0)).x));
}

void StripChartWidget::SetSeriesChecked(int series, bool checked) {
  checked_.SetChecked(series, checked);
}

void StripChartWidget::SetStale(bool stale) {
  if (stale == stale_) return;
  stale_ = stale;
  update();
}

void StripChartWidget::SetRangeChoice(RangeChoice choice) {
  const ChartRange before = chart_.Range();
  chart_.SetRangeChoice(choice, checked_);
  if (chart_.Range() == before) return;
  Redraw();
  update();
}

QPointF StripChartWidget::ChartToImage(ChartPoint point, const ChartRange& range) {
  return {point.x, (range.top - point.y) * RowsPerUnit(range)};
}

ChartPoint StripChartWidget::WidgetToChart(QPointF position) const {
  // Widget pixel p covers [p, p + 1); image pixel i covers the same share of the image, and its
  // centre stands for column i (value row i).
  const double image_x = (position.x() + 0.5) * kImageWidth / std::max(width(), 1) - 0.5;
  const double image_y = (position.y() + 0.5) * kImageHeight / std::max(height(), 1) - 0.5;
  const ChartRange& range = chart_.Range();
  return {image_x, range.top - image_y / RowsPerUnit(range)};
}

QSize StripChartWidget::sizeHint() const {
  return {kImageWidth, kImageHeight};
}

QSize StripChartWidget::minimumSizeHint() const {
  return {kImageWidth / 3, kImageHeight / 3};
}

void StripChartWidget::Draw(QImage& target, const ChartUpdate& update, const ChartRange& range,
                            double x_scale, double y_scale) {
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
    painter.drawLine(
        QLineF(scaled(ChartToImage(segment.from, range)), scaled(ChartToImage(segment.to, range))));
  }
}

void StripChartWidget::Redraw() {
  image_.fill(ToQColor(kChartBackground));
  for (const ChartUpdate* pass : chart_.PassesOnScreen()) {
    Draw(image_, *pass, chart_.Range(), 1.0, 1.0);
  }
  shown_ = QImage();  // drawn again at the widget's size when next shown
}

const QImage& StripChartWidget::Shown() {
  const QSize device_size = (QSizeF(size()) * devicePixelRatioF()).toSize().expandedTo(QSize(1, 1));
  if (shown_.size() == device_size) return shown_;
  shown_ = QImage(device_size, QImage::Format_RGB32);
  shown_.fill(ToQColor(kChartBackground));
  const double x_scale = static_cast<double>(shown_.width()) / kImageWidth;
  const double y_scale = static_cast<double>(shown_.height()) / kImageHeight;
  for (const ChartUpdate* pass : chart_.PassesOnScreen()) {
    Draw(shown_, *pass, chart_.Range(), x_scale, y_scale);
  }
  return shown_;
}

void StripChartWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  // One image pixel per device pixel: nothing is stretched.
  painter.drawImage(QRectF(rect()), Shown());
  if (stale_) painter.fillRect(rect(), StaleVeil());
  if (paused_) DrawCursors(painter);
}

void StripChartWidget::DrawCursors(QPainter& painter) const {
  for (const common::Cursor which : {common::Cursor::kA, common::Cursor::kB}) {
    const int column = which == common::Cursor::kA ? cursors_.a() : cursors_.b();
    const double x = (column + 0.5) * width() / kImageWidth;
    QPen pen(CursorLineColour(which));
    pen.setWidth(which == cursors_.active() ? 2 : 1);
    pen.setStyle(which == common::Cursor::kA ? Qt::SolidLine : Qt::DashLine);
    painter.setPen(pen);
    painter.drawLine(QPointF(x, 0), QPointF(x, height()));
    painter.drawText(QPointF(x + 3, height() - 4),
                     which == common::Cursor::kA ? QStringLiteral("A") : QStringLiteral("B"));
  }
}

void StripChartWidget::mousePressEvent(QMouseEvent* event) {
  if (paused_ && event->button() == Qt::LeftButton) {
    PlaceCursor(common::Cursor::kA, ColumnAt(event->position().x()));
  } else if (paused_ && event->button() == Qt::RightButton) {
    PlaceCursor(common::Cursor::kB, ColumnAt(event->position().x()));
  }
  QWidget::mousePressEvent(event);
}

void StripChartWidget::keyPressEvent(QKeyEvent* event) {
  if (!paused_) {
    QWidget::keyPressEvent(event);
    return;
  }
  const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
  if (!cursors_.MoveByKey(event->key(), shift, kCursorPage)) {
    QWidget::keyPressEvent(event);
    return;
  }
  update();
  emit CursorsMoved();
}

void StripChartWidget::mouseMoveEvent(QMouseEvent* event) {
  const ChartPoint point = WidgetToChart(event->position());
  emit MouseMovedTo(point.x, point.y);
  if (paused_ && (event->buttons() & Qt::LeftButton)) {
    PlaceCursor(common::Cursor::kA, ColumnAt(event->position().x()));
  } else if (paused_ && (event->buttons() & Qt::RightButton)) {
    PlaceCursor(common::Cursor::kB, ColumnAt(event->position().x()));
  }
  QWidget::mouseMoveEvent(event);
}

}  // namespace talvix::monitor
