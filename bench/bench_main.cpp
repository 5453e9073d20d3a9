// SPDX-License-Identifier: MIT
// Runs every benchmark and ends with one table: operation, measured time, the minimum the
// program must take (its mandated pauses, the time asked of a wait, or the time budget of a
// drawing step or a file write), and their ratio; for the waits also the shortest run over the
// time asked, and where measured the processor time over the wall time. Each row has its target
// and whether it was met.
#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// What each operation must meet, by the start of its benchmark's name (the first match counts).
// A limit of 0 is not checked.
struct Target {
  const char* prefix;
  double max_ratio;         // measured over mandated
  double min_shortest;      // shortest wait over the time asked: a pause is never short
  double max_cpu_per_wall;  // the processor stays free while the program waits
};

constexpr Target kTargets[] = {
    {"BM_ReadReg", 1.10, 0, 0},           // register operations: within 10 % of their pauses
    {"BM_WriteReg", 1.10, 0, 0},          // (both interfaces)
    {"BM_ReadingPassUsb", 1.15, 0, 0},    // a reading pass, chart included
    {"BM_ReadingLoopUsb", 0, 0, 0.10},    // loop delay 100 ms: at most a tenth of a core
    {"BM_StripChartUpdate", 1.0, 0, 0},   // within the 0.2 ms budget of one update
    {"BM_CaptureReadOut", 1.10, 0, 0},    // a 1024-sample buffer
    {"BM_DatalogSampleUsb", 1.10, 0, 0},  // a datalog sample
    {"BM_DatalogWriteFile", 1.0, 0, 0},   // the 65526-row block within 100 ms
    {"BM_CliLogSample", 1.10, 0, 0},      // talvix-cli log per sample
    {"BM_DelayMs/0.1ms", 1.05, 1.0, 0},   // the median within 5 % where clock readings count
    {"BM_DelayMs", 1.02, 1.0, 0},         // the median within 2 %, never short
};

const Target* TargetOf(const std::string& name) {
  for (const Target& target : kTargets) {
    if (name.rfind(target.prefix, 0) == 0) return &target;
  }
  return nullptr;
}

struct Row {
  std::string name;
  double measured_ms;
  double mandated_ms;
  double ratio;
  std::string shortest_ratio;  // "-" where not measured
  std::string cpu_per_wall;
  std::string target;   // the limits, for example "<=1.02 short>=1.00"
  std::string verdict;  // "ok", "OVER", or "-" without a target
};

// The limits of `target` as text, and whether the counters meet them.
void Judge(const Target* target, const benchmark::UserCounters& c, Row& row) {
  if (target == nullptr) {
    row.target = row.verdict = "-";
    return;
  }
  bool met = true;
  char text[24];
  if (target->max_ratio > 0) {
    std::snprintf(text, sizeof text, "<=%.2f ", target->max_ratio);
    row.target += text;
    met = met && row.ratio <= target->max_ratio;
  }
  if (target->min_shortest > 0) {
    std::snprintf(text, sizeof text, "short>=%.2f ", target->min_shortest);
    row.target += text;
    const auto found = c.find("shortest_ratio");
    met = met && found != c.end() && found->second >= target->min_shortest;
  }
  if (target->max_cpu_per_wall > 0) {
    std::snprintf(text, sizeof text, "cpu<=%.2f ", target->max_cpu_per_wall);
    row.target += text;
    const auto found = c.find("cpu_per_wall");
    met = met && found != c.end() && found->second <= target->max_cpu_per_wall;
  }
  if (!row.target.empty()) row.target.pop_back();
  row.verdict = met ? "ok" : "OVER";
}

std::string Optional(const benchmark::UserCounters& counters, const char* name) {
  const auto found = counters.find(name);
  if (found == counters.end()) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(found->second));
  return text;
}

// Reads the counters that PauseReport sets: "measured_ms", "mandated_ms" and "ratio"; and where
// a benchmark sets them, "shortest_ratio" and "cpu_per_wall".
class PauseTableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    benchmark::ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto& c = run.counters;
      if (c.count("ratio") == 0 || c.count("measured_ms") == 0 || c.count("mandated_ms") == 0) {
        continue;
      }
      Row row{run.benchmark_name(),
              c.at("measured_ms"),
              c.at("mandated_ms"),
              c.at("ratio"),
              Optional(c, "shortest_ratio"),
              Optional(c, "cpu_per_wall"),
              {},
              {}};
      Judge(TargetOf(row.name), c, row);
      rows_.push_back(std::move(row));
    }
  }

  void Finalize() override {
    benchmark::ConsoleReporter::Finalize();
    std::printf("\n%-44s %14s %14s %8s %9s %9s  %-18s %s\n", "operation", "measured (ms)",
                "mandated (ms)", "ratio", "shortest", "cpu/wall", "target", "met");
    for (const Row& row : rows_) {
      std::printf("%-44s %14.4f %14.4f %8.3f %9s %9s  %-18s %s\n", row.name.c_str(),
                  row.measured_ms, row.mandated_ms, row.ratio, row.shortest_ratio.c_str(),
                  row.cpu_per_wall.c_str(), row.target.c_str(), row.verdict.c_str());
    }
  }

 private:
  std::vector<Row> rows_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  PauseTableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  talvix::bench::EndApplication();
  return 0;
}
