// SPDX-License-Identifier: MIT
// talvix-cli log's sampling over the simulated USB SPI card, paced by the program's delay, into a
// file as the command writes it (common/streamed_file.h). A sample's mandated pauses are the
// datalog's: one 0.1 ms pause after each value read (eight of them), plus the sample delay, which
// follows every sample but the last. The run should stay within 1.10 of them: all else a sample
// costs (the CSV row, the file, the clock) must be small beside the pauses.
#include "bench_support.h"

#include "common/streamed_file.h"
#include "datalog/datalog_sample.h"
#include "datalog/sample_log.h"

#include <QTemporaryDir>

#include <chrono>
#include <cstdint>

namespace talvix::bench {
namespace {

void RunLogBench(benchmark::State& state, int64_t samples, double delay_ms) {
  EnsureApplication();
  SimulatedUsbRig usb;
  QTemporaryDir folder;
  if (!usb.session->usb.CardReady() || !folder.isValid()) {
    state.SkipWithError("no simulated USB card or no temporary folder");
    return;
  }
  datalog::SampleLogSettings settings;
  settings.selection.fill(true);
  settings.samples = samples;
  settings.delay_ms = delay_ms;
  const auto n = static_cast<double>(samples);
  const double mandated_ms =
      (n * datalog::MandatedSampleMs(settings.selection, 0) + (n - 1) * delay_ms) / n;
  for (auto _ : state) {
    common::StreamedFile file;
    QString why;
    if (!file.Open(folder.filePath(QStringLiteral("bench.csv")), why)) {
      state.SkipWithError("the log file could not be made");
      return;
    }
    datalog::SampleLogHooks hooks;
    hooks.write = [&](const QByteArray& text) { return file.Write(text, why); };
    const auto start = std::chrono::steady_clock::now();
    const datalog::SampleLogResult result = datalog::RunSampleLog(*usb.session, settings, hooks);
    const bool committed = file.Commit(why);
    const double per_sample_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count() /
        n;
    if (result.end != datalog::SampleLogEnd::kCompleted || !committed) {
      state.SkipWithError("the log did not complete over the simulated USB card");
      return;
    }
    state.counters["measured_ms"] = per_sample_ms;
    state.counters["mandated_ms"] = mandated_ms;
    state.counters["ratio"] = per_sample_ms / mandated_ms;
  }
}

void BM_CliLogSampleUsb(benchmark::State& state) {
  RunLogBench(state, 10000, 0.0);
}
BENCHMARK(BM_CliLogSampleUsb)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CliLogSampleUsbDelay1ms(benchmark::State& state) {
  RunLogBench(state, 2000, 1.0);
}
BENCHMARK(BM_CliLogSampleUsbDelay1ms)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace talvix::bench
