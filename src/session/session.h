// SPDX-License-Identifier: MIT
// The program-wide state, made once by main() (and afresh by every test) and passed by reference
// to every window: the register table, the register operations with their delay, the USB cards,
// the start-up settings, and the platform seams they run on (real or simulated).
#pragma once

#include "link/delay.h"
#include "link/ezusb.h"
#include "link/register_access.h"
#include "link/usb_spi_card.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/notifier.h"
#include "platform/port_io.h"
#include "platform/usb_card_ids.h"
#include "platform/usb_driver.h"
#include "registers/register_table.h"
#include "session/capture_state.h"
#include "session/cooperative_loop.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace talvix {

// Opens the parallel port at a base address; on failure returns nullptr with the reason (what
// failed and how to fix it) in `error`.
using PortOpener =
    std::function<std::unique_ptr<platform::PortIo>(uint16_t base_address, QString& error)>;

struct Platform {
  platform::Clock& clock;
  platform::Notifier& notifier;
  platform::EventPump& events;
  platform::UsbDriver& usb;
  PortOpener open_port = nullptr;
  // The delay to pace the link with; the program's own delay on `clock` when empty.
  std::unique_ptr<link::Delay> delay = nullptr;
  // Ends the program at once with `exit_status` (0, or 1 when the exit path failed to save the
  // configuration or rows read were lost), whatever loop is running: the last step of the exit
  // path. Tests record the call instead; the program exits the process.
  std::function<void(int exit_status)> end_program = nullptr;
  // The USB card ids of this installation (platform/usb_card_ids.h); none by default, so that no
  // card is looked for.
  platform::UsbCardIdsSetting usb_card_ids = {};
};

// Start-up and interface state.
struct StartupState {
  QString OsName;                // "Linux" on this platform; counts as the NT family
  bool PortDriverReady = false;  // port access was obtained in this run
  int16_t FactoryFlag = 0;       // kept from run to run in the configuration file
  // The interface the user chose, from the configuration file or the Interface menu: written back
  // at exit even when it could not be brought into service in this run (0 none, 1, 2).
  int16_t configured_interface = 0;
  // The configuration file exists but could not be read at start: it is left as it is at exit.
  bool config_unreadable = false;
};

// Identification read by the About window.
struct AboutState {
  float DeviceRevision = 0.0f;  // the sensor's revision as shown, for example 1.2
};

class Session {
 public:
  explicit Session(Platform platform);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Opens the parallel port at PortAddress and routes the bit patterns to it, closing any port
  // opened before. False, with the reason in `error`, when it cannot be opened.
  bool OpenParallelPort(QString& error);
  // Releases the parallel port (for example when the USB card becomes the interface), so that
  // other programs can use it.
  void CloseParallelPort();
  // An access to the open parallel port failed: says so once and closes the port, so that device
  // operations send nothing until the user sets the port up again (as a failed USB card is marked
  // not ready until the user picks a card).
  void ParallelPortFailed();
  bool ParallelPortOpen() const { return port_ != nullptr; }
  // The base address the open port was opened for.
  int16_t OpenedPortAddress() const { return opened_port_address_; }

  platform::Clock& clock() { return clock_; }
  platform::Notifier& notifier() { return notifier_; }
  platform::EventPump& events() { return events_; }

  registers::RegisterTable table;
  std::unique_ptr<link::Delay> delay;
  link::EzUsb ezusb;
  link::UsbSpiCard usb;
  link::RegisterAccess link;

  StartupState startup;
  CaptureState capture;
  AboutState about;
  // Every cooperative loop of the windows; the exit path stops them all.
  LoopRegistry loops;

  // Where capture files and datalogs are written: `data_folder` when set (tests set it), else the
  // program's data folder (common/data_folder.h).
  QString DataFolder() const;
  QString data_folder;

  // Rows read from the sensor that no file could keep (a full disk): one text each, naming the
  // file, the rows and the reason. The exit path gives them on standard error and ends with
  // status 1, so that neither a message nobody read nor a signal hides them.
  void ReportLostRows(const QString& text) { lost_rows_ << text; }
  const QStringList& LostRows() const { return lost_rows_; }

  // Runs the platform's end of program (see Platform::end_program).
  void EndProgram(int exit_status);

 private:
  platform::Clock& clock_;
  platform::Notifier& notifier_;
  platform::EventPump& events_;
  PortOpener open_port_;
  std::function<void(int exit_status)> end_program_;
  std::unique_ptr<platform::PortIo> port_;
  int16_t opened_port_address_ = 0;
  QStringList lost_rows_;
};

}  // namespace talvix
