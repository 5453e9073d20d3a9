// SPDX-License-Identifier: MIT
// The parallel port as the SPI bit patterns see it: one byte written to or read from an I/O
// address. The data register is at the port's base address, the status register at base + 1.
#pragma once

#include <cstdint>

namespace talvix::platform {

class PortIo {
 public:
  virtual ~PortIo() = default;
  // Writes one byte to the register at `port` at once. False when the access failed.
  [[nodiscard]] virtual bool Out(uint16_t port, uint8_t value) = 0;
  // Reads the byte present at `port` now into `value`. False, `value` unspecified, when the
  // access failed.
  [[nodiscard]] virtual bool In(uint16_t port, uint8_t& value) = 0;
};

}  // namespace talvix::platform
