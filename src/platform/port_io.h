// The parallel port as the SPI bit patterns see it: one byte written to or read from an I/O
// address. The data register is at the port's base address, the status register at base + 1.
#pragma once

#include <cstdint>

namespace talvix::platform {

class PortIo {
 public:
  virtual ~PortIo() = default;
  // Writes one byte to the register at `port` at once.
  virtual void Out(uint16_t port, uint8_t value) = 0;
  // Returns the byte present at `port` now.
  virtual uint8_t In(uint16_t port) = 0;
};

}  // namespace talvix::platform
