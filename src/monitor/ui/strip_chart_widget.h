// The chart area pic2 of the "Data Plot" frame: draws each reading pass into a persistent image,
// so a line stays until the cursor band sweeps over it. On screen the same drawing is made at the
// widget's own size in device pixels, so a line stays one pixel wide and sharp however large the
// window is; after a resize it is drawn again from the passes still on the chart.
#pragma once

#include "monitor/strip_chart.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QWidget>

#include <deque>

namespace talvix::monitor {

QColor ToQColor(Rgb rgb);

class StripChartWidget : public QWidget {
  Q_OBJECT

 public:
  // The image keeps one pixel per sample column and 4 pixels per unit of value, so every column
  // and every whole value lies on a pixel: column c is image x = c, value v is image
  // y = (30 - v) * 4, with 30 on row 0, 0 on row 120 and -30 on row 240.
  static constexpr int kImageWidth = kChartRight + 1;  // 351
  static constexpr int kPixelsPerUnit = 4;
  static constexpr int kImageHeight =
      static_cast<int>((kChartTop - kChartBottom) * kPixelsPerUnit) + 1;  // 241

  explicit StripChartWidget(QWidget* parent = nullptr);

  // One reading pass (called by ReadData once per pass with the 15-element sample vector):
  // advances the chart and draws the checked series into the image, then schedules a repaint.
  void PlotDataPoints2(const SampleVector& samples);

  // The ckG2..ckG9 boxes: which series the next passes draw. Unchecking leaves the lines already
  // drawn in place.
  void SetSeriesChecked(int series, bool checked);
  bool IsSeriesChecked(int series) const { return checked_.IsChecked(series); }

  const StripChart& Chart() const { return chart_; }
  const QImage& Image() const { return image_; }

  // Chart coordinates to image pixel coordinates, unclipped: values outside -30..30 fall outside
  // the image.
  static QPointF ChartToImage(ChartPoint point);
  // A position in this widget's pixels (as in mouse events) to chart coordinates.
  ChartPoint WidgetToChart(QPointF position) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // The mouse moved over the chart, at x (column) and y (value) in chart coordinates.
  void MouseMovedTo(double x, double y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  // Draws one pass into `target`, whose size is the image's scaled by (x_scale, y_scale).
  static void Draw(QImage& target, const ChartUpdate& update, double x_scale, double y_scale);
  // The picture on screen at the widget's size in device pixels, drawn again from `history_`
  // when that size changed.
  const QImage& Shown();

  StripChart chart_;
  SeriesSelection checked_;
  QImage image_;
  QImage shown_;
  // The passes whose drawing can still be on the chart: one sweep's worth.
  std::deque<ChartUpdate> history_;
};

}  // namespace talvix::monitor
