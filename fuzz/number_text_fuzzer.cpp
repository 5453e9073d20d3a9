// SPDX-License-Identifier: MIT
// Number text: the leading-number parse and numeric test on typed text, and the two ways numbers
// are shown (format patterns and the single-precision default text). Invariants:
//  - LeadingNumber is always finite, and 0 for a text without an ASCII digit, which is never
//    numeric;
//  - a numeric text's LeadingNumber is the correctly rounded value of the whole text, as
//    std::from_chars (an independent parser) reads it;
//  - blanks around a numeric text change nothing; a letter after it leaves the leading number and
//    makes it non-numeric; a minus sign before an unsigned one negates it;
//  - FormatPattern shows exactly the pattern's decimals, at least its '0' places before the
//    point, a value within half a unit of the last place, and only the decimal separator
//    differs between locales;
//  - SingleText of a finite value is numeric, has no trailing zeros and reads back within the
//    rounding of seven significant digits;
//  - the main window's entry corrections (loop delay, power-down time) give a numeric text within
//    the box's range, leave an accepted text as it is, and correct a corrected text no further;
//    the values used from any text stay within the same range.
#include "common/number_text.h"
#include "fuzz_support.h"
#include "monitor/entry_corrections.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace {

using talvix::common::FormatPattern;
using talvix::common::IsNumeric;
using talvix::common::LeadingNumber;
using talvix::common::SingleText;

bool IsBlank(QChar c) {
  return c == u' ' || c == u'\t';
}

QString WithoutBlanks(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.mid(begin, end - begin);
}

void CheckLeadingNumber(const QString& text) {
  const double value = LeadingNumber(text);
  const bool numeric = IsNumeric(text);
  TALVIX_FUZZ_CHECK(std::isfinite(value));
  if (!text.contains(QRegularExpression(QStringLiteral("[0-9]")))) {
    TALVIX_FUZZ_CHECK(value == 0.0 && !numeric);
  }
  if (!numeric) return;

  const QString number = WithoutBlanks(text);
  // from_chars takes no plus sign; otherwise it reads the same decimal forms.
  const std::string digits = number.mid(number.startsWith(u'+') ? 1 : 0).toStdString();
  double reference = 0.0;
  const std::from_chars_result parsed =
      std::from_chars(digits.data(), digits.data() + digits.size(), reference);
  TALVIX_FUZZ_CHECK(parsed.ptr == digits.data() + digits.size());
  if (parsed.ec == std::errc()) TALVIX_FUZZ_CHECK(value == reference);

  const QString padded = QStringLiteral(" \t") + text + QStringLiteral("\t ");
  TALVIX_FUZZ_CHECK(IsNumeric(padded) && LeadingNumber(padded) == value);
  const QString followed = text + QStringLiteral("x1");
  TALVIX_FUZZ_CHECK(!IsNumeric(followed) && LeadingNumber(followed) == value);
  if (!number.startsWith(u'+') && !number.startsWith(u'-')) {
    const QString negated = u'-' + number;
    TALVIX_FUZZ_CHECK(IsNumeric(negated) && LeadingNumber(negated) == -value);
  }
}

// A pattern of one to seven '#' and '0' places with at most one point, chosen by two bytes.
QString Pattern(uint8_t places, uint8_t shape) {
  const int count = 1 + places % 7;
  const int point = shape % (count + 2) - 1;  // -1: no point
  QString pattern;
  for (int i = 0; i < count; ++i) {
    if (i == point) pattern += u'.';
    pattern += (shape >> (i % 8) & 1) ? u'0' : u'#';
  }
  if (point == count) pattern += u'.';
  return pattern;
}

void CheckFormatPattern(double value, const QString& pattern) {
  // Past 1e15 a double has no places after the point left to check.
  if (!std::isfinite(value) || std::fabs(value) > 1e15) return;
  const QString text = FormatPattern(value, pattern, QLocale::c());
  const qsizetype pattern_point = pattern.indexOf(u'.');
  const int decimals = pattern_point < 0 ? 0 : static_cast<int>(pattern.size() - pattern_point - 1);
  // Places after the point up to the last '0' are always shown; '#' places after it only when
  // they are not trailing zeros.
  const int required_decimals =
      pattern_point < 0 ? 0 : static_cast<int>(pattern.lastIndexOf(u'0') - pattern_point);
  const int zero_places =
      static_cast<int>((pattern_point < 0 ? pattern : pattern.left(pattern_point)).count(u'0'));

  static const QRegularExpression kShape(QStringLiteral("^-?([0-9]*)(?:\\.([0-9]*))?$"));
  const QRegularExpressionMatch shape = kShape.match(text);
  TALVIX_FUZZ_CHECK(shape.hasMatch());
  TALVIX_FUZZ_CHECK(shape.captured(1).size() >= zero_places);
  const QString shown_decimals = shape.captured(2);
  TALVIX_FUZZ_CHECK(shown_decimals.size() >= std::max(required_decimals, 0));
  TALVIX_FUZZ_CHECK(shown_decimals.size() <= decimals);
  if (shown_decimals.size() > std::max(required_decimals, 0)) {
    TALVIX_FUZZ_CHECK(!shown_decimals.endsWith(u'0'));
  }
  TALVIX_FUZZ_CHECK(text.contains(u'.') == !shown_decimals.isEmpty());
  if (text.startsWith(u'-')) {
    TALVIX_FUZZ_CHECK(value < 0 && text.contains(QRegularExpression(QStringLiteral("[1-9]"))));
  }

  const double unit = std::pow(10.0, -decimals);
  const double shown = LeadingNumber(text);
  TALVIX_FUZZ_CHECK(std::fabs(shown - value) <= 0.5 * unit * (1 + 1e-9) + std::fabs(value) * 1e-15);

  if (!shown_decimals.isEmpty()) {
    QString with_comma = text;
    with_comma.replace(u'.', u',');
    TALVIX_FUZZ_CHECK(FormatPattern(value, pattern, QLocale(QLocale::German)) == with_comma);
  }
}

void CheckSingleText(float value) {
  const QString text = SingleText(value);
  if (!std::isfinite(value)) return;
  static const QRegularExpression kPlain(QStringLiteral("^-?[0-9]+(\\.[0-9]*[1-9])?$"));
  static const QRegularExpression kExponent(
      QStringLiteral("^-?[0-9](\\.[0-9]*[1-9])?E[+-][0-9]{2,3}$"));
  TALVIX_FUZZ_CHECK(kPlain.match(text).hasMatch() || kExponent.match(text).hasMatch());
  TALVIX_FUZZ_CHECK(IsNumeric(text));
  const double shown = LeadingNumber(text);
  const double exact = static_cast<double>(value);
  TALVIX_FUZZ_CHECK(std::fabs(shown - exact) <= std::fabs(exact) * 5.0000001e-7);
}

void CheckEntry(const QString& text, QString (*correct)(const QString&), double limit) {
  const QString corrected = correct(text);
  TALVIX_FUZZ_CHECK(IsNumeric(corrected));
  const double value = LeadingNumber(corrected);
  TALVIX_FUZZ_CHECK(value >= 0 && value <= limit);
  TALVIX_FUZZ_CHECK(correct(corrected) == corrected);
}

void CheckEntryCorrections(const QString& text) {
  using namespace talvix::monitor;
  CheckEntry(text, CorrectedLoopDelay, 1000.0);
  CheckEntry(text, CorrectedPowerDownTime, 127.5);
  const float delay_ms = LoopDelayMs(text);
  TALVIX_FUZZ_CHECK(delay_ms >= 0.0f && delay_ms <= 1000.0f);
  const double power_down = PowerDownSeconds(text);
  TALVIX_FUZZ_CHECK(power_down >= 0.0 && power_down <= 127.5);
  if (CorrectedLoopDelay(text) == text) {
    TALVIX_FUZZ_CHECK(delay_ms == static_cast<float>(LeadingNumber(text)));
  }
  if (CorrectedPowerDownTime(text) == text) TALVIX_FUZZ_CHECK(power_down == LeadingNumber(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  talvix::fuzz::ByteReader head(data, size);
  const double raw_value = head.Double();
  const uint8_t places = head.Byte();
  const uint8_t shape = head.Byte();
  const float raw_single = head.Float();

  talvix::fuzz::ByteReader whole(data, size);
  const QString text = whole.RestAsText();
  CheckLeadingNumber(text);
  CheckEntryCorrections(text);

  const QString pattern = Pattern(places, shape);
  CheckFormatPattern(raw_value, pattern);
  CheckFormatPattern(LeadingNumber(text), pattern);
  CheckSingleText(raw_single);
  const double leading = LeadingNumber(text);
  if (std::fabs(leading) <= std::numeric_limits<float>::max()) {
    CheckSingleText(static_cast<float>(leading));
  }
  return 0;
}
