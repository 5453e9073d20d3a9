#include "monitor/ui/output_registers_widget.h"

#include "monitor/entry_corrections.h"
#include "common/ui/indicator_colours.h"
#include "monitor/output_rows.h"
#include "monitor/ui/strip_chart_widget.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>

namespace talvix::monitor {

using common::AlarmRed;
using common::SetBackground;
using common::SupplyWhite;

namespace {

QString ReadCaption() {
  return QStringLiteral("Read");
}
QString StopCaption() {
  return QStringLiteral("STOP");
}

constexpr int kSwatchSize = 12;  // pixels, the square colour marks of the graph column

int SeriesSlot(int series) {
  return series - kFirstSeries;
}

}  // namespace

OutputRegistersWidget::OutputRegistersWidget(Session& session, QWidget* parent)
    : QGroupBox(QStringLiteral("Output  Registers"), parent), session_(session) {
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
  ckLoop_ = new QCheckBox(QStringLiteral("Loop"), this);
  ckLoop_->setObjectName(QStringLiteral("ckLoop"));
  Label11_ = new QLabel(QStringLiteral("Loop Delay msec"), this);
  Label11_->setObjectName(QStringLiteral("Label11"));
  txtLoopDelay_ = new QLineEdit(this);
  txtLoopDelay_->setObjectName(QStringLiteral("txtLoopDelay"));
  txtLoopDelay_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  txtLoopDelay_->setFixedWidth(value_width);
  Label11_->setBuddy(txtLoopDelay_);
  cmdResetPK_ = new QPushButton(QStringLiteral("Reset Pk"), this);
  cmdResetPK_->setObjectName(QStringLiteral("cmdResetPK"));
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
  grid->setRowStretch(kRowCount + 4, 1);
}

void OutputRegistersWidget::ConnectControls() {
  connect(cmdReadData_, &QPushButton::clicked, this, &OutputRegistersWidget::cmdReadData_Click);
  connect(ckLoop_, &QCheckBox::toggled, this, &OutputRegistersWidget::ckLoop_Click);
  connect(txtLoopDelay_, &QLineEdit::textChanged, this,
          &OutputRegistersWidget::txtLoopDelay_Change);
  connect(cmdResetPK_, &QPushButton::clicked, this, &OutputRegistersWidget::cmdResetPK_Click);
  for (int series = kFirstSeries; series <= kLastSeries; ++series) {
    connect(ckG_[SeriesSlot(series)], &QCheckBox::toggled, this,
            [this, series] { ckG_Click(series); });
  }
}

bool OutputRegistersWidget::LoopRunning() const {
  return cmdReadData_->text() == StopCaption();
}

void OutputRegistersWidget::cmdReadData_Click() {
  if (session_.link.InterfaceType == link::kInterfaceNone) return;
  if (ckLoop_->isChecked()) cmdReadData_->setText(LoopRunning() ? ReadCaption() : StopCaption());
  const uint64_t generation = stop_generation_;
  const QPointer<OutputRegistersWidget> alive(this);
  session_.events().ProcessEvents();
  if (!alive || generation != stop_generation_) return;
  ReadData();
}

void OutputRegistersWidget::ReadData() {
  RunPasses(ckLoop_->isChecked());
}

void OutputRegistersWidget::RunPasses(bool loop_mode) {
  const uint64_t generation = stop_generation_;
  const QPointer<OutputRegistersWidget> alive(this);
  // After anything that may run the window system: the widget may be gone (the program is
  // ending) or asked to stop. Either way nothing more is done, not even a member read.
  const auto stopped = [&] { return alive.isNull() || generation != stop_generation_; };
  if (loop_mode) ++running_loops_;
  const auto leave = qScopeGuard([&] {
    if (loop_mode && !alive.isNull()) --running_loops_;
  });

  SampleVector samples{};
  do {
    if (!ReadAndShowPass(samples)) return;
    if (loop_mode) {
      session_.events().ProcessEvents();  // the one yield of the pass
      if (stopped()) return;
    }
    emit SamplesRead(samples);
    if (stopped()) return;
    emit StatusReadDue();
    if (stopped() || !loop_mode) return;
    float delay_ms = LoopDelayMs(txtLoopDelay_->text());
    session_.delay->DelayMs(delay_ms);
  } while (LoopRunning());
}

bool OutputRegistersWidget::ReadAndShowPass(SampleVector& samples) {
  const QPointer<OutputRegistersWidget> alive(this);
  link::RegisterAccess& device = session_.link;
  samples = ReadOutputRows(device);
  if (alive.isNull()) return false;
  // Formatting and setting a text box cost more than the reads' own work; a row whose value
  // has not changed since it was last shown keeps its text.
  const QLocale shown_locale = locale();
  for (int row = 1; row <= kRowCount; ++row) {
    const float value = samples[row];
    if (value == shown_values_[row - 1]) continue;
    shown_values_[row - 1] = value;
    txtReadReg_[row - 1]->setText(RowText(value, shown_locale));
  }
  ShowSupplyShade();
  return true;
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
  if (!ckLoop_->isChecked() && LoopRunning()) cmdReadData_->setText(ReadCaption());
}

void OutputRegistersWidget::txtLoopDelay_Change() {
  const QString text = txtLoopDelay_->text();
  const QString corrected = CorrectedLoopDelay(text);
  if (corrected != text) txtLoopDelay_->setText(corrected);
}

void OutputRegistersWidget::cmdResetPK_Click() {
  session_.link.WriteReg(registers::kCommand, kCommandResetPeaks);
  // A loop already running shows the reset peaks in its next pass; starting a second loop
  // inside it would nest one more loop on the stack for every click.
  if (running_loops_ > 0) {
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
  ++stop_generation_;
  cmdReadData_->setText(ReadCaption());
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
