// The program's only time base for device pacing: a calibrated busy loop in 10-microsecond
// units. It never sleeps and never yields, so a pause is as exact as the calibration.
#pragma once

#include "platform/clock.h"

#include <cstdint>

namespace talvix::link {

class Delay {
 public:
  explicit Delay(platform::Clock& clock) : clock_(clock) {}
  virtual ~Delay() = default;

  // Busy-waits `ms` milliseconds in whole 10-microsecond units (rounded, halves to even).
  // 0 returns at once; anything below 0.01 ms is raised to 0.01, in the caller's variable too.
  // Runs the calibration first if it has not run yet.
  void DelayMs(float& ms);
  // For literal pauses ("wait 0.1 ms") where the caller keeps no variable.
  void DelayMs(double ms) {
    float value = static_cast<float>(ms);
    DelayMs(value);
  }

  // Measures how many empty loop passes take 10 microseconds: a 0.5 s probe, scaled up when the
  // first guess was far too fast, then a 3 s measurement. Takes about four seconds.
  void CalibrateDelay();

  int32_t LoopsPer10us = 1000;
  bool DelayCalibrated = false;

 protected:
  // Runs `units` periods of LoopsPer10us empty passes. Tests override it to record instead.
  virtual void Spin(int64_t units);

 private:
  // Elapsed seconds of one DelayMs(ms), by the monotonic clock.
  double Measure(float ms);
  // LoopsPer10us x factor, rounded and kept within 1 .. the largest 32-bit count.
  int32_t ScaledLoops(double factor) const;

  platform::Clock& clock_;
};

// A delay that only records what was asked of it: for tests and for tools that must not wait.
class RecordingDelay : public Delay {
 public:
  using Delay::Delay;
  int64_t total_units = 0;
  int calls = 0;

 protected:
  void Spin(int64_t units) override {
    total_units += units;
    ++calls;
  }
};

}  // namespace talvix::link
