// SPDX-License-Identifier: MIT
#include "capture/capture_analysis.h"

#include "common/whole_file.h"
#include "registers/capture_trace.h"

#include <QDir>
#include <QList>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace talvix::capture {

namespace {

std::optional<double> PlainNumber(const QByteArray& field) {
  bool ok = false;
  const double value = QLocale::c().toDouble(QString::fromLatin1(field.trimmed()), &ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

QList<QByteArray> Fields(const QByteArray& line) {
  static const QRegularExpression kSeparator(QStringLiteral("[,\t;]"));
  QList<QByteArray> fields;
  for (const QString& field : QString::fromLatin1(line).split(kSeparator)) {
    fields << field.toLatin1();
  }
  return fields;
}

QString Number(double value, int decimals) {
  return QString::number(value, 'f', decimals);
}

}  // namespace

std::optional<std::vector<double>> ParseSampleText(const QByteArray& text, QString& why) {
  std::vector<double> values;
  bool first = true;
  int line_number = 0;
  for (const QByteArray& raw : text.split('\n')) {
    ++line_number;
    const QByteArray line = raw.trimmed();
    if (line.isEmpty()) continue;
    const QList<QByteArray> fields = Fields(line);
    const bool header = first;
    first = false;
    if (fields.size() > 2) {
      why = QStringLiteral(
                "line %1 has %2 columns; give one column of values, or a sample number "
                "and its value")
                .arg(line_number)
                .arg(fields.size());
      return std::nullopt;
    }
    const std::optional<double> value = PlainNumber(fields.back());
    const bool numbered = fields.size() == 1 || PlainNumber(fields.front()).has_value();
    if (!value || !numbered) {
      if (header) continue;  // a title line such as "value" or "sample,code"
      why = QStringLiteral("line %1 is not a number: \"%2\"")
                .arg(line_number)
                .arg(QString::fromLatin1(line.left(40)));
      return std::nullopt;
    }
    if (static_cast<int>(values.size()) >= kMaxFileSamples) {
      why = QStringLiteral("it holds more than %1 samples").arg(kMaxFileSamples);
      return std::nullopt;
    }
    values.push_back(*value);
  }
  if (values.empty()) {
    why = QStringLiteral("it holds no samples");
    return std::nullopt;
  }
  return values;
}

std::optional<std::vector<double>> ReadSampleFile(const QString& path, QString& why) {
  QByteArray contents;
  switch (common::ReadRegularFile(path, kMaxSampleFileBytes + 1, contents, why)) {
    case common::FileRead::kMissing:
      why = QStringLiteral("there is no such file");
      return std::nullopt;
    case common::FileRead::kFailed:
      return std::nullopt;
    case common::FileRead::kRead:
      break;
  }
  if (contents.size() > kMaxSampleFileBytes) {
    why = QStringLiteral("it is larger than %1 MB").arg(kMaxSampleFileBytes >> 20);
    return std::nullopt;
  }
  return ParseSampleText(contents, why);
}

std::optional<std::vector<double>> InSourceUnits(const registers::RegisterTable& table, int source,
                                                 std::span<const double> codes, QString& unit) {
  const std::optional<registers::CaptureSourceInfo> info = registers::CaptureSource(table, source);
  if (!info) return std::nullopt;
  unit = info->Units;
  std::vector<double> values;
  values.reserve(codes.size());
  for (double code : codes) values.push_back(code * info->scale + info->offset);
  return values;
}

Analysis Analyse(std::span<const double> values, double sample_period_seconds) {
  Analysis analysis;
  analysis.statistics = common::StatisticsOf(values);
  analysis.spectrum = AmplitudeSpectrum(values, sample_period_seconds);
  analysis.peaks = StrongestPeaks(analysis.spectrum, kListedPeaks);
  return analysis;
}

QString AnalysisText(const Analysis& analysis, double sample_period_seconds, const QString& unit) {
  QString text;
  const auto line = [&text](const char* name, const QString& value) {
    text += QLatin1String(name) + QLatin1Char('\t') + value + QLatin1Char('\n');
  };
  const int count = analysis.statistics ? analysis.statistics->count : 0;
  line("samples", QString::number(count));
  line("period_ms", QString::number(sample_period_seconds * 1000.0, 'g', 6));
  line("unit", unit);
  if (analysis.statistics) {
    const common::RangeStatistics& s = *analysis.statistics;
    line("minimum", QString::number(s.minimum, 'g', 6));
    line("maximum", QString::number(s.maximum, 'g', 6));
    line("mean", QString::number(s.mean, 'g', 6));
    line("rms", QString::number(s.rms, 'g', 6));
    line("peak_to_peak", QString::number(s.peak_to_peak, 'g', 6));
  }
  if (analysis.spectrum.Empty()) {
    line("spectrum", QStringLiteral("none: it needs at least 4 samples"));
    return text;
  }
  line("bin_hz", Number(analysis.spectrum.bin_hz, 4));
  if (analysis.spectrum.samples_used != count) {
    line("spectrum_samples", QString::number(analysis.spectrum.samples_used));
  }
  int rank = 0;
  for (const SpectralPeak& peak : analysis.peaks) {
    text += QStringLiteral("peak\t%1\t%2\t%3\n")
                .arg(++rank)
                .arg(Number(peak.frequency_hz, 3))
                .arg(QString::number(peak.amplitude, 'g', 5));
  }
  return text;
}

QString SpectrumFilePath(const QString& folder, int buffer, const CaptureFileFormat& format) {
  return QDir(folder).filePath(QStringLiteral("CapSpec_%1%2").arg(buffer).arg(format.extension));
}

bool WriteSpectrumFile(const QString& path, const Spectrum& spectrum,
                       const CaptureFileFormat& format, QString& why) {
  QString reason;
  if (common::WriteWholeFile(path, SpectrumFileText(spectrum, format.separator), reason)) {
    return true;
  }
  why = QStringLiteral("The spectrum file %1 could not be written: %2.")
            .arg(QDir::toNativeSeparators(path), reason);
  return false;
}

}  // namespace talvix::capture
