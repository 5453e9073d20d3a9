// SPDX-License-Identifier: MIT
// Getting access to the parallel port's registers. On Linux this is opening and claiming the
// ppdev device whose base address is PortAddress; the program does it when the parallel port is
// brought into service at load and when the user confirms a port address. Also bringing a USB SPI
// card into service at load and in the command-line tool (the card itself is made current by
// link/card_selection.h).
#pragma once

#include "session/session.h"

#include <QString>

namespace talvix::startup {

inline constexpr char kPortDriverErrorText[] = "The required I/O drivers could not be installed.";
inline constexpr char kErrorTitle[] = "Error";

// Obtains access to the port at PortAddress unless it is already held for that address. On
// failure shows "The required I/O drivers could not be installed." with a second line that says
// why and how to fix it, and leaves PortDriverReady false so that a later attempt tries again.
// Returns PortDriverReady.
bool InstallPortDriver(Session& session);

// The parallel port at PortAddress is open and claimed.
bool ParallelPortReady(const Session& session);

// Brings the parallel port into service: access as InstallPortDriver obtains it, then the lines
// put at rest. Returns whether the port is ready.
bool BringUpParallelPort(Session& session);

// Brings the USB SPI card into service: scans, makes the first ready card current (or the card at
// "Ezusb-<device>" when one is named and ready) and sends it its static bits, then its delay
// between words. Returns whether the current card is ready.
bool BringUpUsbCard(Session& session, int device = -1);

// The operating system's name for the load step; on Linux "Linux", which counts as the NT family
// (port access must be set up, USB is offered).
QString DetectOsName();
bool IsNtFamily(const QString& os_name);

}  // namespace talvix::startup
