// SPDX-License-Identifier: MIT
// The project's own USB ids, for the simulated and emulated cards and the tests. They are
// placeholders, no maker's: the USB-IF hands out vendor ids from the bottom of the range and has
// given none this high. A real installation sets its cards' ids (platform/usb_card_ids.h); these
// are never looked for on a real bus unless a user sets them.
#pragma once

#include "platform/usb_card_ids.h"

#include <cstdint>

namespace talvix::sim {

inline constexpr uint16_t kPlaceholderVendorId = 0xFFFE;
inline constexpr uint16_t kPlaceholderPellowProductId = 0x0001;
inline constexpr uint16_t kPlaceholderQuarnProductId = 0x0002;
// A device of the same vendor that is no card type, and a device of another vendor.
inline constexpr uint16_t kPlaceholderForeignProductId = 0x00F0;
inline constexpr uint16_t kPlaceholderOtherVendorId = 0xFFFD;
inline constexpr uint16_t kPlaceholderOtherProductId = 0x0001;

inline const platform::UsbCardIds kPlaceholderUsbCardIds{
    kPlaceholderVendorId, kPlaceholderPellowProductId, kPlaceholderQuarnProductId};

// The setting a session on the simulated bench, or on emulated cards, runs with.
inline platform::UsbCardIdsSetting PlaceholderUsbCardIdsSetting() {
  return {kPlaceholderUsbCardIds, QStringLiteral("the simulated bench"), QString()};
}

}  // namespace talvix::sim
