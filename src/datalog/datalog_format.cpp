// SPDX-License-Identifier: MIT
#include "datalog/datalog_format.h"

#include "common/number_text.h"
#include "registers/register_index.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace talvix::datalog {

const std::array<DatalogColumn, kColumnCount> kColumns = {{
    {"Power Supply", "Power V", registers::kSupply},
    {"X acceleration", "X acc", registers::kXAccl},
    {"Y accelration", "Y acc", registers::kYAccl},
    {"Temperature", "Temperature", registers::kTemperature},
    {"RSS acceleration", "RSS acc", registers::kRssXy},
    {"Peak X acceleration", "X acc pk", registers::kXPeak},
    {"Peak Y acceleration", "Y acc pk", registers::kYPeak},
    {"Peak RSS acceleration", "RSS acc pk", registers::kRssPeak},
}};

namespace {

struct Limits {
  const char* fallback;  // the text for anything that is not a number
  double minimum;
  double maximum;
};

constexpr Limits kSamplesLimits{"1000", 1, kMaxSamplesPerFile};
constexpr Limits kFilesLimits{"1", 1, kMaxFilesPerSession};
constexpr Limits kDelayLimits{"0", 0, kMaxSampleDelayMs};

QString Corrected(const QString& text, const QLocale& locale, const Limits& limits) {
  if (!common::IsLocaleNumeric(text, locale)) return QString::fromLatin1(limits.fallback);
  const double value = common::LocaleLeadingNumber(text, locale);
  if (value < limits.minimum) return QString::number(limits.minimum);
  if (value > limits.maximum) return QString::number(limits.maximum);
  return text;
}

double ValueOf(const QString& text, const QLocale& locale, const Limits& limits) {
  const double value = common::IsLocaleNumeric(text, locale)
                           ? common::LocaleLeadingNumber(text, locale)
                           : QString::fromLatin1(limits.fallback).toDouble();
  return std::clamp(value, limits.minimum, limits.maximum);
}

// How often a `For i = 1 To value` loop runs: the whole part of the value ("3.7" runs 3 times).
int LoopCountOf(const QString& text, const QLocale& locale, const Limits& limits) {
  return static_cast<int>(
      std::clamp(std::floor(ValueOf(text, locale, limits)), limits.minimum, limits.maximum));
}

}  // namespace

QString CorrectedSamplesPerFile(const QString& text, const QLocale& locale) {
  return Corrected(text, locale, kSamplesLimits);
}

QString CorrectedFilesPerSession(const QString& text, const QLocale& locale) {
  return Corrected(text, locale, kFilesLimits);
}

QString CorrectedSampleDelay(const QString& text, const QLocale& locale) {
  return Corrected(text, locale, kDelayLimits);
}

int SamplesPerFile(const QString& text, const QLocale& locale) {
  return LoopCountOf(text, locale, kSamplesLimits);
}

int FilesPerSession(const QString& text, const QLocale& locale) {
  return LoopCountOf(text, locale, kFilesLimits);
}

double SampleDelayMs(const QString& text, const QLocale& locale) {
  return ValueOf(text, locale, kDelayLimits);
}

DatalogFormat DatalogFormatFor(const QLocale& locale) {
  const QString shown = locale.toString(1.9, 'f', 1);
  if (shown.size() > 1 && shown[1] == u',') return {u'\t', QStringLiteral(".txt")};
  return {u',', QStringLiteral(".csv")};
}

QString FileNameProblem(const QString& name) {
  if (name.isEmpty()) return QStringLiteral("The file name is empty.");
  if (name == u"." || name == u"..") {
    return QStringLiteral("\"%1\" is not a file name.").arg(name);
  }
  for (const QChar c : name) {
    if (c == u'/') {
      return QStringLiteral(
          "The file name may not contain \"/\": it names a file in the data folder, not a "
          "path.");
    }
    if (c.category() == QChar::Other_Control) {
      return QStringLiteral("The file name may not contain control characters.");
    }
  }
  return {};
}

QString DatalogFileName(const QString& base, int file_number, const DatalogFormat& format) {
  return base + u'_' + QString::number(file_number) + format.extension;
}

QString DatalogNumber(float value, const QLocale& locale) {
  QString text = common::SingleText(value);
  const QString point = locale.decimalPoint();
  if (point != u".") text.replace(u'.', point);
  return text;
}

namespace {

// The locale's long time format without its time zone.
QString LongTimeText(const QDateTime& when, const QLocale& locale) {
  QString pattern = locale.timeFormat(QLocale::LongFormat);
  static const QRegularExpression kZone(QStringLiteral("\\s*\\bt+\\b"));
  pattern.remove(kZone);
  return locale.toString(when.time(), pattern.trimmed());
}

}  // namespace

QString ShortDateText(const QDate& date, const QLocale& locale) {
  QString pattern = locale.dateFormat(QLocale::ShortFormat);
  // A two-digit year ("yy" alone, not part of "yyyy") becomes four digits.
  static const QRegularExpression kTwoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
  pattern.replace(kTwoDigitYear, QStringLiteral("yyyy"));
  return locale.toString(date, pattern);
}

namespace {

constexpr char kEndSecondsLine[] = "\r\nEnd Seconds";

}  // namespace

QByteArray EndSecondsField(std::optional<float> end_seconds, const QLocale& locale) {
  const QString text =
      end_seconds ? DatalogNumber(*end_seconds, locale) : QStringLiteral("unfinished");
  return text.leftJustified(kEndSecondsWidth, u' ').toLatin1();
}

qsizetype EndSecondsOffset(const QByteArray& header) {
  // After the line's title and its one-byte delimiter.
  return header.indexOf(kEndSecondsLine) + qsizetype{sizeof(kEndSecondsLine) - 1} + 1;
}

QByteArray DatalogHeader(const QString& file_name, const QDateTime& written, float begin_seconds,
                         std::optional<float> end_seconds, const Selection& selection,
                         const DatalogFormat& format, const QLocale& locale) {
  const QString d = format.delimiter;
  QString text;
  text += QStringLiteral("File Name,") + file_name + QStringLiteral("\r\n");
  text +=
      QStringLiteral("Date") + d + ShortDateText(written.date(), locale) + QStringLiteral("\r\n");
  text += QStringLiteral("Time") + d + LongTimeText(written, locale) + QStringLiteral("\r\n");
  text += QStringLiteral("Begin Seconds") + d + DatalogNumber(begin_seconds, locale) +
          QStringLiteral("\r\n");
  text += QStringLiteral("End Seconds") + d +
          QString::fromLatin1(EndSecondsField(end_seconds, locale)) + QStringLiteral("\r\n");
  text += QStringLiteral(" \r\n");
  text += QStringLiteral("Sample #") + d;
  for (int column = 0; column < kColumnCount; ++column) {
    if (selection[column]) text += QString::fromLatin1(kColumns[column].title) + d;
  }
  text += QStringLiteral("\r\n");
  return text.toLocal8Bit();
}

void AppendDatalogRow(QByteArray& rows, int sample, const float* values, int count,
                      const DatalogFormat& format, const QLocale& locale) {
  const char delimiter = static_cast<char>(format.delimiter.unicode());
  rows += QByteArray::number(sample);
  rows += delimiter;
  for (int i = 0; i < count; ++i) {
    rows += DatalogNumber(values[i], locale).toLatin1();
    rows += delimiter;
  }
  rows += "\r\n";
}

}  // namespace talvix::datalog
