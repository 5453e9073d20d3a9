// SPDX-License-Identifier: MIT
#include "capture/ui/capt_spectrum_plot.h"

#include "capture/spectrum_view.h"
#include "capture/ui/capt_trace_plot.h"
#include "common/range_statistics.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>

namespace talvix::capture {

namespace {

constexpr int kFrequencyTicks = 4;  // intervals along the bottom
QColor PeakColour() {
  return {200, 0, 0};
}

}  // namespace

CaptSpectrumPlot::CaptSpectrumPlot(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);
  setCursor(Qt::CrossCursor);
}

void CaptSpectrumPlot::SetSpectrum(Spectrum spectrum, const QString& units) {
  spectrum_ = std::move(spectrum);
  units_ = units;
  const std::vector<SpectralPeak> peaks = StrongestPeaks(spectrum_, 1);
  strongest_ = peaks.empty() ? std::nullopt : std::optional<SpectralPeak>(peaks.front());
  update();
}

void CaptSpectrumPlot::SetLogarithmic(bool logarithmic) {
  logarithmic_ = logarithmic;
  update();
}

void CaptSpectrumPlot::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setPen(QColor(128, 128, 128));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (spectrum_.Empty()) {
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No spectrum: too few samples"));
    return;
  }
  const SpectrumMapping map = SpectrumMapping::For(spectrum_, width(), height(), logarithmic_);
  const QLocale locale;

  // The tick lines under the spectrum.
  painter.setPen(QColor(220, 220, 220));
  for (int i = 0; i <= kFrequencyTicks; ++i) {
    const double x = map.PixelX(map.top_hz * i / kFrequencyTicks);
    painter.drawLine(QPointF(x, 0), QPointF(x, height()));
  }

  QPolygonF line;
  line.reserve(static_cast<qsizetype>(spectrum_.amplitude.size()));
  for (int k = 0; k < static_cast<int>(spectrum_.amplitude.size()); ++k) {
    line << QPointF(map.PixelX(spectrum_.FrequencyOf(k)), map.PixelY(spectrum_.amplitude[k]));
  }
  painter.setPen(QPen(CaptTracePlot::TraceColour(), 1));
  painter.drawPolyline(line);

  // Frequency ticks along the bottom and the amplitude of the top edge, on a light ground so that
  // the line does not hide them.
  const QFontMetrics metrics = painter.fontMetrics();
  const auto label = [&painter, &metrics](QPointF baseline, const QString& text) {
    const QRectF box(baseline.x() - 1, baseline.y() - metrics.ascent(),
                     metrics.horizontalAdvance(text) + 2, metrics.height());
    painter.fillRect(box, QColor(255, 255, 255, 200));
    painter.drawText(baseline, text);
  };
  painter.setPen(QColor(90, 90, 90));
  for (int i = 0; i <= kFrequencyTicks; ++i) {
    const double hz = map.top_hz * i / kFrequencyTicks;
    const QString text = locale.toString(hz, 'f', 0) + QStringLiteral(" Hz");
    const double left = std::clamp(map.PixelX(hz) - metrics.horizontalAdvance(text) / 2.0, 2.0,
                                   width() - metrics.horizontalAdvance(text) - 2.0);
    label(QPointF(left, height() - metrics.descent() - 2), text);
  }
  label(QPointF(3, metrics.ascent() + 2),
        QStringLiteral("%1 %2%3").arg(common::ReadoutNumber(map.top, locale), units_,
                                      logarithmic_ ? QStringLiteral("  (log)") : QString()));

  if (!strongest_) return;
  // The marker points down at the peak, kept inside the plot when the peak is at its top.
  const QPointF top(map.PixelX(strongest_->frequency_hz),
                    std::max(map.PixelY(strongest_->amplitude), 12.0));
  painter.setPen(QPen(PeakColour(), 1));
  painter.setBrush(PeakColour());
  const std::array<QPointF, 3> marker = {top + QPointF(0, -2), top + QPointF(-5, -10),
                                         top + QPointF(5, -10)};
  painter.drawPolygon(marker.data(), static_cast<int>(marker.size()));
  const QString text = PeakText(*strongest_, units_, locale);
  const double text_width = metrics.horizontalAdvance(text);
  const double left = std::clamp(top.x() + 8, 2.0, width() - text_width - 2.0);
  const double baseline = std::clamp(top.y() - 4, metrics.ascent() * 2.0 + 4, height() - 20.0);
  painter.setPen(PeakColour());
  label(QPointF(left, baseline), text);
}

void CaptSpectrumPlot::mouseMoveEvent(QMouseEvent* event) {
  if (spectrum_.Empty()) return;
  const SpectrumMapping map = SpectrumMapping::For(spectrum_, width(), height(), logarithmic_);
  emit PointerMoved(map.Frequency(event->position().x()), map.Amplitude(event->position().y()));
}

}  // namespace talvix::capture
