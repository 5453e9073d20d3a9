// SPDX-License-Identifier: MIT
#include "capture/spectrum.h"

#include <cmath>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

namespace talvix::capture {
namespace {

// offset + amplitude x cos(2 pi f t + phase), sampled `count` times at `rate`.
std::vector<double> Tone(int count, double rate, double hz, double amplitude, double phase = 0.3,
                         double offset = 0.0) {
  std::vector<double> samples;
  for (int i = 0; i < count; ++i) {
    samples.push_back(offset +
                      amplitude * std::cos(2.0 * std::numbers::pi * hz * i / rate + phase));
  }
  return samples;
}

struct ToneCase {
  const char* name;
  int count;
  double rate;
  double hz;
  double amplitude;
  double phase;
  double offset;
  int used;  // samples the transform takes
};

class SpectrumToneTest : public ::testing::TestWithParam<ToneCase> {};

// The strongest peak reads the tone's frequency (within a twentieth of a bin) and amplitude
// (within 1 %), whatever its offset and wherever it falls between the bins.
TEST_P(SpectrumToneTest, TheStrongestPeakIsTheTone) {
  const ToneCase& c = GetParam();
  const Spectrum spectrum =
      AmplitudeSpectrum(Tone(c.count, c.rate, c.hz, c.amplitude, c.phase, c.offset), 1.0 / c.rate);
  ASSERT_EQ(spectrum.samples_used, c.used);
  EXPECT_DOUBLE_EQ(spectrum.bin_hz, c.rate / c.used);
  ASSERT_EQ(static_cast<int>(spectrum.amplitude.size()), c.used / 2 + 1);
  const std::vector<SpectralPeak> peaks = StrongestPeaks(spectrum, 1);
  ASSERT_EQ(peaks.size(), 1U);
  EXPECT_NEAR(peaks[0].frequency_hz, c.hz, spectrum.bin_hz / 20);
  EXPECT_NEAR(peaks[0].amplitude, c.amplitude, c.amplitude * 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Tones, SpectrumToneTest,
    ::testing::Values(
        // 1024 samples at 4096 per second: 4 Hz bins, 200 Hz on bin 50.
        ToneCase{"OnABin", 1024, 4096, 200, 1.0, 0.3, 0.0, 1024},
        ToneCase{"HalfwayBetweenBins", 1024, 4096, 202, 1.0, 1.1, 0.0, 1024},
        ToneCase{"AQuarterPastABin", 1024, 4096, 201, 0.25, 2.0, 0.0, 1024},
        ToneCase{"OnAnOffset", 1024, 4096, 1000, 0.5, 0.0, 3.0, 1024},
        // At half the sample rate a cosine in phase with the samples alternates +A, -A.
        ToneCase{"AtNyquist", 64, 4096, 2048, 0.5, 0.0, 0.0, 64},
        ToneCase{"ShortBuffer", 8, 8, 2, 1.0, 0.0, 0.0, 8},
        // A prime length: the transform takes the longest leading stretch of 2-3-5 length.
        ToneCase{"PrimeLength", 1021, 1000, 123.4, 2.0, 0.7, 0.0, 1000}),
    [](const ::testing::TestParamInfo<ToneCase>& info) { return std::string(info.param.name); });

TEST(SpectrumTest, PeaksComeStrongestFirst) {
  std::vector<double> samples = Tone(1024, 4096, 200, 1.0);
  const std::vector<double> second = Tone(1024, 4096, 612, 0.3);
  const std::vector<double> third = Tone(1024, 4096, 1500, 0.1);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] += second[i] + third[i];
  const std::vector<SpectralPeak> peaks = StrongestPeaks(AmplitudeSpectrum(samples, 1.0 / 4096), 3);
  ASSERT_EQ(peaks.size(), 3U);
  EXPECT_NEAR(peaks[0].frequency_hz, 200, 0.1);
  EXPECT_NEAR(peaks[1].frequency_hz, 612, 0.1);
  EXPECT_NEAR(peaks[2].frequency_hz, 1500, 0.1);
  EXPECT_NEAR(peaks[2].amplitude, 0.1, 0.002);
}

TEST(SpectrumTest, TooFewSamplesOrNoPeriodGiveNoSpectrum) {
  EXPECT_TRUE(AmplitudeSpectrum(std::vector<double>{1, 2, 3}, 0.001).Empty());
  EXPECT_TRUE(AmplitudeSpectrum(Tone(64, 64, 4, 1), 0.0).Empty());
  EXPECT_TRUE(AmplitudeSpectrum(Tone(64, 64, 4, 1), NAN).Empty());
  EXPECT_TRUE(StrongestPeaks(AmplitudeSpectrum(std::vector<double>(64, 2.0), 0.001), 3).empty());
}

TEST(SpectrumTest, TheFileHasAHeaderAndOneLinePerBin) {
  const Spectrum spectrum{.bin_hz = 512.0, .samples_used = 8, .amplitude = {0, 0.5, 1, 0.25, 0}};
  EXPECT_EQ(SpectrumFileText(spectrum, QLatin1Char(',')),
            "frequency_hz,amplitude\r\n0.000,0\r\n512.000,0.5\r\n1024.000,1\r\n1536.000,0.25\r\n"
            "2048.000,0\r\n");
  EXPECT_TRUE(SpectrumFileText(spectrum, QLatin1Char('\t')).startsWith("frequency_hz\tamplitude"));
}

}  // namespace
}  // namespace talvix::capture
