// SPDX-License-Identifier: MIT
// SPI over the parallel port, bit by bit: chip select on data bit 0, clock on bit 1, the
// complemented data to the sensor on bit 2, and the complemented data from the sensor on status
// bit 6. The bit rate is set only by the speed of the port writes; each frame ends with a 0.1 ms
// pause.
#pragma once

#include "link/delay.h"
#include "platform/port_io.h"

#include <cstdint>
#include <optional>

namespace talvix::link {

// Data-register levels of the SPI lines.
inline constexpr uint8_t kLptChipSelect = 0x01;
inline constexpr uint8_t kLptClock = 0x02;
inline constexpr uint8_t kLptDataOut = 0x04;  // complemented: 0 sends a 1
inline constexpr uint8_t kLptDataIn = 0x40;   // status bit 6, complemented: 0 reads a 1

class LptSpi {
 public:
  // The interface type, port address and response word are the register operations' own state;
  // this class reads the first two afresh on every call and accumulates into the third.
  LptSpi(const int16_t& interface_type, const int16_t& port_address, int32_t& raw_word,
         Delay& delay)
      : interface_type_(interface_type),
        port_address_(port_address),
        raw_word_(raw_word),
        delay_(delay) {}

  // The port the patterns are written to; nullptr while none is open (nothing is sent).
  void SetPort(platform::PortIo* port) { port_ = port; }
  platform::PortIo* port() const { return port_; }

  // One complete frame with bits 15..0 of `word`, then 0.1 ms. Only on interface 1. False when
  // a port access failed: the frame did not reach the sensor whole.
  bool LptSendWord(int32_t word);
  // Sends the read frame for `addr` (masked to 7 bits, in the caller's variable too), then clocks
  // the answer in during a frame of zero bits. Returns it (0..65535), also in the response word;
  // nothing (and 0 in the response word) when no port is open or a port access failed.
  std::optional<int32_t> LptReadWord(int16_t& addr);
  // Puts the lines at rest.
  void LptReset();

 private:
  bool Active() const { return interface_type_ == 1 && port_ != nullptr; }
  uint16_t DataPort() const { return static_cast<uint16_t>(port_address_); }
  uint16_t StatusPort() const { return static_cast<uint16_t>(port_address_ + 1); }
  // Writes the data register; a failure is remembered until the end of the frame.
  void Out(uint8_t value) { ok_ = port_->Out(DataPort(), value) && ok_; }

  const int16_t& interface_type_;
  const int16_t& port_address_;
  int32_t& raw_word_;
  Delay& delay_;
  platform::PortIo* port_ = nullptr;
  bool ok_ = true;  // every port access of the frame under way succeeded
};

}  // namespace talvix::link
