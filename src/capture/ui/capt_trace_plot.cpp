// SPDX-License-Identifier: MIT
#include "capture/ui/capt_trace_plot.h"

#include "capture/capture_display.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

#include <cmath>

namespace talvix::capture {

CaptTracePlot::CaptTracePlot(const registers::CaptTrace& trace, QWidget* parent)
    : QWidget(parent), trace_(trace) {
  setMouseTracking(true);
  setAutoFillBackground(true);
  setFocusPolicy(Qt::StrongFocus);  // the cursor keys
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);
  setCursor(Qt::CrossCursor);
}

QColor CaptTracePlot::CursorColour(common::Cursor cursor) {
  return cursor == common::Cursor::kA ? QColor(200, 0, 0) : QColor(0, 140, 0);
}

void CaptTracePlot::ResetCursors() {
  cursors_.Reset(1, std::max(trace_.length, 1));
  update();
  emit CursorsMoved();
}

void CaptTracePlot::PlaceCursor(common::Cursor cursor, int sample) {
  cursors_.Place(cursor, sample);
  update();
  emit CursorsMoved();
}

int CaptTracePlot::SampleAt(double pixel_x) const {
  const PlotMapping map = PlotMapping::For(trace_, width(), height());
  return static_cast<int>(std::lround(map.TraceX(pixel_x)));
}

void CaptTracePlot::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setPen(QColor(128, 128, 128));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (!trace_.Prepared()) return;

  const PlotMapping map = PlotMapping::For(trace_, width(), height());
  const auto point = [&map](double x, double y) { return QPointF(map.PixelX(x), map.PixelY(y)); };
  // The first segment starts and ends at sample 1; each next one joins the previous sample.
  QPolygonF line;
  line.reserve(trace_.length);
  for (int i = 1; i <= trace_.length && i < static_cast<int>(trace_.Values.size()); ++i) {
    line << point(i, trace_.Values[i]);
  }
  QPen pen(TraceColour());
  pen.setWidth(1);
  painter.setPen(pen);
  if (line.size() == 1) {
    painter.drawPoint(line.front());
  } else {
    painter.drawPolyline(line);
  }
  pen.setStyle(Qt::DotLine);
  painter.setPen(pen);
  painter.drawLine(point(trace_.TrigPos, trace_.YMax), point(trace_.TrigPos, trace_.YMin));

  // The cursors, the active one wider, each named at its foot.
  for (const common::Cursor which : {common::Cursor::kA, common::Cursor::kB}) {
    const int sample = which == common::Cursor::kA ? cursors_.a() : cursors_.b();
    const double x = map.PixelX(sample);
    QPen cursor_pen(CursorColour(which));
    cursor_pen.setWidth(which == cursors_.active() ? 2 : 1);
    cursor_pen.setStyle(which == common::Cursor::kA ? Qt::SolidLine : Qt::DashLine);
    painter.setPen(cursor_pen);
    painter.drawLine(QPointF(x, 0), QPointF(x, height()));
    painter.drawText(QPointF(x + 3, height() - 4),
                     which == common::Cursor::kA ? QStringLiteral("A") : QStringLiteral("B"));
  }
}

void CaptTracePlot::mouseMoveEvent(QMouseEvent* event) {
  if (!trace_.Prepared()) return;
  const PlotMapping map = PlotMapping::For(trace_, width(), height());
  const QPointF at = event->position();
  emit PointerMoved(map.TraceX(at.x()), map.TraceY(at.y()));
  if (event->buttons() & Qt::LeftButton) PlaceCursor(common::Cursor::kA, SampleAt(at.x()));
  if (event->buttons() & Qt::RightButton) PlaceCursor(common::Cursor::kB, SampleAt(at.x()));
}

void CaptTracePlot::mousePressEvent(QMouseEvent* event) {
  if (!trace_.Prepared()) return;
  if (event->button() == Qt::LeftButton) {
    PlaceCursor(common::Cursor::kA, SampleAt(event->position().x()));
  } else if (event->button() == Qt::RightButton) {
    PlaceCursor(common::Cursor::kB, SampleAt(event->position().x()));
  }
}

void CaptTracePlot::keyPressEvent(QKeyEvent* event) {
  if (!trace_.Prepared()) {
    QWidget::keyPressEvent(event);
    return;
  }
  const int page = std::max(1, trace_.length / 16);
  const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
  if (!cursors_.MoveByKey(event->key(), shift, page)) {
    QWidget::keyPressEvent(event);
    return;
  }
  update();
  emit CursorsMoved();
}

}  // namespace talvix::capture
