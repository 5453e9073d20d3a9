// SPDX-License-Identifier: MIT
// The program's time base for device pacing: pauses in 10-microsecond units, timed on the
// monotonic clock so that a pause is never shorter than asked, whatever the processor's speed or
// load. A pause of a millisecond or more sleeps until a short margin before its end and spins on
// the clock for the rest, so the processor is free for most of it; a shorter one spins. Window
// events never run during a pause.
#pragma once

#include "platform/clock.h"

#include <cstdint>

namespace talvix::link {

class Delay {
 public:
  // `clock` is the monotonic time the pauses are measured on and the sleep they give away.
  explicit Delay(platform::Clock& clock) : clock_(clock) {}
  virtual ~Delay() = default;

  // Waits `ms` milliseconds in whole 10-microsecond units (rounded, halves to even).
  // 0 returns at once; anything below 0.01 ms is raised to 0.01, in the caller's variable too.
  void DelayMs(float& ms);
  // For literal pauses ("wait 0.1 ms") where the caller keeps no variable.
  void DelayMs(double ms) {
    float value = static_cast<float>(ms);
    DelayMs(value);
  }

  // How long before the end of a pause the sleep stops and the spin on the clock takes over.
  static constexpr double kSpinMarginSeconds = platform::kSpinMarginSeconds;
  // Pauses of at least this many units sleep first.
  static constexpr int64_t kSleepFromUnits = 100;  // 1 ms

 protected:
  // Waits `units` 10-microsecond units. Tests override it to record instead.
  virtual void Wait(int64_t units);

 private:
  platform::Clock& clock_;
};

// A delay that only records what was asked of it: for tests and for tools that must not wait.
class RecordingDelay : public Delay {
 public:
  using Delay::Delay;
  int64_t total_units = 0;
  int calls = 0;

 protected:
  void Wait(int64_t units) override {
    total_units += units;
    ++calls;
  }
};

}  // namespace talvix::link
