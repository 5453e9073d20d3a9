#include "cli/cli_app.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>

#include <gtest/gtest.h>

namespace talvix::cli {
namespace {

struct CliRun {
  int status = -1;
  QString out;
  QString err;
};

CliRun RunTool(const QStringList& args) {
  CliRun run;
  QTextStream out(&run.out);
  QTextStream err(&run.err);
  run.status = RunCli(args, out, err);
  out.flush();
  err.flush();
  return run;
}

QStringList TraceLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

class CliAppTest : public ::testing::Test {
 protected:
  QString TracePath() const { return dir.filePath("t.txt"); }
  QTemporaryDir dir;
};

TEST_F(CliAppTest, WriteSendsTheTwoFramesUpperByteFirst) {
  const CliRun run = RunTool({"--interface", "sim-lpt", "--sim-trace", TracePath(), "write",
                          "XACCL_NULL", "1234"});
  EXPECT_EQ(run.status, kExitOk) << run.err.toStdString();
  const QStringList lines = TraceLines(TracePath());
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].startsWith("9112 "));
  EXPECT_TRUE(lines[1].startsWith("9034 "));
}

TEST_F(CliAppTest, KeyCodeGoesLowerByteFirst) {
  const CliRun run =
      RunTool({"--interface", "sim-lpt", "--sim-trace", TracePath(), "write", "KeyCode", "5A7"});
  EXPECT_EQ(run.status, kExitOk);
  const QStringList lines = TraceLines(TracePath());
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].startsWith("D0A7 "));
  EXPECT_TRUE(lines[1].startsWith("D105 "));
}

TEST_F(CliAppTest, ReadPrintsLabelWordCodeAndValue) {
  const CliRun run = RunTool({"--interface", "sim-lpt", "read", "supply", "TEMPERA", "x_peak"});
  ASSERT_EQ(run.status, kExitOk) << run.err.toStdString();
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3);
  const QStringList supply = lines[0].split('\t');
  ASSERT_EQ(supply.size(), 4);
  EXPECT_EQ(supply[0], "SUPPLY");
  EXPECT_EQ(supply[1].size(), 4);
  const int code = supply[2].toInt();
  EXPECT_EQ(code, supply[1].toInt(nullptr, 16) & 0x0FFF);
  const double volts = supply[3].toDouble();
  EXPECT_GT(volts, 3.0);
  EXPECT_LT(volts, 3.6);
  EXPECT_TRUE(lines[2].startsWith("X_PEAK \t"));  // the label as stored, blank included
}

TEST_F(CliAppTest, DumpListsEveryReadableRegister) {
  const CliRun run = RunTool({"dump"});
  ASSERT_EQ(run.status, kExitOk);
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  EXPECT_EQ(lines.size(), 30);  // 36 defined, less COMMAND, KeyCode and four reserved
  EXPECT_EQ(lines[2].section('\t', 0, 1), "XACCL\t04");
  EXPECT_FALSE(run.out.contains("COMMAND"));
}

TEST_F(CliAppTest, BadRequestsSendNothingAndExitWithStatus2) {
  const QList<QStringList> bad = {
      {"read", "NOPE"},
      {"read", "COMMAND"},
      {"write", "STATUS", "1"},
      {"write", "ALM_MAG1", "12345"},
      {"write", "ALM_MAG1", "xyz"},
      {"write", "ALM_MAG1"},
      {"frobnicate"},
      {"--interface", "lpt:zz", "dump"},
      {"--interface", "parallel", "dump"},
      {"--bogus", "dump"},
      {},
  };
  for (const QStringList& args : bad) {
    QStringList with_trace = {"--sim-trace", TracePath()};
    with_trace += args;
    const CliRun run = RunTool(with_trace);
    EXPECT_EQ(run.status, kExitUsage) << args.join(' ').toStdString();
    EXPECT_FALSE(run.err.isEmpty());
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_FALSE(QFile::exists(TracePath())) << args.join(' ').toStdString();
  }
}

TEST_F(CliAppTest, MissingParallelPortIsADeviceError) {
  const CliRun run = RunTool({"--interface", "lpt:3bc", "read", "SUPPLY"});
  EXPECT_EQ(run.status, kExitDeviceError);
  EXPECT_TRUE(run.err.contains("3BC") || run.err.contains("parallel port")) << run.err.toStdString();
}

TEST_F(CliAppTest, SimulatedCardSendsTheReadFrameTwice) {
  const CliRun run =
      RunTool({"--interface", "sim-usb", "--sim-trace", TracePath(), "read", "XACCL"});
  ASSERT_EQ(run.status, kExitOk) << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith("XACCL\t"));
  const QStringList lines = TraceLines(TracePath());
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].startsWith("0400 "));
  EXPECT_TRUE(lines[1].startsWith("0400 "));
  // The answer comes during the second frame and is what the tool printed.
  EXPECT_EQ(lines[1].section(' ', 1), run.out.section('\t', 1, 1));
}

TEST_F(CliAppTest, SimulatedCardReadsAgreeWithTheRssRule) {
  const CliRun run = RunTool({"--interface", "sim-usb", "read", "XACCL", "YACCL", "RSS_XY"});
  ASSERT_EQ(run.status, kExitOk) << run.err.toStdString();
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3);
  const double x = lines[0].section('\t', 3).toDouble();
  const double y = lines[1].section('\t', 3).toDouble();
  const double rss = lines[2].section('\t', 3).toDouble();
  // One sample period apart at most, and one code of rounding each.
  EXPECT_NEAR(rss, std::hypot(x, y), 0.1);
}

TEST_F(CliAppTest, MissingUsbCardIsADeviceError) {
  const CliRun run = RunTool({"--interface", "usb:2", "read", "SUPPLY"});
  EXPECT_EQ(run.status, kExitDeviceError);
  EXPECT_TRUE(run.err.contains("Ezusb-2")) << run.err.toStdString();
  EXPECT_TRUE(run.out.isEmpty());
}

TEST_F(CliAppTest, UnwritableTraceIsReported) {
  const CliRun run =
      RunTool({"--sim-trace", "/nonexistent-folder/t.txt", "read", "SUPPLY"});
  EXPECT_EQ(run.status, kExitDeviceError);
  EXPECT_TRUE(run.err.contains("/nonexistent-folder/t.txt"));
}

}  // namespace
}  // namespace talvix::cli
