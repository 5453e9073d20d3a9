// SPDX-License-Identifier: MIT
// The knocks of talvix-cli's --sim-shocks and the Python module's open(shocks=True), to try event
// capture on the simulated sensor: a 20 ms half-sine of 4 g on X and 1.5 g on Y, 1 s after the
// start (time enough to configure and arm a capture) and every 2 s after it, for ten minutes (the
// knocks are planned at the start).
#pragma once

#include "sim/sim_sensor.h"

namespace talvix::simbench {

// Plans the knocks on `sensor`, counting from `now` (seconds on the sensor's clock).
void PlanKnocks(sim::SimSensor& sensor, double now);

}  // namespace talvix::simbench
