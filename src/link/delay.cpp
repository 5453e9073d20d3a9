// SPDX-License-Identifier: MIT
#include "link/delay.h"

#include "common/number_text.h"

namespace talvix::link {

void Delay::DelayMs(float& ms) {
  if (ms == 0.0f) return;
  if (ms < 0.01f) ms = 0.01f;
  const auto units = static_cast<int64_t>(common::RoundHalfEven(static_cast<double>(ms) * 100.0));
  Wait(units);
}

void Delay::Wait(int64_t units) {
  const double deadline = clock_.MonotonicSeconds() + static_cast<double>(units) * 1e-5;
  platform::WaitUntil(clock_, deadline, units >= kSleepFromUnits);
}

}  // namespace talvix::link
