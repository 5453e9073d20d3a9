// The plot area of a capture display window: draws a prepared trace in its own coordinates
// (sample number across, value up) with the dotted trigger marker, and reports where the pointer
// is in those coordinates.
#pragma once

#include "registers/capture_trace.h"

#include <QWidget>

namespace talvix::capture {

class CaptTracePlot : public QWidget {
  Q_OBJECT

 public:
  // `trace` outlives the plot (it is the session's trace of the window's buffer).
  explicit CaptTracePlot(const registers::CaptTrace& trace, QWidget* parent = nullptr);

  // Dark blue, as the trace and the marker are drawn.
  static QColor TraceColour() { return QColor(0, 0, 128); }

 signals:
  // The pointer moved over the plot, at (x, y) in the trace's coordinates.
  void PointerMoved(double x, double y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  const registers::CaptTrace& trace_;
};

}  // namespace talvix::capture
