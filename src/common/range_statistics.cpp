// SPDX-License-Identifier: MIT
#include "common/range_statistics.h"

#include <algorithm>
#include <cmath>

namespace talvix::common {

std::optional<RangeStatistics> StatisticsOf(std::span<const double> values) {
  RangeStatistics s;
  double sum = 0.0;
  double sum_of_squares = 0.0;
  for (double v : values) {
    if (!std::isfinite(v)) continue;
    if (s.count == 0) {
      s.minimum = s.maximum = v;
    } else {
      s.minimum = std::min(s.minimum, v);
      s.maximum = std::max(s.maximum, v);
    }
    sum += v;
    sum_of_squares += v * v;
    ++s.count;
  }
  if (s.count == 0) return std::nullopt;
  s.mean = sum / s.count;
  s.rms = std::sqrt(sum_of_squares / s.count);
  s.peak_to_peak = s.maximum - s.minimum;
  return s;
}

QString ReadoutNumber(double value, const QLocale& locale) {
  if (value != 0.0 && std::abs(value) < 0.1) return locale.toString(value, 'g', 4);
  return locale.toString(value, 'f', 3);
}

QString CursorReadoutText(const CursorReadout& readout, const QString& units,
                          const QLocale& locale) {
  const auto number = [&locale](double value) { return ReadoutNumber(value, locale); };
  const QString unit = units.isEmpty() ? QString() : QLatin1Char(' ') + units;
  QString text = QStringLiteral("A %1  B %2  ").arg(readout.a).arg(readout.b);
  text += QStringLiteral("\u0394t %1  ")
              .arg(readout.delta_ms ? locale.toString(*readout.delta_ms, 'f', 3) + " ms"
                                    : QStringLiteral("?"));
  text += QStringLiteral("\u0394A %1%2").arg(number(readout.delta_value), unit);
  if (readout.statistics) {
    const RangeStatistics& s = *readout.statistics;
    text += QStringLiteral("\nmin %1  max %2  mean %3  RMS %4  p-p %5%6")
                .arg(number(s.minimum), number(s.maximum), number(s.mean), number(s.rms),
                     number(s.peak_to_peak), unit);
  }
  return text;
}

}  // namespace talvix::common
