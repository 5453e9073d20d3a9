// SPDX-License-Identifier: MIT
// The frames a sensor sees when the program reads a list of registers, for tests of the wire:
// register by register as each interface sends a read (the parallel port: the read frame, then a
// zero frame; the USB SPI card: the read frame twice), or batched over the card (every read frame,
// then the last one again).
#pragma once

#include "registers/register_table.h"
#include "support/sim_session.h"

#include <cstdint>
#include <span>
#include <vector>

namespace talvix::test {

inline std::vector<uint16_t> ReadFrames(const registers::RegisterTable& table,
                                        std::span<const int16_t> indices, SimWiring wiring,
                                        bool batched) {
  std::vector<uint16_t> frames;
  for (const int16_t index : indices) {
    const auto read = static_cast<uint16_t>((table.at(index).BaseAddr & 0x7F) << 8);
    frames.push_back(read);
    if (!batched) frames.push_back(wiring == SimWiring::kUsbCard ? read : uint16_t{0});
  }
  if (batched && !frames.empty()) frames.push_back(frames.back());
  return frames;
}

}  // namespace talvix::test
