// SPDX-License-Identifier: MIT
#include "app/frmForm1.h"

#include "about/ui/frmAbout.h"
#include "alarms/ui/frmAlarms.h"
#include "calibration/ui/fmCalibration.h"
#include "capture/capture_readout.h"
#include "capture/ui/frmCapDisplay.h"
#include "capture/ui/frmCaptConfig.h"
#include "common/ui/window_placement.h"
#include "datalog/ui/frmDatalog.h"
#include "monitor/ui/data_plot_widget.h"
#include "monitor/ui/monitor_widget.h"
#include "operation/ui/frmOperationalControl.h"
#include "regaccess/ui/frmManualReg.h"
#include "regaccess/ui/settings_file_actions.h"
#include "startup/config_file.h"
#include "startup/fast_readout_setting.h"
#include "startup/port_access.h"
#include "startup/start_up.h"
#include "startup/ui/frmPort.h"
#include "startup/ui/frmUSBselect.h"
#include "usbdebug/ui/frmUSBdebug.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>

#include <cstdio>
#include <utility>

namespace talvix::app {

namespace {
QAction* AddItem(QMenu* menu, const QString& name, const QString& caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}
}  // namespace

frmForm1::frmForm1(Session& session, QString config_path, QString title_suffix, QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      config_path_(std::move(config_path)),
      title_suffix_(std::move(title_suffix)),
      monitor_(new monitor::MonitorWidget(session, this)),
      fast_readout_path_(startup::DefaultFastReadoutPath()) {
  setObjectName(QStringLiteral("frmForm1"));
  session_.link.FastReadout = startup::LoadFastReadout(fast_readout_path_);
  setCentralWidget(monitor_);
  BuildMenus();
  ConnectControls();
}

frmForm1::~frmForm1() = default;

void frmForm1::BuildMenus() {
  QMenuBar* bar = menuBar();
  mnuInterface_ = bar->addMenu(QStringLiteral("&Interface"));
  mnuInterface_->setObjectName(QStringLiteral("mnuInterface"));
  mnuPort_ = AddItem(mnuInterface_, QStringLiteral("mnuPort"), QStringLiteral("&Parallel"));
  mnuUsb_ = AddItem(mnuInterface_, QStringLiteral("mnuUsb"), QStringLiteral("&Usb"));
  mnuPort_->setCheckable(true);
  mnuUsb_->setCheckable(true);
  mnuInterface_->addSeparator();
  mnuFastReadout_ =
      AddItem(mnuInterface_, QStringLiteral("mnuFastReadout"), QStringLiteral("&Fast read-out"));
  mnuFastReadout_->setCheckable(true);
  mnuFastReadout_->setChecked(session_.link.FastReadout);
  mnuFastReadout_->setEnabled(false);  // until the card is the interface
  mnuFastReadout_->setToolTip(
      QStringLiteral("Read the nine outputs, and the datalog's values, in one USB SPI card "
                     "transfer per pass instead of one per register: the same values, sooner. "
                     "USB SPI card only."));
  mnuInterface_->setToolTipsVisible(true);

  mnuDeviceConfig_ = bar->addMenu(QStringLiteral("&Device Configuration"));
  mnuDeviceConfig_->setObjectName(QStringLiteral("mnuDeviceConfig"));
  MnuCal_ = AddItem(mnuDeviceConfig_, QStringLiteral("MnuCal"), QStringLiteral("&Calibration"));
  mnuOperation_ = mnuDeviceConfig_->addMenu(QStringLiteral("&Operation"));
  mnuOperation_->setObjectName(QStringLiteral("mnuOperation"));
  mnuSampleRate_ =
      AddItem(mnuOperation_, QStringLiteral("mnuSampleRate"), QStringLiteral("&Sample Rate"));
  mnuRange_ = AddItem(mnuOperation_, QStringLiteral("mnuRange"), QStringLiteral("&Range"));
  mnuFiltering_ =
      AddItem(mnuOperation_, QStringLiteral("mnuFiltering"), QStringLiteral("&Filtering"));
  mnuAxuIO_ = AddItem(mnuOperation_, QStringLiteral("mnuAxuIO"), QStringLiteral("Auxilliary &I/O"));
  mnuAxuDAC_ =
      AddItem(mnuOperation_, QStringLiteral("mnuAxuDAC"), QStringLiteral("Auxilliary &DAC"));
  MnuAlarms_ = AddItem(mnuDeviceConfig_, QStringLiteral("MnuAlarms"), QStringLiteral("&Alarms"));
  mnuDeviceConfig_->addSeparator();
  mnuSaveSettings_ = AddItem(mnuDeviceConfig_, QStringLiteral("mnuSaveSettings"),
                             QStringLiteral("&Save Settings..."));
  mnuLoadSettings_ = AddItem(mnuDeviceConfig_, QStringLiteral("mnuLoadSettings"),
                             QStringLiteral("&Load Settings..."));
  settings_files_ = new regaccess::SettingsFileActions(session_, this);

  // Menu-bar entries that act directly, without a drop-down.
  mnuDatalog_ = bar->addAction(QStringLiteral("Datal&og"));
  mnuDatalog_->setObjectName(QStringLiteral("mnuDatalog"));
  mnuRegisters_ = bar->addAction(QStringLiteral("Re&gisters"));
  mnuRegisters_->setObjectName(QStringLiteral("mnuRegisters"));
  MnuAbout_ = bar->addAction(QStringLiteral("A&bout"));
  MnuAbout_->setObjectName(QStringLiteral("MnuAbout"));
  MnuExit_ = bar->addAction(QStringLiteral("E&xit"));
  MnuExit_->setObjectName(QStringLiteral("MnuExit"));
}

void frmForm1::ConnectControls() {
  connect(mnuPort_, &QAction::triggered, this, &frmForm1::mnuPort_Click);
  connect(mnuUsb_, &QAction::triggered, this, &frmForm1::mnuUsb_Click);
  connect(mnuFastReadout_, &QAction::triggered, this, &frmForm1::mnuFastReadout_Click);
  connect(MnuExit_, &QAction::triggered, this, &frmForm1::MnuExit_Click);
  connect(MnuCal_, &QAction::triggered, this, &frmForm1::MnuCal_Click);
  connect(MnuAlarms_, &QAction::triggered, this, &frmForm1::MnuAlarms_Click);
  connect(mnuSaveSettings_, &QAction::triggered, this, &frmForm1::mnuSaveSettings_Click);
  connect(mnuLoadSettings_, &QAction::triggered, this, &frmForm1::mnuLoadSettings_Click);
  for (QAction* item : {mnuSampleRate_, mnuRange_, mnuFiltering_, mnuAxuIO_, mnuAxuDAC_}) {
    connect(item, &QAction::triggered, this, &frmForm1::mnuOperation_Click);
  }
  connect(mnuDatalog_, &QAction::triggered, this, &frmForm1::mnuDatalog_Click);
  connect(mnuRegisters_, &QAction::triggered, this, &frmForm1::mnuRegisters_Click);
  connect(MnuAbout_, &QAction::triggered, this, &frmForm1::MnuAbout_Click);
  connect(monitor_, &monitor::MonitorWidget::CaptureConfigRequested, this,
          &frmForm1::ShowCaptureConfig);
  connect(monitor_, &monitor::MonitorWidget::CaptureDisplayRequested, this,
          &frmForm1::ShowCaptureDisplay);
}

template <typename T>
void frmForm1::OpenModal() {
  T window(session_, this);  // each places itself beside this window
  window.exec();
}

template <typename T>
void frmForm1::OpenToolWindow() {
  if (Check_Interface()) OpenModal<T>();
}

void frmForm1::mnuDatalog_Click() {
  OpenModal<datalog::frmDatalog>();
}

void frmForm1::mnuRegisters_Click() {
  // Made once and then hidden and shown again, so that the listing and the chosen register stay.
  if (register_window_ == nullptr) register_window_ = new regaccess::frmManualReg(session_, this);
  register_window_->exec();
  // Closed with the frame's close box: discarded; the next opening builds it anew.
  if (register_window_->Discarded()) {
    register_window_->deleteLater();
    register_window_ = nullptr;
  }
}

void frmForm1::MnuAbout_Click() {
  OpenModal<about::frmAbout>();
}

void frmForm1::MnuCal_Click() {
  OpenToolWindow<calibration::fmCalibration>();
}

void frmForm1::MnuAlarms_Click() {
  OpenToolWindow<alarms::frmAlarms>();
}

void frmForm1::mnuSaveSettings_Click() {
  if (Check_Interface()) settings_files_->SaveSettings();
}

void frmForm1::mnuLoadSettings_Click() {
  if (Check_Interface()) settings_files_->LoadSettings();
}

void frmForm1::mnuOperation_Click() {
  OpenToolWindow<operation::frmOperationalControl>();
}

void frmForm1::ShowCaptureConfig() {
  // A window hidden without being closed (Escape) loads afresh like a closed one.
  if (!capture_config_.isNull() && !capture_config_->isVisible()) delete capture_config_.data();
  if (capture_config_.isNull()) {
    capture_config_ = new capture::frmCaptConfig(session_, this);
    capture_config_->setAttribute(Qt::WA_DeleteOnClose);
    common::PlaceBesideMainWindow(capture_config_, this);
  }
  capture_config_->show();
  capture_config_->raise();
  capture_config_->activateWindow();
}

capture::frmCapDisplay* frmForm1::CaptureDisplay(int buffer) const {
  return capture_displays_[buffer == 1 ? 1 : 0].data();
}

capture::frmCaptConfig* frmForm1::CaptureConfig() const {
  return capture_config_.data();
}

void frmForm1::ShowCaptureDisplay(int buffer) {
  buffer = buffer == 1 ? 1 : 0;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const capture::CaptureOutcome outcome = capture::ReadOutForDisplay(session_, buffer);
  QGuiApplication::restoreOverrideCursor();
  if (!outcome.ok) {
    if (!outcome.message.isEmpty()) ShowMessage(outcome.message);
    return;
  }
  QPointer<capture::frmCapDisplay>& window = capture_displays_[buffer];
  if (window.isNull()) {
    window = new capture::frmCapDisplay(session_, buffer, this);
    window->Form_Load(frameGeometry(), monitor_->DataPlot()->mapTo(this, QPoint(0, 0)).x());
    // The load gives the size; the window opens beside this one, Capt_1 a title bar lower and
    // further right than Capt_0 would, so that both can be seen.
    // Escape closes it, as it closes the dialogs.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    connect(escape, &QShortcut::activated, window, &QWidget::close);
    const int title_bar = geometry().top() - frameGeometry().top();
    common::PlaceBesideMainWindow(window, this, QPoint(title_bar, title_bar) * buffer);
  }
  window->ShowTrace();
  if (window->isMinimized()) {
    window->showNormal();
  } else {
    window->show();
  }
  window->raise();
}

void frmForm1::Form_Load() {
  session_.startup.OsName = startup::DetectOsName();
  BringUpInterface();
  setWindowTitle(startup::MainWindowTitle() + title_suffix_);
  monitor_->PrepareAtLoad();
}

void frmForm1::BringUpInterface() {
  const bool nt_family = startup::IsNtFamily(session_.startup.OsName);
  switch (session_.link.InterfaceType) {
    case link::kInterfaceParallel:
      // A port that cannot be reached is no interface: reading it would show zeros as if they
      // were measured. The message has said why.
      if (nt_family && !startup::BringUpParallelPort(session_)) {
        session_.link.InterfaceType = link::kInterfaceNone;
      }
      ShowInterfaceChecks();
      break;
    case link::kInterfaceUsb:
      if (session_.startup.OsName == QLatin1String("Win95")) {
        ShowMessage(QStringLiteral("USB not available for Windows95"));
        session_.link.InterfaceType = link::kInterfaceNone;
        mnuUsb_->setChecked(false);
        mnuUsb_->setVisible(false);
      } else {
        BringUpUsb();
      }
      break;
    default:
      session_.link.InterfaceType = link::kInterfaceNone;
      ShowMessageOverWindow(QStringLiteral("Please select an interface before taking data"));
      break;
  }
}

void frmForm1::BringUpUsb() {
  if (startup::BringUpUsbCard(session_)) {
    ShowInterfaceChecks();
    return;
  }
  // No card attached at all: the scan has said so, and the selection window's own scan would only
  // say it again. The card stays the configured interface for the next start; Interface > Usb
  // looks again once one is plugged in.
  if (session_.ezusb.UsbCardCount == 0) {
    session_.link.InterfaceType = link::kInterfaceNone;
    ShowInterfaceChecks();
    return;
  }
  // Cards but none ready: let the user pick one, then use what was picked as the Usb menu item
  // does.
  mnuUsb_Click();
}

bool frmForm1::Check_Interface() {
  link::RegisterAccess& link = session_.link;
  if ((link.InterfaceType == link::kInterfaceParallel &&
       (link.PortAddress == 0 || !startup::ParallelPortReady(session_))) ||
      (link.InterfaceType == link::kInterfaceUsb && !session_.usb.CardReady())) {
    link.InterfaceType = link::kInterfaceNone;
  }
  const bool ready = link.InterfaceType != link::kInterfaceNone;
  if (!ready) ShowMessage(QStringLiteral("Please select an interface first"));
  ShowInterfaceChecks();
  return ready;
}

void frmForm1::ShowInterfaceChecks() {
  mnuPort_->setChecked(session_.link.InterfaceType == link::kInterfaceParallel);
  mnuUsb_->setChecked(session_.link.InterfaceType == link::kInterfaceUsb);
  mnuFastReadout_->setChecked(session_.link.FastReadout);
  mnuFastReadout_->setEnabled(session_.link.InterfaceType == link::kInterfaceUsb);
  monitor_->ShowInterfaceState();  // without one, the values show that they are old
}

void frmForm1::mnuPort_Click() {
  // Triggering a checkable item toggles its mark; the marks follow InterfaceType only.
  ShowInterfaceChecks();
  if (!port_window_) port_window_ = new startup::frmPort(session_, this);
  port_window_->exec();
  if (session_.link.PortAddress == 0) return;
  session_.startup.configured_interface = link::kInterfaceParallel;  // kept for the next start
  // The window has tried to reach the port and said why when it could not; a port that cannot
  // be reached is no interface.
  session_.link.InterfaceType =
      startup::ParallelPortReady(session_) ? link::kInterfaceParallel : link::kInterfaceNone;
  if (session_.link.InterfaceType == link::kInterfaceNone) session_.loops.StopAll();
  ShowInterfaceChecks();
}

void frmForm1::mnuUsb_Click() {
  ShowInterfaceChecks();
  if (!usb_window_) {
    usb_window_ = new startup::frmUSBselect(session_, this);
    connect(usb_window_, &startup::frmUSBselect::DebugRequested, this, &frmForm1::ShowUsbDebug);
  }
  usb_window_->exec();
  session_.link.InterfaceType =
      session_.usb.CardReady() ? link::kInterfaceUsb : link::kInterfaceNone;
  // Kept for the next start when there was a card to pick: the card, or None picked over it.
  if (session_.ezusb.UsbCardIndex >= 0) {
    session_.startup.configured_interface = session_.link.InterfaceType;
  }
  if (session_.link.InterfaceType == link::kInterfaceUsb) session_.CloseParallelPort();
  // Without an interface a running loop would read nothing: stop it (and a power-down count).
  if (session_.link.InterfaceType == link::kInterfaceNone) session_.loops.StopAll();
  ShowInterfaceChecks();
}

void frmForm1::mnuFastReadout_Click() {
  session_.link.FastReadout = mnuFastReadout_->isChecked();
  QString why;
  if (!startup::SaveFastReadout(fast_readout_path_, session_.link.FastReadout, why)) {
    ShowMessage(startup::FastReadoutNotKeptMessage(fast_readout_path_, why));
  }
}

void frmForm1::ShowUsbDebug() {
  if (!usb_debug_window_) usb_debug_window_ = new usbdebug::frmUSBdebug(session_, this);
  usb_debug_window_->exec();
}

void frmForm1::MnuExit_Click() {
  RunExitPath(false);
}

void frmForm1::ExitOnSignal() {
  RunExitPath(true);
}

void frmForm1::RunExitPath(bool on_signal) {
  if (exiting_) {
    // A signal while the exit path shows why the configuration was not written: end now, with
    // the outcome already known, rather than wait for the message to be closed.
    if (on_signal) {
      if (exit_status_ != 0) std::fprintf(stderr, "talvix: %s\n", qPrintable(exit_error_));
      session_.EndProgram(exit_status_);
    }
    return;
  }
  exiting_ = true;
  session_.loops.StopAll();
  session_.delay->DelayMs(250.0);
  // Rows that a full disk took (the datalog's, including its last ones written just now by
  // StopAll) are named on standard error whatever ended the program: nobody may have read the
  // message that said so.
  for (const QString& lost : session_.LostRows()) {
    std::fprintf(stderr, "talvix: %s\n", qPrintable(lost));
    exit_status_ = 1;
  }
  if (!startup::SaveConfig(session_, config_path_, exit_error_)) {
    exit_status_ = 1;
    // Nobody may be there to close a message after a signal: it goes to the standard error.
    if (on_signal) {
      std::fprintf(stderr, "talvix: %s\n", qPrintable(exit_error_));
    } else {
      ShowMessage(exit_error_);
    }
  }
  hide();
  session_.EndProgram(exit_status_);
}

void frmForm1::closeEvent(QCloseEvent* event) {
  MnuExit_Click();
  event->accept();
}

void frmForm1::ShowMessage(const QString& text) {
  session_.notifier().Message(text, common::MessageTitle());
}

void frmForm1::ShowMessageOverWindow(const QString& text) {
  if (isVisible()) {
    ShowMessage(text);
    return;
  }
  messages_when_shown_ << text;
}

void frmForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (messages_when_shown_.isEmpty()) return;
  // After the window has been drawn, so that the message box has it to stand over.
  QTimer::singleShot(0, this, [this] {
    const QStringList messages = std::exchange(messages_when_shown_, {});
    for (const QString& text : messages) ShowMessage(text);
  });
}

}  // namespace talvix::app
