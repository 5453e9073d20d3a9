// SPDX-License-Identifier: MIT
// The datalog's names and texts: what a file name may be, and the numbers and header lines as
// the locale writes them.
#include "datalog/datalog_format.h"

#include <QDateTime>

#include <gtest/gtest.h>
#include <cstdio>

namespace talvix::datalog {
namespace {

class FileNameProblemTest : public ::testing::TestWithParam<std::pair<QString, bool>> {};

TEST_P(FileNameProblemTest, OnlyAPlainNameIsAccepted) {
  EXPECT_EQ(FileNameProblem(GetParam().first).isEmpty(), GetParam().second)
      << GetParam().first.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNameProblemTest,
    ::testing::Values(
        std::pair{QString(), false}, std::pair{QStringLiteral("."), false},
        std::pair{QStringLiteral(".."), false}, std::pair{QStringLiteral("../x"), false},
        std::pair{QStringLiteral("a/b"), false}, std::pair{QStringLiteral("a\tb"), false},
        std::pair{QString(QStringLiteral("a")) + QChar(0) + u'b', false},
        std::pair{QStringLiteral("RUN"), true}, std::pair{QStringLiteral("run.2 ä"), true},
        std::pair{QStringLiteral("..x"), true}));

TEST(DatalogTextTest, NumbersAndHeaderFollowTheLocale) {
  const QLocale us(QLocale::English, QLocale::UnitedStates);
  const QLocale german(QLocale::German);
  EXPECT_EQ(DatalogNumber(-0.017125f, us), "-0.017125");
  EXPECT_EQ(DatalogNumber(3.30132f, german), "3,30132");
  EXPECT_EQ(DatalogNumber(512.25f, us), "512.25");
  EXPECT_EQ(DatalogNumber(43200.f, us), "43200");

  Selection selection{};
  selection[0] = selection[1] = selection[3] = true;
  const QDateTime written(QDate(2026, 12, 6), QTime(0, 8, 44));
  const QList<QByteArray> lines =
      DatalogHeader("DATALOG_1.csv", written, 512.25f, 523.5f, selection, DatalogFormatFor(us), us)
          .split('\n');
  ASSERT_EQ(lines.size(), 8);  // seven lines, each CR LF ended
  EXPECT_EQ(lines[0], "File Name,DATALOG_1.csv\r");
  EXPECT_EQ(lines[1], "Date,12/6/2026\r");  // the year in four digits, as the locale orders it
  EXPECT_EQ(ShortDateText(written.date(), german), "06.12.2026");
  // The time without its zone; the space before AM is the locale's own.
  EXPECT_TRUE(lines[2].startsWith("Time,12:08:44") && lines[2].endsWith("AM\r"))
      << lines[2].toStdString();
  // End Seconds is a fixed-width field, to be filled in place when the block ends.
  EXPECT_EQ(lines.mid(3), (QList<QByteArray>{"Begin Seconds,512.25\r", "End Seconds,523.5       \r",
                                             " \r", "Sample #,Power V,X acc,Temperature,\r", ""}));
  const QByteArray unfinished = DatalogHeader("DATALOG_1.csv", written, 512.25f, std::nullopt,
                                              selection, DatalogFormatFor(german), german);
  EXPECT_EQ(unfinished.mid(EndSecondsOffset(unfinished), kEndSecondsWidth + 2), "unfinished  \r\n");
  QByteArray rows;
  const float values[] = {3.30132f, -0.017125f};
  AppendDatalogRow(rows, 7, values, 2, DatalogFormatFor(german), german);
  EXPECT_EQ(rows, "7\t3,30132\t-0,017125\t\r\n");
}

}  // namespace
}  // namespace talvix::datalog
