// Time sources: the time of day (shown to the user and written to files) and a monotonic clock
// for measuring intervals (device pauses, power-down count, simulated sensor).
#pragma once

namespace talvix::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since local midnight, with a fractional part.
  virtual double SecondsSinceMidnight() = 0;
  // Seconds since an arbitrary fixed start; never goes backwards.
  virtual double MonotonicSeconds() = 0;
  // Gives the processor away for about `seconds` (at least that long on the system clock). For
  // polling loops that check the time now and then, and for the bulk of a long device pause
  // (link::Delay times the pause itself on MonotonicSeconds).
  virtual void Sleep(double seconds) = 0;
};

class SystemClock : public Clock {
 public:
  double SecondsSinceMidnight() override;
  double MonotonicSeconds() override;
  void Sleep(double seconds) override;
};

// A clock that moves only when told to.
class ManualClock : public Clock {
 public:
  double SecondsSinceMidnight() override { return time_of_day; }
  double MonotonicSeconds() override { return monotonic; }
  // Records the time asked for; the clock does not move.
  void Sleep(double seconds) override { slept += seconds; }
  void Advance(double seconds) {
    monotonic += seconds;
    time_of_day += seconds;
  }
  double time_of_day = 12 * 3600.0;
  double monotonic = 0.0;
  double slept = 0.0;  // seconds asked of Sleep, in all
};

}  // namespace talvix::platform
