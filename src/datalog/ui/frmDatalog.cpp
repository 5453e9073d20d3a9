// SPDX-License-Identifier: MIT
#include "datalog/ui/frmDatalog.h"

#include "common/message_titles.h"
#include "common/number_text.h"
#include "common/ui/named_widgets.h"
#include "common/ui/window_placement.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace talvix::datalog {

namespace {

using common::MakeLabel;
using common::Named;

const QString kStartCaption = QStringLiteral("&Start Datalog");
const QString kCancelCaption = QStringLiteral("&Cancel Datalog");

QGroupBox* MakeFrame(const QString& caption, const char* name, QWidget* parent) {
  return Named(new QGroupBox(caption, parent), name);
}

}  // namespace

frmDatalog::frmDatalog(Session& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      loop_(session.loops, session.events(), [this] { OnAbort(); }),
      FrameFileInfo_(MakeFrame(QStringLiteral("FILE INFORMATION"), "FrameFileInfo", this)),
      lblFileName_(MakeLabel(QStringLiteral("File Name"), "lblFileName", this)),
      txtFileName_(Named(new QLineEdit(this), "txtFileName")),
      lblDirectory_(MakeLabel(QStringLiteral("Directory"), "lblDirectory", this)),
      txtDirectory_(Named(new QLineEdit(this), "txtDirectory")),
      lblFileNum_(MakeLabel(QStringLiteral("File Number"), "lblFileNum", this)),
      txtFileNum_(Named(new QLineEdit(this), "txtFileNum")),
      FrameFilePref_(MakeFrame(QStringLiteral("FILE SETUP"), "FrameFilePref", this)),
      lblSamplesPerFile_(MakeLabel(QStringLiteral("Samples per File"), "lblSamplesPerFile", this)),
      txtSamplesPerFile_(Named(new QLineEdit(this), "txtSamplesPerFile")),
      lblSampleDelay_(MakeLabel(QStringLiteral("Sample Delay msec"), "lblSampleDelay", this)),
      txtSampleDelay_(Named(new QLineEdit(this), "txtSampleDelay")),
      lblFilesPerSession_(
          MakeLabel(QStringLiteral("Files per Session"), "lblFilesPerSession", this)),
      txtFilesPerSession_(Named(new QLineEdit(this), "txtFilesPerSession")),
      FrameDataSelection_(MakeFrame(QStringLiteral("DATA SELECTION"), "FrameDataSelection", this)),
      CheckReg_{},
      lblFilePath_(MakeLabel(QString(), "lblFilePath", this)),
      lblProgress_(MakeLabel(QString(), "lblProgress", this)),
      LBLDatalogInProgress_(MakeLabel(QStringLiteral("D A T A L O G    I N    P R O G R E S S"),
                                      "LBLDatalogInProgress", this)),
      cmdStartDatalog_(Named(new QPushButton(kStartCaption, this), "cmdStartDatalog")) {
  setObjectName(QStringLiteral("frmDatalog"));
  setWindowTitle(QStringLiteral("Datalog Control"));
  setModal(true);
  for (int column = 0; column < kColumnCount; ++column) {
    CheckReg_[column] = Named(new QCheckBox(QString::fromLatin1(kColumns[column].caption), this),
                              QStringLiteral("CheckReg%1").arg(column));
  }
  lblFileName_->setBuddy(txtFileName_);
  lblDirectory_->setBuddy(txtDirectory_);
  lblFileNum_->setBuddy(txtFileNum_);
  lblSamplesPerFile_->setBuddy(txtSamplesPerFile_);
  lblSampleDelay_->setBuddy(txtSampleDelay_);
  lblFilesPerSession_->setBuddy(txtFilesPerSession_);
  // Return in a box must not start a run.
  cmdStartDatalog_->setAutoDefault(false);
  txtDirectory_->setReadOnly(true);
  txtDirectory_->setToolTip(QStringLiteral("Datalog files are always written to this folder"));
  txtFileName_->setToolTip(
      QStringLiteral("Each file is named <name>_<file number>, in the folder below"));
  txtSampleDelay_->setToolTip(QStringLiteral("Pause after each sample, 0 to 32000 ms"));
  txtSamplesPerFile_->setToolTip(QStringLiteral("Rows in each file, 1 to 65526"));
  txtFilesPerSession_->setToolTip(QStringLiteral("Files in one run, 1 to 2000"));
  lblFilePath_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  LayOutControls();
  ConnectControls();
  Form_Load();
  common::PlaceBesideMainWindow(this, parent);
}

frmDatalog::~frmDatalog() {
  // Destroyed during a yield of its own run: the run returns without touching this window, so
  // the file under way is written here.
  if (active_run_ != nullptr) active_run_->FinishCurrentFile();
  active_run_ = nullptr;
}

void frmDatalog::LayOutControls() {
  QFont bold = LBLDatalogInProgress_->font();
  bold.setBold(true);
  LBLDatalogInProgress_->setFont(bold);
  QPalette alert = LBLDatalogInProgress_->palette();
  alert.setColor(QPalette::WindowText, QColor(192, 0, 0));
  LBLDatalogInProgress_->setPalette(alert);
  LBLDatalogInProgress_->setAlignment(Qt::AlignCenter);
  // The window keeps its size while the label comes and goes.
  QSizePolicy keep_space = LBLDatalogInProgress_->sizePolicy();
  keep_space.setRetainSizeWhenHidden(true);
  LBLDatalogInProgress_->setSizePolicy(keep_space);

  const int number_width =
      txtSamplesPerFile_->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16;
  for (QLineEdit* box : {txtSamplesPerFile_, txtSampleDelay_, txtFilesPerSession_, txtFileNum_}) {
    box->setFixedWidth(number_width);
    box->setAlignment(Qt::AlignRight);
  }
  txtFileName_->setMinimumWidth(number_width * 3);
  txtDirectory_->setMinimumWidth(number_width * 5);

  auto* info = new QGridLayout(FrameFileInfo_);
  info->addWidget(lblFileName_, 0, 0);
  info->addWidget(txtFileName_, 0, 1);
  info->addWidget(lblDirectory_, 1, 0);
  info->addWidget(txtDirectory_, 1, 1);
  info->addWidget(lblFileNum_, 2, 0);
  info->addWidget(txtFileNum_, 2, 1, Qt::AlignLeft);
  info->setColumnStretch(1, 1);

  auto* setup = new QGridLayout(FrameFilePref_);
  setup->addWidget(lblSamplesPerFile_, 0, 0);
  setup->addWidget(txtSamplesPerFile_, 0, 1);
  setup->addWidget(lblSampleDelay_, 1, 0);
  setup->addWidget(txtSampleDelay_, 1, 1);
  setup->addWidget(lblFilesPerSession_, 2, 0);
  setup->addWidget(txtFilesPerSession_, 2, 1);

  // Two columns of four, in column order down each.
  auto* selection = new QGridLayout(FrameDataSelection_);
  for (int column = 0; column < kColumnCount; ++column) {
    selection->addWidget(CheckReg_[column], column % 4, column / 4);
  }
  selection->setHorizontalSpacing(24);

  auto* top = new QHBoxLayout;
  top->addWidget(FrameFileInfo_, 1);
  top->addWidget(FrameFilePref_);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(LBLDatalogInProgress_, 1);
  bottom->addWidget(cmdStartDatalog_);
  cmdStartDatalog_->setMinimumWidth(
      cmdStartDatalog_->fontMetrics().horizontalAdvance(kCancelCaption) + 40);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(FrameDataSelection_);
  layout->addWidget(lblFilePath_);
  layout->addWidget(lblProgress_);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetMinimumSize);
}

void frmDatalog::ConnectControls() {
  connect(cmdStartDatalog_, &QPushButton::clicked, this, &frmDatalog::cmdStartDatalog_Click);
  // The numbers are corrected once the user has finished typing (Enter, or the focus leaving the
  // box), never half-way: a box cleared to type 100 must not become 1000 at once.
  connect(txtSamplesPerFile_, &QLineEdit::editingFinished, this,
          &frmDatalog::txtSamplesPerFile_Change);
  connect(txtSampleDelay_, &QLineEdit::editingFinished, this, &frmDatalog::txtSampleDelay_Change);
  connect(txtFilesPerSession_, &QLineEdit::editingFinished, this,
          &frmDatalog::txtFilesPerSession_Change);
  connect(txtDirectory_, &QLineEdit::textChanged, this, &frmDatalog::txtDirectory_Change);
  connect(txtFileName_, &QLineEdit::textChanged, this, &frmDatalog::txtFileName_Change);
}

void frmDatalog::Form_Load() {
  txtSamplesPerFile_->setText(QStringLiteral("1000"));
  txtSampleDelay_->setText(QStringLiteral("0"));
  txtFilesPerSession_->setText(QStringLiteral("1"));
  txtDirectory_->setText(QDir::toNativeSeparators(session_.DataFolder()));
  txtFileName_->setText(QStringLiteral("DATALOG"));
  txtFileNum_->setText(QStringLiteral("1"));
  txtFileNum_->setEnabled(false);
  LBLDatalogInProgress_->hide();
  lblProgress_->setText(QStringLiteral("Idle"));
  ShowNextPath();
}

void frmDatalog::txtSamplesPerFile_Change() {
  const QString corrected = CorrectedSamplesPerFile(txtSamplesPerFile_->text(), locale());
  if (corrected != txtSamplesPerFile_->text()) txtSamplesPerFile_->setText(corrected);
}

void frmDatalog::txtSampleDelay_Change() {
  const QString corrected = CorrectedSampleDelay(txtSampleDelay_->text(), locale());
  if (corrected != txtSampleDelay_->text()) txtSampleDelay_->setText(corrected);
}

void frmDatalog::txtFilesPerSession_Change() {
  const QString corrected = CorrectedFilesPerSession(txtFilesPerSession_->text(), locale());
  if (corrected != txtFilesPerSession_->text()) txtFilesPerSession_->setText(corrected);
}

void frmDatalog::txtDirectory_Change() {
  const QString folder = QDir::toNativeSeparators(session_.DataFolder());
  if (txtDirectory_->text() != folder) txtDirectory_->setText(folder);
}

void frmDatalog::txtFileName_Change() {
  if (!RunActive()) ShowNextPath();
}

void frmDatalog::ShowNextPath() {
  const QString name = txtFileName_->text();
  if (!FileNameProblem(name).isEmpty()) {
    lblFilePath_->setText(QStringLiteral("File: (type a file name)"));
    return;
  }
  const QString file = DatalogFileName(name, 1, DatalogFormatFor(locale()));
  lblFilePath_->setText(QStringLiteral("File: %1")
                            .arg(QDir::toNativeSeparators(session_.DataFolder() + u'/' + file)));
}

bool frmDatalog::AnyBoxChecked() const {
  for (const QCheckBox* box : CheckReg_) {
    if (box->checkState() == Qt::Checked) return true;
  }
  return false;
}

void frmDatalog::cmdStartDatalog_Click() {
  if (!AnyBoxChecked()) {
    session_.notifier().Message(QStringLiteral("Please check at least one DATA SELECTION box."),
                                QString());
    return;
  }
  if (loop_.Running()) {
    RequestCancel();
    return;
  }
  // A cancelled run that has not yet seen its cancel is still on the stack.
  if (RunActive()) return;
  if (session_.link.InterfaceType == link::kInterfaceNone) {
    session_.notifier().Message(
        QStringLiteral("No interface is selected, so there is nothing to record.\r\nChoose the "
                       "parallel port or the USB card in the Interface menu first."),
        common::MessageTitle());
    return;
  }
  const QString problem = FileNameProblem(txtFileName_->text());
  if (!problem.isEmpty()) {
    session_.notifier().Message(
        problem + QStringLiteral("\r\nType a name such as DATALOG; the files are written to %1.")
                      .arg(QDir::toNativeSeparators(session_.DataFolder())),
        common::MessageTitle());
    return;
  }
  // The run takes the numbers the boxes show, corrected first.
  txtSamplesPerFile_Change();
  txtSampleDelay_Change();
  txtFilesPerSession_Change();
  cmdStartDatalog_->setText(kCancelCaption);
  RunDatalog();
}

void frmDatalog::RequestCancel() {
  loop_.SetRunning(false);
  cmdStartDatalog_->setText(kStartCaption);
}

void frmDatalog::RunDatalog() {
  RunSettings settings;
  settings.folder = session_.DataFolder();
  settings.base_name = txtFileName_->text();
  settings.samples_per_file = SamplesPerFile(txtSamplesPerFile_->text(), locale());
  settings.files = FilesPerSession(txtFilesPerSession_->text(), locale());
  settings.delay_ms = SampleDelayMs(txtSampleDelay_->text(), locale());
  for (int column = 0; column < kColumnCount; ++column) {
    settings.selection[column] = CheckReg_[column]->checkState() == Qt::Checked;
  }
  files_in_run_ = settings.files;
  samples_in_run_ = settings.samples_per_file;

  DatalogRun run(session_, settings, locale());
  active_run_ = &run;
  ShowRunning(true);
  CooperativeLoop::Run passes = loop_.Start();
  loop_.SetRunning(true);
  const RunEnd end =
      run.Run(passes, [this](const RunProgress& progress) { ShowProgress(progress); });
  // Aborted: the exit path has written the file and set the window idle, or the window is gone.
  if (end == RunEnd::kAborted) return;
  active_run_ = nullptr;
  loop_.SetRunning(false);
  ShowRunning(false);
  const QString done = end == RunEnd::kCompleted   ? QStringLiteral("Finished")
                       : end == RunEnd::kCancelled ? QStringLiteral("Cancelled")
                                                   : QStringLiteral("Stopped");
  lblProgress_->setText(QStringLiteral("%1: %2 file(s) written; %3")
                            .arg(done)
                            .arg(run.written().size())
                            .arg(run.account().Summary()));
  if (!run.message().isEmpty()) {
    session_.notifier().Message(run.message() + QStringLiteral("\r\n") + run.account().Summary(),
                                common::MessageTitle());
  }
}

void frmDatalog::OnAbort() {
  if (active_run_ == nullptr) return;
  active_run_->FinishCurrentFile();
  active_run_ = nullptr;
  ShowRunning(false);
}

void frmDatalog::ShowRunning(bool running) {
  LBLDatalogInProgress_->setVisible(running);
  for (QCheckBox* box : CheckReg_) box->setEnabled(!running);
  for (QLineEdit* box :
       {txtSamplesPerFile_, txtSampleDelay_, txtFilesPerSession_, txtDirectory_, txtFileName_}) {
    box->setEnabled(!running);
  }
  cmdStartDatalog_->setText(running ? kCancelCaption : kStartCaption);
}

void frmDatalog::ShowProgress(const RunProgress& progress) {
  txtFileNum_->setText(QString::number(progress.file));
  lblFilePath_->setText(QStringLiteral("File: %1").arg(QDir::toNativeSeparators(progress.path)));
  lblProgress_->setText(QStringLiteral("Sample %1 of %2    File %3 of %4    %5 samples/s")
                            .arg(progress.sample)
                            .arg(samples_in_run_)
                            .arg(progress.file)
                            .arg(files_in_run_)
                            .arg(common::FormatPattern(progress.rate, u"0.0", locale())));
}

void frmDatalog::reject() {
  if (RunActive()) RequestCancel();
  QDialog::reject();
}

void frmDatalog::closeEvent(QCloseEvent* event) {
  if (RunActive()) RequestCancel();
  QDialog::closeEvent(event);
}

}  // namespace talvix::datalog
