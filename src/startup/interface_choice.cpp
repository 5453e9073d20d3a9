// SPDX-License-Identifier: MIT
#include "startup/interface_choice.h"

#include "common/hex_text.h"

#include <QRegularExpression>

#include <optional>

namespace talvix::startup {

namespace {

constexpr uint kLastUsbDevice = 3;  // the cards are "Ezusb-0" .. "Ezusb-3"

}  // namespace

bool ParseInterface(const QString& text, NamedInterface& named, QString& error) {
  if (text == QLatin1String("sim-lpt")) {
    named.choice = InterfaceChoice::kSimParallel;
    return true;
  }
  if (text == QLatin1String("sim-usb")) {
    named.choice = InterfaceChoice::kSimUsb;
    return true;
  }
  if (text.startsWith(QLatin1String("lpt:"))) {
    const std::optional<uint16_t> address = common::ParseHexWord(QStringView(text).mid(4));
    if (!address || *address == 0) {
      error = QStringLiteral("bad port address in \"%1\": give it in hexadecimal, as lpt:378")
                  .arg(text);
      return false;
    }
    named.choice = InterfaceChoice::kParallel;
    named.port_address = *address;
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
    named.choice = InterfaceChoice::kUsb;
    named.usb_device = static_cast<int>(n);
    return true;
  }
  error = QStringLiteral("unknown interface \"%1\"").arg(text);
  return false;
}

bool IsSimulated(InterfaceChoice choice) {
  return choice == InterfaceChoice::kSimParallel || choice == InterfaceChoice::kSimUsb;
}

}  // namespace talvix::startup
