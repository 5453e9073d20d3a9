// SPDX-License-Identifier: MIT
#include "cli/cli_options.h"

#include "cli/command_words.h"
#include "common/hex_text.h"
#include "platform/usb_card_ids.h"
#include "sim/frame_trace.h"
#include "sim/vibration_option.h"
#include "simbench/simulated_bench.h"

#include <QRegularExpression>

#include <algorithm>

namespace talvix::cli {

namespace {

bool ParseInterface(const QString& text, CliOptions& options, QString& error) {
  startup::NamedInterface named;
  if (!startup::ParseInterface(text, named, error)) return false;
  options.interface = named.choice;
  options.port_address = named.port_address;
  options.usb_device = named.usb_device;
  return true;
}

}  // namespace

QString UsageText() {
  return QStringLiteral(
      "usage: talvix-cli [--interface sim-lpt|sim-usb|lpt:<hex address>|usb:<n>]\n"
      "                  [--usb-ids VVVV:PPPP,QQQQ] [--sim-trace FILE] [--sim-shocks]\n"
      "                  [--sim-vibration HZ:G[:AXIS]] [--sim-usb-latency MS]\n"
      "                  COMMAND [OPERANDS]\n"
      "commands: read, write, dump, log, capture, analyse, settings, selftest, udev-rules\n"
      "talvix-cli --help describes them all; talvix-cli COMMAND --help one of them.\n");
}

QString HelpText() {
  return QStringLiteral(
             "usage: talvix-cli [GLOBAL OPTIONS] COMMAND [OPERANDS]\n"
             "Reads and writes the Talvix sensor's registers, logs its values and takes event\n"
             "captures from the command line, through the parallel port, a USB SPI card or the\n"
             "built-in simulated sensor.\n"
             "\n"
             "global options (before the command):\n"
             "  --interface I     sim-lpt (default) or sim-usb: the simulated sensor behind\n"
             "                    a simulated parallel port or USB SPI card;\n"
             "                    lpt:<hex address>: the parallel port at that base address\n"
             "                    (as lpt:378); usb:<n>: the USB SPI card Ezusb-<n>, 0 to 3\n"
             "  --usb-ids VVVV:PPPP,QQQQ\n"
             "                    the USB SPI cards' vendor id and the product ids of the\n"
             "                    Pellow and Quarn cards (hexadecimal), over TALVIX_USB_IDS and\n"
             "                    usb-cards.conf (talvix-cli udev-rules --help tells more)\n"
             "  --sim-trace FILE  with a simulated interface, write every SPI frame to FILE\n"
             "  --sim-shocks      with a simulated interface, knock the sensor 1 s after the\n"
             "                    start and every 2 s after it for ten minutes (20 ms, 4 g on X,\n"
             "                    1.5 g on Y), to try event capture\n") +
         sim::VibrationOptionHelp() +
         QStringLiteral(
             "  --sim-usb-latency MS\n"
             "                    with --interface sim-usb, every transfer of the simulated card\n"
             "                    costs MS milliseconds (0 to 1000, fractions allowed), as on a\n"
             "                    real card (a full-speed card's is about 1). Default: 0\n"
             "  --help            this text\n"
             "\n"
             "commands:\n"
             "  read [--fast] LABEL...\n"
             "                    label, raw word (hex), code and value of each register\n"
             "  write LABEL HEX   write a register (up to four hexadecimal digits)\n"
             "  dump [--fast]     label, address and raw word of every readable register\n"
             "  log [--fast] [--values LIST] [--samples N] [--delay MS] [--output FILE]\n"
             "      [--status jsonl]\n"
             "                    the datalog's values as CSV, one row per sample\n"
             "  capture --source1 NAME --source2 NAME --length N --pretrigger M --trigger 1|2\n"
             "          --level VALUE --above|--below [--timeout S] [--output DIR]\n"
             "          [--analyse]\n"
             "                    configure, arm and wait for an event capture, then write\n"
             "                    its two buffers as CapDat_0 and CapDat_1 (and with\n"
             "                    --analyse, their statistics and strongest frequencies)\n"
             "  analyse FILE --period-ms P | --sps N\n"
             "                    statistics and the three strongest spectral peaks of a\n"
             "                    capture file or a one-column CSV of codes or values\n"
             "  settings save FILE | settings load FILE [--dry-run]\n"
             "                    the sensor's user settings saved to a file and restored\n"
             "  selftest [--jsonl]\n"
             "                    check the interface and the sensor step by step, without\n"
             "                    changing anything that stays changed\n"
             "  udev-rules        the udev rule that gives access to this installation's USB\n"
             "                    SPI cards, made from their configured ids\n"
             "talvix-cli COMMAND --help tells more of each.\n"
             "\n"
             "--fast (read, dump, log): Fast read-out, the registers read in as few USB SPI\n"
             "card transfers as the card takes (16 words each) instead of one transfer per\n"
             "register; the same values, sooner. USB SPI card only.\n"
             "\n"
             "exit status:\n"
             "  0  done\n"
             "  1  the interface could not be opened, an operation did not reach the sensor or\n"
             "     was not answered, a read-back differed, or a file could not be written; the\n"
             "     cause and what to check go to standard error, and no row is printed for a\n"
             "     read that failed\n"
             "  2  bad command line: nothing was sent\n"
             "  3  capture: no trigger before the time-out (nothing written)\n"
             "  130  capture: stopped by a signal while waiting (nothing written)\n");
}

QString RegisterCommandHelpText(const QString& command) {
  if (command == QLatin1String("read")) {
    return QStringLiteral(
        "usage: talvix-cli [GLOBAL OPTIONS] read [--fast] LABEL...\n"
        "Reads each register named (by its label, any case) and prints one line per\n"
        "register: label, raw word (4 hexadecimal digits), code and value, tab-separated.\n"
        "  --fast  Fast read-out (USB SPI card only): all of them in as few card transfers\n"
        "          as the card takes, instead of one transfer per register\n"
        "exit status: 0 all read; 1 a read did not reach the sensor (no line for it or\n"
        "after it); 2 unknown or unreadable label (nothing was sent)\n");
  }
  if (command == QLatin1String("write")) {
    return QStringLiteral(
        "usage: talvix-cli [GLOBAL OPTIONS] write LABEL HEX\n"
        "Writes HEX (up to four hexadecimal digits, 0x allowed) to the register named.\n"
        "exit status: 0 written; 1 the write did not reach the sensor; 2 unknown or\n"
        "read-only label, or a bad value (nothing was sent)\n");
  }
  if (command == QLatin1String("dump")) {
    return QStringLiteral(
        "usage: talvix-cli [GLOBAL OPTIONS] dump [--fast]\n"
        "Reads every readable register and prints label, address (2 hexadecimal digits)\n"
        "and raw word (4 hexadecimal digits), separated by tabs.\n"
        "  --fast  Fast read-out (USB SPI card only): all of them in as few card transfers\n"
        "          as the card takes, instead of one transfer per register\n"
        "exit status: 0 all read; 1 a read did not reach the sensor (no line for it or\n"
        "after it)\n");
  }
  return {};
}

namespace {

bool IsHelp(const QString& word) {
  return word == QLatin1String("--help") || word == QLatin1String("-h");
}

// The commands whose operands their own parsers check once the register table is at hand.
bool TakesOptions(const QString& command) {
  return command == QLatin1String("log") || command == QLatin1String("capture") ||
         command == QLatin1String("settings") || command == QLatin1String("analyse");
}

// The commands that read registers in passes, which Fast read-out batches.
bool TakesFast(const QString& command) {
  return command == QLatin1String("read") || command == QLatin1String("dump") ||
         command == QLatin1String("log");
}

bool OverUsbCard(startup::InterfaceChoice choice) {
  return choice == startup::InterfaceChoice::kSimUsb || choice == startup::InterfaceChoice::kUsb;
}

}  // namespace

std::optional<CliOptions> ParseCliOptions(const QStringList& args, QString& error) {
  CliOptions options;
  bool interface_given = false;
  qsizetype i = 0;
  for (; i < args.size() && (args[i].startsWith(QLatin1String("--")) || IsHelp(args[i])); ++i) {
    const QString& option = args[i];
    if (IsHelp(option)) {
      options.help = true;
      return options;
    }
    if (option == QLatin1String("--sim-shocks")) {
      options.sim_shocks = true;
      continue;
    }
    if (option != QLatin1String("--interface") && option != QLatin1String("--sim-trace") &&
        option != QLatin1String("--usb-ids") && option != QLatin1String("--sim-vibration") &&
        option != QLatin1String("--sim-usb-latency")) {
      error = QStringLiteral("unknown option \"%1\"").arg(option);
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      error = QStringLiteral("%1 needs a value").arg(option);
      return std::nullopt;
    }
    const QString& value = args[++i];
    if (option == QLatin1String("--interface")) {
      if (interface_given) {
        error = QStringLiteral("--interface given twice");
        return std::nullopt;
      }
      interface_given = true;
      if (!ParseInterface(value, options, error)) return std::nullopt;
    } else if (option == QLatin1String("--usb-ids")) {
      QString why;
      if (!platform::ParseUsbIdsValue(value, why)) {
        error = QStringLiteral("--usb-ids: %1").arg(why);
        return std::nullopt;
      }
      options.usb_ids = value;
    } else if (option == QLatin1String("--sim-vibration")) {
      const std::optional<sim::AddedVibration> vibration = sim::ParseVibrationOption(value, error);
      if (!vibration) return std::nullopt;
      options.sim_vibrations.push_back(*vibration);
    } else if (option == QLatin1String("--sim-usb-latency")) {
      if (!ParseDecimal(value, false, options.sim_usb_latency_ms) ||
          options.sim_usb_latency_ms > simbench::kMaxSimUsbLatencyMs) {
        error = QStringLiteral("bad --sim-usb-latency \"%1\": give milliseconds from 0 to %2")
                    .arg(value)
                    .arg(simbench::kMaxSimUsbLatencyMs);
        return std::nullopt;
      }
    } else {
      options.trace_path = value;
    }
  }
  if (i >= args.size()) {
    error = QStringLiteral("no command given");
    return std::nullopt;
  }
  options.command = args[i];
  options.operands = args.mid(i + 1);
  const QString& c = options.command;
  const bool known = c == QLatin1String("read") || c == QLatin1String("write") ||
                     c == QLatin1String("dump") || c == QLatin1String("udev-rules") ||
                     c == QLatin1String("selftest") || TakesOptions(c);
  if (!known) {
    error = QStringLiteral("unknown command \"%1\"").arg(c);
    return std::nullopt;
  }
  if (std::any_of(options.operands.begin(), options.operands.end(), IsHelp)) {
    options.command_help = true;
    return options;
  }
  if (!options.trace_path.isEmpty() && !startup::IsSimulated(options.interface)) {
    error = QStringLiteral("--sim-trace needs a simulated interface (sim-lpt or sim-usb)");
    return std::nullopt;
  }
  if (!options.trace_path.isEmpty()) {
    error = sim::FrameTrace::TargetProblem(options.trace_path);
    if (!error.isEmpty()) return std::nullopt;
  }
  if (options.sim_shocks && !startup::IsSimulated(options.interface)) {
    error = QStringLiteral("--sim-shocks needs a simulated interface (sim-lpt or sim-usb)");
    return std::nullopt;
  }
  if (!options.sim_vibrations.empty() && !startup::IsSimulated(options.interface)) {
    error = QStringLiteral("--sim-vibration needs a simulated interface (sim-lpt or sim-usb)");
    return std::nullopt;
  }
  if (options.sim_usb_latency_ms > 0 && options.interface != startup::InterfaceChoice::kSimUsb) {
    error = QStringLiteral("--sim-usb-latency needs --interface sim-usb");
    return std::nullopt;
  }
  if (TakesFast(c)) {
    const qsizetype given = options.operands.removeAll(QStringLiteral("--fast"));
    options.fast = given > 0;
    if (given > 1) {
      error = QStringLiteral("%1: --fast given twice").arg(c);
      return std::nullopt;
    }
    if (options.fast && !OverUsbCard(options.interface)) {
      error = QStringLiteral(
                  "%1: --fast needs the USB SPI card (--interface usb:<n> or sim-usb); the "
                  "parallel port reads register by register")
                  .arg(c);
      return std::nullopt;
    }
  }
  if (c == QLatin1String("read")) {
    if (options.operands.isEmpty()) error = QStringLiteral("read needs at least one label");
  } else if (c == QLatin1String("write")) {
    if (options.operands.size() != 2) error = QStringLiteral("write needs a label and a value");
  } else if (c == QLatin1String("dump") || c == QLatin1String("udev-rules")) {
    if (!options.operands.isEmpty()) error = QStringLiteral("%1 takes no operands").arg(c);
  } else if (c == QLatin1String("selftest")) {
    if (options.operands.size() > 1 ||
        (options.operands.size() == 1 && options.operands[0] != QLatin1String("--jsonl"))) {
      error = QStringLiteral("selftest takes only --jsonl");
    }
  }
  if (!error.isEmpty()) return std::nullopt;
  return options;
}

}  // namespace talvix::cli
