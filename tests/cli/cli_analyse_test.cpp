// SPDX-License-Identifier: MIT
#include "cli/cli_app.h"
#include "cli/cli_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::cli {
namespace {

// The "peak 1 HZ AMPLITUDE" line after the line that names `file`.
QStringList FirstPeak(const QString& out, const QString& after = {}) {
  const qsizetype from = after.isEmpty() ? 0 : out.indexOf(after);
  const qsizetype at = out.indexOf(QStringLiteral("peak\t1\t"), std::max<qsizetype>(from, 0));
  if (from < 0 || at < 0) return {};
  return out.mid(at, out.indexOf('\n', at) - at).split('\t');
}

// A capture of a 200 Hz, 1 g sine on X at the sensor's default rate (a sample every 0.24414 ms,
// 4 Hz bins over 1024 samples) reads that sine in its spectrum, and analysing its file afterwards
// at that period reads the same peak.
TEST(CliAnalyseTest, ACapturedVibrationShowsItsFrequencyAndAmplitude) {
  QTemporaryDir dir;
  const CliRun capture =
      RunTool({"--interface", "sim-usb", "--sim-vibration", "200:1:X", "capture", "--source1",
               "X_Acceleration", "--source2", "Y_Acceleration", "--length", "1024", "--pretrigger",
               "2", "--trigger", "1",
               // Below the sine's lowest point whatever the simulated sensor's
               // tilt: the capture triggers at once and holds the sine.
               "--level", "-5", "--above", "--timeout", "5", "--output", dir.path(), "--analyse"});
  ASSERT_EQ(capture.status, kExitOk) << capture.err.toStdString();
  const QString capture_file = dir.filePath("CapDat_0.csv");
  const QStringList peak = FirstPeak(capture.out, "file\t" + capture_file);
  ASSERT_EQ(peak.size(), 4) << capture.out.toStdString();
  EXPECT_NEAR(peak[2].toDouble(), 200.0, 4.0);
  EXPECT_NEAR(peak[3].toDouble(), 1.0, 0.05);
  EXPECT_TRUE(capture.out.contains("unit\tG\n"));
  EXPECT_TRUE(QFile::exists(dir.filePath("CapSpec_0.csv")));
  EXPECT_TRUE(QFile::exists(dir.filePath("CapSpec_1.csv")));

  const CliRun analyse =
      RunTool({"analyse", capture_file, "--period-ms", "0.24414", "--source", "x_acceleration"});
  ASSERT_EQ(analyse.status, kExitOk) << analyse.err.toStdString();
  EXPECT_EQ(FirstPeak(analyse.out), peak);
}

struct BadCase {
  const char* name;
  bool exists;
  QByteArray contents;
  QStringList options;
  const char* reason;
};

class CliAnalyseBadInputTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(CliAnalyseBadInputTest, ExitsTwoNamingWhatIsWrong) {
  const BadCase& c = GetParam();
  QTemporaryDir dir;
  const QString path = dir.filePath("samples.csv");
  if (c.exists) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.contents);
  }
  const CliRun run = RunTool(QStringList{"analyse", path} + c.options);
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
  EXPECT_TRUE(run.err.contains(QLatin1String(c.reason))) << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, CliAnalyseBadInputTest,
    ::testing::Values(
        BadCase{"Missing", false, {}, {"--sps", "4096"}, "samples.csv: there is no such file"},
        BadCase{"NotNumbers",
                true,
                "1,4\n2,four\n",
                {"--sps", "4096"},
                "samples.csv: line 2 is not a number"},
        BadCase{"Empty", true, "", {"--period-ms", "0.244"}, "samples.csv: it holds no samples"},
        BadCase{"NoRate", true, "1\n2\n", {}, "--period-ms P or the rate as --sps N"},
        BadCase{"BothRates", true, "1\n2\n", {"--sps", "1", "--period-ms", "1"}, "(one of them)"},
        BadCase{"ZeroPeriod", true, "1\n2\n", {"--period-ms", "0"}, "bad --period-ms \"0\""},
        BadCase{"UnknownSource",
                true,
                "1\n2\n",
                {"--sps", "10", "--source", "Disabled"},
                "unknown or empty --source"}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace talvix::cli
