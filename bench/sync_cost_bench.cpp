// SPDX-License-Identifier: MIT
// What putting a long run's rows on the disk as it goes costs a sample: the datalog window's run
// and talvix-cli log's sampling, each once with its rows synced every 0.5 s (as the programs do)
// and once with them written out only at the end, over the simulated USB SPI card with all eight
// values and no sample delay. The synced run should stay within 1.05 of the other. The two kinds
// of run take turns, three times each, and the fastest of each kind counts: on a shared machine a
// run slowed by another process says nothing about syncing.
#include "bench_support.h"

#include "common/streamed_file.h"
#include "datalog/datalog_run.h"
#include "datalog/sample_log.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <limits>
#include <optional>

namespace talvix::bench {
namespace {

constexpr int kSamples = 4000;
constexpr int kRunsOfEachKind = 3;
constexpr double kSyncIntervalSeconds = 0.5;
constexpr double kNever = std::numeric_limits<double>::infinity();

using Clock = std::chrono::steady_clock;

double MsPerSample(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / kSamples;
}

// Milliseconds per sample of a datalog window's run; nullopt when it did not complete.
std::optional<double> DatalogMsPerSample(double sync_interval_seconds) {
  SimulatedUsbRig usb;
  QTemporaryDir folder;
  if (!usb.session->usb.CardReady() || !folder.isValid()) return std::nullopt;
  datalog::RunSettings settings;
  settings.folder = folder.path();
  settings.base_name = QStringLiteral("BENCH");
  settings.samples_per_file = kSamples;
  settings.selection.fill(true);
  settings.sync_interval_seconds = sync_interval_seconds;
  datalog::DatalogRun run(*usb.session, settings);
  CooperativeLoop loop(usb.session->loops, usb.session->events());
  CooperativeLoop::Run passes = loop.Start();
  loop.SetRunning(true);
  const Clock::time_point start = Clock::now();
  if (run.Run(passes) != datalog::RunEnd::kCompleted) return std::nullopt;
  return MsPerSample(start);
}

// Milliseconds per sample of talvix-cli log's sampling into its part file; nullopt when it did not
// complete.
std::optional<double> CliLogMsPerSample(double sync_interval_seconds) {
  SimulatedUsbRig usb;
  QTemporaryDir folder;
  common::StreamedFile file;
  QString why;
  if (!usb.session->usb.CardReady() || !folder.isValid() ||
      !file.Open(folder.filePath(QStringLiteral("bench.csv")), why)) {
    return std::nullopt;
  }
  datalog::SampleLogSettings settings;
  settings.selection.fill(true);
  settings.samples = kSamples;
  Clock::time_point synced_at = Clock::now();
  datalog::SampleLogHooks hooks;
  hooks.write = [&](const QByteArray& text) {
    if (!file.Write(text, why)) return false;
    if (std::chrono::duration<double>(Clock::now() - synced_at).count() < sync_interval_seconds) {
      return true;
    }
    synced_at = Clock::now();
    return file.Sync(why);
  };
  const Clock::time_point start = Clock::now();
  const datalog::SampleLogResult result = datalog::RunSampleLog(*usb.session, settings, hooks);
  if (result.end != datalog::SampleLogEnd::kCompleted || !file.Commit(why)) return std::nullopt;
  return MsPerSample(start);
}

void ReportSyncCost(benchmark::State& state, std::optional<double> (*ms_per_sample)(double)) {
  EnsureApplication();
  for (auto _ : state) {
    std::optional<double> unsynced;
    std::optional<double> synced;
    for (int run = 0; run < kRunsOfEachKind; ++run) {
      const std::optional<double> plain = ms_per_sample(kNever);
      const std::optional<double> syncing = ms_per_sample(kSyncIntervalSeconds);
      if (!plain || !syncing) {
        state.SkipWithError("the run did not complete over the simulated USB card");
        return;
      }
      unsynced = std::min(unsynced.value_or(*plain), *plain);
      synced = std::min(synced.value_or(*syncing), *syncing);
    }
    state.counters["synced_ms"] = *synced;
    state.counters["unsynced_ms"] = *unsynced;
    state.counters["ratio"] = *synced / *unsynced;
    state.counters["samples_per_s"] = 1000.0 / *synced;
  }
}

void BM_DatalogSampleSyncCost(benchmark::State& state) {
  ReportSyncCost(state, DatalogMsPerSample);
}
BENCHMARK(BM_DatalogSampleSyncCost)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CliLogSampleSyncCost(benchmark::State& state) {
  ReportSyncCost(state, CliLogMsPerSample);
}
BENCHMARK(BM_CliLogSampleSyncCost)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace talvix::bench
