// SPDX-License-Identifier: MIT
// Calibration rows: the texts of codes read and written, and what an Update writes for a text.
// The window's own cases (offsets 1, -100, +-17.5, empty boxes, scale -1) are in its test.
#include "calibration/calibration_values.h"

#include <gtest/gtest.h>

namespace talvix::calibration {
namespace {

class CalibrationValuesTest : public ::testing::Test {
 protected:
  CalibrationValuesTest() { table.BuildRegisterTable(); }

  // The entry for a text typed over a box that a load had filled.
  CalEntry Typed(CalRow row, const char* text, const QLocale& locale) {
    common::FilledCode filled;
    filled.Fill(QStringLiteral("0.5"), 7);
    return *EntryFor(table, row, QString::fromUtf8(text), filled, locale);
  }

  registers::RegisterTable table;
  const QLocale english{QLocale::English};
  const QLocale german{QLocale::German};
};

TEST_F(CalibrationValuesTest, ReadIsSinglePrecisionWrittenIsDoubleFromTheSingleWeight) {
  EXPECT_EQ(ReadText(table, CalRow::kXOffset, 100.0f, english), "1.7125");
  EXPECT_EQ(WrittenText(table, CalRow::kXOffset, 100, english), "1.71249993");
  EXPECT_EQ(ReadText(table, CalRow::kXScale, 100.0f, english), "1.7125");
  EXPECT_EQ(WrittenText(table, CalRow::kXScale, 100, english), "1.71249993145466");
  EXPECT_EQ(WrittenText(table, CalRow::kXScale, -58, german), "-0,993249960243702");
  EXPECT_EQ(ReadText(table, CalRow::kYOffset, -16.0f, german), "-0,134512");
  EXPECT_EQ(CodeHex(-16), "FFF0");
}

TEST_F(CalibrationValuesTest, TypedTextIsReadInTheLocaleOrBecomesZero) {
  const CalEntry not_a_number = Typed(CalRow::kXOffset, "12abc", english);
  EXPECT_EQ(not_a_number.text, "0");
  EXPECT_EQ(not_a_number.code, 0);
  EXPECT_EQ(Typed(CalRow::kXOffset, "1,5", english).code, 0);  // a grouping comma: not a number
  EXPECT_EQ(Typed(CalRow::kXOffset, "0,99325", german).code, 58);
  EXPECT_EQ(Typed(CalRow::kXOffset, "1.5", german).code, 88);  // 87.59
  const CalEntry beyond = Typed(CalRow::kXScale, "99", german);
  EXPECT_EQ(beyond.text, "35,054875");
  EXPECT_EQ(beyond.code, 2047);
}

TEST_F(CalibrationValuesTest, UntouchedBoxWritesItsCodeAndAnUnreadEmptyBoxNothing) {
  // A scale code beyond the entry range (4038 x 0.017125 = 69.15) goes back as it was read.
  common::FilledCode filled;
  filled.Fill(QStringLiteral("69.15"), 4038);
  EXPECT_EQ(EntryFor(table, CalRow::kXScale, QStringLiteral("69.15"), filled)->code, 4038);
  EXPECT_EQ(EntryFor(table, CalRow::kXScale, QStringLiteral("69.150"), filled)->code, 2047);

  const common::FilledCode never_read;
  EXPECT_FALSE(EntryFor(table, CalRow::kXOffset, QStringLiteral(" "), never_read).has_value());
  EXPECT_EQ(EntryFor(table, CalRow::kXOffset, QStringLiteral("1"), never_read)->code, 58);
}

}  // namespace
}  // namespace talvix::calibration
