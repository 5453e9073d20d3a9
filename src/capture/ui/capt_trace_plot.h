// SPDX-License-Identifier: MIT
// The plot area of a capture display window: draws a prepared trace in its own coordinates
// (sample number across, value up) with the dotted trigger marker and the A and B cursors, and
// reports where the pointer is in those coordinates.
//
// Cursors: the left button places A, the right button B (dragging moves it); from the keyboard,
// A and B choose the cursor, Left and Right move it a sample, Page Up and Page Down (or Shift
// with the arrows) a sixteenth of the trace, Home and End to the ends, and Space swaps which
// cursor moves.
#pragma once

#include "common/cursor_pair.h"
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
  static QColor CursorColour(common::Cursor cursor);

  // Puts A on the first sample and B on the last of the trace as prepared now.
  void ResetCursors();
  const common::CursorPair& cursors() const { return cursors_; }
  // A cursor placed at sample `sample` (limited to the trace), as a click there does.
  void PlaceCursor(common::Cursor cursor, int sample);

 signals:
  // The pointer moved over the plot, at (x, y) in the trace's coordinates.
  void PointerMoved(double x, double y);
  // A cursor moved.
  void CursorsMoved();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The sample nearest to the pointer at `pixel_x`.
  int SampleAt(double pixel_x) const;

  const registers::CaptTrace& trace_;
  common::CursorPair cursors_;
};

}  // namespace talvix::capture
