// SPDX-License-Identifier: MIT
// Number <-> text helpers shared by every window and by the command-line tool.
//
// Numbers typed by the user are read by their leading numeric part with a point as the decimal
// separator; numbers shown follow fixed format patterns ("0.000", "##0.0", "#.0") with the
// locale's decimal separator. Rounding to whole numbers is to nearest, ties to even.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

namespace talvix::common {

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// The leading numeric part of a text, as a number: leading blanks are skipped, then an optional
// sign, digits, an optional point with digits and an optional exponent are taken. A text that
// does not begin with a number reads as 0 ("12abc" -> 12, "abc" -> 0, ".5" -> 0.5).
double LeadingNumber(QStringView text);

// LeadingNumber for a number typed into a window that shows numbers in `locale`: the locale's
// decimal separator counts as a point too, so that a text the window itself showed ("1,5000" in a
// decimal-comma locale) reads back as what it showed. A grouping character never counts: in a
// decimal-point locale "1,5" reads as 1.
double LocaleLeadingNumber(QStringView text, const QLocale& locale = QLocale());

// True when the whole text (blanks around it allowed) is one decimal number.
bool IsNumeric(QStringView text);

// IsNumeric for a number typed into a window that shows numbers in `locale`: the locale's decimal
// separator counts as a point too ("99,9" and "99.9" in a decimal-comma locale; only "99.9" where
// the separator is a point). A grouping character never counts ("1,5" is no number in English).
bool IsLocaleNumeric(QStringView text, const QLocale& locale = QLocale());

// Formats a value by a pattern of '#' and '0' digit places with an optional '.' (for example
// "0.000", "##0.0", "#.0", "0.0######"). The value is rounded to the number of places after '.'.
// A '0' place always prints a digit; a '#' place before the point prints only a significant one,
// so 0.5 with "#.0" gives ".5", and a '#' place after the point is dropped when it would show a
// trailing zero, so 2.0 with "0.0######" gives "2.0" and 1.25 gives "1.25". When no decimal
// remains the separator goes too. The decimal separator is the locale's.
QString FormatPattern(double value, QStringView pattern, const QLocale& locale = QLocale());

// The default text of a single-precision value: up to seven significant digits, no trailing
// zeros, exponent form ("1.5E+08", "2E-05") outside 1e-4 .. 1e7. Point as decimal separator.
QString SingleText(float value);

// Four upper-case hexadecimal digits of the low 16 bits ("00FF", "9112").
QString Hex4(qint64 value);

// Upper-case hexadecimal without prefix or padding ("378", "0", "FFFF").
QString HexText(qint64 value);

}  // namespace talvix::common
