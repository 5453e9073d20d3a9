// SPDX-License-Identifier: MIT
// The peak registers: the X and Y codes of largest magnitude (sign kept) and the largest RSS code
// since power-up or the last COMMAND 0x0020. Reset, they read 0 until the next sample.
#pragma once

#include "sim/output_coding.h"

#include <cstdint>

namespace talvix::sim {

class PeakTracker {
 public:
  void Reset() { x_ = y_ = rss_ = 0; }
  // Takes one sample's X, Y and RSS codes and writes the peaks into its X_PEAK, Y_PEAK and
  // RSS_PEAK sources.
  void Update(SampleCodes& codes);
  // Writes the present peaks into `codes` without taking a sample.
  void Fill(SampleCodes& codes) const;

 private:
  int32_t x_ = 0;
  int32_t y_ = 0;
  int32_t rss_ = 0;
};

}  // namespace talvix::sim
