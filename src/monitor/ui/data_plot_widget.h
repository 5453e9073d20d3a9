// The "Data Plot" frame of the main window: the chart pic2 with its axis labels, tick marks and
// the read-out of the sample number and value under the mouse pointer.
#pragma once

#include "monitor/strip_chart.h"

#include <QGroupBox>

#include <array>

class QFrame;
class QLabel;

namespace talvix::monitor {

class StripChartWidget;

class DataPlotWidget : public QGroupBox {
  Q_OBJECT

 public:
  explicit DataPlotWidget(QWidget* parent = nullptr);

  // One reading pass: draws the sample vector and sets the y-axis labels for the fixed range.
  void PlotDataPoints2(const SampleVector& samples);

  // Forwarded from ckG2..ckG9.
  void SetSeriesChecked(int series, bool checked);

  StripChartWidget* Chart() const { return pic2_; }

  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLabel* MakeLabel(const char* name, const QString& text, Qt::Alignment alignment);
  void SetYAxisLabels();
  void ShowReadout(double x, double y);
  void LayOut();

  StripChartWidget* pic2_;
  QLabel* lblpFS2_;
  QLabel* lblmidS2_;
  QLabel* lblnFS2_;
  QLabel* label16_;
  QLabel* lblUnits2_;
  QLabel* lblXaxis_;
  QLabel* label5_;
  QLabel* lblCurSam2_;
  QLabel* label1_;
  QLabel* lblCurVal2_;
  std::array<QLabel*, 5> lblPlotX_{};
  std::array<QFrame*, 5> lineX_{};
  std::array<QLabel*, 5> lblYscale_{};
};

}  // namespace talvix::monitor
