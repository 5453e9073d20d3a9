// SPDX-License-Identifier: MIT
#include "monitor/ui/output_registers_widget.h"

#include "common/ui/indicator_colours.h"
#include "common/ui/mnemonic_text.h"
#include "monitor/entry_corrections.h"
#include "monitor/stale_values.h"
#include "monitor/ui/strip_chart_widget.h"
#include "registers/register_bits.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace talvix::monitor {

using common::AlarmRed;
using common::SetBackground;
using common::SupplyWhite;

namespace {

QString ReadCaption() {
  return QStringLiteral("&Read");
}
QString StopCaption() {
  return QStringLiteral("&STOP");
}

constexpr int kSwatchSize = 12;  // pixels, the square colour marks of the graph column

int SeriesSlot(int series) {
  return series - kFirstSeries;
}

}  // namespace

OutputRegistersWidget::OutputRegistersWidget(Session& session, QWidget* parent)
    : QGroupBox(QStringLiteral("Output  Registers"), parent),
      session_(session),
      loop_(session.loops, session.events(), [this] { cmdReadData_->setText(ReadCaption()); }) {
  setObjectName(QStringLiteral("FrameOutputRegisters"));
  BuildControls();
  LayOutControls();
  ConnectControls();
}

void OutputRegistersWidget::BuildControls() {
  const int value_width =
      fontMetrics().horizontalAdvance(QStringLiteral("-0000.000")) + 2 * kSwatchSize;
  for (int row = 1; row <= kRowCount; ++row) {
    const OutputRow& row_info = kOutputRows[row - 1];
    auto* label = new QLabel(QString::fromLatin1(row_info.caption), this);
    label->setObjectName(QString::fromLatin1(row_info.label_name));
    row_labels_[row - 1] = label;

    auto* box = new QLineEdit(this);
    box->setObjectName(QStringLiteral("txtReadReg%1").arg(row));
    box->setReadOnly(true);  // the program writes these boxes; typing into them means nothing
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setFixedWidth(value_width);
    box->setFocusPolicy(Qt::NoFocus);
    txtReadReg_[row - 1] = box;
  }

  Label10_ = new QLabel(QStringLiteral("Graph"), this);
  Label10_->setObjectName(QStringLiteral("Label10"));
  for (int series = kFirstSeries; series <= kLastSeries; ++series) {
    auto* box = new QCheckBox(this);
    box->setObjectName(QStringLiteral("ckG%1").arg(series));
    ckG_[SeriesSlot(series)] = box;

    auto* swatch = new QFrame(this);
    swatch->setObjectName(QStringLiteral("Shape%1").arg(series));
    swatch->setFixedSize(kSwatchSize, kSwatchSize);
    swatch->setFrameShape(QFrame::Box);
    swatch->setFrameShadow(QFrame::Plain);
    SetBackground(swatch, QPalette::Window, ToQColor(SeriesSwatchColour(series)));
    swatch->hide();  // shown while its series is drawn
    Shape_[SeriesSlot(series)] = swatch;
  }

  cmdReadData_ = new QPushButton(ReadCaption(), this);
  cmdReadData_->setObjectName(QStringLiteral("cmdReadData"));
  cmdReadData_->setToolTip(QStringLiteral("Read the Output Registers"));
  ckLoop_ = new QCheckBox(QStringLiteral("&Loop"), this);
  ckLoop_->setObjectName(QStringLiteral("ckLoop"));
  Label11_ = new QLabel(QStringLiteral("Loop Delay msec"), this);
  Label11_->setObjectName(QStringLiteral("Label11"));
  txtLoopDelay_ = new QLineEdit(this);
  txtLoopDelay_->setObjectName(QStringLiteral("txtLoopDelay"));
  txtLoopDelay_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  txtLoopDelay_->setFixedWidth(value_width);
  Label11_->setBuddy(txtLoopDelay_);
  cmdResetPK_ = new QPushButton(QStringLiteral("Reset P&k"), this);
  cmdResetPK_->setObjectName(QStringLiteral("cmdResetPK"));
  lblReadProblem_ = new QLabel(this);
  lblReadProblem_->setObjectName(QStringLiteral("lblReadProblem"));
  lblReadProblem_->setWordWrap(true);
  lblReadProblem_->setMinimumWidth(2 * value_width);
  // Room for three lines from the start (why, what to do, since when the values are old), so
  // that the frame does not jump when a message appears.
  lblReadProblem_->setMinimumHeight(3 * fontMetrics().lineSpacing());
  lblReadProblem_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

// Rows: caption, value, then for rows 2..9 the graph box and its swatch; the buttons below.
void OutputRegistersWidget::LayOutControls() {
  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(4);
  grid->addWidget(Label10_, 0, 2, 1, 2, Qt::AlignLeft | Qt::AlignBottom);
  for (int row = 1; row <= kRowCount; ++row) {
    grid->addWidget(row_labels_[row - 1], row, 0);
    grid->addWidget(txtReadReg_[row - 1], row, 1);
    if (row >= kFirstSeries) {
      grid->addWidget(ckG_[SeriesSlot(row)], row, 2);
      grid->addWidget(Shape_[SeriesSlot(row)], row, 3);
    }
  }
  grid->setColumnMinimumWidth(3, kSwatchSize);
  grid->setColumnStretch(0, 1);

  grid->setRowMinimumHeight(kRowCount + 1, 6);
  auto* read_row = new QHBoxLayout;
  read_row->addWidget(cmdReadData_);
  read_row->addWidget(ckLoop_);
  read_row->addStretch(1);
  read_row->addWidget(cmdResetPK_);
  grid->addLayout(read_row, kRowCount + 2, 0, 1, 4);
  grid->addWidget(Label11_, kRowCount + 3, 0);
  grid->addWidget(txtLoopDelay_, kRowCount + 3, 1);
  grid->addWidget(lblReadProblem_, kRowCount + 4, 0, 1, 4);
  grid->setRowStretch(kRowCount + 5, 1);
}

void OutputRegistersWidget::ConnectControls() {
  connect(cmdReadData_, &QPushButton::clicked, this, &OutputRegistersWidget::cmdReadData_Click);
  connect(ckLoop_, &QCheckBox::toggled, this, &OutputRegistersWidget::ckLoop_Click);
  // Corrected once the user has finished typing, never half-way (see txtLoopDelay_Change).
  connect(txtLoopDelay_, &QLineEdit::editingFinished, this,
          &OutputRegistersWidget::txtLoopDelay_Change);
  connect(cmdResetPK_, &QPushButton::clicked, this, &OutputRegistersWidget::cmdResetPK_Click);
  for (int series = kFirstSeries; series <= kLastSeries; ++series) {
    connect(ckG_[SeriesSlot(series)], &QCheckBox::toggled, this,
            [this, series] { ckG_Click(series); });
  }
}

bool OutputRegistersWidget::LoopRunning() const {
  return loop_.Running();
}

void OutputRegistersWidget::SetLoopRunning(bool running) {
  loop_.SetRunning(running);
  cmdReadData_->setText(running ? StopCaption() : ReadCaption());
}

void OutputRegistersWidget::cmdReadData_Click() {
  if (session_.link.InterfaceType == link::kInterfaceNone) {
    ShowRefusal(cmdReadData_->text());
    return;
  }
  txtLoopDelay_Change();  // the delay box shows the delay the loop waits
  if (ckLoop_->isChecked()) SetLoopRunning(!LoopRunning());
  CooperativeLoop::Run click = loop_.Single();
  if (!click.Yield()) return;
  ReadData();
}

void OutputRegistersWidget::ReadData() {
  RunPasses(ckLoop_->isChecked());
}

void OutputRegistersWidget::RunPasses(bool loop_mode) {
  // After anything that may run the window system (the yield, a message box of the register
  // layer, the chart's and the status panel's slots) the widget may be gone (the program is
  // ending) or asked to stop: `run` says so, and then nothing more is done, not even a member
  // read.
  CooperativeLoop::Run run = loop_mode ? loop_.Start() : loop_.Single();
  do {
    const OutputPass pass = ReadOutputRows(session_.link);
    if (!run.Alive()) return;
    ShowPass(pass);
    if (pass.result == PassResult::kNotReached) {
      // The link has said what failed; reading on would only repeat it.
      SetLoopRunning(false);
      return;
    }
    if (loop_mode && !run.Yield()) return;  // the one yield of the pass
    if (pass.result == PassResult::kRead) emit SamplesRead(pass.samples);
    if (!run.Alive()) return;
    emit StatusReadDue();
    if (!run.Alive() || !loop_mode) return;
    float delay_ms = LoopDelayMs(txtLoopDelay_->text());
    session_.delay->DelayMs(delay_ms);
  } while (run.Continue());
}

void OutputRegistersWidget::ShowPass(const OutputPass& pass) {
  if (pass.result == PassResult::kNotReached) {
    ShowStale(PassProblemText(pass));
    return;
  }
  SetProblemText(PassProblemText(pass));
  ShowFresh();
  if (pass.result == PassResult::kNoAnswer) {
    for (QLineEdit* box : txtReadReg_) box->clear();
    shown_values_.fill(kNothingShown);
    return;
  }
  // Formatting and setting a text box cost more than the reads' own work; a row whose value
  // has not changed since it was last shown keeps its text.
  const QLocale shown_locale = locale();
  for (int row = 1; row <= kRowCount; ++row) {
    const float value = pass.samples[row];
    if (value == shown_values_[row - 1]) continue;
    shown_values_[row - 1] = value;
    txtReadReg_[row - 1]->setText(RowText(value, shown_locale));
  }
  last_read_seconds_ = session_.clock().SecondsSinceMidnight();
  ShowSupplyShade();
}

void OutputRegistersWidget::SetProblemText(const QString& text) {
  if (lblReadProblem_->text() != text) lblReadProblem_->setText(text);
}

void OutputRegistersWidget::ShowStale(const QString& why) {
  SetProblemText(why.endsWith(ValuesFromText(last_read_seconds_))
                     ? why
                     : why + u' ' + ValuesFromText(last_read_seconds_));
  if (stale_) return;
  stale_ = true;
  // Disabled boxes draw their text greyed; the supply box's red or white would still read as a
  // judgement of the supply, so it takes the neutral colour of the window until a new reading.
  for (QLineEdit* box : txtReadReg_) box->setEnabled(false);
  QLineEdit* supply = txtReadReg_[0];
  supply_colour_ =
      supply->autoFillBackground() ? common::Background(supply, QPalette::Base) : QColor();
  SetBackground(supply, QPalette::Base, palette().color(QPalette::Window));
  emit StaleChanged(true);
}

void OutputRegistersWidget::ShowFresh() {
  if (!stale_) return;
  stale_ = false;
  for (QLineEdit* box : txtReadReg_) box->setEnabled(true);
  if (supply_colour_.isValid()) {
    SetBackground(txtReadReg_[0], QPalette::Base, supply_colour_);
  } else {
    txtReadReg_[0]->setPalette(txtReadReg_[1]->palette());  // never coloured: as the others
  }
  emit StaleChanged(false);
}

void OutputRegistersWidget::ShowInterfaceState() {
  if (session_.link.InterfaceType == link::kInterfaceNone) {
    ShowStale(NoInterfaceText(last_read_seconds_));
  } else if (stale_) {
    SetProblemText(InterfaceReadyText(last_read_seconds_));
  }
}

void OutputRegistersWidget::ShowRefusal(const QString& action) {
  ShowStale(NoInterfaceRefusal(common::WithoutMnemonic(action), last_read_seconds_));
}

void OutputRegistersWidget::changeEvent(QEvent* event) {
  QGroupBox::changeEvent(event);
  if (event->type() == QEvent::LocaleChange) shown_values_.fill(kNothingShown);
}

void OutputRegistersWidget::ShowSupplyShade() {
  QLineEdit* supply = txtReadReg_[0];
  switch (SupplyShadeOf(supply->text(), locale())) {
    case SupplyShade::kLow:
      SetBackground(supply, QPalette::Base, AlarmRed());
      break;
    case SupplyShade::kNormal:
      SetBackground(supply, QPalette::Base, SupplyWhite());
      break;
    case SupplyShade::kUnchanged:
      break;
  }
}

void OutputRegistersWidget::ckLoop_Click() {
  if (!ckLoop_->isChecked() && LoopRunning()) SetLoopRunning(false);
}

void OutputRegistersWidget::txtLoopDelay_Change() {
  const QString text = txtLoopDelay_->text();
  const QString corrected = CorrectedLoopDelay(text);
  if (corrected != text) txtLoopDelay_->setText(corrected);
}

void OutputRegistersWidget::cmdResetPK_Click() {
  if (session_.link.InterfaceType == link::kInterfaceNone) {
    ShowRefusal(cmdResetPK_->text());
    return;
  }
  // A command that did not reach the sensor has been reported by the link; there is nothing new
  // to read.
  if (!link::Reached(session_.link.WriteReg(registers::kCommand, registers::kCommandResetPeaks))) {
    return;
  }
  // A loop already running shows the reset peaks in its next pass; starting a second loop
  // inside it would nest one more loop on the stack for every click.
  if (loop_.Depth() > 0) {
    RunPasses(false);
    return;
  }
  ReadData();
}

void OutputRegistersWidget::ckG_Click(int series) {
  if (series < kFirstSeries || series > kLastSeries) return;
  const bool checked = ckG_[SeriesSlot(series)]->isChecked();
  Shape_[SeriesSlot(series)]->setVisible(checked);
  emit SeriesChecked(series, checked);
}

void OutputRegistersWidget::StopLoops() {
  loop_.Abort();  // puts the caption back
}

void OutputRegistersWidget::PrepareGraphColumn() {
  for (QFrame* swatch : Shape_) swatch->hide();
  for (int series : {2, 6}) {
    ckG_[SeriesSlot(series)]->setChecked(true);
    ckG_Click(series);
  }
}

void OutputRegistersWidget::SetLoopDelayText(const QString& text) {
  txtLoopDelay_->setText(text);
}

void OutputRegistersWidget::SetLoop(bool checked) {
  ckLoop_->setChecked(checked);
}

}  // namespace talvix::monitor
