// SPDX-License-Identifier: MIT
#include "monitor/chart_export.h"
#include "monitor/chart_settings.h"
#include "support/file_faults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::monitor {
namespace {

QList<QByteArray> Lines(const QByteArray& text) {
  QList<QByteArray> lines = text.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

// After a full sweep every column holds a pass: 351 rows in column order, each value as read, and
// empty cells for the series that were not drawn there. The first pass's start at the origin was
// never read and is not a row of its own.
TEST(ChartValuesCsvTest, AFullSweepGives351RowsWithEmptyCellsForSeriesNotDrawn) {
  StripChart chart;
  SeriesSelection x_and_temp;
  x_and_temp.SetChecked(2, true);
  x_and_temp.SetChecked(5, true);
  SampleVector samples{};
  samples[2] = 0.25f;
  samples[5] = 25.125f;
  samples[3] = 9.0f;  // Y is read but not drawn
  chart.PlotDataPoints2(samples, x_and_temp);
  EXPECT_EQ(Lines(ChartValuesCsv(chart)).size(), 2);  // heading and column 1

  for (int pass = 2; pass <= kColumnCount; ++pass) {
    samples[2] = static_cast<float>(pass) / 1000.0f;
    chart.PlotDataPoints2(samples, pass == kColumnCount ? SeriesSelection() : x_and_temp);
  }
  const QByteArray csv = ChartValuesCsv(chart);
  EXPECT_TRUE(csv.endsWith("\r\n"));
  const QList<QByteArray> lines = Lines(csv);
  ASSERT_EQ(lines.size(), 1 + kColumnCount);
  EXPECT_EQ(lines[0],
            "Column,X_Accel (g),Y_Accel (g),AUX_ADC (lsb),Temp (degC),X_Accel_Pk (g),"
            "Y_Accel_Pk (g),RSS (g),RSS_Pk (g)\r");
  EXPECT_EQ(lines[1], "0,,,,,,,,\r");  // the 351st pass wrapped with nothing checked
  EXPECT_EQ(lines[2], "1,0.25,,,25.125,,,,\r");
  EXPECT_EQ(lines[351], "350,0.35,,,25.125,,,,\r");
}

TEST(ChartFilesTest, OneNameGivesThePictureAndTheValuesSideBySide) {
  const auto both = [](const char* chosen) {
    const ChartFiles files = ChartFilesFor(QString::fromLatin1(chosen));
    return files.picture + u'|' + files.values;
  };
  EXPECT_EQ(both("/d/Chart.png"), "/d/Chart.png|/d/Chart.csv");
  EXPECT_EQ(both("/d/run.PNG"), "/d/run.png|/d/run.csv");
  EXPECT_EQ(both("/d/run.csv"), "/d/run.png|/d/run.csv");
  EXPECT_EQ(both("/d/run.2"), "/d/run.2.png|/d/run.2.csv");
  EXPECT_EQ(SuggestedChartPath(QStringLiteral("/data")), "/data/Chart.png");
}

class ChartSettingsTest : public ::testing::Test {
 protected:
  QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
  QTemporaryDir dir;
};

// The choice is kept in a settings file of its own, its folder made when missing, and read back
// by the next run.
TEST_F(ChartSettingsTest, AChoiceKeptIsTheChoiceReadBack) {
  const QString path = Path("config/talvix/chart.ini");
  EXPECT_EQ(LoadRangeChoice(path), RangeChoice::kPlusMinus30);
  for (const RangeChoice choice : {RangeChoice::kAuto, RangeChoice::kPlusMinus2}) {
    QString why;
    ASSERT_TRUE(SaveRangeChoice(path, choice, why)) << why.toStdString();
    EXPECT_EQ(LoadRangeChoice(path), choice);
  }
}

// What is in the file's place decides nothing but the default: an unknown word, a folder, a
// named pipe (which must not block the start), a file over 1 MB. Writing over a folder or the large
// file fails with its reason.
TEST_F(ChartSettingsTest, AnythingButAKnownChoiceReadsAsTheDefault) {
  QFile garbage(Path("garbage.ini"));
  ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
  garbage.write("[Chart]\nRange=17\n\x01\x02\xff\n");
  garbage.close();
  EXPECT_EQ(LoadRangeChoice(Path("garbage.ini")), RangeChoice::kPlusMinus30);

  ASSERT_TRUE(test::MakeFifo(Path("pipe.ini")));
  EXPECT_EQ(LoadRangeChoice(Path("pipe.ini")), RangeChoice::kPlusMinus30);
  QString why;
  EXPECT_FALSE(SaveRangeChoice(Path("pipe.ini"), RangeChoice::kPlusMinus5, why));
  EXPECT_FALSE(why.isEmpty());

  QFile large(Path("large.ini"));  // over 1 MB: neither read nor rewritten
  ASSERT_TRUE(large.open(QIODevice::WriteOnly));
  large.write("[Chart]\nRange=Auto\n" + QByteArray(1024 * 1024, '#'));
  large.close();
  EXPECT_EQ(LoadRangeChoice(Path("large.ini")), RangeChoice::kPlusMinus30);
  why.clear();
  EXPECT_FALSE(SaveRangeChoice(Path("large.ini"), RangeChoice::kPlusMinus5, why));
  EXPECT_TRUE(why.contains("1 MB"));
  EXPECT_EQ(QFileInfo(Path("large.ini")).size(), 1024 * 1024 + 19);

  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.ini")));
  EXPECT_EQ(LoadRangeChoice(Path("folder.ini")), RangeChoice::kPlusMinus30);
  why.clear();
  EXPECT_FALSE(SaveRangeChoice(Path("folder.ini"), RangeChoice::kPlusMinus5, why));
  EXPECT_FALSE(why.isEmpty());
}

// The time span on screen runs from the oldest column still on the chart to the newest; after a
// wrap the oldest is the one just right of the cursor.
TEST(ChartTimesTest, SpanRunsFromTheOldestColumnOnTheChartToTheNewest) {
  StripChart chart;
  ChartTimes times;
  EXPECT_EQ(times.SpanText(chart), "Nothing read yet");
  const SeriesSelection all = SeriesSelection::All();
  for (int pass = 0; pass < kColumnCount + 10; ++pass) {
    chart.PlotDataPoints2(SampleVector{}, all);
    times.Record(chart.X(), 13 * 3600.0 + pass);
    if (pass == 2) {
      EXPECT_EQ(times.SpanText(chart), "13:00:00 to 13:00:02 (2.0 s) on screen");
    }
  }
  EXPECT_EQ(times.SpanText(chart), "13:00:10 to 13:06:00 (350.0 s) on screen");
}

}  // namespace
}  // namespace talvix::monitor
