// SPDX-License-Identifier: MIT
#include "sim/sim_port.h"

namespace talvix::sim {

namespace {
constexpr uint8_t kChipSelect = 0x01;
constexpr uint8_t kClock = 0x02;
constexpr uint8_t kDataLine = 0x04;         // complemented data to the sensor
constexpr uint8_t kDataFromSensor = 0x40;   // status bit 6, complemented
constexpr uint8_t kOtherStatusBits = 0x87;  // the lines a real port shows when nothing drives them
}  // namespace

bool SimPort::Out(uint16_t port, uint8_t value) {
  if (access_fails_) return false;
  if (port != base_) return true;  // the status register is read-only; control lines are unused
  const bool cs_before = data_ & kChipSelect;
  const bool clock_before = data_ & kClock;
  const bool cs_now = value & kChipSelect;
  const bool clock_now = value & kClock;
  data_ = value;

  if (!cs_before && cs_now) {  // frame starts: the sensor loads its answer
    in_frame_ = true;
    bit_count_ = 0;
    received_ = 0;
    sending_ = sensor_.PendingAnswer();
    output_bit_ = false;
    return true;
  }
  if (cs_before && !cs_now) {  // frame ends
    if (in_frame_) {
      if (bit_count_ == 16) {
        sensor_.Transfer(received_);
      } else {
        ++incomplete_frames_;
      }
    }
    in_frame_ = false;
    return true;
  }
  if (!in_frame_) return true;
  if (!clock_before && clock_now && bit_count_ < 16) {
    output_bit_ = (sending_ >> (15 - bit_count_)) & 1;
  } else if (clock_before && !clock_now) {
    const bool bit = !(value & kDataLine);
    received_ = static_cast<uint16_t>((received_ << 1) | (bit ? 1 : 0));
    ++bit_count_;
  }
  return true;
}

bool SimPort::In(uint16_t port, uint8_t& value) {
  if (access_fails_) return false;
  if (port != static_cast<uint16_t>(base_ + 1)) {  // the 16-bit address wraps
    value = 0xFF;
    return true;
  }
  const bool showing_one = in_frame_ && (data_ & kClock) && output_bit_;
  value = static_cast<uint8_t>(kOtherStatusBits | (showing_one ? 0 : kDataFromSensor));
  return true;
}

}  // namespace talvix::sim
