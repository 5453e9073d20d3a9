// SPDX-License-Identifier: MIT
// What the display windows' Spectrum view draws and reads, without the drawing: the mapping
// between a plot's pixels and frequency (0 Hz at the left to half the sample rate at the right)
// and amplitude (linear from 0 at the bottom, or logarithmic over four decades), and the texts
// of the peak marker and the pointer read-out. Also the A/B cursor read-out of a trace.
#pragma once

#include "capture/spectrum.h"
#include "common/cursor_pair.h"
#include "common/range_statistics.h"
#include "registers/capture_trace.h"

#include <QLocale>
#include <QString>

namespace talvix::capture {

// The logarithmic scale spans this many decades below its top.
inline constexpr double kLogDecades = 4.0;

struct SpectrumMapping {
  double width = 1.0;
  double height = 1.0;
  double top_hz = 1.0;  // at the right edge
  bool logarithmic = false;
  double top = 1.0;     // amplitude at the top edge
  double bottom = 0.0;  // and at the bottom edge (linear 0; logarithmic top / 10^4)

  // The top is 10 % above the strongest bin (1 for a spectrum of nothing but 0).
  static SpectrumMapping For(const Spectrum& spectrum, double width, double height,
                             bool logarithmic);
  double PixelX(double hz) const;
  // Amplitudes below the bottom (0 on the logarithmic scale) are drawn at the bottom edge.
  double PixelY(double amplitude) const;
  double Frequency(double pixel_x) const;
  double Amplitude(double pixel_y) const;
};

// "200.0 Hz  0.998 G": the peak marker's text (frequency with one decimal).
QString PeakText(const SpectralPeak& peak, const QString& units, const QLocale& locale = QLocale());

// "Frequency 200.0 Hz  Amplitude 0.998 G": the pointer read-out of the Spectrum view.
QString SpectrumReadout(double hz, double amplitude, const QString& units,
                        const QLocale& locale = QLocale());

// The cursors' read-out on a prepared trace: Δt from its sample period, ΔA and the statistics
// of samples A..B (either order).
common::CursorReadout TraceCursorReadout(const registers::CaptTrace& trace,
                                         const common::CursorPair& cursors);

}  // namespace talvix::capture
