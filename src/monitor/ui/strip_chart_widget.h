// SPDX-License-Identifier: MIT
// The chart area pic2 of the "Data Plot" frame: draws each reading pass into a persistent image,
// so a line stays until the cursor band sweeps over it. On screen the same drawing is made at the
// widget's own size in device pixels, so a line stays one pixel wide and sharp however large the
// window is; after a resize or a change of range it is drawn again from the passes still on the
// chart.
#pragma once

#include "common/cursor_pair.h"
#include "monitor/strip_chart.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QWidget>

namespace talvix::monitor {

QColor ToQColor(Rgb rgb);

class StripChartWidget : public QWidget {
  Q_OBJECT

 public:
  // The image keeps one pixel per sample column and 241 rows, the top of the range on row 0 and
  // its bottom on row 240, so every column lies on a pixel: column c is image x = c, value v is
  // image y = (top - v) * 240 / (top - bottom). At the default range that is 4 pixels per g, with
  // 30 on row 0, 0 on row 120 and -30 on row 240.
  static constexpr int kImageWidth = kColumnCount;  // 351
  static constexpr int kPixelsPerUnit = 4;          // at the default range
  static constexpr int kImageHeight =
      static_cast<int>((kChartTop - kChartBottom) * kPixelsPerUnit) + 1;  // 241

  explicit StripChartWidget(QWidget* parent = nullptr);

  // One reading pass (called by ReadData once per pass with the 15-element sample vector):
  // advances the chart and draws the checked series into the image, then schedules a repaint.
  // While paused only the series' latest values are kept and nothing moves.
  void PlotDataPoints2(const SampleVector& samples);

  // The ckG2..ckG9 boxes: which series the next passes draw. Unchecking leaves the lines already
  // drawn in place.
  void SetSeriesChecked(int series, bool checked);
  bool IsSeriesChecked(int series) const { return checked_.IsChecked(series); }
  const SeriesSelection& Checked() const { return checked_; }

  // The vertical range; the chart is drawn again at once when the range changes.
  void SetRangeChoice(RangeChoice choice);

  // Freezes the picture while the passes go on; on resuming each line joins from its latest value.
  // While paused the A and B cursors stand on the chart, A on the oldest pass and B on the newest
  // to begin with: the left button places A, the right button B; from the keyboard A and B choose
  // the cursor, Left and Right move it a column, Page Up and Page Down (or Shift with the arrows)
  // 20 columns, Home and End to the edges, Space swaps which cursor moves.
  void SetPaused(bool paused);
  bool IsPaused() const { return paused_; }

  // Old values (no interface, or the last pass did not reach the sensor): the chart is drawn
  // under a grey veil until a pass reads the sensor again.
  void SetStale(bool stale);
  bool IsStale() const { return stale_; }

  const StripChart& Chart() const { return chart_; }
  const common::CursorPair& Cursors() const { return cursors_; }
  // A cursor placed at `column` (limited to the chart), as a click there does while paused.
  void PlaceCursor(common::Cursor cursor, int column);
  const QImage& Image() const { return image_; }

  // Chart coordinates to image pixel coordinates at `range`, unclipped: values outside the range
  // fall outside the image.
  static QPointF ChartToImage(ChartPoint point, const ChartRange& range = ChartRange());
  // A position in this widget's pixels (as in mouse events) to chart coordinates.
  ChartPoint WidgetToChart(QPointF position) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // The mouse moved over the chart, at x (column) and y (value) in chart coordinates.
  void MouseMovedTo(double x, double y);
  // The cursors moved, or the pause put them on the chart or took them off.
  void CursorsMoved();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The column under widget x `pixel_x`.
  int ColumnAt(double pixel_x) const;
  void DrawCursors(QPainter& painter) const;

  // Draws one pass into `target`, whose size is the image's scaled by (x_scale, y_scale).
  static void Draw(QImage& target, const ChartUpdate& update, const ChartRange& range,
                   double x_scale, double y_scale);
  // Draws every pass still on the chart again into the image, and has the picture on screen
  // drawn again at its next paint.
  void Redraw();
  // The picture on screen at the widget's size in device pixels, drawn again from the passes on
  // the chart when that size changed.
  const QImage& Shown();

  StripChart chart_;
  SeriesSelection checked_;
  bool paused_ = false;
  common::CursorPair cursors_;
  bool stale_ = false;
  QImage image_;
  QImage shown_;
};

}  // namespace talvix::monitor
