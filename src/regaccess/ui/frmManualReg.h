// SPDX-License-Identifier: MIT
// "Register Information": any register of the list read as a raw hexadecimal word and its value,
// written from a hexadecimal text, the user registers listed (and printed or saved as text), and
// the registers stored in the sensor's flash. The main window opens it modally from its
// "Registers" menu; the window fills its list when it is made and is then hidden and shown again,
// keeping the chosen register and the listing.
#pragma once

#include "regaccess/manual_register.h"
#include "session/session.h"

#include <QDialog>
#include <QString>

#include <functional>

class QCloseEvent;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QShowEvent;

namespace talvix::regaccess {

class frmManualReg : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls and runs Form_Load.
  explicit frmManualReg(Session& session, QWidget* parent = nullptr);

  // Fills the register list ("None" and the 31 labels) once, with no register chosen: both
  // buttons off. Places the window beside the main window.
  void Form_Load();

  void cmboRegister_Click();
  void cmdRead_Click();
  void cmdWrite_Click();
  void cmdReadUserReg_Click();
  // The system's print dialog; with no printer set up, a PDF file instead.
  void cmdPrint_Click();
  void cmdSaveListing_Click();
  void cmdUpdateFlash_Click();
  // Hides the window (exec() returns); what it shows stays for the next showing. Escape does the
  // same.
  void cmdClose_Click();

  // Closed with the frame's close box: the main window discards it rather than show it again.
  bool Discarded() const { return discarded_; }

  // Asks where to save a file: (caption, suggested path, filter) -> chosen path, empty when the
  // user cancels. A file dialog; tests put their own answer here.
  std::function<QString(const QString&, const QString&, const QString&)> ask_save_path;

 protected:
  // "Update Flash" follows DeviceRevision each time the window is shown: the About window may
  // have read the sensor since the last showing.
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void LayOutControls();
  void ConnectControls();
  void ShowEntry(int position);
  void UpdateFlashOffer();
  // The chosen register's table index; 0 with "None" or no choice.
  int16_t Selected() const;
  bool HaveListing();
  void PrintListing(QPrinter& printer);
  void Report(const QString& message);

  Session& session_;
  // The listing as read (CR LF line ends), shown in txtUserReg; empty until "Read".
  QString listing_;
  bool discarded_ = false;

  QGroupBox* frameRegister_;
  QLabel* lblRegister_;
  QComboBox* cmboRegister_;
  QLabel* lblRegAddr_;
  QLineEdit* txtRegAddr_;
  QLabel* lblRegByte_;
  QLineEdit* txtRegByte_;
  QLabel* lblRegRead_;
  QLineEdit* txtRegRead_;
  QLabel* lblRegWrite_;
  QLineEdit* txtRegWrite_;
  QPushButton* cmdRead_;
  QLineEdit* txtRead_;
  QLabel* lblRegVal_;
  QLineEdit* txtRegVal_;
  QPushButton* cmdWrite_;
  QLineEdit* txtDataWrite_;
  QGroupBox* frameUserReg_;
  QPlainTextEdit* txtUserReg_;
  QPushButton* cmdReadUserReg_;
  QPushButton* cmdSaveListing_;
  QPushButton* cmdPrint_;
  QPushButton* cmdUpdateFlash_;
  QPushButton* cmdClose_;
};

}  // namespace talvix::regaccess
