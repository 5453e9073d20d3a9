// SPDX-License-Identifier: MIT
// A parallel port with the simulated sensor on its lines. It decodes the data-register writes
// as an SPI slave on those lines sees them: chip select on bit 0, clock on bit 1, complemented
// data on bit 2; the input bit is taken when the clock falls, most significant bit first, and the
// sensor's output bit is valid while the clock is high, shown complemented on status bit 6.
#pragma once

#include "platform/port_io.h"
#include "sim/sim_sensor.h"

#include <cstdint>

namespace talvix::sim {

class SimPort : public platform::PortIo {
 public:
  // The port answers at `base_address` (data) and `base_address` + 1 (status).
  SimPort(SimSensor& sensor, uint16_t base_address) : sensor_(sensor), base_(base_address) {}

  bool Out(uint16_t port, uint8_t value) override;
  bool In(uint16_t port, uint8_t& value) override;

  // Fault injection: from now on every access fails (as when the port's device went away), or
  // works again.
  void SetAccessFails(bool fails) { access_fails_ = fails; }

  uint8_t data_register() const { return data_; }
  // Frames cut short (chip select dropped before 16 clocks); the sensor ignores them.
  int incomplete_frames() const { return incomplete_frames_; }

 private:
  SimSensor& sensor_;
  uint16_t base_;
  uint8_t data_ = 0;
  bool in_frame_ = false;
  int bit_count_ = 0;
  uint16_t received_ = 0;
  uint16_t sending_ = 0;
  bool output_bit_ = false;
  int incomplete_frames_ = 0;
  bool access_fails_ = false;
};

}  // namespace talvix::sim
