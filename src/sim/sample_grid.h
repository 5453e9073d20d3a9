// SPDX-License-Identifier: MIT
// The simulated sensor's sample clock. SMPL_PRD sets the period: bits 0-6 hold NS (the period
// multiplier less one) and bit 7 the time base (0: 0.12207 ms, 1: 3.784 ms), so
// Ts = time base x (NS + 1), from 0.122 ms (8192 samples per second) to 484 ms (2.06 per second).
// Samples fall on a grid of instants that restarts at power-up, at a period change and at
// wake-up; the sensor takes the instants that have passed whenever it is addressed, so no timer
// is needed and the outcome depends only on the clock readings.
#pragma once

#include <cstdint>

namespace talvix::sim {

inline constexpr double kFastTimeBaseSeconds = 0.00012207;
inline constexpr double kSlowTimeBaseSeconds = 0.003784;

// Sample period in seconds for a SMPL_PRD word (bits above 7 are ignored).
double SamplePeriodSeconds(uint16_t smpl_prd);

class SampleGrid {
 public:
  // Restarts the grid: the next sample falls at `first_instant`, the ones after it every
  // `period_seconds`. Sample indices keep counting on from where they were.
  void Restart(double first_instant, double period_seconds);

  // Number of instants that have come by `now` and are not taken yet.
  int64_t DueBy(double now) const;
  // Instant and index of the k-th sample from the next one (k = 0 is the next one).
  double InstantAt(int64_t k) const;
  int64_t IndexAt(int64_t k) const { return next_index_ + k; }
  // Marks the next `count` instants as taken (or skipped).
  void Advance(int64_t count);

  double period() const { return period_; }

 private:
  double first_instant_ = 0.0;
  double period_ = kFastTimeBaseSeconds * 2;
  int64_t taken_since_restart_ = 0;
  int64_t next_index_ = 0;
};

}  // namespace talvix::sim
