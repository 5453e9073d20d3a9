// SPDX-License-Identifier: MIT
#include "monitor/ui/power_down_widget.h"

#include "monitor/entry_corrections.h"
#include "monitor/power_down.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace talvix::monitor {

PowerDownWidget::PowerDownWidget(Session& session, QWidget* parent)
    : QGroupBox(QStringLiteral("Powerdown"), parent),
      session_(session),
      Label13_(new QLabel(QStringLiteral("Set"), this)),
      txtPowerDown_(new QLineEdit(this)),
      Label21_(new QLabel(QStringLiteral("sec"), this)),
      cmdPowerDown_(new QPushButton(QStringLiteral("R&un"), this)),
      Label14_(new QLabel(QStringLiteral("Elapsed"), this)),
      lblPDElapsed_(new QLabel(QStringLiteral("PDElapsed"), this)),
      Label12_(new QLabel(QStringLiteral("sec"), this)),
      count_loop_(session.loops, session.events()) {
  setObjectName(QStringLiteral("framePowerdown"));
  setToolTip(QStringLiteral("Set the Powerdown"));
  Label13_->setObjectName(QStringLiteral("Label13"));
  txtPowerDown_->setObjectName(QStringLiteral("txtPowerDown"));
  Label21_->setObjectName(QStringLiteral("Label21"));
  cmdPowerDown_->setObjectName(QStringLiteral("cmdPowerDown"));
  Label14_->setObjectName(QStringLiteral("Label14"));
  lblPDElapsed_->setObjectName(QStringLiteral("lblPDElapsed"));
  Label12_->setObjectName(QStringLiteral("Label12"));

  const int number_width = fontMetrics().horizontalAdvance(QStringLiteral("PDElapsed")) + 12;
  txtPowerDown_->setFixedWidth(number_width);
  txtPowerDown_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblPDElapsed_->setFixedWidth(number_width);
  lblPDElapsed_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblPDElapsed_->setFrameShape(QFrame::Panel);
  lblPDElapsed_->setFrameShadow(QFrame::Sunken);
  Label13_->setBuddy(txtPowerDown_);

  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(6);
  grid->addWidget(Label13_, 0, 0);
  grid->addWidget(txtPowerDown_, 0, 1);
  grid->addWidget(Label21_, 0, 2);
  grid->addWidget(cmdPowerDown_, 0, 3);
  grid->addWidget(Label14_, 1, 0);
  grid->addWidget(lblPDElapsed_, 1, 1);
  grid->addWidget(Label12_, 1, 2);
  grid->setColumnStretch(4, 1);
  ConnectControls();
}

void PowerDownWidget::ConnectControls() {
  // Corrected once the user has finished typing (Enter or the focus leaving), never half-way.
  connect(txtPowerDown_, &QLineEdit::editingFinished, this, &PowerDownWidget::txtPowerDown_Change);
  connect(cmdPowerDown_, &QPushButton::clicked, this, &PowerDownWidget::cmdPowerDown_Click);
}

void PowerDownWidget::txtPowerDown_Change() {
  const QString text = txtPowerDown_->text();
  const QString corrected = CorrectedPowerDownTime(text);
  if (corrected != text) txtPowerDown_->setText(corrected);
}

void PowerDownWidget::cmdPowerDown_Click() {
  if (session_.link.InterfaceType == link::kInterfaceNone) {
    emit Refused(QStringLiteral("Powerdown ") + cmdPowerDown_->text());
    return;
  }
  txtPowerDown_Change();  // the sensor sleeps for the time the box shows
  CooperativeLoop::Run run = count_loop_.Start();
  const double seconds = PowerDownSeconds(txtPowerDown_->text());
  bool started = false;
  const QPointer<PowerDownWidget> alive(this);
  RunPowerDown(
      session_, seconds,
      [this, seconds, &started](double elapsed) {
        if (!started) {  // the first round, at the start of the count
          started = true;
          counting_ = true;
          count_start_ = session_.clock().MonotonicSeconds() - elapsed;
          count_seconds_ = seconds;
        }
        ShowElapsedSeconds(elapsed);
      },
      [&run] { return run.Yield(); });
  if (!alive.isNull()) counting_ = false;
}

void PowerDownWidget::ShowElapsed() {
  if (!counting_) return;
  ShowElapsedSeconds(
      ElapsedShown(session_.clock().MonotonicSeconds() - count_start_, count_seconds_));
}

void PowerDownWidget::ShowElapsedSeconds(double elapsed) {
  const QString text = ElapsedText(elapsed, locale());
  if (lblPDElapsed_->text() != text) lblPDElapsed_->setText(text);
}

void PowerDownWidget::PrepareAtLoad() {
  txtPowerDown_->setText(QStringLiteral("0"));
  lblPDElapsed_->setText(QStringLiteral("0.0"));
}

}  // namespace talvix::monitor
