// SPDX-License-Identifier: MIT
// The USB identity of the SPI cards: the card maker's vendor id and the product ids of the two
// card types. They belong to the installation, not to the program: none is built in. They come
// from, in this order (the first one present decides):
//
//   1. the option --usb-ids VVVV:PPPP,QQQQ of talvix and talvix-cli;
//   2. the environment variable TALVIX_USB_IDS, in the same form;
//   3. the file usb-cards.conf in the user's configuration folder (~/.config/talvix/);
//   4. the file /etc/talvix/usb-cards.conf.
//
// VVVV is the vendor id, PPPP the product id of the card type "Pellow", QQQQ that of "Quarn", in
// hexadecimal (1 to 4 digits, "0x" allowed). One product id may be left out ("VVVV:PPPP" or
// "VVVV:,QQQQ") when only one card type is in use. The file holds the same as lines:
//
//   # the bench's USB SPI cards, as lsusb shows them ("ID vvvv:pppp")
//   vendor = vvvv
//   pellow = pppp
//   quarn = qqqq
//
// A source that is malformed is refused with the line named, and the program goes on without
// the card: a lower source is not tried, since it is the one the user meant to override.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace talvix::platform {

struct UsbCardIds {
  uint16_t vendor_id = 0;
  std::optional<uint16_t> pellow_product_id;  // card type "Pellow"
  std::optional<uint16_t> quarn_product_id;   // card type "Quarn"

  bool operator==(const UsbCardIds&) const = default;
};

inline constexpr char kUsbIdsEnvironmentVariable[] = "TALVIX_USB_IDS";
inline constexpr char kUsbIdsOption[] = "--usb-ids";
inline constexpr char kUsbCardsFileName[] = "usb-cards.conf";
inline constexpr char kSystemUsbCardsFile[] = "/etc/talvix/usb-cards.conf";

// "VVVV:PPPP,QQQQ"; nothing, with the reason in `error`, when malformed.
std::optional<UsbCardIds> ParseUsbIdsValue(const QString& text, QString& error);
// The form of `text`, as the option and the environment variable take it.
QString UsbIdsValueText(const UsbCardIds& ids);

// The lines of a usb-cards.conf; nothing, with "line N: reason" in `error`, when malformed.
std::optional<UsbCardIds> ParseUsbCardsFile(const QString& text, QString& error);

// What the installation says, and where it said it.
struct UsbCardIdsSetting {
  std::optional<UsbCardIds> ids;
  QString source;   // "--usb-ids", "TALVIX_USB_IDS" or a file's path; empty when nothing is set
  QString problem;  // why a source present was refused (source and line named); else empty
};

// `option_value` is the option's value, nothing when the option was not given;
// `environment_value` likewise; `files` in the order they are tried.
UsbCardIdsSetting ResolveUsbCardIds(const std::optional<QString>& option_value,
                                    const std::optional<QString>& environment_value,
                                    const QStringList& files);
// The user's file, then the system's.
QStringList UsbCardsFiles();
// ResolveUsbCardIds on this process's environment and the two files.
UsbCardIdsSetting LoadUsbCardIds(const std::optional<QString>& option_value);

// The message for a user who asked for a card while no ids are set: that none are set (or why
// the one set was refused), where to set them, and how to read them off the card.
QString NoUsbCardIdsText(const UsbCardIdsSetting& setting);

}  // namespace talvix::platform
