#include "capture/ui/capt_trace_plot.h"

#include "capture/capture_display.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

namespace talvix::capture {

CaptTracePlot::CaptTracePlot(const registers::CaptTrace& trace, QWidget* parent)
    : QWidget(parent), trace_(trace) {
  setMouseTracking(true);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);
  setCursor(Qt::CrossCursor);
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
}

void CaptTracePlot::mouseMoveEvent(QMouseEvent* event) {
  if (!trace_.Prepared()) return;
  const PlotMapping map = PlotMapping::For(trace_, width(), height());
  const QPointF at = event->position();
  emit PointerMoved(map.TraceX(at.x()), map.TraceY(at.y()));
}

}  // namespace talvix::capture
