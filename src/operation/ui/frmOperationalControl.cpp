// SPDX-License-Identifier: MIT
#include "operation/ui/frmOperationalControl.h"

#include "common/message_titles.h"
#include "common/number_text.h"
#include "common/ui/named_widgets.h"
#include "common/ui/window_placement.h"
#include "operation/sample_rate.h"
#include "registers/register_index.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace talvix::operation {

namespace {

using common::MakeLabel;
using common::Named;

QRadioButton* MakeOption(const QString& caption, const char* name, QWidget* parent) {
  return Named(new QRadioButton(caption, parent), name);
}

// A group title above its frame: bold.
QLabel* MakeTitle(const QString& caption, const char* name, QWidget* parent) {
  QLabel* label = MakeLabel(caption, name, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

// A register's contents in hexadecimal, in a sunken box wide enough for four digits.
QLabel* MakeContents(const char* name, QWidget* parent) {
  QLabel* label = MakeLabel(QString(), name, parent);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setAlignment(Qt::AlignCenter);
  label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("FFFF")) + 16);
  return label;
}

QFrame* MakeGroupFrame(QLayout* contents, QWidget* parent) {
  auto* frame = new QFrame(parent);
  frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  frame->setLayout(contents);
  return frame;
}

}  // namespace

frmOperationalControl::frmOperationalControl(Session& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      lblSampleRate_(MakeTitle(QStringLiteral("Sample Rate"), "lblSampleRate", this)),
      txtSampleRate_(Named(new QLineEdit(this), "txtSampleRate")),
      lblSPS_(MakeLabel(QStringLiteral("SPS"), "lblSPS", this)),
      cmdWriteSmpl_prd_(
          Named(new QPushButton(QStringLiteral("&Update"), this), "cmdWriteSmpl_prd")),
      lblSmplPrdCaption_(MakeLabel(QStringLiteral("SMPL_PRD Contents"), "lblSmplPrdCaption", this)),
      lblSmpl_Prd_(MakeContents("lblSmpl_Prd", this)),
      lblAuxIO_(
          MakeTitle(QStringLiteral("Auxilliary Digital I/O Configuration"), "lblAuxIO", this)),
      lblGeneralPurpose_(MakeLabel(QStringLiteral("Configure as a general purpose I/O line"),
                                   "lblGeneralPurpose", this)),
      lblIOLine0_(MakeLabel(QStringLiteral("Digital I/O Line 0:"), "lblIOLine0", this)),
      lblIOLine1_(MakeLabel(QStringLiteral("Digital I/O Line 1:"), "lblIOLine1", this)),
      lblPolLine0_(MakeLabel(QStringLiteral("Set Line 0 Level:"), "lblPolLine0", this)),
      lblPolLine1_(MakeLabel(QStringLiteral("Read Line 1 Level:"), "lblPolLine1", this)),
      optIO_zero_input_(MakeOption(QStringLiteral("Input"), "optIO_zero_input", this)),
      optIO_zero_output_(MakeOption(QStringLiteral("Output"), "optIO_zero_output", this)),
      optIO_one_input_(MakeOption(QStringLiteral("Input"), "optIO_one_input", this)),
      optIO_one_output_(MakeOption(QStringLiteral("Output"), "optIO_one_output", this)),
      optPol_zero_high_(MakeOption(QStringLiteral("High"), "optPol_zero_high", this)),
      optPol_zero_low_(MakeOption(QStringLiteral("Low"), "optPol_zero_low", this)),
      optPol_one_high_(MakeOption(QStringLiteral("High"), "optPol_one_high", this)),
      optPol_one_low_(MakeOption(QStringLiteral("Low"), "optPol_one_low", this)),
      lblDataReady_(
          MakeLabel(QStringLiteral("Configure as a data ready line"), "lblDataReady", this)),
      lblDRselect_(MakeLabel(QStringLiteral("Select I/O line"), "lblDRselect", this)),
      lblDRPolarity_(MakeLabel(QStringLiteral("Output Polarity"), "lblDRPolarity", this)),
      lblDREnable_(MakeLabel(QStringLiteral("Enable"), "lblDREnable", this)),
      optDRselect_Zero_(MakeOption(QStringLiteral("DI/O0"), "optDRselect_Zero", this)),
      optDRselect_One_(MakeOption(QStringLiteral("DI/O1"), "optDRselect_One", this)),
      optDRPolarity_High_(MakeOption(QStringLiteral("High"), "optDRPolarity_High", this)),
      optDRPolarity_Low_(MakeOption(QStringLiteral("Low"), "optDRPolarity_Low", this)),
      optDREnable_On_(MakeOption(QStringLiteral("ON"), "optDREnable_On", this)),
      optDREnable_Off_(MakeOption(QStringLiteral("OFF"), "optDREnable_Off", this)),
      pairs_{{
          {optIO_zero_output_, optIO_zero_input_, kGpioPairMasks[0]},
          {optIO_one_output_, optIO_one_input_, kGpioPairMasks[1]},
          {optPol_zero_high_, optPol_zero_low_, kGpioPairMasks[2]},
          {optPol_one_high_, optPol_one_low_, kGpioPairMasks[3]},
          {optDRselect_One_, optDRselect_Zero_, kMiscPairMasks[0]},
          {optDRPolarity_High_, optDRPolarity_Low_, kMiscPairMasks[1]},
          {optDREnable_On_, optDREnable_Off_, kMiscPairMasks[2]},
      }},
      lblAuxDacTitle_(
          MakeTitle(QStringLiteral("Auxilliary D/A Converter Output"), "lblAuxDacTitle", this)),
      txtVolts_(Named(new QLineEdit(this), "txtVolts")),
      lblVolts_(MakeLabel(QStringLiteral("Volts"), "lblVolts", this)),
      cmdWriteAuxDac_(Named(new QPushButton(QStringLiteral("U&pdate"), this), "cmdWriteAuxDac")),
      lblAuxDacCaption_(MakeLabel(QStringLiteral("AUX_DAC Contents"), "lblAuxDacCaption", this)),
      lblAuxDac_(MakeContents("lblAuxDac", this)),
      cmdFlash_(Named(new QPushButton(QStringLiteral("&Flash Memory Register Update"), this),
                      "cmdFlash")),
      cmdClose_(Named(new QPushButton(QStringLiteral("&Close Window"), this), "cmdClose")) {
  setObjectName(QStringLiteral("frmOperationalControl"));
  setWindowTitle(QStringLiteral("Operational Control"));
  setModal(true);

  lblSampleRate_->setBuddy(txtSampleRate_);
  lblAuxDacTitle_->setBuddy(txtVolts_);
  // No button is pressed by a Return meant for a box: Return in a box updates its row (see
  // ConnectControls) and leaves the window open.
  for (QPushButton* button : {cmdWriteSmpl_prd_, cmdWriteAuxDac_, cmdFlash_, cmdClose_}) {
    button->setAutoDefault(false);
  }
  txtSampleRate_->setToolTip(
      QStringLiteral("Samples per second, 2.06 to 4096; Update shows the rate the device runs at"));
  txtVolts_->setToolTip(QStringLiteral("DAC output, 0 to 2.5 V"));
  cmdWriteSmpl_prd_->setToolTip(QStringLiteral("Writes SMPL_PRD and reads it back"));
  cmdWriteAuxDac_->setToolTip(
      QStringLiteral("Writes AUX_DAC, has the DAC take it (COMMAND 4) and reads it back"));
  cmdFlash_->setToolTip(
      QStringLiteral("Stores the register settings in the device's flash memory (COMMAND 8)"));

  LayOutControls();
  ConnectControls();
  Form_Load();
}

void frmOperationalControl::LayOutControls() {
  const int number_width =
      txtSampleRate_->fontMetrics().horizontalAdvance(QStringLiteral("0.00000000")) + 16;
  txtSampleRate_->setFixedWidth(number_width);
  txtVolts_->setFixedWidth(number_width);
  const int update_width =
      std::max(cmdWriteSmpl_prd_->sizeHint().width(), cmdWriteAuxDac_->sizeHint().width() + 16);
  cmdWriteSmpl_prd_->setFixedWidth(update_width);
  cmdWriteAuxDac_->setFixedWidth(update_width);
  const int unit_width = std::max(lblSPS_->sizeHint().width(), lblVolts_->sizeHint().width()) + 8;
  const int caption_width =
      std::max(lblSmplPrdCaption_->sizeHint().width(), lblAuxDacCaption_->sizeHint().width());

  // Sample rate and DAC rows share their columns: box, unit, Update, contents caption, contents.
  const auto value_row = [&](QLineEdit* box, QLabel* unit, QPushButton* update, QLabel* caption,
                             QLabel* contents) {
    auto* row = new QHBoxLayout;
    row->addWidget(box);
    unit->setMinimumWidth(unit_width);
    row->addWidget(unit);
    row->addWidget(update);
    row->addSpacing(24);
    row->addStretch(1);
    caption->setMinimumWidth(caption_width);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(caption);
    row->addWidget(contents);
    return row;
  };

  // Each pair in its own borderless frame, so that the seven pairs select independently; the
  // first buttons share one width, so that the second buttons line up down the column.
  int first_width = 0;
  for (const OptionPair& pair : pairs_) {
    first_width =
        std::max({first_width, pair.set->sizeHint().width(), pair.clear->sizeHint().width()});
  }
  const auto pair_frame = [&](QRadioButton* first, QRadioButton* second) {
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::NoFrame);
    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(0, 0, 0, 0);
    first->setParent(frame);
    second->setParent(frame);
    first->setMinimumWidth(first_width + 12);
    row->addWidget(first);
    row->addWidget(second);
    row->addStretch(1);
    return frame;
  };
  const auto pairs_grid = [&](QLabel* heading,
                              std::initializer_list<std::pair<QLabel*, QFrame*>> rows) {
    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    QFont font = heading->font();
    font.setUnderline(true);
    heading->setFont(font);
    column->addWidget(heading);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(4);
    grid->setColumnMinimumWidth(0, 8);
    int line = 0;
    for (const auto& [label, frame] : rows) {
      grid->addWidget(label, line, 1);
      grid->addWidget(frame, line, 2);
      ++line;
    }
    grid->setColumnStretch(3, 1);
    column->addLayout(grid);
    column->addStretch(1);
    return column;
  };

  auto* io_columns = new QHBoxLayout;
  io_columns->setSpacing(24);
  io_columns->addLayout(pairs_grid(
      lblGeneralPurpose_, {{lblIOLine0_, pair_frame(optIO_zero_input_, optIO_zero_output_)},
                           {lblIOLine1_, pair_frame(optIO_one_input_, optIO_one_output_)},
                           {lblPolLine0_, pair_frame(optPol_zero_high_, optPol_zero_low_)},
                           {lblPolLine1_, pair_frame(optPol_one_high_, optPol_one_low_)}}));
  auto* separator = new QFrame(this);
  separator->setFrameStyle(QFrame::VLine | QFrame::Sunken);
  io_columns->addWidget(separator);
  io_columns->addLayout(pairs_grid(
      lblDataReady_, {{lblDRselect_, pair_frame(optDRselect_Zero_, optDRselect_One_)},
                      {lblDRPolarity_, pair_frame(optDRPolarity_High_, optDRPolarity_Low_)},
                      {lblDREnable_, pair_frame(optDREnable_On_, optDREnable_Off_)}}));
  io_columns->addSpacing(8);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdFlash_);
  buttons->addStretch(1);
  buttons->addWidget(cmdClose_);

  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(6);
  layout->addWidget(lblSampleRate_);
  layout->addWidget(MakeGroupFrame(
      value_row(txtSampleRate_, lblSPS_, cmdWriteSmpl_prd_, lblSmplPrdCaption_, lblSmpl_Prd_),
      this));
  layout->addSpacing(8);
  layout->addWidget(lblAuxIO_);
  layout->addWidget(MakeGroupFrame(io_columns, this));
  layout->addSpacing(8);
  layout->addWidget(lblAuxDacTitle_);
  layout->addWidget(MakeGroupFrame(
      value_row(txtVolts_, lblVolts_, cmdWriteAuxDac_, lblAuxDacCaption_, lblAuxDac_), this));
  layout->addSpacing(12);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmOperationalControl::ConnectControls() {
  // `clicked`, not `toggled`: a selection made by the load must not write.
  for (std::size_t i = 0; i < pairs_.size(); ++i) {
    const auto writer = i < kGpioPairs ? &frmOperationalControl::Write_GPIO_ctrl
                                       : &frmOperationalControl::Write_MSC_Ctrl;
    connect(pairs_[i].set, &QRadioButton::clicked, this, writer);
    connect(pairs_[i].clear, &QRadioButton::clicked, this, writer);
  }
  connect(cmdWriteSmpl_prd_, &QPushButton::clicked, this,
          &frmOperationalControl::cmdWriteSmpl_prd_Click);
  connect(cmdWriteAuxDac_, &QPushButton::clicked, this,
          &frmOperationalControl::cmdWriteAuxDac_Click);
  // Enter in a box does what its row's Update does.
  connect(txtSampleRate_, &QLineEdit::returnPressed, cmdWriteSmpl_prd_, &QPushButton::click);
  connect(txtVolts_, &QLineEdit::returnPressed, cmdWriteAuxDac_, &QPushButton::click);
  connect(cmdFlash_, &QPushButton::clicked, this, &frmOperationalControl::cmdFlash_Click);
  connect(cmdClose_, &QPushButton::clicked, this, &frmOperationalControl::cmdClose_Click);
}

void frmOperationalControl::Form_Load() {
  common::PlaceBesideMainWindow(this, parentWidget());
  if (!HasInterface()) return;  // nothing to read from, and nothing to say
  const OperationalWords words = ReadOperationalWords(session_.link);
  if (words.smpl_prd) ShowSmplPrd(*words.smpl_prd);
  if (words.gpio_ctrl) SelectPairs(0, kGpioPairs, *words.gpio_ctrl);
  if (words.misc_ctrl) SelectPairs(kGpioPairs, kMiscPairs, *words.misc_ctrl);
  if (words.aux_dac) ShowAuxDac(*words.aux_dac);
  if (!words.complete()) Report(LoadNotAnsweredMessage());
}

void frmOperationalControl::ShowSmplPrd(int32_t smpl_prd) {
  lblSmpl_Prd_->setText(common::HexText(smpl_prd));
  const QString rate = SampleRateText(smpl_prd);
  txtSampleRate_->setText(rate);
  filled_rate_.Fill(rate, smpl_prd);
}

void frmOperationalControl::ShowAuxDac(int32_t aux_dac) {
  lblAuxDac_->setText(common::HexText(aux_dac));
  const QString volts = AuxDacVoltsText(aux_dac);
  txtVolts_->setText(volts);
  filled_volts_.Fill(volts, aux_dac);
}

void frmOperationalControl::SelectPairs(std::size_t first, std::size_t count, int32_t word) {
  for (std::size_t i = first; i < first + count; ++i) {
    known_[i] = ChoiceOf(word, pairs_[i].mask);
    SelectPair(pairs_[i], known_[i]);
  }
}

void frmOperationalControl::SelectPair(const OptionPair& pair, PairChoice choice) {
  const QSignalBlocker block_set(pair.set);
  const QSignalBlocker block_clear(pair.clear);
  if (choice == PairChoice::kNone) {
    // Auto-exclusive buttons keep one checked; clearing both needs them apart for a moment.
    for (QRadioButton* button : {pair.set, pair.clear}) {
      button->setAutoExclusive(false);
      button->setChecked(false);
      button->setAutoExclusive(true);
    }
    return;
  }
  (choice == PairChoice::kSet ? pair.set : pair.clear)->setChecked(true);
}

PairChoice frmOperationalControl::ChoiceShown(const OptionPair& pair) {
  if (pair.set->isChecked()) return PairChoice::kSet;
  if (pair.clear->isChecked()) return PairChoice::kClear;
  return PairChoice::kNone;
}

void frmOperationalControl::WritePairsOf(int16_t index, const QString& name, std::size_t first,
                                         std::size_t count) {
  if (!HasInterface()) return;
  std::vector<PairBit> bits;
  for (std::size_t i = first; i < first + count; ++i) {
    bits.push_back({pairs_[i].mask, ChoiceShown(pairs_[i])});
  }
  const WriteResult result = WritePairs(session_.link, *session_.delay, index, bits);
  for (std::size_t i = first; i < first + count; ++i) {
    if (result.outcome == WriteOutcome::kNotWritten) {
      SelectPair(pairs_[i], known_[i]);  // back to what the device holds
    } else {
      known_[i] = bits[i - first].choice;
    }
  }
  ReportWrite(result.outcome, name);
}

void frmOperationalControl::Write_GPIO_ctrl() {
  WritePairsOf(registers::kGpioCtrl, QStringLiteral("GPIO_CTRL"), 0, kGpioPairs);
}

void frmOperationalControl::Write_MSC_Ctrl() {
  WritePairsOf(registers::kMiscCtrl, QStringLiteral("MISC_CTRL"), kGpioPairs, kMiscPairs);
}

void frmOperationalControl::cmdWriteSmpl_prd_Click() {
  if (!HasInterface()) return;
  const BoxEntry entry = SampleRateEntry(txtSampleRate_->text(), filled_rate_);
  txtSampleRate_->setText(entry.text);
  const WriteResult result = WriteSmplPrd(session_.link, *session_.delay, entry.code);
  if (result.outcome == WriteOutcome::kDone) ShowSmplPrd(result.read_back);
  ReportWrite(result.outcome, QStringLiteral("SMPL_PRD"));
}

void frmOperationalControl::cmdWriteAuxDac_Click() {
  if (!HasInterface()) return;
  const BoxEntry entry = AuxDacEntry(txtVolts_->text(), filled_volts_);
  txtVolts_->setText(entry.text);
  const WriteResult result = WriteAuxDac(session_.link, *session_.delay, entry.code);
  if (result.outcome == WriteOutcome::kDone) ShowAuxDac(result.read_back);
  ReportWrite(result.outcome, QStringLiteral("AUX_DAC"));
}

void frmOperationalControl::cmdFlash_Click() {
  if (!HasInterface()) return;
  Report(FlashMessage(link::StoreToFlash(session_.link, *session_.delay, kFlashWaitMs)));
}

void frmOperationalControl::cmdClose_Click() {
  close();
}

bool frmOperationalControl::HasInterface() const {
  return session_.link.InterfaceType != link::kInterfaceNone;
}

void frmOperationalControl::Report(const QString& message) {
  if (session_.link.LastStatus == link::LinkStatus::kLinkFailed) return;
  session_.notifier().Message(message, common::MessageTitle());
}

void frmOperationalControl::ReportWrite(WriteOutcome outcome, const QString& register_name) {
  switch (outcome) {
    case WriteOutcome::kDone:
      return;
    case WriteOutcome::kNotWritten:
      Report(NotWrittenMessage(register_name));
      return;
    case WriteOutcome::kNotReadBack:
      Report(NotReadBackMessage(register_name));
      return;
  }
}

}  // namespace talvix::operation
