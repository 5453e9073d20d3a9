// SPDX-License-Identifier: MIT
#include "usb_emulator/card_list.h"

#include "sim/placeholder_usb_ids.h"

#include <QStringList>

namespace talvix::usb_emulator {

namespace {

std::optional<uint16_t> PacketSize(const QString& text) {
  for (const uint16_t size : {512, 64, 32, 16, 8}) {
    if (text == QString::number(size)) return size;
  }
  return std::nullopt;
}

std::optional<sim::SimUsbCardSetup> SetupOf(const QString& kind) {
  sim::SimUsbCardSetup setup;
  if (kind == QLatin1String("pellow")) {
    setup.product_id = sim::kPlaceholderPellowProductId;
  } else if (kind == QLatin1String("quarn")) {
    setup.product_id = sim::kPlaceholderQuarnProductId;
  } else if (kind == QLatin1String("foreign")) {
    setup.product_id = sim::kPlaceholderForeignProductId;
  } else if (kind == QLatin1String("other")) {
    setup.vendor_id = sim::kPlaceholderOtherVendorId;
    setup.product_id = sim::kPlaceholderOtherProductId;
  } else {
    return std::nullopt;
  }
  return setup;
}

}  // namespace

std::optional<std::vector<EmulatedDevice>> ParseCardList(const QString& list, QString& error) {
  std::vector<EmulatedDevice> devices;
  const QString trimmed = list.trimmed().toLower();
  if (trimmed == QLatin1String("none")) return devices;
  const QStringList entries = trimmed.split(QLatin1Char(','));
  if (entries.size() > sim::SimUsbDriver::kMaxCards) {
    error = QStringLiteral("at most %1 devices, not %2")
                .arg(sim::SimUsbDriver::kMaxCards)
                .arg(entries.size());
    return std::nullopt;
  }
  for (const QString& raw : entries) {
    const QString entry = raw.trimmed();
    const QStringList parts = entry.split(QLatin1Char(':'));
    if (parts.size() > 2) {
      error = QStringLiteral("\"%1\": give a device kind and at most one packet size").arg(entry);
      return std::nullopt;
    }
    std::optional<sim::SimUsbCardSetup> setup = SetupOf(parts[0]);
    if (!setup) {
      error = QStringLiteral("\"%1\" is not a device kind: use pellow, quarn, foreign or other")
                  .arg(parts[0]);
      return std::nullopt;
    }
    if (parts.size() == 2) {
      const std::optional<uint16_t> size = PacketSize(parts[1]);
      if (!size) {
        error = QStringLiteral("\"%1\" is not a bulk packet size: use 512, 64, 32, 16 or 8")
                    .arg(parts[1]);
        return std::nullopt;
      }
      setup->max_packet = *size;
    }
    devices.push_back({.setup = *setup});
  }
  return devices;
}

}  // namespace talvix::usb_emulator
