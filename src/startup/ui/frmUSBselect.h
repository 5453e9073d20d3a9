// SPDX-License-Identifier: MIT
// "USB SPI Card Selection": lists the cards found on devices 0..3 and lets the user pick the
// one to use, or none. Every activation searches again, so the list is always current.
#pragma once

#include "session/session.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace talvix::startup {

class frmUSBselect : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kCards = 4;
  static constexpr int kNoneIndex = 4;

  explicit frmUSBselect(Session& session, QWidget* parent = nullptr);

  void cmdFindEzUsb_Click();
  void optUsbPort_Click(int index);
  void cmdExit_Click();

 signals:
  // "Debug" was pressed; the main window opens the USB debug window.
  void DebugRequested();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ConnectControls();

  Session& session_;
  QButtonGroup* optUsbPort_;
  std::array<QRadioButton*, kCards + 1> options_{};
  std::array<QLineEdit*, kCards> txtDescript0_{};
  std::array<QLineEdit*, kCards> txtDriverRev_{};
  std::array<QLineEdit*, kCards> txtSpeed_{};
  QPushButton* cmdFindEzUsb_;
  QPushButton* cmdDebugUsb_;
  QPushButton* cmdExit_;
};

}  // namespace talvix::startup
