// SPDX-License-Identifier: MIT
#include "monitor/ui/status_panel_widget.h"

#include "common/ui/indicator_colours.h"
#include "registers/register_bits.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace talvix::monitor {

using common::AlarmRed;
using common::ButtonFace;
using common::OkGreen;
using common::SetBackground;

StatusPanelWidget::StatusPanelWidget(Session& session, QWidget* parent)
    : QGroupBox(QStringLiteral("Status Register"), parent),
      session_(session),
      CmdUpdateStatus_(new QPushButton(QStringLiteral("Read S&tatus"), this)),
      cmdClearAlarm_(new QPushButton(QStringLiteral("Cl&ear"), this)) {
  setObjectName(QStringLiteral("FrmStatus"));
  CmdUpdateStatus_->setObjectName(QStringLiteral("CmdUpdateStatus"));
  CmdUpdateStatus_->setToolTip(QStringLiteral("Display the Status Register"));
  cmdClearAlarm_->setObjectName(QStringLiteral("cmdClearAlarm"));

  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(3);
  const int flag_width = fontMetrics().horizontalAdvance(QStringLiteral("Alarm")) + 16;
  for (std::size_t i = 0; i < kStatusFlags.size(); ++i) {
    const StatusFlag& flag = kStatusFlags[i];
    captions_[i] = new QLabel(QString::fromLatin1(flag.caption), this);
    captions_[i]->setObjectName(QString::fromLatin1(flag.caption_name));
    flags_[i] = new QLabel(this);
    flags_[i]->setObjectName(QString::fromLatin1(flag.flag_name));
    flags_[i]->setAlignment(Qt::AlignCenter);
    flags_[i]->setFrameShape(QFrame::Panel);
    flags_[i]->setFrameShadow(QFrame::Sunken);
    flags_[i]->setMinimumWidth(flag_width);
    const int row = static_cast<int>(i);
    grid->addWidget(captions_[i], row, 0);
    grid->addWidget(flags_[i], row, 1);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(CmdUpdateStatus_);
  buttons->addWidget(cmdClearAlarm_);
  grid->addLayout(buttons, static_cast<int>(kStatusFlags.size()), 0, 1, 2);
  grid->setRowStretch(static_cast<int>(kStatusFlags.size()) + 1, 1);
  ShowUnknown();  // nothing has been read yet
  ConnectControls();
}

void StatusPanelWidget::ConnectControls() {
  connect(CmdUpdateStatus_, &QPushButton::clicked, this, &StatusPanelWidget::CmdUpdateStatus_Click);
  connect(cmdClearAlarm_, &QPushButton::clicked, this, &StatusPanelWidget::cmdClearAlarm_Click);
}

void StatusPanelWidget::CmdUpdateStatus_Click() {
  link::RegisterAccess& device = session_.link;
  if (device.InterfaceType == link::kInterfaceNone) {
    emit Refused(CmdUpdateStatus_->text());
    return;
  }
  // A status word that was not read, or came back all ones, tells nothing about the flags.
  if (!link::Answered(device.ReadReg(registers::kStatus), device.RawWord)) {
    ShowUnknown();
    return;
  }
  const int32_t status = device.RegRaw;
  ShowStatus(status);
  emit StatusRead(status);
}

void StatusPanelWidget::cmdClearAlarm_Click() {
  if (session_.link.InterfaceType == link::kInterfaceNone) {
    emit Refused(cmdClearAlarm_->text());
    return;
  }
  session_.link.WriteReg(registers::kCommand, registers::kCommandClearAlarms);
  CmdUpdateStatus_Click();
}

void StatusPanelWidget::ShowUnknown() {
  const QString text = FlagText(FlagState::kUnknown);
  for (QLabel* flag : flags_) {
    if (flag->text() != text) flag->setText(text);
    SetBackground(flag, QPalette::Window, ButtonFace());
  }
}

void StatusPanelWidget::ShowStatus(int32_t status) {
  for (std::size_t i = 0; i < kStatusFlags.size(); ++i) {
    const FlagState state = FlagStateOf(status, kStatusFlags[i].mask);
    const QString text = FlagText(state);
    if (flags_[i]->text() != text) flags_[i]->setText(text);
    SetBackground(flags_[i], QPalette::Window, state == FlagState::kAlarm ? AlarmRed() : OkGreen());
  }
}

}  // namespace talvix::monitor
