// One reading pass of the main window in loop mode with loop delay 0, over the simulated USB SPI
// card: nine row reads, the yield, the chart update and the status read. Its mandated pauses are
// the register layer's 0.1 ms after each of the ten reads, 1.0 ms in all; the ratio shows what
// the card's transfers, the decoding, the display and the chart add on top. The window is not
// shown, so the yield has no repaint to do (the chart's drawing into its image is included).
#include "bench_support.h"

#include "monitor/ui/monitor_widget.h"
#include "monitor/ui/output_registers_widget.h"

namespace talvix::bench {
namespace {

constexpr double kPassPauseMs = 10 * 0.1;

void BM_ReadingPassUsb(benchmark::State& state) {
  EnsureApplication();
  SimulatedUsbRig usb;
  if (!usb.session->usb.CardReady()) {
    state.SkipWithError("the simulated USB SPI card is not ready");
    return;
  }
  monitor::MonitorWidget window(*usb.session);
  monitor::OutputRegistersWidget* reading = window.OutputRegisters();
  reading->PrepareGraphColumn();
  reading->SetLoopDelayText(QStringLiteral("0"));
  // Loop ticked with the button showing "Read": ReadData makes exactly one loop-mode pass.
  reading->SetLoop(true);

  PauseReport report(state, kPassPauseMs);
  for (auto _ : state) reading->ReadData();
  if (!usb.notifier.texts.isEmpty()) state.SkipWithError("the card reported an error");
}
BENCHMARK(BM_ReadingPassUsb)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace talvix::bench
