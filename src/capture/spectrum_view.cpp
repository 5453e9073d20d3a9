// SPDX-License-Identifier: MIT
#include "capture/spectrum_view.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace talvix::capture {

SpectrumMapping SpectrumMapping::For(const Spectrum& spectrum, double width, double height,
                                     bool logarithmic) {
  SpectrumMapping map;
  map.width = std::max(width, 1.0);
  map.height = std::max(height, 1.0);
  const int last = static_cast<int>(spectrum.amplitude.size()) - 1;
  map.top_hz = last > 0 ? spectrum.FrequencyOf(last) : 1.0;
  double strongest = 0.0;
  for (double a : spectrum.amplitude) {
    if (std::isfinite(a)) strongest = std::max(strongest, a);
  }
  map.logarithmic = logarithmic;
  map.top = strongest > 0.0 ? strongest * 1.1 : 1.0;
  map.bottom = logarithmic ? map.top * std::pow(10.0, -kLogDecades) : 0.0;
  return map;
}

double SpectrumMapping::PixelX(double hz) const {
  return hz / top_hz * (width - 1.0);
}

double SpectrumMapping::PixelY(double amplitude) const {
  double share = 0.0;  // of the height, from the bottom
  if (logarithmic) {
    share = amplitude > bottom ? std::log10(amplitude / bottom) / kLogDecades : 0.0;
  } else {
    share = std::max(amplitude, 0.0) / top;
  }
  return (1.0 - share) * (height - 1.0);
}

double SpectrumMapping::Frequency(double pixel_x) const {
  return pixel_x / (width - 1.0) * top_hz;
}

double SpectrumMapping::Amplitude(double pixel_y) const {
  const double share = 1.0 - pixel_y / (height - 1.0);
  return logarithmic ? bottom * std::pow(10.0, share * kLogDecades) : share * top;
}

QString PeakText(const SpectralPeak& peak, const QString& units, const QLocale& locale) {
  return QStringLiteral("%1 Hz  %2 %3")
      .arg(locale.toString(peak.frequency_hz, 'f', 1),
           common::ReadoutNumber(peak.amplitude, locale), units)
      .trimmed();
}

QString SpectrumReadout(double hz, double amplitude, const QString& units, const QLocale& locale) {
  return QStringLiteral("Frequency %1 Hz  Amplitude %2 %3")
      .arg(locale.toString(hz, 'f', 1), common::ReadoutNumber(amplitude, locale), units)
      .trimmed();
}

common::CursorReadout TraceCursorReadout(const registers::CaptTrace& trace,
                                         const common::CursorPair& cursors) {
  common::CursorReadout readout;
  readout.a = cursors.a();
  readout.b = cursors.b();
  const int count = static_cast<int>(trace.Values.size());
  const auto inside = [count](int i) { return i >= 1 && i < count; };
  if (!inside(readout.a) || !inside(readout.b)) return readout;
  readout.delta_ms = (readout.b - readout.a) * trace.sample_period_ms;
  readout.delta_value = trace.Values[readout.b] - trace.Values[readout.a];
  readout.statistics =
      common::StatisticsOf(std::span<const double>(trace.Values)
                               .subspan(cursors.Left(), cursors.Right() - cursors.Left() + 1));
  return readout;
}

}  // namespace talvix::capture
