// SPDX-License-Identifier: MIT
// Reading one 1024-sample capture buffer out over the simulated USB SPI card, as Capt_0 does:
// 1024 CAPT_PNTR writes and 1024 CAPT_BUF_0 reads, each register operation followed by the
// program's 0.1 ms pause, 204.8 ms in all. The ratio shows what the card's transfers and the
// decoding add on top; the read-out should stay within 1.10 of its pauses.
#include "bench_support.h"

#include "capture/capture_readout.h"

#include <vector>

namespace talvix::bench {
namespace {

constexpr uint16_t kCaptCfg1024Samples = 0x000A;  // length code 10
constexpr double kReadOutPauseMs = 2 * 1024 * 0.1;

void BM_CaptureReadOut1024Usb(benchmark::State& state) {
  SimulatedUsbRig usb;
  if (!usb.session->usb.CardReady()) {
    state.SkipWithError("the simulated USB SPI card is not ready");
    return;
  }
  std::vector<double> samples;
  PauseReport report(state, kReadOutPauseMs);
  for (auto _ : state) {
    const PauseReport::Lap lap(report);
    if (capture::ReadCaptureBuffer(usb.session->link, 0, kCaptCfg1024Samples, samples) !=
        capture::ReadOut::kRead) {
      state.SkipWithError("the read-out did not reach the simulated sensor");
      break;
    }
    benchmark::DoNotOptimize(samples.data());
  }
}
BENCHMARK(BM_CaptureReadOut1024Usb)->Unit(benchmark::kMillisecond)->Iterations(15);

}  // namespace
}  // namespace talvix::bench
