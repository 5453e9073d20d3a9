// SPDX-License-Identifier: MIT
// The interface a run talks through, as talvix-cli's --interface and the Python module's open()
// name it: "sim-lpt" and "sim-usb" (the simulated sensor behind a simulated parallel port or USB
// SPI card), "lpt:<hex base address>" (the parallel port at that address, as lpt:378) and
// "usb:<n>" (the USB SPI card Ezusb-<n>, 0 to 3).
#pragma once

#include <QString>

#include <cstdint>

namespace talvix::startup {

enum class InterfaceChoice { kSimParallel, kParallel, kSimUsb, kUsb };

struct NamedInterface {
  InterfaceChoice choice = InterfaceChoice::kSimParallel;
  uint16_t port_address = 0x378;  // for the parallel port
  int usb_device = 0;             // for the USB card: the n of "Ezusb-n"
};

// Reads `text` into `named`; false, with a message for the user in `error`, when it names no
// interface (`named` is then as it was).
bool ParseInterface(const QString& text, NamedInterface& named, QString& error);

bool IsSimulated(InterfaceChoice choice);

}  // namespace talvix::startup
