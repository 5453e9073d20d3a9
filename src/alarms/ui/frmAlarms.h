// SPDX-License-Identifier: MIT
// "ALARM CONFIGURATION AND CONTROL": the two alarms' sources, levels and directions, the digital
// alarm indicator of ALM_CTRL bits 0-2, and the store-to-flash command. The main window opens it
// modally from its Alarms menu entry; it reads the device when it is made and after every alarm
// write.
#pragma once

#include "alarms/alarm_config.h"
#include "session/session.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace talvix::alarms {

class frmAlarms : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls, places the window beside the main window and runs Form_Load.
  explicit frmAlarms(Session& session, QWidget* parent = nullptr);

  // Fills both source lists, hides the temperature warnings and reads the alarm setup. A device
  // that does not answer gets one message; nothing is shown from it and the Update and flash
  // buttons stay disabled until a read of the setup succeeds.
  void Form_Load();

  // A new source: the stored level is shown as it reads under that source; nothing is written.
  void cmboAsource1_Click();
  void cmboAsource2_Click();
  // Either alarm's Update writes both alarms (sources, levels, directions), then reads them back.
  void cmdWriteA1_Click();
  void cmdWriteA2_Click();
  void cmdAdio_Click();
  void cmdFlash_Click();
  void cmdClose_Click();

 private:
  // The controls of one alarm group, built alike.
  struct AlarmGroup {
    QComboBox* source;
    QLineEdit* level;
    QLabel* magnitude;
    QRadioButton* less;
    QRadioButton* greater;
    QButtonGroup* polarity;
    QLabel* warning;
    QPushButton* update;
  };

  AlarmGroup MakeAlarmGroup(int alarm);
  void LayOutControls();
  void ConnectControls();
  void FillLists();
  // Reads the alarm setup and shows it; when the device does not answer, nothing changes and
  // `failure` is said (unless the card or port has reported its own failure).
  bool ReadAndShowSetup(const QString& failure);
  void ShowSetup(const AlarmView& view);
  void SourceChanged(int alarm);
  void WriteAlarms();
  void SetWritable(bool writable);
  void Say(const QString& message);
  void UpdateWarning(int alarm);

  Session& session_;
  std::array<AlarmGroup, 2> alarms_;
  // What each level box was last filled with, so that an untouched box writes back its code.
  std::array<FilledLevel, 2> filled_levels_;
  // The alarm setup has been read at least once: until then nothing may be written.
  bool setup_read_ = false;

  QRadioButton* opDig_Enabled_;
  QRadioButton* opDig_Disabled_;
  QRadioButton* opDigLine_zero_;
  QRadioButton* opDigLine_one_;
  QRadioButton* opDigPol_high_;
  QRadioButton* opDigPol_low_;
  QPushButton* cmdAdio_;
  QPushButton* cmdFlash_;
  QPushButton* cmdClose_;
};

}  // namespace talvix::alarms
