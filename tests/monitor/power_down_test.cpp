// SPDX-License-Identifier: MIT
#include "monitor/power_down.h"

#include "support/sim_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace talvix::monitor {
namespace {

TEST(PowerDownTest, SleepCountIsWholeHalfSecondsOfThe8BitField) {
  EXPECT_EQ(SleepCount(127.5), 255);
  EXPECT_EQ(SleepCount(0.7), 1);
  EXPECT_EQ(SleepCount(0.49), 0);
  EXPECT_EQ(SleepCount(0.0), 0);
  EXPECT_EQ(SleepCount(500.0), 255);
  EXPECT_EQ(SleepCount(-1.0), 0);
  EXPECT_EQ(SleepCount(std::numeric_limits<double>::quiet_NaN()), 0);
}

class RunPowerDownTest : public ::testing::Test {
 protected:
  RunPowerDownTest() {
    // Every yield lets 0.2 s pass on the monotonic clock; the time of day jumps back across
    // midnight meanwhile, which must not matter.
    sim.events.on_events = [this] {
      asleep.push_back(sim.sensor.Asleep());
      sim.clock.Advance(0.2);
      sim.clock.time_of_day = 0.1;
    };
    sim.sensor.trace().Clear();
  }

  bool Run(double seconds) {
    units_before = sim.delay->total_units;
    return RunPowerDown(
        *sim.session, seconds, [this](double elapsed) { shown.push_back(ElapsedText(elapsed)); },
        [this] {
          sim.events.ProcessEvents();
          return keep_going;
        });
  }
  // SLP_CNT (0x3A) written: upper byte frame 0xBB00, then the count in the lower byte frame.
  std::vector<uint16_t> Sent() const { return sim.sensor.trace().SentWords(); }

  test::SimSession sim;
  QStringList shown;
  bool keep_going = true;
  std::vector<bool> asleep;  // the sensor's state at each yield
  int64_t units_before = 0;
};

TEST_F(RunPowerDownTest, CountsUpToTheTimeThenPauses200Ms) {
  EXPECT_TRUE(Run(0.7));
  EXPECT_EQ(Sent(), (std::vector<uint16_t>{0xBB00, 0xBA01}));
  // One half-second step of sleep: asleep during the first 0.5 s of the count.
  EXPECT_EQ(asleep, (std::vector<bool>{true, true, true, false, false}));
  // Each round shows the time taken in the round before, then takes the time and yields (the
  // clock moves only inside the yield here); the end of the count shows the whole 0.7 s.
  EXPECT_EQ(shown, (QStringList{"0.0", "0.0", "0.2", "0.4", "0.6", "0.7"}));
  EXPECT_EQ(sim.events.calls, 5);
  // The register write (three 0.1 ms pauses over the parallel port) and the 200 ms at the end,
  // in 10 us units.
  EXPECT_EQ(sim.delay->total_units - units_before, 30 + 20000);
}

TEST_F(RunPowerDownTest, ZeroWritesZeroAndReturnsAfterThePauseWithoutCounting) {
  EXPECT_TRUE(Run(0.0));
  EXPECT_EQ(Sent(), (std::vector<uint16_t>{0xBB00, 0xBA00}));
  EXPECT_TRUE(shown.isEmpty());
  EXPECT_EQ(sim.events.calls, 0);
  EXPECT_EQ(sim.delay->total_units - units_before, 30 + 20000);
}

TEST_F(RunPowerDownTest, StopAfterAYieldReturnsAtOnce) {
  sim.events.on_events = [this] {
    sim.clock.Advance(0.2);
    keep_going = sim.events.calls < 2;
  };
  EXPECT_FALSE(Run(5.0));
  EXPECT_EQ(shown, (QStringList{"0.0", "0.0"}));         // nothing shown after the stop
  EXPECT_EQ(sim.delay->total_units - units_before, 30);  // and no closing pause
}

}  // namespace
}  // namespace talvix::monitor
