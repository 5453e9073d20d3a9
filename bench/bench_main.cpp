// Runs every benchmark and ends with one table: operation, measured time, the minimum the
// program must take (its mandated pauses, the time asked of a wait, or the time budget of a
// drawing step), and their ratio; for the waits also the shortest run over the time asked, and
// where measured the processor time over the wall time.
#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Row {
  std::string name;
  double measured_ms;
  double mandated_ms;
  double ratio;
  std::string shortest_ratio;  // empty where not measured
  std::string cpu_per_wall;
};

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
      rows_.push_back({run.benchmark_name(), c.at("measured_ms"), c.at("mandated_ms"),
                       c.at("ratio"), Optional(c, "shortest_ratio"), Optional(c, "cpu_per_wall")});
    }
  }

  void Finalize() override {
    benchmark::ConsoleReporter::Finalize();
    std::printf("\n%-44s %14s %14s %8s %9s %9s\n", "operation", "measured (ms)", "mandated (ms)",
                "ratio", "shortest", "cpu/wall");
    for (const Row& row : rows_) {
      std::printf("%-44s %14.4f %14.4f %8.3f %9s %9s\n", row.name.c_str(), row.measured_ms,
                  row.mandated_ms, row.ratio, row.shortest_ratio.c_str(), row.cpu_per_wall.c_str());
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
