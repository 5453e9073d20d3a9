// Time sources: the time of day (shown to the user and written to files) and a monotonic clock
// for measuring intervals (delay calibration, power-down count, simulated sensor).
#pragma once

namespace talvix::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since local midnight, with a fractional part.
  virtual double SecondsSinceMidnight() = 0;
  // Seconds since an arbitrary fixed start; never goes backwards.
  virtual double MonotonicSeconds() = 0;
};

class SystemClock : public Clock {
 public:
  double SecondsSinceMidnight() override;
  double MonotonicSeconds() override;
};

// A clock that moves only when told to.
class ManualClock : public Clock {
 public:
  double SecondsSinceMidnight() override { return time_of_day; }
  double MonotonicSeconds() override { return monotonic; }
  void Advance(double seconds) {
    monotonic += seconds;
    time_of_day += seconds;
  }
  double time_of_day = 12 * 3600.0;
  double monotonic = 0.0;
};

}  // namespace talvix::platform
