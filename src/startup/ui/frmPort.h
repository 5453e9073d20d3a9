// SPDX-License-Identifier: MIT
// "Parallel Port Setup": the user enters the parallel port's base address in hexadecimal. OK
// makes the parallel port the interface and obtains access to the port.
#pragma once

#include "session/session.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace talvix::startup {

class frmPort : public QDialog {
  Q_OBJECT

 public:
  explicit frmPort(Session& session, QWidget* parent = nullptr);

  void cmdOK_Click();
  void cmdCancel_Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Form_Activate();
  void ConnectControls();

  Session& session_;
  QLabel* lblPrompt_;
  QLabel* Label1_;
  QLineEdit* txtUser_;
  QPushButton* cmdOK_;
  QPushButton* cmdCancel_;
};

}  // namespace talvix::startup
