// SPDX-License-Identifier: MIT
#include "sim/sample_grid.h"

#include "registers/register_bits.h"

#include <cmath>

namespace talvix::sim {

namespace {
// Absorbs the rounding of (now - first) / period, so that a clock moved by exactly one period
// finds the sample due.
constexpr double kInstantSlack = 1e-9;
}  // namespace

double SamplePeriodSeconds(uint16_t smpl_prd) {
  const double time_base =
      (smpl_prd & registers::kSmplPrdSlowTimeBase) ? kSlowTimeBaseSeconds : kFastTimeBaseSeconds;
  return time_base * ((smpl_prd & registers::kSmplPrdMultiplierBits) + 1);
}

void SampleGrid::Restart(double first_instant, double period_seconds) {
  first_instant_ = first_instant;
  period_ = period_seconds;
  taken_since_restart_ = 0;
}

int64_t SampleGrid::DueBy(double now) const {
  if (!(now >= first_instant_)) return 0;
  const double passed = std::floor((now - first_instant_) / period_ + kInstantSlack);
  const int64_t due = static_cast<int64_t>(passed) + 1 - taken_since_restart_;
  return due > 0 ? due : 0;
}

double SampleGrid::InstantAt(int64_t k) const {
  return first_instant_ + static_cast<double>(taken_since_restart_ + k) * period_;
}

void SampleGrid::Advance(int64_t count) {
  taken_since_restart_ += count;
  next_index_ += count;
}

}  // namespace talvix::sim
