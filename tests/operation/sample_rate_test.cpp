// SPDX-License-Identifier: MIT
#include "operation/sample_rate.h"

#include <gtest/gtest.h>

namespace talvix::operation {
namespace {

struct RateCase {
  const char* typed;
  const char* corrected;  // the box's text when the Update writes
  uint16_t code;
  const char* shown;  // the rate of `code`, as the box shows it after the read-back
};

class SampleRateTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(SampleRateTest, TypedRateGivesItsCodeAndTheRateActuallySet) {
  const RateCase& c = GetParam();
  const QLocale c_locale = QLocale::c();
  const BoxEntry entry = SampleRateEntry(QString::fromLatin1(c.typed), {}, c_locale);
  EXPECT_EQ(entry.text, c.corrected);
  EXPECT_EQ(entry.code, c.code);
  EXPECT_EQ(SampleRateText(entry.code, c_locale), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, SampleRateTest,
    ::testing::Values(RateCase{"4096", "4096", 0x01, "4096.0"},
                      RateCase{"1000", "1000", 0x07, "1024.0"},
                      RateCase{"100", "100", 0x51, "99.9"}, RateCase{"64", "64", 0x7F, "64.0"},
                      RateCase{"63.9", "63.9", 0x83, "66.1"}, RateCase{"10", "10", 0x99, "10.2"},
                      RateCase{"2.06", "2.06", 0xFF, "2.1"}, RateCase{"0", "0", 0xFF, "2.1"},
                      RateCase{"5000", "5000", 0x01, "4096.0"},
                      RateCase{"", "4096.0", 0x01, "4096.0"},
                      RateCase{"fast", "4096.0", 0x01, "4096.0"}));

TEST(SampleRateLocaleTest, DecimalCommaIsReadAndShownAndAnUntouchedBoxKeepsItsCode) {
  const QLocale german(QLocale::German);
  EXPECT_EQ(SampleRateText(0x51, german), "99,9");
  EXPECT_EQ(SampleRateEntry(QStringLiteral("99,9"), {}, german).code, 0x51);
  EXPECT_EQ(SampleRateEntry(QStringLiteral("abc"), {}, german).text, "4096,0");
  // 66,1 typed picks the fast time base (0x7B); shown for 0x83 and untouched, it stays 0x83.
  common::FilledCode filled;
  filled.Fill(SampleRateText(0x83, german), 0x83);
  EXPECT_EQ(SampleRateEntry(QStringLiteral("66,1"), filled, german).code, 0x83);
  EXPECT_EQ(SampleRateEntry(QStringLiteral("66,10"), filled, german).code, 0x7B);
  // A grouping comma is never a decimal separator.
  EXPECT_EQ(SampleRateEntry(QStringLiteral("99,9"), {}, QLocale::c()).code, 0x01);
}

}  // namespace
}  // namespace talvix::operation
