// SPDX-License-Identifier: MIT
// Which devices the emulator plugs in, and the short text form the command line gives them:
//
//   LIST   = "none" | DEVICE ["," DEVICE]...     at most four devices
//   DEVICE = KIND [":" PACKET]
//   KIND   = "pellow" | "quarn"                  the two card types
//          | "foreign"                           the card maker's vendor id, a product id of
//                                                neither type (not counted as a card)
//          | "other"                             a device of another maker (not numbered)
//   PACKET = "512" (high speed, the default) | "64" | "32" | "16" | "8" (full speed)
//
// The devices sit on bus 1 at addresses 2, 3, ... in the order given, so the i-th device of the
// card maker in the list is the one the program calls "Ezusb-i". Example:
// "pellow,quarn:64,foreign" puts a high-speed Pellow at Ezusb-0, a full-speed Quarn at Ezusb-1
// and a device with an unknown product id at Ezusb-2.
#pragma once

#include "sim/sim_usb_driver.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace talvix::usb_emulator {

// One device on the emulated bus, answered by a simulated card built from `setup`.
struct EmulatedDevice {
  sim::SimUsbCardSetup setup;
  uint8_t bus = 1;
  // 0 places it at the next free address on its bus, counting from 2 (address 1 is the root hub
  // on a real bus).
  uint8_t address = 0;
};

// The default when no LIST is given: one high-speed Pellow, "Ezusb-0".
inline constexpr char kDefaultCardList[] = "pellow";

// The devices of `list`, or nothing with the reason in `error`.
std::optional<std::vector<EmulatedDevice>> ParseCardList(const QString& list, QString& error);

}  // namespace talvix::usb_emulator
