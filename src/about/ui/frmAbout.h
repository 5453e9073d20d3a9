// SPDX-License-Identifier: MIT
// "About Talvix_Eval_Rev_3": the program's version and the connected sensor's identification
// (product ID, revision, date), read from its product registers each time the window is made. The
// main window opens it modally from its "About" menu item; OK closes it. The revision it reads
// stays in DeviceRevision for the manual register window.
#pragma once

#include "session/session.h"

#include <QDialog>
#include <QIcon>

class QFrame;
class QLabel;
class QPushButton;

namespace talvix::about {

// The program's own icon (the About window shows it; the program gives it to every window).
QIcon ProgramIcon();

class frmAbout : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls, runs Form_Load and places the window beside the main window.
  explicit frmAbout(Session& session, QWidget* parent = nullptr);

  // Reads the product registers and shows what they hold; a sensor that gave no identification
  // (no interface, a read that did not reach it, all three words all ones) is said to have not
  // answered, no numbers are shown and DeviceRevision keeps its value.
  void Form_Load();

  void cmdOK_Click();

 private:
  void LayOutControls();
  void ConnectControls();

  Session& session_;

  QLabel* picIcon_;
  QLabel* lblTitle_;
  QLabel* Label0_;
  QLabel* lblProgramRev_;
  QLabel* Label3_;
  QLabel* lblProductID_;
  QLabel* Label1_;
  QLabel* lblDutRev_;
  QLabel* Label2_;
  QLabel* lblProductDate_;
  // Says why the three product labels are empty; hidden when the sensor answered.
  QLabel* lblNoAnswer_;
  QFrame* Line1_;
  QLabel* lblDisclaimer_;
  QPushButton* cmdOK_;
};

}  // namespace talvix::about
