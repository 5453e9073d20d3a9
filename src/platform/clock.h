// SPDX-License-Identifier: MIT
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

// How long before the end of a wait the sleep stops and the spin on the clock takes over: more than
// the time the system usually takes to wake a sleeping thread.
inline constexpr double kSpinMarginSeconds = 0.0003;
// Waits of at least this long sleep first (WaitFor).
inline constexpr double kSleepFromSeconds = 0.001;

// Waits until `clock`'s monotonic time reaches `deadline`, never returning earlier. With
// `sleep_first` it sleeps until kSpinMarginSeconds before the deadline, so the processor is free
// for most of the wait, and spins on the clock for the rest; without, it only spins. The clock
// must move by itself: on a ManualClock the wait would never end.
void WaitUntil(Clock& clock, double deadline, bool sleep_first);
// Waits `seconds` on `clock`; from kSleepFromSeconds up it sleeps first.
void WaitFor(Clock& clock, double seconds);

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
