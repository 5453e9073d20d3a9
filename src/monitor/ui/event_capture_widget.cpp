// SPDX-License-Identifier: MIT
#include "monitor/ui/event_capture_widget.h"

#include "common/message_titles.h"
#include "common/ui/indicator_colours.h"
#include "monitor/arm_logic.h"
#include "monitor/status_flags.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace talvix::monitor {

using common::AlarmRed;
using common::ButtonFace;
using common::OkGreen;
using common::SetBackground;

namespace {

QLabel* MakeIndicator(const QString& caption, const char* name, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignCenter);
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("Trig'd")) + 16);
  SetBackground(label, QPalette::Window, ButtonFace());
  return label;
}

}  // namespace

EventCaptureWidget::EventCaptureWidget(Session& session, QWidget* parent)
    : QGroupBox(QStringLiteral("Event Capture"), parent),
      session_(session),
      cmdCapArm_(new QPushButton(QStringLiteral("&Arm"), this)),
      cmdCaptConfig_(new QPushButton(QStringLiteral("&Config"), this)),
      Label6_(new QLabel(QStringLiteral("Display"), this)),
      cmdDisplayCapt0_(new QPushButton(QStringLiteral("Capt_&0"), this)),
      cmdDisplayCapt1_(new QPushButton(QStringLiteral("Capt_&1"), this)),
      lblCapReady_(MakeIndicator(QStringLiteral("Ready"), "lblCapReady", this)),
      lblCapTrig_(MakeIndicator(QStringLiteral("Trig'd"), "lblCapTrig", this)),
      txtCapIndex_(new QLineEdit(this)) {
  setObjectName(QStringLiteral("FrameEventCapture"));
  cmdCapArm_->setObjectName(QStringLiteral("cmdCapArm"));
  cmdCaptConfig_->setObjectName(QStringLiteral("cmdCaptConfig"));
  Label6_->setObjectName(QStringLiteral("Label6"));
  cmdDisplayCapt0_->setObjectName(QStringLiteral("cmdDisplayCapt0"));
  cmdDisplayCapt1_->setObjectName(QStringLiteral("cmdDisplayCapt1"));
  txtCapIndex_->setObjectName(QStringLiteral("txtCapIndex"));
  txtCapIndex_->hide();  // no operation uses it

  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(8);
  grid->addWidget(cmdCapArm_, 0, 0);
  grid->addWidget(lblCapReady_, 0, 1);
  grid->addWidget(cmdCaptConfig_, 1, 0);
  grid->addWidget(lblCapTrig_, 1, 1);
  grid->addWidget(Label6_, 2, 0, 1, 2, Qt::AlignLeft | Qt::AlignBottom);
  grid->addWidget(cmdDisplayCapt0_, 3, 0);
  grid->addWidget(cmdDisplayCapt1_, 3, 1);
  grid->setRowStretch(4, 1);
  ConnectControls();
}

void EventCaptureWidget::ConnectControls() {
  connect(cmdCapArm_, &QPushButton::clicked, this, &EventCaptureWidget::cmdCapArm_Click);
  connect(cmdCaptConfig_, &QPushButton::clicked, this, &EventCaptureWidget::cmdCaptConfig_Click);
  connect(cmdDisplayCapt0_, &QPushButton::clicked, this,
          &EventCaptureWidget::cmdDisplayCapt0_Click);
  connect(cmdDisplayCapt1_, &QPushButton::clicked, this,
          &EventCaptureWidget::cmdDisplayCapt1_Click);
}

void EventCaptureWidget::cmdCapArm_Click() {
  link::RegisterAccess& device = session_.link;
  if (device.InterfaceType == link::kInterfaceNone) {
    emit Refused(cmdCapArm_->text());
    return;
  }
  // Without the sensor's ALM_CTRL there is nothing to decide on; the link has said why.
  if (!link::Answered(device.ReadReg(registers::kAlmCtrl), device.RawWord)) return;
  switch (DecideArm(device.RegRaw, session_.capture.CaptTrigSelect)) {
    case ArmStep::kDisarm:
      Disarm(device, session_.capture);
      ShowArmed();
      return;
    case ArmStep::kNoTriggerSource:
      session_.notifier().Message(NoTriggerSourceMessage(), common::MessageTitle());
      return;
    case ArmStep::kArm: {
      SetTriggered(false);
      const bool armed = Arm(device, *session_.delay, session_.capture);
      ShowArmed();
      if (armed) emit StatusUpdateRequested();
      return;
    }
  }
}

bool EventCaptureWidget::MayUseCapture(const QPushButton* button, const QString& armed_message) {
  if (session_.link.InterfaceType == link::kInterfaceNone) {
    emit Refused(button->text());
    return false;
  }
  if (session_.capture.Armed) {
    session_.notifier().Message(armed_message, common::MessageTitle());
    return false;
  }
  return true;
}

void EventCaptureWidget::cmdCaptConfig_Click() {
  if (MayUseCapture(cmdCaptConfig_, ConfigWhileArmedMessage())) emit CaptureConfigRequested();
}

void EventCaptureWidget::cmdDisplayCapt0_Click() {
  if (MayUseCapture(cmdDisplayCapt0_, ReadOutWhileArmedMessage())) emit CaptureDisplayRequested(0);
}

void EventCaptureWidget::cmdDisplayCapt1_Click() {
  if (MayUseCapture(cmdDisplayCapt1_, ReadOutWhileArmedMessage())) emit CaptureDisplayRequested(1);
}

void EventCaptureWidget::OnStatusRead(int32_t status) {
  if (!CaptureTriggered(status, session_.capture.Armed, session_.capture.CaptTrigSelect)) return;
  SetTriggered(true);
  RecordTrigger(session_.link, session_.capture);
  ShowArmed();
}

void EventCaptureWidget::ShowArmed() {
  SetBackground(lblCapReady_, QPalette::Window, session_.capture.Armed ? OkGreen() : ButtonFace());
}

void EventCaptureWidget::SetTriggered(bool triggered) {
  SetBackground(lblCapTrig_, QPalette::Window, triggered ? AlarmRed() : ButtonFace());
}

}  // namespace talvix::monitor
