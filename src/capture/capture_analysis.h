// SPDX-License-Identifier: MIT
// Looking into a captured buffer without a window: its samples read back from a capture file (or
// any one-column list of numbers), their statistics and strongest frequencies as text lines, and
// the spectrum file written beside the capture files. Used by talvix-cli analyse and capture
// --analyse, and by the display windows' spectrum export.
#pragma once

#include "capture/capture_files.h"
#include "capture/spectrum.h"
#include "common/range_statistics.h"
#include "registers/register_table.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace talvix::capture {

// The most samples and bytes a sample file may hold.
inline constexpr int kMaxFileSamples = 1 << 22;
inline constexpr qint64 kMaxSampleFileBytes = qint64{64} << 20;
// How many of the strongest peaks an analysis lists.
inline constexpr int kListedPeaks = 3;

// The samples of a text: each non-blank line holds either one number (a value or code) or two,
// a sample number and its value, separated by a comma, a tab or a semicolon (the capture files'
// "i,code"). A first line that is not numbers is taken as a header and skipped. Numbers are
// plain decimal with a point. Nothing, with the line and what is wrong with it in `why`, for any
// other line, and for a text without samples or with more than kMaxFileSamples.
std::optional<std::vector<double>> ParseSampleText(const QByteArray& text, QString& why);

// The same for the file at `path`; `why` says what is wrong without naming the file.
std::optional<std::vector<double>> ReadSampleFile(const QString& path, QString& why);

// Codes as read from a capture buffer, in the unit of the data source they recorded (1..9, 10
// for the digital lines), as the display windows show them; the unit's name goes to `unit`.
// Nothing for a source that records no quantity.
std::optional<std::vector<double>> InSourceUnits(const registers::RegisterTable& table, int source,
                                                 std::span<const double> codes, QString& unit);

struct Analysis {
  std::optional<common::RangeStatistics> statistics;
  Spectrum spectrum;
  std::vector<SpectralPeak> peaks;  // the strongest first, at most kListedPeaks
};

// Everything of `values` (all of them, in order) taken every `sample_period_seconds`.
Analysis Analyse(std::span<const double> values, double sample_period_seconds);

// The analysis as tab-separated lines, one quantity each, in the values' unit (empty for bare
// numbers): samples, period_ms, unit, minimum, maximum, mean, rms, peak_to_peak, bin_hz (the
// spectrum's resolution), spectrum_samples (only when the spectrum took fewer than all), then
// "peak <rank> <Hz> <amplitude>" for each peak, strongest first.
QString AnalysisText(const Analysis& analysis, double sample_period_seconds, const QString& unit);

// "<folder>/CapSpec_<buffer><extension>": the spectrum file of buffer 0 or 1, beside its
// capture file and in the same format.
QString SpectrumFilePath(const QString& folder, int buffer, const CaptureFileFormat& format);

// Writes the spectrum file whole (the old one stays on failure). False, with the reason, which
// names the file, in `why`.
bool WriteSpectrumFile(const QString& path, const Spectrum& spectrum,
                       const CaptureFileFormat& format, QString& why);

}  // namespace talvix::capture
