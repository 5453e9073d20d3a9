// SPDX-License-Identifier: MIT
#include "link/delay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace talvix::link {
namespace {

TEST(DelayMs, RoundsToTenMicrosecondUnitsAndRaisesTinyValues) {
  platform::ManualClock clock;
  RecordingDelay delay(clock);

  float ms = 0.0f;
  delay.DelayMs(ms);
  EXPECT_EQ(delay.calls, 0);  // zero waits not at all

  ms = 0.004f;
  delay.DelayMs(ms);
  EXPECT_EQ(delay.total_units, 1);
  EXPECT_EQ(ms, 0.01f);  // the caller sees the raised value

  delay.total_units = 0;
  delay.DelayMs(0.1);
  EXPECT_EQ(delay.total_units, 10);
  delay.total_units = 0;
  delay.DelayMs(500.0);
  EXPECT_EQ(delay.total_units, 50000);
  delay.total_units = 0;
  delay.DelayMs(0.125);  // 12.5 units: halves go to even
  EXPECT_EQ(delay.total_units, 12);
  delay.total_units = 0;
  delay.DelayMs(0.135);
  EXPECT_EQ(delay.total_units, 14);
}

// A clock that moves 1 microsecond with every reading (the spin's own cost) and whose sleep
// moves it by the time asked plus a wake-up latency.
class SteppingClock : public platform::Clock {
 public:
  explicit SteppingClock(double wake_latency) : wake_latency_(wake_latency) {}
  double SecondsSinceMidnight() override { return now_; }
  double MonotonicSeconds() override {
    now_ += 1e-6;
    return now_;
  }
  void Sleep(double seconds) override {
    sleeps.push_back(seconds);
    if (seconds > 0) now_ += seconds + wake_latency_;
  }
  double Now() const { return now_; }
  std::vector<double> sleeps;

 private:
  double wake_latency_;
  double now_ = 1000.0;
};

class DelayTimeBase : public ::testing::TestWithParam<double> {};

TEST_P(DelayTimeBase, SleepsFromAMillisecondUpAndSpinsOnlyTheLastStretch) {
  const double ms = GetParam();
  SteppingClock clock(Delay::kSpinMarginSeconds / 2);
  Delay delay(clock);
  const double start = clock.Now();
  delay.DelayMs(ms);
  const double elapsed = clock.Now() - start;
  EXPECT_GE(elapsed, ms / 1000.0);         // never shorter than asked
  EXPECT_LE(elapsed, ms / 1000.0 + 3e-6);  // the spin ends at the deadline
  if (ms < 1.0) {
    EXPECT_TRUE(clock.sleeps.empty());
  } else {
    ASSERT_EQ(clock.sleeps.size(), 1u);
    EXPECT_NEAR(clock.sleeps[0], ms / 1000.0 - Delay::kSpinMarginSeconds, 3e-6);
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, DelayTimeBase,
                         ::testing::Values(0.01, 0.1, 0.99, 1.0, 10.0, 1000.0));

class DelayOnTheSystemClock : public ::testing::TestWithParam<double> {};

TEST_P(DelayOnTheSystemClock, IsNeverShorterThanAsked) {
  platform::SystemClock clock;
  Delay delay(clock);
  const double ms = GetParam();
  const auto start = std::chrono::steady_clock::now();
  delay.DelayMs(ms);
  const std::chrono::duration<double, std::milli> elapsed =
      std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed.count(), ms);
}

INSTANTIATE_TEST_SUITE_P(Lengths, DelayOnTheSystemClock, ::testing::Values(0.01, 0.1, 1.0, 3.0));

}  // namespace
}  // namespace talvix::link
