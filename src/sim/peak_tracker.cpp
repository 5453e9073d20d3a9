// SPDX-License-Identifier: MIT
#include "sim/peak_tracker.h"

#include "registers/register_bits.h"

#include <cstdlib>

namespace talvix::sim {

void PeakTracker::Update(SampleCodes& codes) {
  using namespace registers;
  const int32_t x = codes[kSourceX];
  const int32_t y = codes[kSourceY];
  const int32_t rss = codes[kSourceRss];
  if (std::abs(x) > std::abs(x_)) x_ = x;
  if (std::abs(y) > std::abs(y_)) y_ = y;
  if (rss > rss_) rss_ = rss;
  Fill(codes);
}

void PeakTracker::Fill(SampleCodes& codes) const {
  using namespace registers;
  codes.by_source[kSourceXPeak] = x_;
  codes.by_source[kSourceYPeak] = y_;
  codes.by_source[kSourceRssPeak] = rss_;
}

}  // namespace talvix::sim
