// talvix-cli: register reads and writes from the command line, on the real interfaces or the
// simulated sensor.
//
//   talvix-cli [--interface sim-lpt|lpt:<hex address>] [--sim-trace FILE] COMMAND
//     read LABEL...     one line per register: label, raw word (hex), code, value (tab-separated)
//     write LABEL HEX   writes the register
//     dump              every readable register of the sensor: label, address, raw word
#pragma once

#include <QStringList>
#include <QTextStream>

namespace talvix::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitDeviceError = 1;  // the interface could not be opened
inline constexpr int kExitUsage = 2;        // bad command line: nothing was sent

// Runs one command line (`args` without the program name) and returns the exit status.
int RunCli(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace talvix::cli
