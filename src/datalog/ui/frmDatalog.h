// SPDX-License-Identifier: MIT
// "Datalog Control": records the chosen output values sample after sample into one or more text
// files in the data folder. The main window opens it modally; the run is a cooperative loop, so
// the Cancel click, a close of the window and the exit path all end it with the current file's
// block ended (its rows are on the disk as the run goes, see datalog_run.h).
#pragma once

#include "datalog/datalog_format.h"
#include "datalog/datalog_run.h"
#include "session/session.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace talvix::datalog {

class frmDatalog : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls and runs Form_Load.
  explicit frmDatalog(Session& session, QWidget* parent = nullptr);
  // A run under way gets its current file's block ended.
  ~frmDatalog() override;

  // The defaults: 1000 samples per file, no delay, one file, "DATALOG" in the data folder.
  void Form_Load();

  // Starts a run (and returns when it has ended), or, during a run, cancels it.
  void cmdStartDatalog_Click();
  // Corrections of the three numbers (not a number: the default; out of range: the limit), run
  // when editing of the box is finished and before a run starts.
  void txtSamplesPerFile_Change();
  void txtSampleDelay_Change();
  void txtFilesPerSession_Change();
  void txtDirectory_Change();
  void txtFileName_Change();

  // A run is on the stack.
  bool RunActive() const { return active_run_ != nullptr; }

 public slots:
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void LayOutControls();
  void ConnectControls();
  void RunDatalog();
  // Locks the settings and shows the progress line for a run, or unlocks them after it.
  void ShowRunning(bool running);
  void ShowProgress(const RunProgress& progress);
  // The path the next file goes to, shown while idle.
  void ShowNextPath();
  // Asks the run to stop after the sample under way (the loop no longer runs) and shows "Start
  // Datalog" at once.
  void RequestCancel();
  bool AnyBoxChecked() const;
  // The exit path stops every loop: the current file gets its rows, and the window is idle again.
  void OnAbort();

  Session& session_;
  CooperativeLoop loop_;
  // The run on the stack of RunDatalog, while one is.
  DatalogRun* active_run_ = nullptr;
  int files_in_run_ = 0;
  int samples_in_run_ = 0;

  QGroupBox* FrameFileInfo_;
  QLabel* lblFileName_;
  QLineEdit* txtFileName_;
  QLabel* lblDirectory_;
  QLineEdit* txtDirectory_;
  QLabel* lblFileNum_;
  QLineEdit* txtFileNum_;
  QGroupBox* FrameFilePref_;
  QLabel* lblSamplesPerFile_;
  QLineEdit* txtSamplesPerFile_;
  QLabel* lblSampleDelay_;
  QLineEdit* txtSampleDelay_;
  QLabel* lblFilesPerSession_;
  QLineEdit* txtFilesPerSession_;
  QGroupBox* FrameDataSelection_;
  std::array<QCheckBox*, kColumnCount> CheckReg_;
  QLabel* lblFilePath_;
  QLabel* lblProgress_;
  QLabel* LBLDatalogInProgress_;
  QPushButton* cmdStartDatalog_;
};

}  // namespace talvix::datalog
