// Runs every benchmark and ends with one table: operation, measured time, the minimum the
// program must take (its mandated pauses, or the time budget of a drawing step), and their ratio.
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
};

// Reads the counters that PauseReport sets: "measured_ms", "mandated_ms" and "ratio".
class PauseTableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    benchmark::ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto& c = run.counters;
      if (c.count("ratio") == 0 || c.count("measured_ms") == 0 || c.count("mandated_ms") == 0) {
        continue;
      }
      rows_.push_back(
          {run.benchmark_name(), c.at("measured_ms"), c.at("mandated_ms"), c.at("ratio")});
    }
  }

  void Finalize() override {
    benchmark::ConsoleReporter::Finalize();
    std::printf("\n%-44s %14s %14s %8s\n", "operation", "measured (ms)", "mandated (ms)", "ratio");
    for (const Row& row : rows_) {
      std::printf("%-44s %14.4f %14.4f %8.3f\n", row.name.c_str(), row.measured_ms,
                  row.mandated_ms, row.ratio);
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
  return 0;
}
