// talvix-cli: the sensor from the command line, on the real interfaces or the simulated sensor.
//
//   talvix-cli [--interface sim-lpt|sim-usb|lpt:<hex address>|usb:<n>] [--sim-trace FILE]
//              [--sim-shocks] COMMAND
//     read LABEL...     one line per register: label, raw word (hex), code, value (tab-separated)
//     write LABEL HEX   writes the register
//     dump              every readable register of the sensor: label, address, raw word
//     log ...           the datalog's values as CSV (log_command.h)
//     capture ...       one event capture into the two capture files (capture_command.h)
//     settings ...      the user settings saved and restored (settings_command.h)
//   talvix-cli --help, talvix-cli COMMAND --help
//
// A read or write that does not reach the sensor, or a read that a silent sensor answers with all
// ones (link::ReadConfirmed), ends the run: it prints no row, and the cause (with what to check)
// goes to standard error.
#pragma once

#include "cli/cli_options.h"
#include "link/ezusb.h"
#include "link/register_access.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace talvix {
class Session;
namespace platform {
class LibUsbDriver;
}  // namespace platform
}  // namespace talvix

namespace talvix::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
// The interface could not be opened, or an operation did not reach the sensor.
inline constexpr int kExitDeviceError = 1;
inline constexpr int kExitUsage = 2;  // bad command line: nothing was sent

// Runs one command line (`args` without the program name) and returns the exit status. Progress
// of long commands goes to `err` only when `err_is_terminal`.
int RunCli(const QStringList& args, QTextStream& out, QTextStream& err,
           bool err_is_terminal = false);

// Runs the command of a checked command line on `session`, whose interface is up: one row on
// `out` per register read. Stops at the first read or write that did not reach the sensor, prints
// no row for it, and returns kExitDeviceError with the cause and what to check in `error`.
// `libusb` is the USB driver under the session, or nullptr (simulated card, parallel port); its
// account of a failed transfer becomes the cause. With Fast read-out on the USB SPI card (the
// session's FastReadout, set from --fast) read and dump read all their registers in one batch.
int RunCommand(const CliOptions& options, Session& session, const platform::LibUsbDriver* libusb,
               QTextStream& out, QString& error);

// Why an operation that ended with `status` did not reach the sensor, and what to check.
QString LinkFailure(link::LinkStatus status, const Session& session,
                    const platform::LibUsbDriver* libusb);
// Why the last register operation brought no value: it did not reach the sensor (LinkFailure), or
// the sensor answered all ones.
QString NoValueCause(const Session& session, const platform::LibUsbDriver* libusb);

// Makes the USB SPI card at "Ezusb-<device>" the interface of `session` and sets it up. When it
// cannot, `error` says why and what to do (see UsbOpenFailure).
bool ConnectUsbCard(Session& session, int device, platform::LibUsbDriver* libusb, QString& error);

// Why the card at "Ezusb-<device>" could not be brought up, from what the card scan left in
// `ezusb` and the USB driver's last failure (empty when it reported none): a card that was found
// but did not answer, a card that could not be opened (the driver says why, for example a
// permission the udev rules grant), no card at all (cable, udev rules), or cards at other
// indexes only (they are listed).
QString UsbOpenFailure(int device, const link::EzUsb& ezusb, const QString& driver_error);

}  // namespace talvix::cli
