// SPDX-License-Identifier: MIT
#include "alarms/ui/frmAlarms.h"

#include "common/message_titles.h"
#include "common/ui/named_widgets.h"
#include "common/ui/window_placement.h"
#include "registers/register_bits.h"
#include "registers/register_index.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace talvix::alarms {

namespace {

using common::Named;

// A pair of option buttons that choose one of two, in their own frame under a caption.
QGroupBox* OptionPair(const QString& caption, QRadioButton* first, QRadioButton* second,
                      QWidget* parent) {
  auto* box = new QGroupBox(caption, parent);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(first);
  layout->addWidget(second);
  auto* group = new QButtonGroup(box);
  group->addButton(first);
  group->addButton(second);
  return box;
}

}  // namespace

frmAlarms::frmAlarms(Session& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      alarms_{MakeAlarmGroup(1), MakeAlarmGroup(2)},
      opDig_Enabled_(Named(new QRadioButton(QStringLiteral("Enabled"), this),
                           QStringLiteral("opDig_Enabled"))),
      opDig_Disabled_(Named(new QRadioButton(QStringLiteral("Disabled"), this),
                            QStringLiteral("opDig_Disabled"))),
      opDigLine_zero_(
          Named(new QRadioButton(QStringLiteral("DI/O0"), this), QStringLiteral("opDigLine_zero"))),
      opDigLine_one_(
          Named(new QRadioButton(QStringLiteral("DI/O1"), this), QStringLiteral("opDigLine_one"))),
      opDigPol_high_(
          Named(new QRadioButton(QStringLiteral("High"), this), QStringLiteral("opDigPol_high"))),
      opDigPol_low_(
          Named(new QRadioButton(QStringLiteral("Low"), this), QStringLiteral("opDigPol_low"))),
      cmdAdio_(Named(new QPushButton(QStringLiteral("Up&date"), this), QStringLiteral("cmdAdio"))),
      cmdFlash_(Named(new QPushButton(QStringLiteral("&Flash Memory Register Update"), this),
                      QStringLiteral("cmdFlash"))),
      cmdClose_(Named(new QPushButton(QStringLiteral("&Close Window"), this),
                      QStringLiteral("cmdClose"))) {
  setObjectName(QStringLiteral("frmAlarms"));
  setWindowTitle(QStringLiteral("ALARM CONFIGURATION AND CONTROL"));
  setModal(true);

  // No button is pressed by a Return meant for a box: Return in a level box writes the alarms
  // (see ConnectControls) and leaves the window open.
  for (QPushButton* button :
       {alarms_[0].update, alarms_[1].update, cmdAdio_, cmdFlash_, cmdClose_}) {
    button->setAutoDefault(false);
  }
  for (const AlarmGroup& group : alarms_) {
    group.update->setToolTip(
        QStringLiteral("Writes both alarms: the sources into ALM_CTRL, then ALM_MAG1 and "
                       "ALM_MAG2; then reads them back"));
    group.level->setToolTip(QStringLiteral("Level in the unit of the alarm's source"));
  }
  cmdAdio_->setToolTip(QStringLiteral("Writes the indicator options into ALM_CTRL bits 0-2"));
  cmdFlash_->setToolTip(QStringLiteral("Makes the device store its register settings in flash"));

  FillLists();  // first, so that the layout sizes the lists by their entries
  LayOutControls();
  ConnectControls();
  common::PlaceBesideMainWindow(this, parent);
  Form_Load();
}

frmAlarms::AlarmGroup frmAlarms::MakeAlarmGroup(int alarm) {
  const QString n = QString::number(alarm);
  AlarmGroup group;
  group.source = Named(new QComboBox(this), QStringLiteral("cmboAsource") + n);
  group.source->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  group.level = Named(new QLineEdit(this), QStringLiteral("txtLevel") + n);
  group.magnitude = Named(new QLabel(this), QStringLiteral("lblALM_MAG") + n);
  group.less = Named(new QRadioButton(QStringLiteral("Less than"), this),
                     QStringLiteral("opTrigPol%1_Less").arg(n));
  group.greater =
      Named(new QRadioButton(QStringLiteral("Greater than"), this),
            QString::fromLatin1(alarm == 1 ? "opTrigPol1_Greater" : "opTrigPol2_greater"));
  group.polarity = new QButtonGroup(this);
  group.polarity->addButton(group.less);
  group.polarity->addButton(group.greater);
  group.warning =
      Named(new QLabel(QStringLiteral("Polarity is reversed for temperature output"), this),
            QStringLiteral("lblTemperaWarn") + n);
  group.update = Named(
      new QPushButton(alarm == 1 ? QStringLiteral("&Update") : QStringLiteral("U&pdate"), this),
      QString::fromLatin1(alarm == 1 ? "cmdWiteA1" : "cmdWriteA2"));
  return group;
}

void frmAlarms::LayOutControls() {
  const int level_width =
      alarms_[0].level->fontMetrics().horizontalAdvance(QStringLiteral("-00000.000")) + 16;
  auto* alarm_row = new QHBoxLayout;
  for (int alarm = 0; alarm < 2; ++alarm) {
    AlarmGroup& group = alarms_[alarm];
    const QString n = QString::number(alarm + 1);
    group.level->setMinimumWidth(level_width);
    group.magnitude->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    group.magnitude->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    group.magnitude->setMinimumWidth(level_width);
    group.magnitude->setToolTip(QStringLiteral("Bits 0-13 of ALM_MAG%1, hexadecimal").arg(n));

    QPalette warning = group.warning->palette();
    warning.setColor(QPalette::WindowText, QColor(192, 0, 0));
    group.warning->setPalette(warning);
    group.warning->setWordWrap(true);
    // The warning comes and goes with the source; the group keeps its height meanwhile.
    QSizePolicy keep_space = group.warning->sizePolicy();
    keep_space.setRetainSizeWhenHidden(true);
    group.warning->setSizePolicy(keep_space);

    auto* fields = new QGridLayout;
    auto* source_caption = new QLabel(QStringLiteral("Source"), this);
    auto* level_caption = new QLabel(QStringLiteral("Trigger Level"), this);
    auto* magnitude_caption = new QLabel(QStringLiteral("ALM_MAG") + n, this);
    source_caption->setBuddy(group.source);
    level_caption->setBuddy(group.level);
    fields->addWidget(source_caption, 0, 0);
    fields->addWidget(group.source, 0, 1);
    fields->addWidget(level_caption, 1, 0);
    fields->addWidget(group.level, 1, 1);
    fields->addWidget(magnitude_caption, 2, 0);
    fields->addWidget(group.magnitude, 2, 1);
    fields->setColumnStretch(1, 1);

    auto* polarity = new QGroupBox(QStringLiteral("Trigger Polarity"), this);
    auto* polarity_layout = new QVBoxLayout(polarity);
    polarity_layout->addWidget(group.less);
    polarity_layout->addWidget(group.greater);

    auto* box = new QGroupBox(QStringLiteral("ALARM %1 SETUP").arg(n), this);
    auto* layout = new QVBoxLayout(box);
    layout->addLayout(fields);
    layout->addWidget(polarity);
    layout->addWidget(group.warning);
    layout->addStretch(1);
    layout->addWidget(group.update, 0, Qt::AlignRight);
    alarm_row->addWidget(box, 1);
  }

  auto* indicator = new QGroupBox(QStringLiteral("Digital Alarm Indicator Setup"), this);
  auto* indicator_layout = new QHBoxLayout(indicator);
  indicator_layout->addWidget(
      OptionPair(QStringLiteral("Digital Alarm Indicator"), opDig_Enabled_, opDig_Disabled_, this));
  indicator_layout->addWidget(
      OptionPair(QStringLiteral("Digital Line Selection"), opDigLine_zero_, opDigLine_one_, this));
  indicator_layout->addWidget(
      OptionPair(QStringLiteral("Output Polarity"), opDigPol_high_, opDigPol_low_, this));
  indicator_layout->addWidget(cmdAdio_, 0, Qt::AlignRight | Qt::AlignBottom);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdFlash_);
  buttons->addStretch(1);
  buttons->addWidget(cmdClose_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(alarm_row);
  layout->addWidget(indicator);
  layout->addSpacing(6);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetMinimumSize);
}

void frmAlarms::ConnectControls() {
  connect(alarms_[0].source, &QComboBox::currentIndexChanged, this, &frmAlarms::cmboAsource1_Click);
  connect(alarms_[1].source, &QComboBox::currentIndexChanged, this, &frmAlarms::cmboAsource2_Click);
  connect(alarms_[0].update, &QPushButton::clicked, this, &frmAlarms::cmdWriteA1_Click);
  connect(alarms_[1].update, &QPushButton::clicked, this, &frmAlarms::cmdWriteA2_Click);
  // Enter in a level box does what that alarm's Update does.
  for (const AlarmGroup& group : alarms_) {
    connect(group.level, &QLineEdit::returnPressed, group.update, &QPushButton::click);
  }
  connect(cmdAdio_, &QPushButton::clicked, this, &frmAlarms::cmdAdio_Click);
  connect(cmdFlash_, &QPushButton::clicked, this, &frmAlarms::cmdFlash_Click);
  connect(cmdClose_, &QPushButton::clicked, this, &frmAlarms::cmdClose_Click);
}

void frmAlarms::FillLists() {
  for (AlarmGroup& group : alarms_) {
    const QSignalBlocker quiet(group.source);
    group.source->clear();
    group.source->addItems(SourceListTexts());
    group.source->setCurrentIndex(-1);  // no source until one is read
    group.warning->hide();
  }
}

void frmAlarms::Form_Load() {
  FillLists();
  SetWritable(ReadAndShowSetup(LoadFailedMessage()));
}

bool frmAlarms::ReadAndShowSetup(const QString& failure) {
  const std::optional<AlarmWords> words = ReadAlarmSetup(session_.link);
  if (!words) {
    Say(failure);
    return false;
  }
  ShowSetup(DecideAlarmView(session_.table, *words));
  setup_read_ = true;
  return true;
}

void frmAlarms::ShowSetup(const AlarmView& view) {
  for (int alarm = 0; alarm < 2; ++alarm) {
    AlarmGroup& group = alarms_[alarm];
    const AlarmShown& shown = view.alarm[alarm];
    {
      const QSignalBlocker quiet(group.source);  // the source-change reaction is the user's
      group.source->setCurrentIndex(shown.source);
    }
    // Reading shows a warning but never hides one.
    if (shown.temperature_warning) group.warning->show();
    (shown.greater_than ? group.greater : group.less)->setChecked(true);
    group.magnitude->setText(shown.magnitude);
    group.level->setText(shown.level);
    filled_levels_[alarm].box.Fill(shown.level, shown.code);
    filled_levels_[alarm].source = shown.source;
  }
  (view.indicator.enabled ? opDig_Enabled_ : opDig_Disabled_)->setChecked(true);
  (view.indicator.line1 ? opDigLine_one_ : opDigLine_zero_)->setChecked(true);
  (view.indicator.high ? opDigPol_high_ : opDigPol_low_)->setChecked(true);
}

void frmAlarms::SetWritable(bool writable) {
  for (QPushButton* button : {alarms_[0].update, alarms_[1].update, cmdAdio_, cmdFlash_}) {
    button->setEnabled(writable);
  }
}

void frmAlarms::Say(const QString& message) {
  // A card or port that failed on the way has said so itself.
  if (session_.link.LastStatus == link::LinkStatus::kLinkFailed) return;
  session_.notifier().Message(message, common::MessageTitle());
}

void frmAlarms::UpdateWarning(int alarm) {
  AlarmGroup& group = alarms_[alarm];
  group.warning->setVisible(group.source->currentIndex() == kTemperatureSource);
}

void frmAlarms::cmboAsource1_Click() {
  SourceChanged(0);
}

void frmAlarms::cmboAsource2_Click() {
  SourceChanged(1);
}

void frmAlarms::SourceChanged(int alarm) {
  AlarmGroup& group = alarms_[alarm];
  const int source = group.source->currentIndex();
  if (source < 0) return;
  if (!setup_read_) {
    // The load found no sensor: this pick reads the whole setup first, then keeps the pick.
    if (!ReadAndShowSetup(LoadFailedMessage())) {
      UpdateWarning(alarm);
      return;
    }
    SetWritable(true);
    const QSignalBlocker quiet(group.source);
    group.source->setCurrentIndex(source);
  }
  const int16_t index = alarm == 0 ? registers::kAlmMag1 : registers::kAlmMag2;
  if (link::Answered(session_.link.ReadReg(index), session_.link.RawWord)) {
    const int32_t code = session_.link.RegRaw & registers::kAlmMagLevelBits;
    const QString text = SourceChangeLevelText(session_.table, source, code);
    group.level->setText(text);
    filled_levels_[alarm].box.Fill(text, code);
    filled_levels_[alarm].source = source;
  } else {
    Say(LevelReadFailedMessage(alarm + 1));
  }
  UpdateWarning(alarm);
}

void frmAlarms::cmdWriteA1_Click() {
  WriteAlarms();
}

void frmAlarms::cmdWriteA2_Click() {
  WriteAlarms();
}

void frmAlarms::WriteAlarms() {
  if (!setup_read_) return;
  std::array<int, 2> sources{};
  std::array<uint16_t, 2> words{};
  for (int alarm = 0; alarm < 2; ++alarm) {
    const AlarmGroup& group = alarms_[alarm];
    sources[alarm] = std::max(group.source->currentIndex(), 0);
    words[alarm] = MagnitudeWord(session_.table, sources[alarm], group.level->text(),
                                 group.greater->isChecked(), filled_levels_[alarm]);
  }
  if (!WriteAlarmSetup(session_.link, *session_.delay, sources[0], sources[1], words[0],
                       words[1])) {
    Say(WriteFailedMessage(QStringLiteral("ALM_CTRL, ALM_MAG1 or ALM_MAG2")));
    return;
  }
  ReadAndShowSetup(ReadBackFailedMessage());
}

void frmAlarms::cmdAdio_Click() {
  if (!setup_read_) return;
  const Indicator indicator{opDig_Enabled_->isChecked(), opDigLine_one_->isChecked(),
                            opDigPol_high_->isChecked()};
  if (!WriteIndicator(session_.link, indicator)) {
    Say(WriteFailedMessage(QStringLiteral("ALM_CTRL")));
  }
}

void frmAlarms::cmdFlash_Click() {
  if (!setup_read_) return;
  Say(FlashMessage(link::StoreToFlash(session_.link, *session_.delay, kFlashWaitMs)));
}

void frmAlarms::cmdClose_Click() {
  reject();
}

}  // namespace talvix::alarms
