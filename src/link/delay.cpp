#include "link/delay.h"

#include "common/number_text.h"

#include <algorithm>
#include <limits>

namespace talvix::link {

void Delay::DelayMs(float& ms) {
  if (ms == 0.0f) return;
  if (ms < 0.01f) ms = 0.01f;
  const auto units = static_cast<int64_t>(common::RoundHalfEven(static_cast<double>(ms) * 100.0));
  if (!DelayCalibrated) CalibrateDelay();
  Spin(units);
}

void Delay::Spin(int64_t units) {
  const int32_t loops = LoopsPer10us;
  for (int64_t u = 0; u < units; ++u) {
    // The volatile counter keeps the compiler from removing the loop: it is the time base.
    volatile int32_t counter = 0;
    while (counter < loops) counter = counter + 1;
  }
}

double Delay::Measure(float ms) {
  const double start = clock_.MonotonicSeconds();
  DelayMs(ms);
  return clock_.MonotonicSeconds() - start;
}

void Delay::CalibrateDelay() {
  DelayCalibrated = true;
  LoopsPer10us = 1000;

  double t = Measure(500.0f);
  if (t < 0.005) {  // the starting guess is more than 100 times too fast
    LoopsPer10us *= 40;
    t = Measure(500.0f);
  }
  if (t < 0.1) {
    LoopsPer10us *= 6;
    t = Measure(500.0f);
  }
  if (t < 0.0005) t = 0.0005;  // a clock that did not move must not divide by zero
  LoopsPer10us = ScaledLoops(0.5 / t);

  t = Measure(3000.0f);
  if (t < 0.1) t = 0.1;
  LoopsPer10us = ScaledLoops(3.0 / t);
}

int32_t Delay::ScaledLoops(double factor) const {
  // A clock that barely moved can ask for more passes than the counter holds: keep it in range.
  const double loops = common::RoundHalfEven(factor * LoopsPer10us);
  return static_cast<int32_t>(std::clamp(loops, 1.0, double{std::numeric_limits<int32_t>::max()}));
}

}  // namespace talvix::link
