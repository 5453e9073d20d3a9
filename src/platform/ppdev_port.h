// SPDX-License-Identifier: MIT
// The real parallel port on Linux through ppdev: the /dev/parportN whose base address (as the
// kernel lists it in /proc/sys/dev/parport/parportN/base-addr) is the configured port address.
// Works without root for members of group lp. The port is claimed while this object lives, and
// released with its data and control registers as they were found at the claim, so that a printer
// or another program finds the port as it left it.
//
// Every byte written or read passes through one function that logs it, with the ioctl's name and
// the byte in hex, under the logging category talvix.link.lpt at debug level (off by default:
// QT_LOGGING_RULES="talvix.link.lpt.debug=true" turns it on).
#pragma once

#include "platform/port_io.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace talvix::platform {

inline constexpr char kParportProcRoot[] = "/proc/sys/dev/parport";

// Number N of the parportN whose first base address is `base_address`; nothing, with the reason
// and the fix in `error`, when no port has that address or the kernel lists none.
std::optional<int> FindParportNumber(uint16_t base_address, QString& error,
                                     const QString& proc_root = QLatin1String(kParportProcRoot));

class PpdevPort : public PortIo {
 public:
  // Opens and claims the port at `base_address`; nullptr with the reason and the fix in `error`.
  static std::unique_ptr<PpdevPort> Open(uint16_t base_address, QString& error);
  ~PpdevPort() override;
  PpdevPort(const PpdevPort&) = delete;
  PpdevPort& operator=(const PpdevPort&) = delete;

  // base: data register; base + 2: control register. Other addresses are ignored (the status
  // register is read-only). False when the ioctl failed (the port went away, for example).
  bool Out(uint16_t port, uint8_t value) override;
  // base + 1: status register; base: data; base + 2: control. Others read 0xFF. False when the
  // ioctl failed.
  bool In(uint16_t port, uint8_t& value) override;

 private:
  // A register's value at the claim, to be written back at the release once the program has
  // written the register. Nothing when it could not be read at the claim.
  struct Found {
    std::optional<uint8_t> value;
    bool changed = false;
  };

  PpdevPort(int fd, uint16_t base) : fd_(fd), base_(base) {}
  // The I/O address `offset` above the base, wrapping within 16 bits as the port numbers do.
  uint16_t Register(int offset) const { return static_cast<uint16_t>(base_ + offset); }
  // The one road of every byte to and from the port: runs the ioctl `request` (named `name` in the
  // log) on `byte` and logs it. False when the ioctl failed.
  bool Transfer(unsigned long request, const char* name, uint8_t& byte) const;
  // Reads the data and control registers just after the claim.
  void NoteFoundRegisters();
  // Writes back the registers the program changed, as they were found.
  void RestoreFoundRegisters();

  int fd_;
  uint16_t base_;
  Found data_;
  Found control_;
};

}  // namespace talvix::platform
