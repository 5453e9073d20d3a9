// SPDX-License-Identifier: MIT
#include "monitor/ui/monitor_widget.h"

#include "monitor/arm_logic.h"
#include "monitor/ui/data_plot_widget.h"
#include "monitor/ui/event_capture_widget.h"
#include "monitor/ui/output_registers_widget.h"
#include "monitor/ui/power_down_widget.h"
#include "monitor/ui/self_test_widget.h"
#include "monitor/ui/status_panel_widget.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

namespace talvix::monitor {

namespace {

constexpr double kLoadSettleMs = 100.0;  // after the power-down boxes are set
constexpr double kLoadLoopMs = 10.0;     // before Loop is ticked

}  // namespace

MonitorWidget::MonitorWidget(Session& session, QWidget* parent)
    : QWidget(parent),
      session_(session),
      output_registers_(new OutputRegistersWidget(session, this)),
      data_plot_(new DataPlotWidget(session, this)),
      status_panel_(new StatusPanelWidget(session, this)),
      event_capture_(new EventCaptureWidget(session, this)),
      self_test_(new SelfTestWidget(session, this)),
      power_down_(new PowerDownWidget(session, this)) {
  setObjectName(QStringLiteral("MonitorWidget"));
  LayOutFrames();
  ConnectFrames();
}

// Output Registers and Data Plot side by side on top; the status frame, event capture, and self
// test above powerdown in a row below.
void MonitorWidget::LayOutFrames() {
  auto* grid = new QGridLayout(this);
  grid->setSpacing(8);
  grid->addWidget(output_registers_, 0, 0);
  grid->addWidget(data_plot_, 0, 1);

  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(8);
  bottom->addWidget(status_panel_);
  bottom->addWidget(event_capture_);
  auto* commands = new QVBoxLayout;
  commands->setSpacing(8);
  commands->addWidget(self_test_);
  commands->addWidget(power_down_);
  commands->addStretch(1);
  bottom->addLayout(commands, 1);
  grid->addLayout(bottom, 1, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(0, 1);
}

// Everything that passes between the frames. Direct connections: each signal's slots run at
// once and in the order connected, so a pass plots before it reads the status.
void MonitorWidget::ConnectFrames() {
  connect(output_registers_, &OutputRegistersWidget::SamplesRead, data_plot_,
          &DataPlotWidget::PlotDataPoints2);
  connect(output_registers_, &OutputRegistersWidget::StatusReadDue, status_panel_,
          &StatusPanelWidget::CmdUpdateStatus_Click);
  // A Read loop started during a power-down count holds the count in its yield: each pass keeps
  // the elapsed time moving.
  connect(output_registers_, &OutputRegistersWidget::StatusReadDue, power_down_,
          &PowerDownWidget::ShowElapsed);
  connect(output_registers_, &OutputRegistersWidget::SeriesChecked, data_plot_,
          &DataPlotWidget::SetSeriesChecked);
  connect(status_panel_, &StatusPanelWidget::StatusRead, event_capture_,
          &EventCaptureWidget::OnStatusRead);
  connect(event_capture_, &EventCaptureWidget::StatusUpdateRequested, status_panel_,
          &StatusPanelWidget::CmdUpdateStatus_Click);
  connect(event_capture_, &EventCaptureWidget::CaptureConfigRequested, this,
          &MonitorWidget::CaptureConfigRequested);
  connect(event_capture_, &EventCaptureWidget::CaptureDisplayRequested, this,
          &MonitorWidget::CaptureDisplayRequested);

  // Old values look old: the chart greyed, the flags neutral, while the boxes are.
  connect(output_registers_, &OutputRegistersWidget::StaleChanged, this, [this](bool stale) {
    data_plot_->SetStale(stale);
    if (stale) status_panel_->ShowUnknown();
  });
  // A button that cannot act says why on the line under the Read button.
  connect(status_panel_, &StatusPanelWidget::Refused, output_registers_,
          &OutputRegistersWidget::ShowRefusal);
  connect(event_capture_, &EventCaptureWidget::Refused, output_registers_,
          &OutputRegistersWidget::ShowRefusal);
  connect(self_test_, &SelfTestWidget::Refused, output_registers_,
          &OutputRegistersWidget::ShowRefusal);
  connect(power_down_, &PowerDownWidget::Refused, output_registers_,
          &OutputRegistersWidget::ShowRefusal);
}

void MonitorWidget::PrepareAtLoad() {
  power_down_->PrepareAtLoad();
  session_.delay->DelayMs(kLoadSettleMs);
  output_registers_->PrepareGraphColumn();
  output_registers_->SetLoopDelayText(QStringLiteral("5"));
  if (session_.link.InterfaceType == link::kInterfaceNone) {
    // Nothing to read: the line says why instead of the values.
    output_registers_->ShowInterfaceState();
    output_registers_->SetLoop(true);
    return;
  }
  // The capture trigger selection starts from the sensor's ALM_CTRL, when it answers.
  TakeTriggerSelection(session_.link, session_.capture);
  const QPointer<MonitorWidget> alive(this);
  output_registers_->cmdReadData_Click();  // yields once: the window may be gone afterwards
  if (alive.isNull()) return;
  status_panel_->CmdUpdateStatus_Click();
  session_.delay->DelayMs(kLoadLoopMs);
  output_registers_->SetLoop(true);
}

bool MonitorWidget::LoopRunning() const {
  return output_registers_->LoopRunning();
}

void MonitorWidget::ShowInterfaceState() {
  output_registers_->ShowInterfaceState();
}

void MonitorWidget::StopLoops() {
  output_registers_->StopLoops();
  power_down_->StopLoops();
}

}  // namespace talvix::monitor
