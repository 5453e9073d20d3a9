#include "cli/cli_options.h"

#include "common/hex_text.h"
#include "platform/usb_card_ids.h"

#include <QRegularExpression>

#include <algorithm>

namespace talvix::cli {

namespace {

constexpr uint kLastUsbDevice = 3;  // the cards are "Ezusb-0" .. "Ezusb-3"

bool ParseInterface(const QString& text, CliOptions& options, QString& error) {
  if (text == QLatin1String("sim-lpt")) {
    options.interface = InterfaceChoice::kSimParallel;
    return true;
  }
  if (text == QLatin1String("sim-usb")) {
    options.interface = InterfaceChoice::kSimUsb;
    return true;
  }
  if (text.startsWith(QLatin1String("lpt:"))) {
    const std::optional<uint16_t> address = common::ParseHexWord(QStringView(text).mid(4));
    if (!address || *address == 0) {
      error = QStringLiteral("bad port address in \"%1\": give it in hexadecimal, as lpt:378")
                  .arg(text);
      return false;
    }
    options.interface = InterfaceChoice::kParallel;
    options.port_address = *address;
    return true;
  }
  if (text.startsWith(QLatin1String("usb:"))) {
    // Digits only: no sign, blanks, base prefix or anything after the number.
    static const QRegularExpression kDecimal(QStringLiteral("^[0-9]+$"));
    const QString index = text.mid(4);
    bool ok = kDecimal.match(index).hasMatch();
    const uint n = ok ? index.toUInt(&ok) : 0;  // not ok when it overflows
    if (!ok || n > kLastUsbDevice) {
      error = QStringLiteral("bad USB device in \"%1\": give 0 to %2, as usb:0")
                  .arg(text)
                  .arg(kLastUsbDevice);
      return false;
    }
    options.interface = InterfaceChoice::kUsb;
    options.usb_device = static_cast<int>(n);
    return true;
  }
  error = QStringLiteral("unknown interface \"%1\"").arg(text);
  return false;
}

}  // namespace

bool IsSimulated(InterfaceChoice choice) {
  return choice == InterfaceChoice::kSimParallel || choice == InterfaceChoice::kSimUsb;
}

QString UsageText() {
  return QStringLiteral(
      "usage: talvix-cli [--interface sim-lpt|sim-usb|lpt:<hex address>|usb:<n>]\n"
      "                  [--usb-ids VVVV:PPPP,QQQQ] [--sim-trace FILE] [--sim-shocks]\n"
      "                  COMMAND [OPERANDS]\n"
      "commands: read, write, dump, log, capture, settings, selftest, udev-rules\n"
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
      "                    1.5 g on Y), to try event capture\n"
      "  --help            this text\n"
      "\n"
      "commands:\n"
      "  read LABEL...     label, raw word (hex), code and value of each register\n"
      "  write LABEL HEX   write a register (up to four hexadecimal digits)\n"
      "  dump              label, address and raw word of every readable register\n"
      "  log [--values LIST] [--samples N] [--delay MS] [--output FILE]\n"
      "      [--status jsonl]\n"
      "                    the datalog's values as CSV, one row per sample\n"
      "  capture --source1 NAME --source2 NAME --length N --pretrigger M --trigger 1|2\n"
      "          --level VALUE --above|--below [--timeout S] [--output DIR]\n"
      "                    configure, arm and wait for an event capture, then write\n"
      "                    its two buffers as CapDat_0 and CapDat_1\n"
      "  settings save FILE | settings load FILE [--dry-run]\n"
      "                    the sensor's user settings saved to a file and restored\n"
      "  selftest [--jsonl]\n"
      "                    check the interface and the sensor step by step, without\n"
      "                    changing anything that stays changed\n"
      "  udev-rules        the udev rule that gives access to this installation's USB\n"
      "                    SPI cards, made from their configured ids\n"
      "talvix-cli COMMAND --help tells more of each.\n"
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
        "usage: talvix-cli [GLOBAL OPTIONS] read LABEL...\n"
        "Reads each register named (by its label, any case) and prints one line per\n"
        "register: label, raw word (4 hexadecimal digits), code and value, tab-separated.\n"
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
        "usage: talvix-cli [GLOBAL OPTIONS] dump\n"
        "Reads every readable register and prints label, address (2 hexadecimal digits)\n"
        "and raw word (4 hexadecimal digits), separated by tabs.\n"
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
         command == QLatin1String("settings");
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
        option != QLatin1String("--usb-ids")) {
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
  if (!options.trace_path.isEmpty() && !IsSimulated(options.interface)) {
    error = QStringLiteral("--sim-trace needs a simulated interface (sim-lpt or sim-usb)");
    return std::nullopt;
  }
  if (options.sim_shocks && !IsSimulated(options.interface)) {
    error = QStringLiteral("--sim-shocks needs a simulated interface (sim-lpt or sim-usb)");
    return std::nullopt;
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
