// SPDX-License-Identifier: MIT
// The main window: lives for the whole run, brings the configured interface into service when it
// loads, switches interfaces from its "Interface" menu, opens every tool window, and runs the one
// exit path whichever way it is closed (Exit, the close box, SIGTERM or SIGINT).
#pragma once

#include "session/session.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>

class QAction;
class QMenu;

namespace talvix::startup {
class frmPort;
class frmUSBselect;
}  // namespace talvix::startup

namespace talvix::usbdebug {
class frmUSBdebug;
}  // namespace talvix::usbdebug

namespace talvix::monitor {
class MonitorWidget;
}  // namespace talvix::monitor

namespace talvix::capture {
class frmCaptConfig;
class frmCapDisplay;
}  // namespace talvix::capture

namespace talvix::regaccess {
class SettingsFileActions;
class frmManualReg;
}  // namespace talvix::regaccess

namespace talvix::app {

class frmForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // `config_path` is the configuration file written back at exit; `title_suffix` is appended to
  // the title (" (simulated sensor)" on the simulator).
  frmForm1(Session& session, QString config_path, QString title_suffix = {},
           QWidget* parent = nullptr);
  ~frmForm1() override;

  // The load step, run once when the start-up procedure shows the window.
  void Form_Load();
  // True when an interface is ready; otherwise resets the interface, says so, and returns false.
  bool Check_Interface();

  void mnuPort_Click();
  void mnuUsb_Click();
  // Interface > Fast read-out: turns batched read-out over the USB SPI card on or off and keeps
  // the choice in the user's settings. Offered only while the card is the interface.
  void mnuFastReadout_Click();
  // "Debug" in the card selection window: the USB SPI card setup window, modal, made once.
  void ShowUsbDebug();
  // The Device Configuration tool windows, each modal (a running reading loop waits until it is
  // closed) and each only with an interface ready: without one, the interface check says so.
  void MnuCal_Click();
  void MnuAlarms_Click();
  // Save Settings... / Load Settings...: the sensor's settings to or from a file, with the
  // interface check first.
  void mnuSaveSettings_Click();
  void mnuLoadSettings_Click();
  // Their file dialogs and messages (tests answer the dialogs through it).
  regaccess::SettingsFileActions* settings_files() const { return settings_files_; }
  // Sample Rate, Range, Filtering, Auxilliary I/O and Auxilliary DAC open the same window.
  void mnuOperation_Click();
  // Datalog, Registers and About open modally without the interface check: each works, or says
  // why not, without the sensor (the register table, the datalog's settings, the program's own
  // revision).
  void mnuDatalog_Click();
  void mnuRegisters_Click();
  void MnuAbout_Click();
  // The exit path: close the data file, wait 250 ms, write the configuration, hide, end. A
  // failed write is shown in a message; the program then ends with status 1.
  void MnuExit_Click();
  // The exit path for a termination signal: as MnuExit_Click, but a failed write goes to the
  // standard error and nothing waits for the user. During a MnuExit_Click that shows its message,
  // it ends the program at once with that exit's status.
  void ExitOnSignal();

  // Config: the capture configuration window, modeless, beside the main window; one at a time (a
  // second Config brings it to the front).
  void ShowCaptureConfig();
  // Capt_0 (0) / Capt_1 (1): reads the buffer out under the wait cursor and shows it in its
  // display window, opening the window when it is not open and restoring it when minimised. A
  // read-out that fails says why once and leaves the window as it was.
  void ShowCaptureDisplay(int buffer);

  monitor::MonitorWidget* monitor() const { return monitor_; }
  // The open capture windows, or nullptr.
  capture::frmCapDisplay* CaptureDisplay(int buffer) const;
  capture::frmCaptConfig* CaptureConfig() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildMenus();
  void ConnectControls();
  void BringUpInterface();
  void BringUpUsb();
  // Check marks of the two interface items from InterfaceType; Fast read-out's from the session,
  // enabled only on the card.
  void ShowInterfaceChecks();
  void ShowMessage(const QString& text);
  // A message of the load step: shown over the main window once it is on the screen (the load
  // runs before the window is shown), at once when it already is.
  void ShowMessageOverWindow(const QString& text);
  // Opens a tool window of type T modally, after the interface check.
  template <typename T>
  void OpenToolWindow();
  template <typename T>
  void OpenModal();
  void RunExitPath(bool on_signal);

  Session& session_;
  QString config_path_;
  QString title_suffix_;
  monitor::MonitorWidget* monitor_;
  startup::frmPort* port_window_ = nullptr;
  startup::frmUSBselect* usb_window_ = nullptr;
  usbdebug::frmUSBdebug* usb_debug_window_ = nullptr;
  regaccess::frmManualReg* register_window_ = nullptr;
  // The capture windows delete themselves when closed.
  QPointer<capture::frmCaptConfig> capture_config_;
  std::array<QPointer<capture::frmCapDisplay>, 2> capture_displays_;
  QStringList messages_when_shown_;
  bool exiting_ = false;
  int exit_status_ = 0;  // 1 once the exit path failed to write the configuration
  QString exit_error_;   // why it failed

  QMenu* mnuInterface_ = nullptr;
  QAction* mnuPort_ = nullptr;
  QAction* mnuUsb_ = nullptr;
  QAction* mnuFastReadout_ = nullptr;
  QString fast_readout_path_;
  QMenu* mnuDeviceConfig_ = nullptr;
  QAction* MnuCal_ = nullptr;
  QMenu* mnuOperation_ = nullptr;
  QAction* mnuSampleRate_ = nullptr;
  QAction* mnuRange_ = nullptr;
  QAction* mnuFiltering_ = nullptr;
  QAction* mnuAxuIO_ = nullptr;
  QAction* mnuAxuDAC_ = nullptr;
  QAction* MnuAlarms_ = nullptr;
  QAction* mnuSaveSettings_ = nullptr;
  QAction* mnuLoadSettings_ = nullptr;
  regaccess::SettingsFileActions* settings_files_ = nullptr;
  QAction* mnuDatalog_ = nullptr;
  QAction* mnuRegisters_ = nullptr;
  QAction* MnuAbout_ = nullptr;
  QAction* MnuExit_ = nullptr;
};

}  // namespace talvix::app
