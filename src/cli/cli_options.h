// SPDX-License-Identifier: MIT
// The command line of talvix-cli, parsed and checked before anything is sent to the sensor.
#pragma once

#include "sim/motion_model.h"
#include "startup/interface_choice.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace talvix::cli {

struct CliOptions {
  startup::InterfaceChoice interface = startup::InterfaceChoice::kSimParallel;
  uint16_t port_address = 0x378;                    // for the parallel port
  int usb_device = 0;                               // for the USB card: the n of "Ezusb-n"
  QString trace_path;                               // --sim-trace
  std::optional<QString> usb_ids;                   // --usb-ids VVVV:PPPP,QQQQ
  bool sim_shocks = false;                          // --sim-shocks
  std::vector<sim::AddedVibration> sim_vibrations;  // --sim-vibration, each one given
  double sim_usb_latency_ms = 0;                    // --sim-usb-latency
  bool help = false;                                // --help before the command: the whole help
  QString command;  // read, write, dump, log, capture, analyse, settings,
                    // selftest, udev-rules
  QStringList operands;
  bool command_help = false;  // --help among the operands: the command's help
  bool fast = false;          // --fast among the operands of read, dump or log
};

// Parses `args`; nothing, with a message for the user in `error`, when they are not valid.
std::optional<CliOptions> ParseCliOptions(const QStringList& args, QString& error);

// The usage text printed with a command-line error.
QString UsageText();
// `talvix-cli --help`: every command, the global options and the exit statuses.
QString HelpText();
// `talvix-cli read|write|dump --help`; empty for the other commands, whose help is their own.
QString RegisterCommandHelpText(const QString& command);

}  // namespace talvix::cli
