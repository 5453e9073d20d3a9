// SPDX-License-Identifier: MIT
// One strip-chart update with all eight series checked: the chart step and the drawing into the
// chart's image (band, cursor, eight segments), without the repaint of the screen, which the
// window system coalesces. A reading pass must spend at most 0.2 ms on it, next to the nine
// register reads of at least 0.3 ms each.
#include "bench_support.h"
#include "monitor/ui/strip_chart_widget.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <memory>

namespace talvix::bench {
namespace {

constexpr double kUpdateLimitMs = 0.2;  // time budget of one update

// One full sweep of readings (351 passes), so the band and the wrap are part of the cost.
using Sweep = std::array<monitor::SampleVector, monitor::kChartRight + 1>;

// Slow waves over most of the range, as live readings look.
std::unique_ptr<Sweep> WaveSweep() {
  auto sweep = std::make_unique<Sweep>();
  for (std::size_t pass = 0; pass < sweep->size(); ++pass) {
    for (int series = monitor::kFirstSeries; series <= monitor::kLastSeries; ++series) {
      (*sweep)[pass][series] = static_cast<float>(25.0 * std::sin(0.05 * pass + series));
    }
  }
  return sweep;
}

// Every series jumping between the top and the bottom each pass: the longest lines there are.
std::unique_ptr<Sweep> FullHeightSweep() {
  auto sweep = std::make_unique<Sweep>();
  for (std::size_t pass = 0; pass < sweep->size(); ++pass) {
    for (int series = monitor::kFirstSeries; series <= monitor::kLastSeries; ++series) {
      (*sweep)[pass][series] = (pass + series) % 2 == 0 ? 30.0f : -30.0f;
    }
  }
  return sweep;
}

void RunUpdates(benchmark::State& state, const Sweep& sweep,
                monitor::RangeChoice range = monitor::RangeChoice::kPlusMinus30) {
  EnsureApplication();
  monitor::StripChartWidget chart;
  for (int series = monitor::kFirstSeries; series <= monitor::kLastSeries; ++series) {
    chart.SetSeriesChecked(series, true);
  }
  chart.SetRangeChoice(range);
  std::size_t pass = 0;
  PauseReport report(state, kUpdateLimitMs);
  for (auto _ : state) {
    const PauseReport::Lap lap(report);
    chart.PlotDataPoints2(sweep[pass]);
    pass = pass + 1 == sweep.size() ? 0 : pass + 1;
  }
}

void BM_StripChartUpdateWaves(benchmark::State& state) {
  RunUpdates(state, *WaveSweep());
}
BENCHMARK(BM_StripChartUpdateWaves)->Unit(benchmark::kMicrosecond);

void BM_StripChartUpdateFullHeight(benchmark::State& state) {
  RunUpdates(state, *FullHeightSweep());
}
BENCHMARK(BM_StripChartUpdateFullHeight)->Unit(benchmark::kMicrosecond);

// "Auto": every pass also looks over the values of all 351 columns for the range.
void BM_StripChartUpdateWavesAuto(benchmark::State& state) {
  RunUpdates(state, *WaveSweep(), monitor::RangeChoice::kAuto);
}
BENCHMARK(BM_StripChartUpdateWavesAuto)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace talvix::bench
