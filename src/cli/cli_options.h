// The command line of talvix-cli, parsed and checked before anything is sent to the sensor.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace talvix::cli {

enum class InterfaceChoice { kSimParallel, kParallel, kSimUsb, kUsb };

struct CliOptions {
  InterfaceChoice interface = InterfaceChoice::kSimParallel;
  uint16_t port_address = 0x378;   // for the parallel port
  int usb_device = 0;              // for the USB card: the n of "Ezusb-n"
  QString trace_path;              // --sim-trace
  std::optional<QString> usb_ids;  // --usb-ids VVVV:PPPP,QQQQ
  bool sim_shocks = false;         // --sim-shocks
  bool help = false;               // --help before the command: the whole help
  QString command;                 // read, write, dump, log, capture, settings, selftest,
                                   // udev-rules
  QStringList operands;
  bool command_help = false;  // --help among the operands: the command's help
};

// Parses `args`; nothing, with a message for the user in `error`, when they are not valid.
std::optional<CliOptions> ParseCliOptions(const QStringList& args, QString& error);

// The usage text printed with a command-line error.
QString UsageText();
// `talvix-cli --help`: every command, the global options and the exit statuses.
QString HelpText();
// `talvix-cli read|write|dump --help`; empty for the other commands, whose help is their own.
QString RegisterCommandHelpText(const QString& command);

bool IsSimulated(InterfaceChoice choice);

}  // namespace talvix::cli
