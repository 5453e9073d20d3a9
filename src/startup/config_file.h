// SPDX-License-Identifier: MIT
// CommPort.cfg: the interface, the parallel port's address and the factory level, kept from one
// run to the next as three "key = value" lines in the working directory.
#pragma once

#include <QString>

#include <cstdint>

namespace talvix::startup {

inline constexpr char kConfigFileName[] = "CommPort.cfg";

struct ConfigSettings {
  int16_t InterfaceType = 0;  // 0 none, 1 parallel port, 2 USB SPI card
  int16_t PortAddress = 0;    // decimal in the file (888 is 0x378)
  int16_t FactoryFlag = 0;
  bool operator==(const ConfigSettings&) const = default;
};

// Reads the file if it exists and sets the settings named in it; the others keep their values.
// Items end at a line end or a comma. An item counts only as "key = value" with exactly one space
// on each side of the first "=" and a decimal value that fits 16 bits (blanks around it allowed);
// anything else is ignored, and the keys read before it are kept. A key met twice takes its last
// value. A missing file is no error: the settings keep their values. False, with the file's name
// and the reason in `error`, when something by that name exists but cannot be read as a file (a
// folder, a named pipe, a link to either, a file without read permission); it is never opened in
// a way that could block.
bool ReadConfig(const QString& path, ConfigSettings& settings, QString* error = nullptr);

// Replaces the file with the three lines "Interface = ", "Port Address = ", "Factory = " and
// their values: written whole beside it and renamed over it, so that a full disk or a crash never
// leaves it half written. A symbolic link to a regular file stays a link and its target is
// replaced; a link to anything else, a folder or a named pipe is refused. False, with the file's
// name and the reason in `error`, when it fails; the old file is then as it was.
bool WriteConfig(const QString& path, const ConfigSettings& settings, QString& error);

}  // namespace talvix::startup
