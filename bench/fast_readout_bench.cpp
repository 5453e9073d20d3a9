// SPDX-License-Identifier: MIT
// Fast read-out against register-by-register read-out over the simulated USB SPI card, on the
// plain simulator (a transfer costs nothing) and on the 1 ms latency model (each transfer costs
// what a full-speed card's bus scheduling does, and the frames are spaced by the card's delay
// between words, 25 us). Three readers, each row with its samples per second:
//   - the reading pass's read-out of the nine output rows (monitor::ReadOutputRows; the main
//     window then reads STATUS on its own, one more transfer either way);
//   - a datalog sample of all eight values and the datalog's pause after it (delay 0: one yield);
//   - a talvix-cli log sample, as `talvix-cli log` takes it, into a file.
// Batched read-out should give at least 5 times the samples per second of register-by-register
// read-out on the latency model, and never fewer on the plain simulator.
#include "bench_support.h"

#include "common/streamed_file.h"
#include "datalog/datalog_sample.h"
#include "datalog/sample_log.h"
#include "monitor/output_rows.h"

#include <QTemporaryDir>

#include <array>
#include <chrono>

namespace talvix::bench {
namespace {

constexpr double kFullSpeedLatencyMs = 1.0;

enum class Reader { kReadingPass, kDatalogSample, kCliLogSample };

void Report(benchmark::State& state, double seconds, int64_t samples) {
  state.counters["samples_per_s"] = static_cast<double>(samples) / seconds;
  state.counters["ms_per_sample"] = seconds * 1000.0 / static_cast<double>(samples);
}

void RunReader(benchmark::State& state, Reader reader, bool batched, double latency_ms) {
  EnsureApplication();
  SimulatedUsbRig usb;
  usb.rig.SetUsbLatency(latency_ms);
  Session& session = *usb.session;
  session.link.FastReadout = batched;
  QTemporaryDir folder;
  if (!session.usb.CardReady() || !folder.isValid()) {
    state.SkipWithError("no simulated USB card or no temporary folder");
    return;
  }
  // Enough samples for about a second of register-by-register read-out.
  const int64_t samples = latency_ms > 0 ? 100 : 1000;
  datalog::Selection all{};
  all.fill(true);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    switch (reader) {
      case Reader::kReadingPass:
        for (int64_t i = 0; i < samples && ok; ++i) {
          ok = monitor::ReadOutputRows(session.link).result == monitor::PassResult::kRead;
        }
        break;
      case Reader::kDatalogSample: {
        std::array<float, datalog::kColumnCount> values{};
        int count = 0;
        for (int64_t i = 0; i < samples && ok; ++i) {
          ok = datalog::ReadDatalogSample(session.link, all, values.data(), count) &&
               datalog::PauseAfterSample(
                   session.clock(), *session.delay, 0.0, [] { return true; }, [] { return false; });
        }
        break;
      }
      case Reader::kCliLogSample: {
        common::StreamedFile file;
        QString why;
        ok = file.Open(folder.filePath(QStringLiteral("bench.csv")), why);
        datalog::SampleLogHooks hooks;
        hooks.write = [&](const QByteArray& text) { return file.Write(text, why); };
        ok = ok &&
             datalog::RunSampleLog(session, {all, samples, 0.0}, hooks).end ==
                 datalog::SampleLogEnd::kCompleted &&
             file.Commit(why);
        break;
      }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok || !usb.notifier.texts.isEmpty()) {
      state.SkipWithError("a read did not bring a value over the simulated USB card");
      return;
    }
    Report(state, seconds, samples);
  }
}

void BM_FastReadout(benchmark::State& state, Reader reader, bool batched, double latency_ms) {
  RunReader(state, reader, batched, latency_ms);
}

#define TALVIX_FAST_READOUT_ROWS(name, reader)                                                    \
  BENCHMARK_CAPTURE(BM_FastReadout, name##_PerRegister_Latency1ms, reader, false,                 \
                    kFullSpeedLatencyMs)                                                          \
      ->Unit(benchmark::kMillisecond)                                                             \
      ->Iterations(3);                                                                            \
  BENCHMARK_CAPTURE(BM_FastReadout, name##_Batched_Latency1ms, reader, true, kFullSpeedLatencyMs) \
      ->Unit(benchmark::kMillisecond)                                                             \
      ->Iterations(3);                                                                            \
  BENCHMARK_CAPTURE(BM_FastReadout, name##_PerRegister_Plain, reader, false, 0.0)                 \
      ->Unit(benchmark::kMillisecond)                                                             \
      ->Iterations(3);                                                                            \
  BENCHMARK_CAPTURE(BM_FastReadout, name##_Batched_Plain, reader, true, 0.0)                      \
      ->Unit(benchmark::kMillisecond)                                                             \
      ->Iterations(3)

TALVIX_FAST_READOUT_ROWS(ReadingPass, Reader::kReadingPass);
TALVIX_FAST_READOUT_ROWS(DatalogSample, Reader::kDatalogSample);
TALVIX_FAST_READOUT_ROWS(CliLogSample, Reader::kCliLogSample);

}  // namespace
}  // namespace talvix::bench
