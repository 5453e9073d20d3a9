// SPDX-License-Identifier: MIT
// The amplitude spectrum of a capture buffer: what frequencies a shock or vibration holds and how
// strong each is. The samples' mean is removed and a Hann window applied; each bin is scaled so
// that a sine of amplitude A reads A at its peak bin, in the samples' own unit (g for the
// accelerations). The bins run from 0 Hz to half the sample rate in steps of rate / samples.
//
// The transform is KissFFT's, taken over the longest leading stretch of the samples whose length
// has no prime factor above 5 (8..1024-sample captures are used whole; another length loses at
// most a few per cent of its end), so that any length is quick.
#pragma once

#include <QString>

#include <span>
#include <vector>

namespace talvix::capture {

struct Spectrum {
  double bin_hz = 0.0;            // spacing of the bins: the sample rate over `samples_used`
  int samples_used = 0;           // the leading samples the transform took
  std::vector<double> amplitude;  // bin k (0 .. samples_used / 2) is at k x bin_hz

  double FrequencyOf(int bin) const { return bin * bin_hz; }
  bool Empty() const { return amplitude.empty(); }
};

// The spectrum of `samples` taken every `sample_period_seconds`; empty with fewer than 4 samples
// or a period that is not a positive, finite number. Samples that are not finite numbers count
// as the mean (they add nothing).
Spectrum AmplitudeSpectrum(std::span<const double> samples, double sample_period_seconds);

// A peak of the spectrum, its frequency and amplitude interpolated between the bins from the
// Hann window's shape, so that a sine between two bins reads its own frequency and amplitude.
struct SpectralPeak {
  int bin = 0;  // the bin at the top of the peak
  double frequency_hz = 0.0;
  double amplitude = 0.0;
};

// The `count` strongest peaks (bins above both neighbours; the last bin, at half the sample rate,
// above the one before it), strongest first. The 0 Hz bin, which the removed mean leaves with
// only the slow drift's leak, is never a peak.
std::vector<SpectralPeak> StrongestPeaks(const Spectrum& spectrum, int count);

// The spectrum as a text file: a header line "frequency_hz,amplitude" (tab-separated when
// `separator` is a tab), then one line per bin, CR LF ended, the frequency with 3 decimals and
// the amplitude with 6 significant digits.
QByteArray SpectrumFileText(const Spectrum& spectrum, QChar separator);

}  // namespace talvix::capture
