// SPDX-License-Identifier: MIT
// A parallel port that records every byte written to it and answers status reads from a script.
#pragma once

#include "platform/port_io.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace talvix::test {

class RecordingPort : public platform::PortIo {
 public:
  struct Write {
    uint16_t port;
    uint8_t value;
    bool operator==(const Write&) const = default;
  };

  bool Out(uint16_t port, uint8_t value) override {
    writes.push_back({port, value});
    return !fail;
  }
  bool In(uint16_t port, uint8_t& value) override {
    reads.push_back(port);
    if (status_script.empty()) {
      value = status_level;
    } else {
      value = status_script.front();
      status_script.pop_front();
    }
    return !fail;
  }

  // Values written to one register, in order.
  std::vector<uint8_t> ValuesAt(uint16_t port) const {
    std::vector<uint8_t> values;
    for (const Write& w : writes) {
      if (w.port == port) values.push_back(w.value);
    }
    return values;
  }

  std::vector<Write> writes;
  std::vector<uint16_t> reads;
  std::deque<uint8_t> status_script;  // answers to status reads, first to last
  uint8_t status_level = 0x00;        // answer once the script is used up
  bool fail = false;                  // every access reports failure
};

}  // namespace talvix::test
