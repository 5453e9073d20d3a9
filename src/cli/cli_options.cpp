#include "cli/cli_options.h"

#include <QRegularExpression>

namespace talvix::cli {

namespace {

constexpr uint kLastUsbDevice = 3;  // the cards are "Ezusb-0" .. "Ezusb-3"

bool ParseInterface(const QString& text, CliOptions& options, QString& error) {
  static const QRegularExpression kHex(QStringLiteral("^(0[xX])?([0-9A-Fa-f]{1,4})$"));
  if (text == QLatin1String("sim-lpt")) {
    options.interface = InterfaceChoice::kSimParallel;
    return true;
  }
  if (text == QLatin1String("sim-usb")) {
    options.interface = InterfaceChoice::kSimUsb;
    return true;
  }
  if (text.startsWith(QLatin1String("lpt:"))) {
    const QRegularExpressionMatch m = kHex.match(text.mid(4));
    if (!m.hasMatch() || m.captured(2).toUInt(nullptr, 16) == 0) {
      error = QStringLiteral("bad port address in \"%1\": give it in hexadecimal, as lpt:378")
                  .arg(text);
      return false;
    }
    options.interface = InterfaceChoice::kParallel;
    options.port_address = static_cast<uint16_t>(m.captured(2).toUInt(nullptr, 16));
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
      "                  [--sim-trace FILE] COMMAND\n"
      "commands:\n"
      "  read LABEL...     label, raw word, code and value of each register\n"
      "  write LABEL HEX   write a register (up to four hexadecimal digits)\n"
      "  dump              label, address and raw word of every readable register\n");
}

std::optional<CliOptions> ParseCliOptions(const QStringList& args, QString& error) {
  CliOptions options;
  qsizetype i = 0;
  for (; i < args.size() && args[i].startsWith(QLatin1String("--")); ++i) {
    const QString& option = args[i];
    if (option != QLatin1String("--interface") && option != QLatin1String("--sim-trace")) {
      error = QStringLiteral("unknown option \"%1\"").arg(option);
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      error = QStringLiteral("%1 needs a value").arg(option);
      return std::nullopt;
    }
    const QString& value = args[++i];
    if (option == QLatin1String("--interface")) {
      if (!ParseInterface(value, options, error)) return std::nullopt;
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
  if (!options.trace_path.isEmpty() && !IsSimulated(options.interface)) {
    error = QStringLiteral("--sim-trace needs a simulated interface (sim-lpt or sim-usb)");
    return std::nullopt;
  }
  const QString& c = options.command;
  if (c == QLatin1String("read")) {
    if (options.operands.isEmpty()) error = QStringLiteral("read needs at least one label");
  } else if (c == QLatin1String("write")) {
    if (options.operands.size() != 2) error = QStringLiteral("write needs a label and a value");
  } else if (c == QLatin1String("dump")) {
    if (!options.operands.isEmpty()) error = QStringLiteral("dump takes no operands");
  } else {
    error = QStringLiteral("unknown command \"%1\"").arg(c);
  }
  if (!error.isEmpty()) return std::nullopt;
  return options;
}

}  // namespace talvix::cli
