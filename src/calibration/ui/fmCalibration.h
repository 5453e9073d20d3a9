// SPDX-License-Identifier: MIT
// "Calibration": the X and Y offset (null) and scale registers in g, each with its own Update
// button and its code in hexadecimal, and the device's three calibration commands (Auto Null,
// Restore Factory Calibration, FLASH Memory Update). The main window opens it modally once an
// interface is ready; it places itself beside the main window and reads the four registers when
// it is made. Enter in a row's box updates that row.
#pragma once

#include "calibration/calibration_values.h"
#include "common/filled_code.h"
#include "session/session.h"

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace talvix::calibration {

class fmCalibration : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls and runs Form_Load.
  explicit fmCalibration(Session& session, QWidget* parent = nullptr);

  void Form_Load();
  // Fills the four rows from the device. A row whose read does not reach the sensor keeps what it
  // showed; one message says so for the whole refresh.
  void ReadCalRegisters();

  void cmdFactoryCal_Click();
  void cmdAutoNull_Click();
  void cmdFlashUpdate_Click();
  void cmdCal_Xoffset_Click();
  void cmdCal_Yoffset_Click();
  void cmdCal_Xscale_Click();
  void cmdCal_Yscale_Click();
  void cmdClose_Click();

 private:
  void LayOutControls();
  void ConnectControls();
  // Writes the row's box to its register and reads it back into the row's label.
  void UpdateRow(CalRow row);
  void RunCommand(CalCommand command);
  void Say(const QString& text);

  Session& session_;
  // What the last read or write put in each box, so that an untouched box writes its own code.
  std::array<common::FilledCode, 4> filled_;

  QLabel* lblAutomatic_;
  QLabel* lblFactoryCal_;
  QLabel* lblAutoNull_;
  QLabel* lblFlashUpdate_;
  QPushButton* cmdFactoryCal_;
  QPushButton* cmdAutoNull_;
  QPushButton* cmdFlashUpdate_;
  QLabel* lblManual_;
  QLabel* lblRegContents_;
  // By row (CalRow order): caption, box, unit, Update button, register contents.
  std::array<QLabel*, 4> row_captions_;
  std::array<QLineEdit*, 4> boxes_;
  std::array<QLabel*, 4> units_;
  std::array<QPushButton*, 4> update_buttons_;
  std::array<QLabel*, 4> contents_;
  QPushButton* cmdClose_;
};

}  // namespace talvix::calibration
