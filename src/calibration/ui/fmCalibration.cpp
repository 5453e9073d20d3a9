// SPDX-License-Identifier: MIT
#include "calibration/ui/fmCalibration.h"

#include "common/message_titles.h"
#include "common/ui/named_widgets.h"
#include "common/ui/window_placement.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace talvix::calibration {

namespace {

using common::MakeBoldLabel;
using common::MakeLabel;

// Every button here writes to the device: none may be pressed by Return in a box.
QPushButton* MakeButton(const QString& caption, const char* name, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

// A register code as the device holds it: a sunken field, not a caption.
QLabel* MakeContents(const char* name, QWidget* parent) {
  QLabel* label = MakeLabel(QString(), name, parent);
  label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  label->setAlignment(Qt::AlignCenter);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QFrame* MakeGroup(QLayout* contents, QWidget* parent) {
  auto* group = new QFrame(parent);
  group->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  group->setLayout(contents);
  return group;
}

struct RowNames {
  const char* caption;
  const char* caption_name;
  const char* box;
  const char* unit;
  const char* unit_name;
  const char* button;
  const char* contents;
  const char* update_caption;
};

// The four Update buttons and the three Run buttons share their captions; each gets a mnemonic
// of its own letter of the caption.
constexpr std::array<RowNames, 4> kRowNames = {{
    {"X-Axis Offset", "lblXoffsetCaption", "txtXoffset", "g", "lblXoffsetUnit", "cmdCal_Xoffset",
     "lblXoffset", "U&pdate"},
    {"Y-Axis Offset", "lblYoffsetCaption", "txtYoffset", "g", "lblYoffsetUnit", "cmdCal_Yoffset",
     "lblYoffset", "Up&date"},
    {"X-Axis Scale", "lblXscaleCaption", "txtXscale", "mg/lsb", "lblXscaleUnit", "cmdCal_Xscale",
     "lblXscale", "Upd&ate"},
    {"Y-Axis Scale", "lblYscaleCaption", "txtYscale", "mg/lsb", "lblYscaleUnit", "cmdCal_Yscale",
     "lblYscale", "Updat&e"},
}};

std::size_t At(CalRow row) {
  return static_cast<std::size_t>(row);
}

}  // namespace

fmCalibration::fmCalibration(Session& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      lblAutomatic_(MakeBoldLabel(QStringLiteral("Automatic Features"), "lblAutomatic", this)),
      lblFactoryCal_(
          MakeLabel(QStringLiteral("Restore Factory Calibration"), "lblFactoryCal", this)),
      lblAutoNull_(MakeLabel(QStringLiteral("Auto Null"), "lblAutoNull", this)),
      lblFlashUpdate_(MakeLabel(QStringLiteral("FLASH Memory Update"), "lblFlashUpdate", this)),
      cmdFactoryCal_(MakeButton(QStringLiteral("&Run"), "cmdFactoryCal", this)),
      cmdAutoNull_(MakeButton(QStringLiteral("R&un"), "cmdAutoNull", this)),
      cmdFlashUpdate_(MakeButton(QStringLiteral("Ru&n"), "cmdFlashUpdate", this)),
      lblManual_(MakeBoldLabel(QStringLiteral("Manual Calibration Adjustment"), "lblManual", this)),
      lblRegContents_(MakeLabel(QStringLiteral("Register Contents"), "lblRegContents", this)),
      cmdClose_(MakeButton(QStringLiteral("&Close Window"), "cmdClose", this)) {
  setObjectName(QStringLiteral("fmCalibration"));
  setWindowTitle(QStringLiteral("Calibration"));
  setModal(true);

  for (CalRow row : kCalRows) {
    const RowNames& names = kRowNames[At(row)];
    row_captions_[At(row)] =
        MakeLabel(QString::fromLatin1(names.caption), names.caption_name, this);
    boxes_[At(row)] = new QLineEdit(this);
    boxes_[At(row)]->setObjectName(QString::fromLatin1(names.box));
    units_[At(row)] = MakeLabel(QString::fromLatin1(names.unit), names.unit_name, this);
    update_buttons_[At(row)] =
        MakeButton(QString::fromLatin1(names.update_caption), names.button, this);
    contents_[At(row)] = MakeContents(names.contents, this);
    row_captions_[At(row)]->setBuddy(boxes_[At(row)]);
    update_buttons_[At(row)]->setToolTip(
        QStringLiteral("Writes the value to %1 and reads the register back")
            .arg(session_.table.at(TraitsOf(row).index).Label.trimmed()));
    boxes_[At(row)]->setToolTip(RangeText(row, QLocale()));
  }
  cmdAutoNull_->setToolTip(
      QStringLiteral("Nulls the offsets so that the present X and Y accelerations read 0"));
  cmdFactoryCal_->setToolTip(QStringLiteral("Returns the offsets and scales to the factory's"));
  cmdFlashUpdate_->setToolTip(
      QStringLiteral("Stores the device's settings, the calibration among them, in its FLASH "
                     "memory"));

  LayOutControls();
  ConnectControls();
  common::PlaceBesideMainWindow(this, parent);
  Form_Load();
}

void fmCalibration::LayOutControls() {
  // The automatic features: caption, then its Run button.
  auto* automatic = new QGridLayout;
  automatic->setHorizontalSpacing(24);
  automatic->setColumnStretch(0, 1);
  const std::array<QLabel*, 3> command_labels = {lblFactoryCal_, lblAutoNull_, lblFlashUpdate_};
  const std::array<QPushButton*, 3> command_buttons = {cmdFactoryCal_, cmdAutoNull_,
                                                       cmdFlashUpdate_};
  for (std::size_t i = 0; i < command_labels.size(); ++i) {
    automatic->addWidget(command_labels[i], static_cast<int>(i), 0);
    automatic->addWidget(command_buttons[i], static_cast<int>(i), 1);
  }

  // The manual rows: caption, box, unit, Update, register contents.
  const int box_width =
      boxes_[0]->fontMetrics().horizontalAdvance(QStringLiteral("-35.0719985961914")) + 16;
  const int contents_width =
      contents_[0]->fontMetrics().horizontalAdvance(QStringLiteral("FFFF")) + 24;
  auto* manual = new QGridLayout;
  manual->setHorizontalSpacing(8);
  manual->setColumnMinimumWidth(4, std::max(contents_width, lblRegContents_->sizeHint().width()));
  manual->addWidget(lblRegContents_, 0, 4, Qt::AlignCenter);
  for (CalRow row : kCalRows) {
    const int line = static_cast<int>(At(row)) + 1;
    boxes_[At(row)]->setMinimumWidth(box_width);
    contents_[At(row)]->setMinimumWidth(contents_width);
    manual->addWidget(row_captions_[At(row)], line, 0);
    manual->addWidget(boxes_[At(row)], line, 1);
    manual->addWidget(units_[At(row)], line, 2);
    manual->addWidget(update_buttons_[At(row)], line, 3);
    manual->addWidget(contents_[At(row)], line, 4);
  }
  manual->setColumnMinimumWidth(2, units_[At(CalRow::kXScale)]->sizeHint().width());

  // The Run buttons line up with the Update buttons' width.
  int button_width = 0;
  for (QPushButton* button : update_buttons_) {
    button_width = std::max(button_width, button->sizeHint().width());
  }
  for (QPushButton* button : command_buttons) button->setMinimumWidth(button_width);

  auto* close_row = new QHBoxLayout;
  close_row->addStretch(1);
  close_row->addWidget(cmdClose_);

  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(6);
  layout->addWidget(lblAutomatic_);
  layout->addWidget(MakeGroup(automatic, this));
  layout->addSpacing(8);
  layout->addWidget(lblManual_);
  layout->addWidget(MakeGroup(manual, this));
  layout->addSpacing(8);
  layout->addLayout(close_row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void fmCalibration::ConnectControls() {
  connect(cmdFactoryCal_, &QPushButton::clicked, this, &fmCalibration::cmdFactoryCal_Click);
  connect(cmdAutoNull_, &QPushButton::clicked, this, &fmCalibration::cmdAutoNull_Click);
  connect(cmdFlashUpdate_, &QPushButton::clicked, this, &fmCalibration::cmdFlashUpdate_Click);
  connect(update_buttons_[At(CalRow::kXOffset)], &QPushButton::clicked, this,
          &fmCalibration::cmdCal_Xoffset_Click);
  connect(update_buttons_[At(CalRow::kYOffset)], &QPushButton::clicked, this,
          &fmCalibration::cmdCal_Yoffset_Click);
  connect(update_buttons_[At(CalRow::kXScale)], &QPushButton::clicked, this,
          &fmCalibration::cmdCal_Xscale_Click);
  connect(update_buttons_[At(CalRow::kYScale)], &QPushButton::clicked, this,
          &fmCalibration::cmdCal_Yscale_Click);
  connect(cmdClose_, &QPushButton::clicked, this, &fmCalibration::cmdClose_Click);
  // Enter in a row's box does what the row's Update does.
  for (CalRow row : kCalRows) {
    connect(boxes_[At(row)], &QLineEdit::returnPressed, update_buttons_[At(row)],
            &QPushButton::click);
  }
}

void fmCalibration::Form_Load() {
  ReadCalRegisters();
}

void fmCalibration::ReadCalRegisters() {
  const CalReadout readout = calibration::ReadCalRegisters(session_.link);
  for (CalRow row : kCalRows) {
    const std::optional<CalReading>& reading = readout.rows[At(row)];
    if (!reading) continue;
    contents_[At(row)]->setText(CodeHex(reading->RegRaw));
    const QString shown = ReadText(session_.table, row, reading->RegValue, QLocale());
    boxes_[At(row)]->setText(shown);
    filled_[At(row)].Fill(shown, reading->RegRaw);
  }
  if (!readout.complete() && !readout.link_reported) Say(ReadFailedMessage());
}

void fmCalibration::UpdateRow(CalRow row) {
  QLineEdit* box = boxes_[At(row)];
  const std::optional<CalEntry> entry =
      EntryFor(session_.table, row, box->text(), filled_[At(row)], QLocale());
  if (!entry) {
    Say(NothingToWriteMessage(row));
    return;
  }
  box->setText(entry->text);
  const CalWriteResult result = WriteCalRegister(session_.link, *session_.delay, row, entry->code);
  if (result.outcome == CalWrite::kNotWritten) {
    if (!result.link_reported) Say(WriteFailedMessage(row));
    return;
  }
  const QString shown = WrittenText(session_.table, row, entry->code, QLocale());
  box->setText(shown);
  filled_[At(row)].Fill(shown, entry->code);
  if (result.outcome == CalWrite::kNotReadBack) {
    // The register now holds the new code, or something unknown: the old contents would mislead.
    contents_[At(row)]->clear();
    if (!result.link_reported) Say(ReadBackFailedMessage(row));
    return;
  }
  contents_[At(row)]->setText(CodeHex(result.read_back));
}

void fmCalibration::RunCommand(CalCommand command) {
  if (!RunCalCommand(session_.link, *session_.delay, command)) {
    if (session_.link.LastStatus != link::LinkStatus::kLinkFailed) {
      Say(CommandFailedMessage(command));
    }
    return;
  }
  if (TraitsOf(command).refresh) ReadCalRegisters();
}

void fmCalibration::Say(const QString& text) {
  session_.notifier().Message(text, common::MessageTitle());
}

void fmCalibration::cmdFactoryCal_Click() {
  RunCommand(CalCommand::kFactoryCal);
}

void fmCalibration::cmdAutoNull_Click() {
  RunCommand(CalCommand::kAutoNull);
}

void fmCalibration::cmdFlashUpdate_Click() {
  const link::FlashOutcome outcome = RunFlashUpdate(session_.link, *session_.delay);
  // A card or port that failed on the way has said so itself.
  if (session_.link.LastStatus != link::LinkStatus::kLinkFailed) Say(FlashMessage(outcome));
}

void fmCalibration::cmdCal_Xoffset_Click() {
  UpdateRow(CalRow::kXOffset);
}

void fmCalibration::cmdCal_Yoffset_Click() {
  UpdateRow(CalRow::kYOffset);
}

void fmCalibration::cmdCal_Xscale_Click() {
  UpdateRow(CalRow::kXScale);
}

void fmCalibration::cmdCal_Yscale_Click() {
  UpdateRow(CalRow::kYScale);
}

void fmCalibration::cmdClose_Click() {
  close();
}

}  // namespace talvix::calibration
