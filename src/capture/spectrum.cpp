// SPDX-License-Identifier: MIT
#include "capture/spectrum.h"

#include <kiss_fft.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace talvix::capture {

namespace {

constexpr int kLeastSamples = 4;

bool FactorsUpToFive(int n) {
  for (int p : {2, 3, 5}) {
    while (n % p == 0) n /= p;
  }
  return n == 1;
}

// The longest length up to `n` that the transform takes quickly.
int QuickLength(int n) {
  while (n > 1 && !FactorsUpToFive(n)) --n;
  return n;
}

struct KissDeleter {
  void operator()(kiss_fft_state* state) const { kiss_fft_free(state); }
};

// The Hann window's response, relative to its peak, `offset` bins from a tone.
double HannResponse(double offset) {
  const double d = std::abs(offset);
  if (d < 1e-9) return 1.0;
  if (std::abs(d - 1.0) < 1e-9) return 0.5;
  const double x = std::numbers::pi * d;
  return std::sin(x) / x / (1.0 - d * d);
}

}  // namespace

Spectrum AmplitudeSpectrum(std::span<const double> samples, double sample_period_seconds) {
  Spectrum spectrum;
  if (!(sample_period_seconds > 0.0) || !std::isfinite(sample_period_seconds)) return spectrum;
  if (samples.size() < static_cast<size_t>(kLeastSamples)) return spectrum;
  const int n = QuickLength(static_cast<int>(std::min<size_t>(samples.size(), 1U << 30)));
  const std::span<const double> used = samples.first(static_cast<size_t>(n));

  double sum = 0.0;
  int finite = 0;
  for (double v : used) {
    if (!std::isfinite(v)) continue;
    sum += v;
    ++finite;
  }
  const double mean = finite > 0 ? sum / finite : 0.0;

  // Periodic Hann: its sum is n / 2, so a bin's magnitude over that sum is half a sine's
  // amplitude (the other half is at the negative frequency).
  std::vector<kiss_fft_cpx> in(static_cast<size_t>(n));
  std::vector<kiss_fft_cpx> out(static_cast<size_t>(n));
  double window_sum = 0.0;
  for (int i = 0; i < n; ++i) {
    const double w = 0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * i / n));
    window_sum += w;
    const double v = std::isfinite(used[i]) ? used[i] - mean : 0.0;
    in[i].r = static_cast<float>(v * w);
    in[i].i = 0.0F;
  }
  const std::unique_ptr<kiss_fft_state, KissDeleter> plan(kiss_fft_alloc(n, 0, nullptr, nullptr));
  if (!plan) return spectrum;
  kiss_fft(plan.get(), in.data(), out.data());

  const int last = n / 2;
  spectrum.samples_used = n;
  spectrum.bin_hz = 1.0 / (n * sample_period_seconds);
  spectrum.amplitude.resize(static_cast<size_t>(last) + 1);
  for (int k = 0; k <= last; ++k) {
    // 0 Hz, and half the rate when n is even, have no mirror image to add.
    const bool alone = k == 0 || 2 * k == n;
    const double magnitude = std::hypot(out[k].r, out[k].i);
    spectrum.amplitude[k] = (alone ? 1.0 : 2.0) * magnitude / window_sum;
  }
  return spectrum;
}

std::vector<SpectralPeak> StrongestPeaks(const Spectrum& spectrum, int count) {
  std::vector<SpectralPeak> peaks;
  const std::vector<double>& a = spectrum.amplitude;
  const int last = static_cast<int>(a.size()) - 1;
  // Peaks are found on the transform's own magnitudes, where the window's shape is the same in
  // every bin: the doubled bins halved again. A tone at half the sample rate then stands above
  // its neighbour as any other does, rather than level with it.
  const auto m = [&a, &spectrum](int k) {
    return k == 0 || 2 * k == spectrum.samples_used ? a[k] : a[k] / 2.0;
  };
  for (int k = 1; k <= last; ++k) {
    const bool above_left = m(k) > m(k - 1);
    const bool not_below_right = k == last || m(k) >= m(k + 1);
    if (!above_left || !not_below_right || !(a[k] > 0.0)) continue;
    SpectralPeak peak{k, spectrum.FrequencyOf(k), a[k]};
    if (k < last) {
      // The taller neighbour says how far the tone sits from this bin: with the Hann window a
      // neighbour at ratio r = (1 + d) / (2 - d) of the top means an offset of d bins.
      const bool right = m(k + 1) >= m(k - 1);
      const double neighbour = right ? m(k + 1) : m(k - 1);
      const double offset = std::clamp((2.0 * neighbour - m(k)) / (m(k) + neighbour), 0.0, 0.5);
      peak.frequency_hz = spectrum.FrequencyOf(k) + (right ? offset : -offset) * spectrum.bin_hz;
      peak.amplitude = a[k] / HannResponse(offset);
    }
    peaks.push_back(peak);
  }
  std::stable_sort(peaks.begin(), peaks.end(), [](const SpectralPeak& x, const SpectralPeak& y) {
    return x.amplitude > y.amplitude;
  });
  if (static_cast<int>(peaks.size()) > count) peaks.resize(static_cast<size_t>(std::max(count, 0)));
  return peaks;
}

QByteArray SpectrumFileText(const Spectrum& spectrum, QChar separator) {
  const char sep = separator == QLatin1Char('\t') ? '\t' : ',';
  QByteArray text = QByteArray("frequency_hz") + sep + "amplitude\r\n";
  for (int k = 0; k < static_cast<int>(spectrum.amplitude.size()); ++k) {
    text += QByteArray::number(spectrum.FrequencyOf(k), 'f', 3);
    text += sep;
    text += QByteArray::number(spectrum.amplitude[k], 'g', 6);
    text += "\r\n";
  }
  return text;
}

}  // namespace talvix::capture
