// SPDX-License-Identifier: MIT
// The Spectrum view of a capture display window: the amplitude spectrum of a full 1024-sample
// buffer (mean, Hann window, transform, scaling, peak search) and its drawing, the line of 513
// bins with the peak marker and the ticks, into an image of a typical window's plot size. Must
// take under 5 ms, so that switching to the view or reading a new capture does not lag.
#include "bench_support.h"
#include "capture/spectrum.h"
#include "capture/ui/capt_spectrum_plot.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace talvix::bench {
namespace {

constexpr double kSpectrumLimitMs = 5.0;
constexpr double kSamplePeriodSeconds = 0.00024414;  // the sensor's default 4096 per second

// A 200 Hz sine of 1 g with a slower one and a little of everything else, as a capture looks.
std::vector<double> CapturedBuffer() {
  std::vector<double> samples;
  for (int i = 0; i < 1024; ++i) {
    const double t = i * kSamplePeriodSeconds;
    samples.push_back(0.3 + std::sin(2 * std::numbers::pi * 200 * t) +
                      0.05 * std::sin(2 * std::numbers::pi * 7 * t) + 0.01 * std::cos(i * 1.7));
  }
  return samples;
}

void BM_SpectrumOf1024ComputedAndDrawn(benchmark::State& state) {
  EnsureApplication();
  const std::vector<double> samples = CapturedBuffer();
  capture::CaptSpectrumPlot plot;
  plot.resize(900, 250);
  QImage target(plot.size(), QImage::Format_RGB32);
  PauseReport report(state, kSpectrumLimitMs);
  for (auto _ : state) {
    const PauseReport::Lap lap(report);
    plot.SetSpectrum(capture::AmplitudeSpectrum(samples, kSamplePeriodSeconds), "G");
    plot.render(&target);
  }
}
BENCHMARK(BM_SpectrumOf1024ComputedAndDrawn)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace talvix::bench
