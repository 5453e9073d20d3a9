// SPDX-License-Identifier: MIT
// The Spectrum view of a capture display window: the amplitude spectrum of the buffer as a line
// from 0 Hz to half the sample rate, the strongest peak marked with its frequency and amplitude,
// a few frequency ticks along the bottom and the amplitude at the top, linear or logarithmic.
// Reports the frequency and amplitude under the pointer.
#pragma once

#include "capture/spectrum.h"

#include <QString>
#include <QWidget>

#include <optional>

namespace talvix::capture {

class CaptSpectrumPlot : public QWidget {
  Q_OBJECT

 public:
  explicit CaptSpectrumPlot(QWidget* parent = nullptr);

  // The spectrum to draw and the unit of its amplitudes ("G").
  void SetSpectrum(Spectrum spectrum, const QString& units);
  void SetLogarithmic(bool logarithmic);
  bool Logarithmic() const { return logarithmic_; }

  const Spectrum& spectrum() const { return spectrum_; }
  // The strongest peak, marked on the plot; nothing for an empty or flat spectrum.
  const std::optional<SpectralPeak>& Strongest() const { return strongest_; }

 signals:
  // The pointer moved over the plot, at `hz` and `amplitude`.
  void PointerMoved(double hz, double amplitude);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  Spectrum spectrum_;
  std::optional<SpectralPeak> strongest_;
  QString units_;
  bool logarithmic_ = false;
};

}  // namespace talvix::capture
