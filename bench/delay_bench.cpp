// SPDX-License-Identifier: MIT
// DelayMs on the system clock, each wait timed on its own: the shortest must be at least the time
// asked (a pause is never short), the median at most 2 % over it (5 % at 0.1 ms, where the clock
// readings themselves count). The processor time over the wall time shows how much of the wait
// the processor is free: from a millisecond up the wait sleeps for all but its last stretch.
#include "bench_support.h"

#include "link/delay.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace talvix::bench {
namespace {

void BM_DelayMs(benchmark::State& state, double ms) {
  platform::SystemClock clock;
  link::Delay delay(clock);
  std::vector<double> waits_ms;
  waits_ms.reserve(static_cast<size_t>(state.max_iterations));
  const double cpu_start = ProcessCpuSeconds();
  const auto wall_start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    delay.DelayMs(ms);
    waits_ms.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  const double cpu = ProcessCpuSeconds() - cpu_start;
  std::sort(waits_ms.begin(), waits_ms.end());
  const double median = waits_ms[waits_ms.size() / 2];
  state.counters["measured_ms"] = median;
  state.counters["mandated_ms"] = ms;
  state.counters["ratio"] = median / ms;
  state.counters["shortest_ratio"] = waits_ms.front() / ms;
  state.counters["cpu_per_wall"] = cpu / wall;
}

BENCHMARK_CAPTURE(BM_DelayMs, 0.1ms, 0.1)->Iterations(3000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DelayMs, 1ms, 1.0)->Iterations(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DelayMs, 10ms, 10.0)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DelayMs, 100ms, 100.0)->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DelayMs, 1000ms, 1000.0)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace talvix::bench
