// SPDX-License-Identifier: MIT
#include "platform/clock.h"

#include <QTime>

#include <chrono>
#include <thread>

namespace talvix::platform {

double SystemClock::SecondsSinceMidnight() {
  return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

double SystemClock::MonotonicSeconds() {
  using std::chrono::duration;
  using std::chrono::steady_clock;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::Sleep(double seconds) {
  if (!(seconds > 0.0)) return;
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void WaitUntil(Clock& clock, double deadline, bool sleep_first) {
  // The sleep may end late by the system's wake-up time; the margin keeps that inside the wait.
  if (sleep_first) clock.Sleep(deadline - kSpinMarginSeconds - clock.MonotonicSeconds());
  while (clock.MonotonicSeconds() < deadline) {
  }
}

void WaitFor(Clock& clock, double seconds) {
  if (!(seconds > 0.0)) return;
  WaitUntil(clock, clock.MonotonicSeconds() + seconds, seconds >= kSleepFromSeconds);
}

}  // namespace talvix::platform
