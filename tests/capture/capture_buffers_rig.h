// SPDX-License-Identifier: MIT
// The sensor's two capture buffers for read-out tests: a register file on the simulated USB card
// that, whenever CAPT_PNTR is written, puts the samples at that pointer into CAPT_BUF_0 and
// CAPT_BUF_1. Every frame is seen and every sample is exact.
#pragma once

#include "registers/register_index.h"
#include "support/register_file_sensor.h"
#include "support/sim_session.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace talvix::test {

// Buffer 0 at pointers 1..8, flag bits above the 14-bit field included, and its codes (index 0
// unused). Buffer 1 holds -pointer at every pointer.
inline constexpr uint16_t kBuffer0Words[] = {0x0001, 0x3FFF, 0x2000, 0x1FFF,
                                             0xC064, 0x0000, 0x0010, 0x3F9C};
inline const std::vector<double> kBuffer0Codes = {0, 1, -1, -8192, 8191, 100, 0, 16, -100};

// The write frame that sets CAPT_PNTR's low byte (0x2A) to `pointer`.
inline bool SetsPointer(uint16_t sent, int pointer) {
  return sent == (0x8000 | 0x2A << 8 | pointer);
}

class CaptureBuffersRig {
 public:
  CaptureBuffersRig() {
    sim.usb.SetSpiWire([this](uint16_t sent) { return Frame(sent); });
  }

  RegisterFileSensor device;
  SimSession sim{1, SimWiring::kUsbCard};
  std::function<void(uint16_t sent)> on_frame;  // sees each frame before the sensor does

 private:
  uint16_t Frame(uint16_t sent) {
    if (on_frame) on_frame(sent);
    const uint16_t answer = device.Transfer(sent);
    if ((sent & 0x8000) != 0 && ((sent >> 8) & 0x7F) == 0x2A) {
      const int pointer = device.Get(registers::kCaptPntr);
      device.Set(registers::kCaptBuf0,
                 pointer >= 1 && pointer <= 8 ? kBuffer0Words[pointer - 1] : 0);
      device.Set(registers::kCaptBuf1, static_cast<uint16_t>(-pointer & 0x3FFF));
    }
    return answer;
  }
};

}  // namespace talvix::test
