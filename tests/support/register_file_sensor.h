// SPDX-License-Identifier: MIT
// A sensor that is nothing but a register file, for tests that need exact register words (a
// STATUS of 0x0301, ALM_CTRL 0x0A03): a read frame is answered with the stored word during the
// next frame, a write frame stores its byte. Every frame sent is kept. Wire it to a simulated USB
// card with SimUsbDriver::SetSpiWire.
#pragma once

#include "registers/register_table.h"

#include <array>
#include <cstdint>
#include <vector>

namespace talvix::test {

class RegisterFileSensor {
 public:
  RegisterFileSensor() { table_.BuildRegisterTable(); }

  uint16_t Transfer(uint16_t sent) {
    sent_.push_back(sent);
    const uint16_t answer = pending_;
    const int address = (sent >> 8) & 0x7F;
    if ((sent & 0x8000) != 0) {
      bytes_[address] = static_cast<uint8_t>(sent & 0xFF);
      pending_ = 0;
    } else {
      pending_ = WordAt(address & 0x7E);
    }
    return answer;
  }

  void Set(int16_t index, uint16_t word) {
    const int base = table_.at(index).BaseAddr;
    bytes_[base] = static_cast<uint8_t>(word & 0xFF);
    bytes_[base + 1] = static_cast<uint8_t>(word >> 8);
  }
  uint16_t Get(int16_t index) const { return WordAt(table_.at(index).BaseAddr); }

  // Byte addresses of the read frames sent, in order (both frames of a USB read count once).
  std::vector<int> ReadAddresses() const {
    std::vector<int> addresses;
    for (std::size_t i = 0; i < sent_.size(); ++i) {
      if ((sent_[i] & 0x8000) != 0) continue;
      addresses.push_back((sent_[i] >> 8) & 0x7F);
      if (i + 1 < sent_.size() && sent_[i + 1] == sent_[i]) ++i;  // the answering frame
    }
    return addresses;
  }

  // Words written to a register (upper byte frame, then lower byte frame), in order.
  std::vector<uint16_t> Writes(int16_t index) const {
    const int base = table_.at(index).BaseAddr;
    std::vector<uint16_t> words;
    for (std::size_t i = 0; i + 1 < sent_.size(); ++i) {
      const uint16_t high = sent_[i];
      const uint16_t low = sent_[i + 1];
      if (high == (0x8000 | (base + 1) << 8 | (high & 0xFF)) &&
          low == (0x8000 | base << 8 | (low & 0xFF))) {
        words.push_back(static_cast<uint16_t>((high & 0xFF) << 8 | (low & 0xFF)));
      }
    }
    return words;
  }

  const std::vector<uint16_t>& sent() const { return sent_; }
  void ClearSent() { sent_.clear(); }

 private:
  uint16_t WordAt(int even) const {
    return static_cast<uint16_t>(bytes_[even + 1] << 8 | bytes_[even]);
  }

  registers::RegisterTable table_;
  std::array<uint8_t, 128> bytes_{};
  std::vector<uint16_t> sent_;
  uint16_t pending_ = 0;
};

}  // namespace talvix::test
