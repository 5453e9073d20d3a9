// SPDX-License-Identifier: MIT
#include "common/number_text.h"

#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace talvix::common {

double RoundHalfEven(double value) {
  // Halfway cases go to the even neighbour; everything else rounds to nearest.
  const double floor_value = std::floor(value);
  const double diff = value - floor_value;
  if (diff < 0.5) return floor_value;
  if (diff > 0.5) return floor_value + 1.0;
  return std::fmod(floor_value, 2.0) == 0.0 ? floor_value : floor_value + 1.0;
}

namespace {

bool IsDigit(QChar c) {
  return c >= u'0' && c <= u'9';
}

// Length of the numeric prefix of `text` starting at `pos` (sign, digits, point, exponent);
// 0 when there is no digit in it.
qsizetype NumericPrefixLength(QStringView text, qsizetype pos) {
  qsizetype i = pos;
  const qsizetype n = text.size();
  if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
  qsizetype digits = 0;
  while (i < n && IsDigit(text[i])) ++i, ++digits;
  if (i < n && text[i] == u'.') {
    ++i;
    while (i < n && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < n && (text[i] == u'e' || text[i] == u'E')) {
    qsizetype j = i + 1;
    if (j < n && (text[j] == u'+' || text[j] == u'-')) ++j;
    if (j < n && IsDigit(text[j])) {
      while (j < n && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  return i - pos;
}

qsizetype SkipBlanks(QStringView text, qsizetype pos) {
  while (pos < text.size() && (text[pos] == u' ' || text[pos] == u'\t')) ++pos;
  return pos;
}

// Reads the numeric prefix found at `start`. Not strtod: the program runs under the user's C
// locale (QCoreApplication sets it), where strtod would stop at the point wherever the decimal
// separator is a comma. from_chars reads a point always, but takes no plus sign. A value too
// small for a double reads as 0; one too large does not fit, and false is returned.
bool ParsePrefix(QStringView text, qsizetype start, qsizetype length, double& value) {
  const std::string number = text.mid(start, length).toString().toStdString();
  const char* first = number.data() + (number.front() == '+' ? 1 : 0);
  value = 0.0;
  const std::from_chars_result parsed =
      std::from_chars(first, number.data() + number.size(), value);
  if (parsed.ec == std::errc::result_out_of_range) {
    const size_t exponent = number.find_first_of("eE");
    const bool underflow = exponent != std::string::npos && number[exponent + 1] == '-';
    value = 0.0;
    return underflow;
  }
  return parsed.ec == std::errc() && std::isfinite(value);
}

// The text with the locale's decimal separator written as a point.
QString Pointed(QStringView text, const QLocale& locale) {
  QString pointed = text.toString();
  pointed.replace(locale.decimalPoint(), QStringLiteral("."));
  return pointed;
}

// True where the text needs no rewriting: the locale writes its decimals with a point.
bool PointIsTheSeparator(const QLocale& locale) {
  return locale.decimalPoint() == QLatin1String(".");
}

}  // namespace

double LeadingNumber(QStringView text) {
  const qsizetype start = SkipBlanks(text, 0);
  const qsizetype length = NumericPrefixLength(text, start);
  double value = 0.0;
  if (length == 0 || !ParsePrefix(text, start, length, value)) return 0.0;
  return value;
}

double LocaleLeadingNumber(QStringView text, const QLocale& locale) {
  if (PointIsTheSeparator(locale)) return LeadingNumber(text);
  return LeadingNumber(Pointed(text, locale));
}

bool IsNumeric(QStringView text) {
  const qsizetype start = SkipBlanks(text, 0);
  const qsizetype length = NumericPrefixLength(text, start);
  double value = 0.0;
  if (length == 0 || !ParsePrefix(text, start, length, value)) return false;
  return SkipBlanks(text, start + length) == text.size();
}

bool IsLocaleNumeric(QStringView text, const QLocale& locale) {
  if (PointIsTheSeparator(locale)) return IsNumeric(text);
  return IsNumeric(Pointed(text, locale));
}

QString FormatPattern(double value, QStringView pattern, const QLocale& locale) {
  const qsizetype point = pattern.indexOf(u'.');
  const QStringView integer_part = point < 0 ? pattern : pattern.left(point);
  const int decimals = point < 0 ? 0 : static_cast<int>(pattern.size() - point - 1);
  const int min_integer_digits = static_cast<int>(integer_part.count(u'0'));

  // An exact tie at the last shown place goes to the even digit; everything else is the
  // correctly rounded decimal text of the binary value.
  const double pow10 = std::pow(10.0, decimals);
  const double scaled = std::fabs(value) * pow10;
  double shown = std::fabs(value);
  if (scaled - std::floor(scaled) == 0.5 && scaled / pow10 == std::fabs(value)) {
    shown = RoundHalfEven(scaled) / pow10;
  }
  QString text = QString::number(shown, 'f', decimals);
  // Called for every value shown, many times a second: the patterns are compiled once.
  static const QRegularExpression kNonZeroDigit(QStringLiteral("[1-9]"));
  static const QRegularExpression kLeadingZeros(QStringLiteral("^0+"));
  const bool negative = value < 0 && text.contains(kNonZeroDigit);
  QString whole = point < 0 ? text : text.left(text.indexOf(u'.'));
  const QString fraction = decimals > 0 ? text.mid(text.indexOf(u'.') + 1) : QString();

  whole.remove(kLeadingZeros);
  while (whole.size() < min_integer_digits) whole.prepend(u'0');

  // A '#' place after the point shows a digit only where it is not a trailing zero; the '0'
  // places always show theirs.
  qsizetype shown_decimals = fraction.size();
  while (shown_decimals > 0 && pattern[point + shown_decimals] == u'#' &&
         fraction[shown_decimals - 1] == u'0') {
    --shown_decimals;
  }

  QString result = negative ? QStringLiteral("-") : QString();
  result += whole;
  if (shown_decimals > 0) result += locale.decimalPoint() + fraction.left(shown_decimals);
  return result;
}

QString SingleText(float value) {
  if (value == 0.0f || !std::isfinite(value)) {
    return std::isfinite(value) ? QStringLiteral("0") : QString::number(value);
  }
  const double magnitude = std::fabs(static_cast<double>(value));
  // Seven significant digits, the precision of a single-precision value.
  if (magnitude >= 1e-4 && magnitude < 1e7) {
    QString text = QString::number(static_cast<double>(value), 'g', 7);
    if (text.contains(u'e')) {  // 'g' may still choose an exponent near the edges
      text = QString::number(static_cast<double>(value), 'f', 7);
    }
    if (text.contains(u'.')) {
      while (text.endsWith(u'0')) text.chop(1);
      if (text.endsWith(u'.')) text.chop(1);
    }
    return text;
  }
  QString text = QString::number(static_cast<double>(value), 'E', 6);  // d.ddddddE+xx
  const qsizetype e = text.indexOf(u'E');
  QString mantissa = text.left(e);
  QString exponent = text.mid(e + 1);
  while (mantissa.endsWith(u'0')) mantissa.chop(1);
  if (mantissa.endsWith(u'.')) mantissa.chop(1);
  const QChar sign = exponent[0];
  QString digits = exponent.mid(1);
  while (digits.size() < 2) digits.prepend(u'0');
  return mantissa + u'E' + sign + digits;
}

QString Hex4(qint64 value) {
  return QStringLiteral("%1").arg(value & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
}

QString HexText(qint64 value) {
  return QString::number(value, 16).toUpper();
}

}  // namespace talvix::common
