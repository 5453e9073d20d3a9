// SPDX-License-Identifier: MIT
#include "common/number_text.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace talvix::common {
namespace {

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2.0);
  EXPECT_EQ(RoundHalfEven(3.5), 4.0);
  EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
  EXPECT_EQ(RoundHalfEven(-3.5), -4.0);
  EXPECT_EQ(RoundHalfEven(0.4999), 0.0);
  EXPECT_EQ(RoundHalfEven(-600.66), -601.0);
  EXPECT_EQ(RoundHalfEven(12.5000001), 13.0);
}

TEST(LeadingNumber, ReadsTheNumericPrefixOnly) {
  EXPECT_EQ(LeadingNumber(u"12abc"), 12.0);
  EXPECT_EQ(LeadingNumber(u"  -3.25 g"), -3.25);
  EXPECT_EQ(LeadingNumber(u".5"), 0.5);
  EXPECT_EQ(LeadingNumber(u"1e3"), 1000.0);
  EXPECT_EQ(LeadingNumber(u"2e"), 2.0);  // a dangling exponent is not part of the number
  EXPECT_EQ(LeadingNumber(u"abc"), 0.0);
  EXPECT_EQ(LeadingNumber(u""), 0.0);
  EXPECT_EQ(LeadingNumber(u"-"), 0.0);
  EXPECT_EQ(LeadingNumber(u"1,5"), 1.0);    // the point is the only decimal separator
  EXPECT_EQ(LeadingNumber(u"1e999"), 0.0);  // overflow is not a number
}

TEST(LocaleLeadingNumber, TheLocalesDecimalSeparatorCountsAsAPointNeverItsGrouping) {
  const QLocale german(QLocale::German);
  const QLocale english(QLocale::English);
  EXPECT_EQ(LocaleLeadingNumber(u"1,5000", german), 1.5);
  EXPECT_EQ(LocaleLeadingNumber(u"-1.5 g", german), -1.5);
  EXPECT_EQ(LocaleLeadingNumber(u"1,5", english), 1.0);
  EXPECT_EQ(LocaleLeadingNumber(u"1,234.5", english), 1.0);
  EXPECT_EQ(LocaleLeadingNumber(u"abc", german), 0.0);
}

TEST(IsNumeric, WholeTextMustBeOneNumber) {
  EXPECT_TRUE(IsNumeric(u"12.5"));
  EXPECT_TRUE(IsNumeric(u" -0.7 "));
  EXPECT_FALSE(IsNumeric(u"12.5x"));
  EXPECT_FALSE(IsNumeric(u""));
  EXPECT_FALSE(IsNumeric(u"."));
  EXPECT_FALSE(IsNumeric(u"1e999"));  // too large to be a number: a box falls back to its default
  EXPECT_TRUE(IsNumeric(u"1e-999"));  // too small reads as 0
}

struct LocaleNumericCase {
  const char* text;
  QLocale::Language language;
  bool numeric;
};

class IsLocaleNumericTest : public ::testing::TestWithParam<LocaleNumericCase> {};

TEST_P(IsLocaleNumericTest, TheLocalesDecimalSeparatorOrAPointNeverItsGrouping) {
  const LocaleNumericCase& c = GetParam();
  EXPECT_EQ(IsLocaleNumeric(QString::fromLatin1(c.text), QLocale(c.language)), c.numeric);
}

INSTANTIATE_TEST_SUITE_P(Texts, IsLocaleNumericTest,
                         ::testing::Values(LocaleNumericCase{"99,9", QLocale::German, true},
                                           LocaleNumericCase{"99.9", QLocale::German, true},
                                           LocaleNumericCase{" -0,7 ", QLocale::German, true},
                                           LocaleNumericCase{"1.234,5", QLocale::German, false},
                                           LocaleNumericCase{"1,5x", QLocale::German, false},
                                           LocaleNumericCase{",", QLocale::German, false},
                                           LocaleNumericCase{"99.9", QLocale::English, true},
                                           LocaleNumericCase{"1,5", QLocale::English, false},
                                           LocaleNumericCase{"", QLocale::English, false}));

TEST(FormatPattern, DigitPlacesAndSeparator) {
  const QLocale c = QLocale::c();
  EXPECT_EQ(FormatPattern(2.6004, u"0.000", c), "2.600");
  EXPECT_EQ(FormatPattern(0.5, u"#.0", c), ".5");
  EXPECT_EQ(FormatPattern(0.5, u"0.0", c), "0.5");
  EXPECT_EQ(FormatPattern(25.04, u"##0.0", c), "25.0");
  EXPECT_EQ(FormatPattern(-1.25, u"#0.000", c), "-1.250");
  EXPECT_EQ(FormatPattern(-0.0001, u"0.000", c), "0.000");  // no sign on a shown zero
  EXPECT_EQ(FormatPattern(1234.5, u"0", c), "1234");        // 1234.5 is a tie in binary too
  EXPECT_EQ(FormatPattern(2.5, u"0.000", QLocale(QLocale::German)), "2,500");
}

struct TrailingPlacesCase {
  double value;
  const char16_t* pattern;
  const char* text;
};

class FormatPatternTrailingPlaces : public ::testing::TestWithParam<TrailingPlacesCase> {};

TEST_P(FormatPatternTrailingPlaces, DropTrailingZerosDownToTheZeroPlaces) {
  const TrailingPlacesCase& c = GetParam();
  EXPECT_EQ(FormatPattern(c.value, c.pattern, QLocale::c()), c.text);
}

INSTANTIATE_TEST_SUITE_P(Cases, FormatPatternTrailingPlaces,
                         ::testing::Values(TrailingPlacesCase{2.0, u"0.0######", "2.0"},
                                           TrailingPlacesCase{12.125, u"##0.0#######", "12.125"},
                                           TrailingPlacesCase{1.25, u"0.0######", "1.25"},
                                           TrailingPlacesCase{0.5, u"#0.0##", "0.5"},
                                           TrailingPlacesCase{0.61050061, u"0.0######",
                                                              "0.6105006"},  // rounded first
                                           TrailingPlacesCase{-2.00000004, u"0.0######", "-2.0"},
                                           TrailingPlacesCase{3.0, u"0.##", "3"}));

TEST(FormatPattern, TrailingPlacesKeepTheLocaleSeparator) {
  EXPECT_EQ(FormatPattern(1.25, u"0.0######", QLocale(QLocale::German)), "1,25");
}

TEST(SingleText, SevenSignificantDigits) {
  EXPECT_EQ(SingleText(0.0f), "0");
  EXPECT_EQ(SingleText(3.3f), "3.3");
  EXPECT_EQ(SingleText(-140.288f), "-140.288");
  EXPECT_EQ(SingleText(625.66f), "625.66");
  EXPECT_EQ(SingleText(4095 * 0.00122f), "4.9959");
  EXPECT_EQ(SingleText(1.5e8f), "1.5E+08");
  EXPECT_EQ(SingleText(2e-5f), "2E-05");
}

TEST(HexText, UpperCaseWithAndWithoutPadding) {
  EXPECT_EQ(Hex4(0x9112), "9112");
  EXPECT_EQ(Hex4(0xff), "00FF");
  EXPECT_EQ(Hex4(0x1ABCD), "ABCD");
  EXPECT_EQ(HexText(888), "378");
  EXPECT_EQ(HexText(0), "0");
}

}  // namespace
}  // namespace talvix::common
