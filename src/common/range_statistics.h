// SPDX-License-Identifier: MIT
// Statistics of a run of values between two cursors (a capture trace, the strip chart) and the
// read-out line that shows them with the cursors' differences.
#pragma once

#include <QLocale>
#include <QString>

#include <optional>
#include <span>

namespace talvix::common {

struct RangeStatistics {
  int count = 0;  // the values that are numbers; the others are left out
  double minimum = 0.0;
  double maximum = 0.0;
  double mean = 0.0;
  double rms = 0.0;  // root of the mean square, offset included
  double peak_to_peak = 0.0;
};

// Nothing when no value is a number.
std::optional<RangeStatistics> StatisticsOf(std::span<const double> values);

// What the A/B cursors read: the time and value differences B - A and the statistics of the
// values from A to B, both ends included.
struct CursorReadout {
  int a = 0;  // the cursors' positions (sample numbers or chart columns)
  int b = 0;
  std::optional<double> delta_ms;  // nothing when the time between them is not known
  double delta_value = 0.0;
  std::optional<RangeStatistics> statistics;
};

// Two lines, "A 12  B 140  Δt 31.250 ms  ΔA 0.123 G" and "min -1.002  max 0.998  mean 0.001
// RMS 0.707  p-p 2.000 G" (the second only when a value between the cursors is a number); numbers
// with three decimals, or four significant digits below 0.1. Δt shows "?" when not known.
QString CursorReadoutText(const CursorReadout& readout, const QString& units,
                          const QLocale& locale = QLocale());

// A value for the read-outs: three decimals, or four significant digits for small values.
QString ReadoutNumber(double value, const QLocale& locale = QLocale());

}  // namespace talvix::common
