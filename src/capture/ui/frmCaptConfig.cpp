// SPDX-License-Identifier: MIT
#include "capture/ui/frmCaptConfig.h"

#include "capture/capture_readout.h"
#include "common/advice_texts.h"
#include "common/message_titles.h"
#include "common/ui/named_widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace talvix::capture {

namespace {

using common::MakeBoldLabel;
using common::MakeLabel;
using common::Named;

QComboBox* MakeList(const char* name, QWidget* parent) {
  auto* list = Named(new QComboBox(parent), name);
  list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return list;
}

// The frame around one step's controls, with the step's button at its bottom right.
QFrame* MakeStepGroup(QLayout* fields, QPushButton* button, QWidget* parent) {
  auto* group = new QFrame(parent);
  group->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  auto* layout = new QHBoxLayout(group);
  layout->addLayout(fields, 1);
  layout->addSpacing(12);
  layout->addWidget(button, 0, Qt::AlignRight | Qt::AlignBottom);
  return group;
}

}  // namespace

frmCaptConfig::frmCaptConfig(Session& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      lblHeading_(
          MakeLabel(QStringLiteral("Talvix Event Trigger Configuration"), "lblHeading", this)),
      lblStep1_(MakeBoldLabel(QStringLiteral("Step #1 - Configure Capture Parameters (CAPT_CFG)"),
                              "lblStep1", this)),
      lblStep2_(
          MakeBoldLabel(QStringLiteral("Step #2 - Set Trigger Levels and Polarity (TRIG_MAG1/2)"),
                        "lblStep2", this)),
      lblStep3_(MakeBoldLabel(QStringLiteral("Step #3 - Set Trigger Source (ALM_CTRL)"), "lblStep3",
                              this)),
      lblStep4_(MakeBoldLabel(QStringLiteral("Step #4 - Set Capture Memory Storage (MSC_CTRL)"),
                              "lblStep4", this)),
      lblSourceBuff1_(MakeLabel(QStringLiteral("Data Source - Buffer #1"), "lblSourceBuff1", this)),
      lblSourceBuff2_(MakeLabel(QStringLiteral("Data Source - Buffer #2"), "lblSourceBuff2", this)),
      lblBuffLength_(MakeLabel(QStringLiteral("Capture Buffer Length"), "lblBuffLength", this)),
      lblPreTrigLength_(MakeLabel(QStringLiteral("Pre-Trigger Length"), "lblPreTrigLength", this)),
      lblTrigLevelBuff1_(
          MakeLabel(QStringLiteral("Buffer #1 Trigger Level"), "lblTrigLevelBuff1", this)),
      lblPolBuff1_(MakeLabel(QStringLiteral("Buffer #1 Polarity"), "lblPolBuff1", this)),
      lblTrigLevelBuff2_(
          MakeLabel(QStringLiteral("Buffer #2 Trigger Level"), "lblTrigLevelBuff2", this)),
      lblPolBuff2_(MakeLabel(QStringLiteral("Buffer #2 Polarity"), "lblPolBuff2", this)),
      ComboSourceBuff1_(MakeList("ComboSourceBuff1", this)),
      ComboSourceBuff2_(MakeList("ComboSourceBuff2", this)),
      ComboBuffLength_(MakeList("ComboBuffLength", this)),
      ComboPreTrigLength_(MakeList("ComboPreTrigLength", this)),
      lblTemperaWarn_(MakeLabel(QStringLiteral("Polarity is reversed for Temperature output"),
                                "lblTemperaWarn", this)),
      cmdCapt_CFG_(
          Named(new QPushButton(QStringLiteral("Update &CAPT_CFG Register"), this), "cmdCapt_CFG")),
      txtTrigLevelBuff1_(Named(new QLineEdit(this), "txtTrigLevelBuff1")),
      ComboPolBuff1_(MakeList("ComboPolBuff1", this)),
      txtTrigLevelBuff2_(Named(new QLineEdit(this), "txtTrigLevelBuff2")),
      ComboPolBuff2_(MakeList("ComboPolBuff2", this)),
      cmdTrig_Mag_(Named(new QPushButton(QStringLiteral("Update &TRIG_MAG1/2 Registers"), this),
                         "cmdTrig_Mag")),
      Option_A1_(
          Named(new QRadioButton(QStringLiteral("Trigger #1 (TRIG_MAG1)"), this), "Option_A1")),
      Option_A2_(
          Named(new QRadioButton(QStringLiteral("Trigger #2 (TRIG_MAG2)"), this), "Option_A2")),
      Option_Disabled_(
          Named(new QRadioButton(QStringLiteral("Trigger Disabled"), this), "Option_Disabled")),
      trigger_options_(new QButtonGroup(this)),
      cmdALM_CTRL_(
          Named(new QPushButton(QStringLiteral("Update &ALM_CTRL Register"), this), "cmdALM_CTRL")),
      ChkStoretoFlash_(Named(new QCheckBox(QStringLiteral("store Capture data to FLASH"), this),
                             "ChkStoretoFlash")),
      cmdMSC_CTRL_(Named(new QPushButton(QStringLiteral("Update &MSC_CTRL Register"), this),
                         "cmdMSC_CTRL")) {
  setObjectName(QStringLiteral("frmCaptConfig"));
  setWindowTitle(QStringLiteral("Talvix Capture Configuration"));
  setModal(false);

  // The option buttons' ids are the TriggerOption values.
  trigger_options_->addButton(Option_A1_, static_cast<int>(TriggerOption::kTrigger1));
  trigger_options_->addButton(Option_A2_, static_cast<int>(TriggerOption::kTrigger2));
  trigger_options_->addButton(Option_Disabled_, static_cast<int>(TriggerOption::kDisabled));

  lblSourceBuff1_->setBuddy(ComboSourceBuff1_);
  lblSourceBuff2_->setBuddy(ComboSourceBuff2_);
  lblBuffLength_->setBuddy(ComboBuffLength_);
  lblPreTrigLength_->setBuddy(ComboPreTrigLength_);
  lblTrigLevelBuff1_->setBuddy(txtTrigLevelBuff1_);
  lblPolBuff1_->setBuddy(ComboPolBuff1_);
  lblTrigLevelBuff2_->setBuddy(txtTrigLevelBuff2_);
  lblPolBuff2_->setBuddy(ComboPolBuff2_);

  // No step button is pressed by a Return meant for a box: Return in a level box runs Step 2
  // (see ConnectControls) and leaves the window open.
  for (QPushButton* button : {cmdCapt_CFG_, cmdTrig_Mag_, cmdALM_CTRL_, cmdMSC_CTRL_}) {
    button->setAutoDefault(false);
  }
  cmdCapt_CFG_->setToolTip(
      QStringLiteral("Writes CAPT_CFG (sources, buffer length, pre-trigger length), then the "
                     "comparator sources in ALM_CTRL"));
  cmdTrig_Mag_->setToolTip(
      QStringLiteral("Writes ALM_MAG1 and ALM_MAG2 (trigger level and polarity of each buffer)"));
  cmdALM_CTRL_->setToolTip(
      QStringLiteral("Keeps the trigger choice; Arm in the main window writes it into ALM_CTRL"));
  cmdMSC_CTRL_->setToolTip(QStringLiteral("Writes the store-to-flash bit (bit 11) of MISC_CTRL"));
  txtTrigLevelBuff1_->setToolTip(QStringLiteral("Level in the unit of the Buffer #1 source"));
  txtTrigLevelBuff2_->setToolTip(QStringLiteral("Level in the unit of the Buffer #2 source"));

  FillLists();  // first, so that the layout sizes the lists by their entries
  LayOutControls();
  ConnectControls();
  Form_Load();
}

void frmCaptConfig::LayOutControls() {
  QFont heading_font = lblHeading_->font();
  heading_font.setBold(true);
  heading_font.setPointSizeF(heading_font.pointSizeF() * 1.3);
  lblHeading_->setFont(heading_font);
  lblHeading_->setAlignment(Qt::AlignCenter);

  QPalette warning = lblTemperaWarn_->palette();
  warning.setColor(QPalette::WindowText, QColor(192, 0, 0));
  lblTemperaWarn_->setPalette(warning);
  // The warning comes and goes with the sources; the group keeps its height meanwhile.
  QSizePolicy keep_space = lblTemperaWarn_->sizePolicy();
  keep_space.setRetainSizeWhenHidden(true);
  lblTemperaWarn_->setSizePolicy(keep_space);

  const int level_width =
      txtTrigLevelBuff1_->fontMetrics().horizontalAdvance(QStringLiteral("-00000.0000")) + 16;
  txtTrigLevelBuff1_->setMinimumWidth(level_width);
  txtTrigLevelBuff2_->setMinimumWidth(level_width);

  // The four step buttons share one width, so that they line up down the right edge.
  int button_width = 0;
  for (QPushButton* button : {cmdCapt_CFG_, cmdTrig_Mag_, cmdALM_CTRL_, cmdMSC_CTRL_}) {
    button_width = std::max(button_width, button->sizeHint().width());
  }
  for (QPushButton* button : {cmdCapt_CFG_, cmdTrig_Mag_, cmdALM_CTRL_, cmdMSC_CTRL_}) {
    button->setMinimumWidth(button_width);
  }

  // Label and field pairs in two columns, with a gap between them; Steps 1 and 2 share the
  // column widths, so that their fields line up.
  const auto widest = [](std::initializer_list<QWidget*> widgets) {
    int width = 0;
    for (QWidget* widget : widgets) width = std::max(width, widget->sizeHint().width());
    return width;
  };
  const int left_labels =
      widest({lblSourceBuff1_, lblBuffLength_, lblTrigLevelBuff1_, lblTrigLevelBuff2_});
  const int right_labels = widest({lblSourceBuff2_, lblPreTrigLength_, lblPolBuff1_, lblPolBuff2_});
  const int fields = widest({ComboSourceBuff1_, txtTrigLevelBuff1_, ComboPolBuff1_});
  const auto two_columns = [&](QGridLayout* grid) {
    grid->setHorizontalSpacing(8);
    grid->setColumnMinimumWidth(0, left_labels);
    grid->setColumnMinimumWidth(1, fields);
    grid->setColumnMinimumWidth(2, 16);
    grid->setColumnMinimumWidth(3, right_labels);
    grid->setColumnMinimumWidth(4, fields);
    grid->setColumnStretch(5, 1);
  };

  auto* step1_grid = new QGridLayout;
  two_columns(step1_grid);
  step1_grid->addWidget(lblSourceBuff1_, 0, 0);
  step1_grid->addWidget(ComboSourceBuff1_, 0, 1);
  step1_grid->addWidget(lblSourceBuff2_, 0, 3);
  step1_grid->addWidget(ComboSourceBuff2_, 0, 4);
  step1_grid->addWidget(lblBuffLength_, 1, 0);
  step1_grid->addWidget(ComboBuffLength_, 1, 1);
  step1_grid->addWidget(lblPreTrigLength_, 1, 3);
  step1_grid->addWidget(ComboPreTrigLength_, 1, 4);
  auto* step1 = new QVBoxLayout;
  step1->addLayout(step1_grid);
  step1->addWidget(lblTemperaWarn_);

  auto* step2 = new QGridLayout;
  two_columns(step2);
  step2->addWidget(lblTrigLevelBuff1_, 0, 0);
  step2->addWidget(txtTrigLevelBuff1_, 0, 1);
  step2->addWidget(lblPolBuff1_, 0, 3);
  step2->addWidget(ComboPolBuff1_, 0, 4);
  step2->addWidget(lblTrigLevelBuff2_, 1, 0);
  step2->addWidget(txtTrigLevelBuff2_, 1, 1);
  step2->addWidget(lblPolBuff2_, 1, 3);
  step2->addWidget(ComboPolBuff2_, 1, 4);

  auto* step3 = new QVBoxLayout;
  step3->addWidget(Option_A1_);
  step3->addWidget(Option_A2_);
  step3->addWidget(Option_Disabled_);

  auto* step4 = new QVBoxLayout;
  step4->addWidget(ChkStoretoFlash_);

  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(6);
  layout->addWidget(lblHeading_);
  layout->addSpacing(6);
  const std::array<QLabel*, 4> headings = {lblStep1_, lblStep2_, lblStep3_, lblStep4_};
  const std::array<QLayout*, 4> step_fields = {step1, step2, step3, step4};
  const std::array<QPushButton*, 4> buttons = {cmdCapt_CFG_, cmdTrig_Mag_, cmdALM_CTRL_,
                                               cmdMSC_CTRL_};
  for (std::size_t step = 0; step < headings.size(); ++step) {
    if (step > 0) layout->addSpacing(6);
    layout->addWidget(headings[step]);
    layout->addWidget(MakeStepGroup(step_fields[step], buttons[step], this));
  }
  layout->setSizeConstraint(QLayout::SetMinimumSize);
}

void frmCaptConfig::ConnectControls() {
  connect(cmdCapt_CFG_, &QPushButton::clicked, this, &frmCaptConfig::cmdCapt_CFG_Click);
  connect(cmdTrig_Mag_, &QPushButton::clicked, this, &frmCaptConfig::cmdTrig_Mag_Click);
  connect(cmdALM_CTRL_, &QPushButton::clicked, this, &frmCaptConfig::cmdALM_CTRL_Click);
  connect(cmdMSC_CTRL_, &QPushButton::clicked, this, &frmCaptConfig::cmdMSC_CTRL_Click);
  // Enter in a level box does what Step 2's button does.
  connect(txtTrigLevelBuff1_, &QLineEdit::returnPressed, cmdTrig_Mag_, &QPushButton::click);
  connect(txtTrigLevelBuff2_, &QLineEdit::returnPressed, cmdTrig_Mag_, &QPushButton::click);
  connect(ComboSourceBuff1_, &QComboBox::currentIndexChanged, this,
          &frmCaptConfig::ComboSourceBuff1_Click);
  connect(ComboSourceBuff2_, &QComboBox::currentIndexChanged, this,
          &frmCaptConfig::ComboSourceBuff2_Click);
}

void frmCaptConfig::FillLists() {
  const QStringList sources = SourceListTexts();
  for (QComboBox* list : {ComboSourceBuff1_, ComboSourceBuff2_}) {
    list->clear();
    for (int source = 0; source < sources.size(); ++source) list->addItem(sources[source], source);
  }
  ComboBuffLength_->clear();
  ComboBuffLength_->addItems(LengthListTexts());
  ComboPreTrigLength_->clear();
  ComboPreTrigLength_->addItems(PreTriggerListTexts());
  for (QComboBox* list : {ComboPolBuff1_, ComboPolBuff2_}) {
    list->clear();
    list->addItems(PolarityListTexts());
  }
  lblTemperaWarn_->hide();
}

void frmCaptConfig::Form_Load() {
  FillLists();
  CaptConfigWords words;
  if (session_.link.InterfaceType == link::kInterfaceNone) {
    words.answered = false;  // nothing to read from: the defaults, without a message
  } else {
    words = ReadCaptConfigWords(session_.link);
  }
  const CaptConfigView view =
      DecideCaptConfigLoad(session_.table, words, session_.capture.CaptTrigSelect);
  if (view.no_communication && session_.link.InterfaceType != link::kInterfaceNone) {
    // A card or port that failed on the way has said so itself: one message per failure.
    const QString message = UnlessReported(session_.link, NoCommunicationMessage());
    if (!message.isEmpty()) session_.notifier().Message(message, common::MessageTitle());
  }

  SelectSource(ComboSourceBuff1_, view.source[0]);
  SelectSource(ComboSourceBuff2_, view.source[1]);
  ComboBuffLength_->setCurrentIndex(view.length_position);
  ComboPreTrigLength_->setCurrentIndex(view.pre_trigger_position);
  ComboPolBuff1_->setCurrentIndex(view.polarity[0]);
  ComboPolBuff2_->setCurrentIndex(view.polarity[1]);
  filled_levels_ = view.level;
  txtTrigLevelBuff1_->setText(view.level[0].text);
  txtTrigLevelBuff2_->setText(view.level[1].text);
  ChkStoretoFlash_->setChecked(view.store_to_flash);
  SelectTriggerOption(view.trigger);
  lblTemperaWarn_->setVisible(view.temperature_warning);
}

void frmCaptConfig::SelectSource(QComboBox* list, int source) {
  int position = list->findData(source);
  if (position < 0) {
    list->addItem(UnknownSourceText(source), source);
    position = list->count() - 1;
  }
  list->setCurrentIndex(position);
}

int frmCaptConfig::SourceOf(const QComboBox* list) {
  return list->currentIndex() < 0 ? 0 : list->currentData().toInt();
}

void frmCaptConfig::SelectTriggerOption(TriggerOption option) {
  if (option == TriggerOption::kNone) {
    // An exclusive group keeps one button checked; clearing them all needs it open for a moment.
    trigger_options_->setExclusive(false);
    for (QAbstractButton* button : trigger_options_->buttons()) button->setChecked(false);
    trigger_options_->setExclusive(true);
    return;
  }
  trigger_options_->button(static_cast<int>(option))->setChecked(true);
}

void frmCaptConfig::UpdateTemperatureWarning() {
  lblTemperaWarn_->setVisible(
      TemperatureWarning(SourceOf(ComboSourceBuff1_), SourceOf(ComboSourceBuff2_)));
}

void frmCaptConfig::ComboSourceBuff1_Click() {
  UpdateTemperatureWarning();
}

void frmCaptConfig::ComboSourceBuff2_Click() {
  UpdateTemperatureWarning();
}

bool frmCaptConfig::MayConfigure() {
  if (session_.link.InterfaceType == link::kInterfaceNone) return false;
  if (session_.capture.Armed) {
    session_.notifier().Message(ConfigWhileArmedMessage(), common::MessageTitle());
    return false;
  }
  return true;
}

void frmCaptConfig::ReportStepFailed(const QString& registers) {
  // A card or port that failed on the way has said so itself.
  if (session_.link.LastStatus == link::LinkStatus::kLinkFailed) return;
  session_.notifier().Message(
      QStringLiteral("The device did not answer while %1 was being updated: the register may "
                     "not have been written.\r\n%2")
          .arg(registers, common::CheckConnectionsAdvice()),
      common::MessageTitle());
}

void frmCaptConfig::cmdCapt_CFG_Click() {
  if (!MayConfigure()) return;
  // Pre-trigger "1" is never written: the list shows the "2" that goes to the device.
  const int pre_trigger = PreTriggerPositionForStep1(ComboPreTrigLength_->currentIndex());
  ComboPreTrigLength_->setCurrentIndex(pre_trigger);
  const int source0 = SourceOf(ComboSourceBuff1_);
  const int source1 = SourceOf(ComboSourceBuff2_);
  const uint16_t word =
      CaptCfgForStep1(source0, source1, ComboBuffLength_->currentIndex(), pre_trigger);
  if (!WriteStep1(session_.link, *session_.delay, word, source0, source1)) {
    ReportStepFailed(QStringLiteral("CAPT_CFG or ALM_CTRL"));
  }
}

void frmCaptConfig::cmdTrig_Mag_Click() {
  if (!MayConfigure()) return;
  const uint16_t alm_mag1 =
      MagnitudeWordForStep2(session_.table, SourceOf(ComboSourceBuff1_), txtTrigLevelBuff1_->text(),
                            ComboPolBuff1_->currentIndex(), filled_levels_[0], QLocale());
  const uint16_t alm_mag2 =
      MagnitudeWordForStep2(session_.table, SourceOf(ComboSourceBuff2_), txtTrigLevelBuff2_->text(),
                            ComboPolBuff2_->currentIndex(), filled_levels_[1], QLocale());
  if (!WriteStep2(session_.link, *session_.delay, alm_mag1, alm_mag2)) {
    ReportStepFailed(QStringLiteral("ALM_MAG1 or ALM_MAG2"));
  }
}

void frmCaptConfig::cmdALM_CTRL_Click() {
  if (!MayConfigure()) return;
  const auto option = static_cast<TriggerOption>(trigger_options_->checkedId());
  if (const std::optional<int16_t> select = CaptTrigSelectFor(option)) {
    session_.capture.SelectTrigger(*select);
  }
}

void frmCaptConfig::cmdMSC_CTRL_Click() {
  if (!MayConfigure()) return;
  if (!WriteStep4(session_.link, ChkStoretoFlash_->isChecked())) {
    ReportStepFailed(QStringLiteral("MISC_CTRL"));
  }
}

}  // namespace talvix::capture
