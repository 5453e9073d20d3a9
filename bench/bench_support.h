// SPDX-License-Identifier: MIT
// Shared set-up for the benchmarks: a session on the simulated sensor paced by the program's own
// delay, and the report of measured time against the pauses the operation must make.
#pragma once

#include "app/qt_platform.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/notifier.h"
#include "platform/usb_driver.h"
#include "session/session.h"
#include "simbench/simulated_bench.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

namespace talvix::bench {

// A simulated sensor behind the parallel port, paced by the program's delay.
struct SimulatedParallelRig {
  SimulatedParallelRig();
  platform::SystemClock clock;
  platform::RecordingNotifier notifier;
  platform::CallbackEventPump events;
  simbench::SimulatedBench bench{clock, {.card_present = false}};
  std::unique_ptr<Session> session;
};

// Widgets need a QApplication; the benchmarks make one on the offscreen platform unless told
// otherwise.
void EnsureApplication();
// Ends that QApplication, if one was made; main() calls it once the benchmarks have run.
void EndApplication();

// The simulated sensor behind the simulated USB SPI card at "Ezusb-0", selected as the load step
// selects it, paced by the program's delay. Its yield is the program's own.
struct SimulatedUsbRig {
  SimulatedUsbRig();
  platform::SystemClock clock;
  platform::RecordingNotifier notifier;
  app::QtEventPump events;
  simbench::SimulatedBench rig{clock};
  std::unique_ptr<Session> session;
};

// Processor time of the whole process (every thread), in seconds.
double ProcessCpuSeconds();

// Times each operation of the benchmark loop by the wall clock (a Lap around it) and reports the
// median time per operation, the mandated minimum and their ratio as counters. The median rather
// than the mean: on a shared machine the few operations pre-empted for a whole time slice would
// otherwise weigh on all of them (the runner's own "Time" column keeps the mean).
class PauseReport {
 public:
  PauseReport(benchmark::State& state, double mandated_ms)
      : state_(state), mandated_ms_(mandated_ms) {}
  ~PauseReport();

  // Times one operation while it lives.
  class Lap {
   public:
    explicit Lap(PauseReport& report) : report_(report), start_(std::chrono::steady_clock::now()) {}
    Lap(const Lap&) = delete;
    Lap& operator=(const Lap&) = delete;
    ~Lap() {
      report_.laps_ms_.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
              .count());
    }

   private:
    PauseReport& report_;
    std::chrono::steady_clock::time_point start_;
  };

 private:
  benchmark::State& state_;
  double mandated_ms_;
  std::vector<double> laps_ms_;
};

}  // namespace talvix::bench
