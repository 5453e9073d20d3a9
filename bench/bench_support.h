// Shared set-up for the benchmarks: a session on the simulated sensor with a delay calibrated
// once per process, and the report of measured time against the pauses the operation must make.
#pragma once

#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/notifier.h"
#include "platform/usb_driver.h"
#include "sim/sim_port.h"
#include "sim/sim_rig.h"
#include "sim/sim_sensor.h"
#include "app/qt_platform.h"
#include "session/session.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace talvix::bench {

// The calibrated loop count, measured once (about four seconds) and reused by every benchmark.
int32_t CalibratedLoopsPer10us();

// A simulated sensor behind the parallel port, paced by a calibrated delay.
struct SimulatedParallelRig {
  SimulatedParallelRig();
  platform::SystemClock clock;
  platform::RecordingNotifier notifier;
  platform::CallbackEventPump events;
  platform::AbsentUsbDriver usb;
  sim::SimSensor sensor{clock};
  std::unique_ptr<Session> session;
};

// Widgets need a QApplication; the benchmarks make one on the offscreen platform unless told
// otherwise.
void EnsureApplication();

// The simulated sensor behind the simulated USB SPI card at "Ezusb-0", selected as the load step
// selects it, paced by a calibrated delay. Its yield is the program's own.
struct SimulatedUsbRig {
  SimulatedUsbRig();
  platform::SystemClock clock;
  platform::RecordingNotifier notifier;
  app::QtEventPump events;
  sim::SimRig rig{clock, 1};
  std::unique_ptr<Session> session;
};

// A calibrated delay, ready to use.
std::unique_ptr<link::Delay> CalibratedDelay(platform::Clock& clock);

// Times the benchmark loop by the wall clock and reports the time per operation, the mandated
// minimum and their ratio as counters.
class PauseReport {
 public:
  PauseReport(benchmark::State& state, double mandated_ms)
      : state_(state), mandated_ms_(mandated_ms), start_(std::chrono::steady_clock::now()) {}
  ~PauseReport();

 private:
  benchmark::State& state_;
  double mandated_ms_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace talvix::bench
