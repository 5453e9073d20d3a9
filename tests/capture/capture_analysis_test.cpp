// SPDX-License-Identifier: MIT
#include "capture/capture_analysis.h"

#include <QTemporaryDir>

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

namespace talvix::capture {
namespace {

struct TextCase {
  const char* name;
  QByteArray text;
  std::vector<double> values;  // empty: refused
  const char* why;             // the start of the reason when refused
};

class SampleTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(SampleTextTest, ReadsTheValuesOrSaysWhichLineIsWrong) {
  const TextCase& c = GetParam();
  QString why;
  const std::optional<std::vector<double>> values = ParseSampleText(c.text, why);
  if (c.values.empty()) {
    EXPECT_FALSE(values);
    EXPECT_TRUE(why.startsWith(QLatin1String(c.why))) << why.toStdString();
  } else {
    ASSERT_TRUE(values) << why.toStdString();
    EXPECT_EQ(*values, c.values);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SampleTextTest,
    ::testing::Values(TextCase{"CaptureFile", "1,-312\r\n2,0\r\n3,8191\r\n", {-312, 0, 8191}, ""},
                      TextCase{"TabSeparated", "1\t5\r\n2\t-6\r\n", {5, -6}, ""},
                      TextCase{"OneColumnWithHeader", "value\n0.5\n\n-1.25\n", {0.5, -1.25}, ""},
                      TextCase{"HeaderOfTwoColumns", "sample;code\n1;7\n", {7}, ""},
                      TextCase{"BadLine", "1,2\n2,x\n", {}, "line 2 is not a number"},
                      TextCase{"ThreeColumns", "1,2,3\n", {}, "line 1 has 3 columns"},
                      TextCase{"NoSamples", "\r\n\r\n", {}, "it holds no samples"},
                      TextCase{"OnlyAHeader", "frequency\n", {}, "it holds no samples"}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(CaptureAnalysisTest, AMissingFileSaysSo) {
  QTemporaryDir dir;
  QString why;
  EXPECT_FALSE(ReadSampleFile(dir.filePath("none.csv"), why));
  EXPECT_EQ(why, "there is no such file");
}

TEST(CaptureAnalysisTest, TheTextListsStatisticsAndPeaksInTheUnit) {
  std::vector<double> values;
  for (int i = 0; i < 1024; ++i)
    values.push_back(std::sin(2 * std::numbers::pi * 200 * i / 4096.0));
  const QString text = AnalysisText(Analyse(values, 1.0 / 4096), 1.0 / 4096, "G");
  EXPECT_TRUE(text.startsWith("samples\t1024\nperiod_ms\t0.244141\nunit\tG\n"))
      << text.toStdString();
  EXPECT_TRUE(text.contains("\nrms\t0.7071")) << text.toStdString();
  EXPECT_TRUE(text.contains("\npeak_to_peak\t2\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("\nbin_hz\t4.0000\npeak\t1\t200.000\t1\n")) << text.toStdString();
}

TEST(CaptureAnalysisTest, TheSpectrumFileIsWrittenWholeOrTheOldOneStays) {
  QTemporaryDir dir;
  const CaptureFileFormat csv{QLatin1Char(','), QStringLiteral(".csv")};
  const QString path = SpectrumFilePath(dir.path(), 1, csv);
  EXPECT_EQ(path, dir.filePath("CapSpec_1.csv"));
  const Spectrum spectrum{.bin_hz = 1.0, .samples_used = 4, .amplitude = {0, 1, 0}};
  QString why;
  ASSERT_TRUE(WriteSpectrumFile(path, spectrum, csv, why)) << why.toStdString();
  QDir(dir.path()).mkdir("CapSpec_0.csv");  // a folder in the way
  EXPECT_FALSE(WriteSpectrumFile(dir.filePath("CapSpec_0.csv"), spectrum, csv, why));
  EXPECT_TRUE(why.contains("CapSpec_0.csv")) << why.toStdString();
}

}  // namespace
}  // namespace talvix::capture
