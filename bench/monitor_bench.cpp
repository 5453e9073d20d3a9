// SPDX-License-Identifier: MIT
// The main window's reading over the simulated USB SPI card.
//
// One reading pass in loop mode with loop delay 0: nine row reads, the yield, the chart update
// and the status read. Its mandated pauses are the register layer's 0.1 ms after each of the ten
// reads, 1.0 ms in all; the ratio shows what the card's transfers, the decoding, the display and
// the chart add on top. The window is not shown, so the yield has no repaint to do (the chart's
// drawing into its image is included).
//
// The reading loop as a user runs it (Loop ticked, Read clicked, loop delay 100 ms, the window
// shown and repainted) for a few seconds: the time per pass against the loop delay and the
// pauses, and the processor time over the wall time, which shows that the loop leaves the
// processor free while it waits.
#include "bench_support.h"

#include "monitor/ui/monitor_widget.h"
#include "monitor/ui/output_registers_widget.h"

#include <QTimer>

#include <chrono>

namespace talvix::bench {
namespace {

constexpr double kPassPauseMs = 10 * 0.1;

// The Output Registers frame as the load step leaves it, with Loop ticked and the given loop
// delay; false, with the benchmark marked failed, when the simulated card is not ready.
bool PrepareReading(benchmark::State& state, SimulatedUsbRig& usb, monitor::MonitorWidget& window,
                    const QString& loop_delay_ms) {
  if (!usb.session->usb.CardReady()) {
    state.SkipWithError("the simulated USB SPI card is not ready");
    return false;
  }
  monitor::OutputRegistersWidget* reading = window.OutputRegisters();
  reading->PrepareGraphColumn();
  reading->SetLoopDelayText(loop_delay_ms);
  reading->SetLoop(true);
  return true;
}

void BM_ReadingPassUsb(benchmark::State& state) {
  EnsureApplication();
  SimulatedUsbRig usb;
  monitor::MonitorWidget window(*usb.session);
  // Loop ticked with the button showing "Read": ReadData makes exactly one loop-mode pass.
  if (!PrepareReading(state, usb, window, QStringLiteral("0"))) return;
  monitor::OutputRegistersWidget* reading = window.OutputRegisters();

  PauseReport report(state, kPassPauseMs);
  for (auto _ : state) {
    const PauseReport::Lap lap(report);
    reading->ReadData();
  }
  if (!usb.notifier.texts.isEmpty()) state.SkipWithError("the card reported an error");
}
BENCHMARK(BM_ReadingPassUsb)->Unit(benchmark::kMillisecond)->MinTime(2.0);

constexpr int kLoopDelayMs = 100;
constexpr int kLoopRunMs = 4000;

void BM_ReadingLoopUsb(benchmark::State& state) {
  EnsureApplication();
  SimulatedUsbRig usb;
  monitor::MonitorWidget window(*usb.session);
  if (!PrepareReading(state, usb, window, QString::number(kLoopDelayMs))) return;
  monitor::OutputRegistersWidget* reading = window.OutputRegisters();
  window.show();
  int passes = 0;
  QObject::connect(reading, &monitor::OutputRegistersWidget::SamplesRead, [&passes] { ++passes; });

  double cpu = 0;
  double wall = 0;
  for (auto _ : state) {
    // The loop handles events only in its yield: the stop comes at the first yield after the run.
    QTimer::singleShot(kLoopRunMs, reading, [reading] { reading->StopLoops(); });
    const double cpu_start = ProcessCpuSeconds();
    const auto wall_start = std::chrono::steady_clock::now();
    reading->cmdReadData_Click();  // returns when the loop has stopped
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    cpu += ProcessCpuSeconds() - cpu_start;
  }
  if (!usb.notifier.texts.isEmpty() || passes == 0) {
    state.SkipWithError("the loop did not read");
    return;
  }
  const double per_pass_ms = wall * 1000.0 / passes;
  state.counters["measured_ms"] = per_pass_ms;
  state.counters["mandated_ms"] = kLoopDelayMs + kPassPauseMs;
  state.counters["ratio"] = per_pass_ms / (kLoopDelayMs + kPassPauseMs);
  state.counters["cpu_per_wall"] = cpu / wall;
}
BENCHMARK(BM_ReadingLoopUsb)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace talvix::bench
