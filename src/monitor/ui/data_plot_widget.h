// SPDX-License-Identifier: MIT
// The "Data Plot" frame of the main window: the chart pic2 with its axis labels, tick marks and
// the read-out of the sample number and value under the mouse pointer, and below them the range
// choice, the pause toggle and "Save Chart...". While paused, the read-out of the A/B cursors
// (Δt between their passes as measured, ΔA and the statistics between them, on the first checked
// series) lies over the chart's top left.
#pragma once

#include "monitor/chart_export.h"
#include "monitor/chart_settings.h"
#include "monitor/strip_chart.h"
#include "monitor/ui/chart_picture.h"
#include "session/session.h"

#include <QGroupBox>
#include <QString>

#include <array>
#include <functional>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace talvix::monitor {

class StripChartWidget;

class DataPlotWidget : public QGroupBox {
  Q_OBJECT

 public:
  // The frame of the main window: the range choice is read from the settings file at
  // `settings_path` and kept there when changed; "Save Chart..." writes to the session's data
  // folder by default and reports failures through the session's notifier.
  explicit DataPlotWidget(Session& session, QWidget* parent = nullptr,
                          const QString& settings_path = DefaultChartSettingsPath());
  // A frame on its own, without a session: the range starts at "±30 g" and is not kept, and
  // there is no "Save Chart...".
  explicit DataPlotWidget(QWidget* parent = nullptr);

  // One reading pass: draws the sample vector and sets the y-axis labels for the range.
  void PlotDataPoints2(const SampleVector& samples);

  // The values on the chart are old (see StripChartWidget::SetStale).
  void SetStale(bool stale);

  // Forwarded from ckG2..ckG9.
  void SetSeriesChecked(int series, bool checked);

  StripChartWidget* Chart() const { return pic2_; }

  // The picture "Save Chart..." writes: the chart as on screen with its scale labels, axis titles
  // and unit, the legend of the series drawn and the time span on screen.
  ChartPicture PictureToSave() const;

  // Asks where to save the chart: (caption, suggested path, filter) -> chosen path, empty when
  // cancelled. A file dialog by default; tests answer it themselves.
  std::function<QString(const QString&, const QString&, const QString&)> ask_save_path;

  // Handlers of the frame's own controls.
  void cmboRange_Click();
  void cmdPause_Click();
  void cmdSaveChart_Click();

  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  DataPlotWidget(Session* session, QWidget* parent, const QString& settings_path);

  QLabel* MakeLabel(const char* name, const QString& text, Qt::Alignment alignment);
  void BuildChartControls();
  void SetYAxisLabels();
  void ShowReadout(double x, double y);
  void ShowCursorReadout();
  int ValueLabelWidth() const;
  int ControlRowHeight() const;
  void LayOut();

  Session* session_;       // nullptr for a frame on its own
  QString settings_path_;  // empty: the range choice is not kept
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
  QLabel* lblChartCursors_;  // over the chart while paused
  std::array<QLabel*, 5> lblPlotX_{};
  std::array<QFrame*, 5> lineX_{};
  std::array<QLabel*, 5> lblYscale_{};
  QLabel* lblRange_ = nullptr;
  QComboBox* cmboRange_ = nullptr;
  QPushButton* cmdPause_ = nullptr;
  QPushButton* cmdSaveChart_ = nullptr;
  int laid_out_value_width_ = 0;
  ChartTimes column_times_;  // when each column on the chart was read
};

}  // namespace talvix::monitor
