// SPDX-License-Identifier: MIT
#include "simbench/sim_knocks.h"

namespace talvix::simbench {

namespace {

constexpr sim::Shock kSimKnock{0.0, 4.0, 1.5, 0.02};
constexpr double kFirstKnockSeconds = 1.0;
constexpr double kKnockIntervalSeconds = 2.0;
constexpr double kKnockingSeconds = 600.0;

}  // namespace

void PlanKnocks(sim::SimSensor& sensor, double now) {
  for (double at = kFirstKnockSeconds; at < kKnockingSeconds; at += kKnockIntervalSeconds) {
    sim::Shock knock = kSimKnock;
    knock.at_seconds = now + at;
    sensor.AddShock(knock);
  }
}

}  // namespace talvix::simbench
