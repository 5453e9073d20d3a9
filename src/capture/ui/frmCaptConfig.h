// SPDX-License-Identifier: MIT
// "Talvix Capture Configuration": the capture set-up in four steps, each with its own button.
// Step 1 writes CAPT_CFG (and the comparator sources of ALM_CTRL), Step 2 ALM_MAG1/ALM_MAG2,
// Step 3 keeps the trigger choice in CaptTrigSelect for the main window's next Arm, Step 4 the
// store-to-flash bit of MISC_CTRL. The main window opens it modelessly (never while a capture is
// armed) and places it beside itself; the window reads the device when it is made.
#pragma once

#include "capture/capture_config.h"
#include "session/session.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace talvix::capture {

class frmCaptConfig : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls and runs Form_Load.
  explicit frmCaptConfig(Session& session, QWidget* parent = nullptr);

  // Fills the lists and shows what the device holds: ALM_CTRL, CAPT_CFG, ALM_MAG1, ALM_MAG2 and
  // MISC_CTRL are read, and CaptTrigSelect picks the trigger option. A device that does not answer
  // gets the no-communication message once and the lists open at "Disabled", "8", "1".
  void Form_Load();

  void cmdCapt_CFG_Click();
  void cmdTrig_Mag_Click();
  void cmdALM_CTRL_Click();
  void cmdMSC_CTRL_Click();
  // A new source in either list: the temperature warning follows; the level boxes stay as they
  // are (Step 2 converts a box whose source changed from its text).
  void ComboSourceBuff1_Click();
  void ComboSourceBuff2_Click();

 private:
  void LayOutControls();
  void ConnectControls();
  void FillLists();
  // Selects `source` in a source list; a code the list has no text for (10..15) gets its own
  // entry, which stays in the list until the next load.
  static void SelectSource(QComboBox* list, int source);
  // The source index of the list's entry (an unknown entry keeps its code); 0 without selection.
  static int SourceOf(const QComboBox* list);
  void SelectTriggerOption(TriggerOption option);
  void UpdateTemperatureWarning();
  // The steps act only with an interface and while no capture is armed; the message says why
  // not while armed.
  bool MayConfigure();
  // One message for a step whose device operations did not all reach the sensor.
  void ReportStepFailed(const QString& registers);

  Session& session_;
  // What the load put in each level box, so that an untouched box writes back its own code.
  std::array<FilledLevel, 2> filled_levels_;

  QLabel* lblHeading_;
  QLabel* lblStep1_;
  QLabel* lblStep2_;
  QLabel* lblStep3_;
  QLabel* lblStep4_;
  QLabel* lblSourceBuff1_;
  QLabel* lblSourceBuff2_;
  QLabel* lblBuffLength_;
  QLabel* lblPreTrigLength_;
  QLabel* lblTrigLevelBuff1_;
  QLabel* lblPolBuff1_;
  QLabel* lblTrigLevelBuff2_;
  QLabel* lblPolBuff2_;
  QComboBox* ComboSourceBuff1_;
  QComboBox* ComboSourceBuff2_;
  QComboBox* ComboBuffLength_;
  QComboBox* ComboPreTrigLength_;
  QLabel* lblTemperaWarn_;
  QPushButton* cmdCapt_CFG_;
  QLineEdit* txtTrigLevelBuff1_;
  QComboBox* ComboPolBuff1_;
  QLineEdit* txtTrigLevelBuff2_;
  QComboBox* ComboPolBuff2_;
  QPushButton* cmdTrig_Mag_;
  QRadioButton* Option_A1_;
  QRadioButton* Option_A2_;
  QRadioButton* Option_Disabled_;
  QButtonGroup* trigger_options_;
  QPushButton* cmdALM_CTRL_;
  QCheckBox* ChkStoretoFlash_;
  QPushButton* cmdMSC_CTRL_;
};

}  // namespace talvix::capture
