// SPDX-License-Identifier: MIT
// talvix-cli: the sensor from the command line, on the real interfaces or the simulated sensor.
//
//   talvix-cli [--interface sim-lpt|sim-usb|lpt:<hex address>|usb:<n>] [--sim-trace FILE]
//              [--sim-shocks] [--sim-vibration HZ:G[:AXIS]] COMMAND
//     read LABEL...     one line per register: label, raw word (hex), code, value (tab-separated)
//     write LABEL HEX   writes the register
//     dump              every readable register of the sensor: label, address, raw word
//     log ...           the datalog's values as CSV (log_command.h)
//     capture ...       one event capture into the two capture files (capture_command.h)
//     analyse FILE ...  statistics and spectral peaks of a capture file (analyse_command.h)
//     settings ...      the user settings saved and restored (settings_command.h)
//   talvix-cli --help, talvix-cli COMMAND --help
//
// A read or write that does not reach the sensor, or a read that a silent sensor answers with all
// ones (link::ReadConfirmed), ends the run: it prints no row, and the cause (with what to check)
// goes to standard error.
#pragma once

#include "cli/cli_options.h"

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
// `libusb` is the USB driver under the session, or nullptr (startup::LinkFailure). With Fast
// read-out on the USB SPI card (the session's FastReadout, set from --fast) read and dump read
// all their registers in one batch.
int RunCommand(const CliOptions& options, Session& session, const platform::LibUsbDriver* libusb,
               QTextStream& out, QString& error);

}  // namespace talvix::cli
