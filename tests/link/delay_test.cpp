#include "link/delay.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace talvix::link {
namespace {

TEST(DelayMs, RoundsToTenMicrosecondUnitsAndRaisesTinyValues) {
  platform::ManualClock clock;
  RecordingDelay delay(clock);
  delay.DelayCalibrated = true;

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

// A delay whose every wait advances a manual clock by a scripted time, recording the loop count
// in force at each wait.
class ScriptedDelay : public Delay {
 public:
  ScriptedDelay(platform::ManualClock& clock, std::vector<double> seconds)
      : Delay(clock), clock_(clock), seconds_(std::move(seconds)) {}
  std::vector<int32_t> loops_seen;

 protected:
  void Spin(int64_t) override {
    loops_seen.push_back(LoopsPer10us);
    const double step = loops_seen.size() <= seconds_.size() ? seconds_[loops_seen.size() - 1] : 0;
    clock_.Advance(step);
  }

 private:
  platform::ManualClock& clock_;
  std::vector<double> seconds_;
};

TEST(CalibrateDelay, TooFastFirstProbeMultipliesByFortyBeforeMeasuringAgain) {
  platform::ManualClock clock;
  ScriptedDelay delay(clock, {0.001, 0.04, 0.5, 3.0});
  delay.CalibrateDelay();
  ASSERT_EQ(delay.loops_seen.size(), 4u);
  EXPECT_EQ(delay.loops_seen[0], 1000);
  EXPECT_EQ(delay.loops_seen[1], 40000);   // x40 after 0.001 s
  EXPECT_EQ(delay.loops_seen[2], 240000);  // x6 after 0.04 s
  EXPECT_EQ(delay.loops_seen[3], 240000);  // 0.5 s measured: no change
  EXPECT_EQ(delay.LoopsPer10us, 240000);
  EXPECT_TRUE(delay.DelayCalibrated);
}

TEST(CalibrateDelay, ScalesToTheMeasuredTimes) {
  platform::ManualClock clock;
  ScriptedDelay delay(clock, {0.25, 2.0});
  delay.CalibrateDelay();
  ASSERT_EQ(delay.loops_seen.size(), 2u);
  EXPECT_EQ(delay.loops_seen[1], 2000);  // 0.5 / 0.25 x 1000
  EXPECT_EQ(delay.LoopsPer10us, 3000);   // 3 / 2 x 2000
}

TEST(CalibrateDelay, AClockThatDoesNotMoveCannotDivideByZero) {
  platform::ManualClock clock;
  ScriptedDelay delay(clock, {});
  delay.CalibrateDelay();
  // 1000 x 40 x 6 = 240000, then x 1000 for the clamped 0.0005 s, then x 30 for the clamped
  // 0.1 s: more than a 32-bit count holds, so it stays at the largest one.
  EXPECT_EQ(delay.LoopsPer10us, std::numeric_limits<int32_t>::max());
}

TEST(DelayMs, CalibratesOnFirstUseOnly) {
  platform::ManualClock clock;
  ScriptedDelay delay(clock, {0.5, 3.0});
  delay.DelayMs(1.0);
  EXPECT_EQ(delay.loops_seen.size(), 3u);  // two calibration waits, then the wait asked for
  delay.DelayMs(1.0);
  EXPECT_EQ(delay.loops_seen.size(), 4u);
}

}  // namespace
}  // namespace talvix::link
