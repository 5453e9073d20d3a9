// SPDX-License-Identifier: MIT
// "USB SPI Card Setup": exercises a USB SPI card by hand. The user picks a card, reads and sets its
// static chip-select bits, its chip-select channel, its delay between words and its data input
// polarity, and sends up to 16 SPI words of their own, once or in a loop, watching the words that
// come back. It works on the card's command set directly, not through the register operations; the
// card's traffic is logged by the USB backend like any other.
//
// The card selection window opens it modally. It is made once and shown again; each time it is
// shown it searches for cards afresh. The transfer loop is a cooperative loop: one transfer and one
// yield per pass. "Stop", "None", a card that fails, "OK", the close box, Escape and the exit path
// all end it, so a hidden window never goes on sending the user's words.
#pragma once

#include "session/session.h"
#include "usbdebug/usb_debug_entries.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QShowEvent;

namespace talvix::usbdebug {

class frmUSBdebug : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kCards = 4;
  static constexpr int kNoneIndex = 4;
  static constexpr int kChannels = 4;
  static constexpr int kWords = link::kMaxSpiWords;

  explicit frmUSBdebug(Session& session, QWidget* parent = nullptr);

  // The load step of each showing: search, then the channel and polarity the card is used with.
  void Form_Activate();
  void cmdFindEzUsb_Click();
  void optUsbPort_Click(int index);
  void optSpiChan_Click(int channel);
  void cmdReadBits_Click();
  void cmdSetSpiBits_Click();
  void cmdReadDelay_Click();
  void txtLoopDelay_Enter();
  void cmdPolarity_Click();
  void cmdWriteSpi_Click();
  // Starts the transfer loop (and returns when it has ended), or, during the loop, stops it.
  void cmdLoop_Click();
  void cmdExit_Click();

  // The transfer loop is on the stack.
  bool LoopRunning() const { return loop_.Depth() > 0; }

 public slots:
  // OK, Escape and the close box all end here: the loop stops before the window hides.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QGroupBox* MakeBufferFrame();
  QGroupBox* MakeSetupFrame();
  QGroupBox* MakeManualFrame();
  void ConnectControls();

  // One pass of the loop: a transfer of the words loaded by the last Write, and its answers shown.
  // False when the card failed (the window has then selected "None").
  bool TransferPass();
  // The card is ready; otherwise "Please Select a Buffer first".
  bool CardReadyOrSay();
  // Checks "None" and runs its step, as a click on it would.
  void SelectNone();
  // After a card operation: a card that failed leaves "None" selected.
  void SelectNoneUnlessReady();
  void ShowDelay();
  void ShowStaticBits();
  // The words a transfer brought, in txtReadSpi1 onwards.
  void ShowReadback(const QStringList& readback);
  void ShowLoopRunning(bool running);
  void StopLoop();

  Session& session_;
  link::UsbSpiCard& card_;
  CooperativeLoop loop_;

  QButtonGroup* optUsbPort_;
  std::array<QRadioButton*, kCards + 1> options_{};
  std::array<QLineEdit*, kCards> txtUsbPort_{};
  std::array<QLineEdit*, kCards> txtDescript0_{};
  std::array<QLineEdit*, kCards> txtDescript1_{};
  std::array<QLineEdit*, kCards> txtDriverRev_{};
  std::array<QLineEdit*, kCards> txtSpeed_{};
  QPushButton* cmdFindEzUsb_;

  QGroupBox* frameSPIsetup_;
  std::array<QCheckBox*, kStaticBoxes> chkStaticBits_{};
  QPushButton* cmdReadBits_;
  QPushButton* cmdSetSpiBits_;
  QButtonGroup* optSpiChan_;
  std::array<QRadioButton*, kChannels + 1> channels_{};  // [0] is not used
  QLineEdit* txtLoopDelay_;
  QPushButton* cmdReadDelay_;
  QPushButton* cmdPolarity_;

  QGroupBox* frameManual_;
  QLineEdit* txtNumWords_;
  std::array<QLineEdit*, kWords + 1> txtWriteSpi_{};  // [0] is not used
  std::array<QLineEdit*, kWords + 1> txtReadSpi_{};   // [0] is not used
  QPushButton* cmdWriteSpi_;
  QPushButton* cmdLoop_;
  QPushButton* cmdExit_;
};

}  // namespace talvix::usbdebug
