// SPDX-License-Identifier: MIT
#include "cli/capture_command.h"
#include "cli/cli_app.h"
#include "cli/cli_run.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace talvix::cli {
namespace {

QStringList FileLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

// A capture of X in buffer 0 and Y in buffer 1, 64 samples of which 16 before the trigger.
QStringList CaptureArgs(const QString& folder, const QString& level, const QString& timeout) {
  return {"--source1",    "X_Acceleration",
          "--source2",    "y_acceleration",
          "--length",     "64",
          "--pretrigger", "16",
          "--trigger",    "1",
          "--level",      level,
          "--above",      "--timeout",
          timeout,        "--output",
          folder};
}

constexpr double kXScaleG = 0.017125;  // g per code of XACCL

TEST(CliCaptureTest, TriggersOnAShockAndWritesBothBuffers) {
  QTemporaryDir dir;
  const CliRun run = RunTool(QStringList{"--interface", "sim-usb", "--sim-shocks", "capture"} +
                             CaptureArgs(dir.path(), "2", "5"));
  ASSERT_EQ(run.status, kExitOk) << run.err.toStdString();
  const QStringList paths = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(paths.size(), 2) << run.out.toStdString();
  EXPECT_TRUE(paths[0].startsWith(dir.path() + "/CapDat_0.")) << paths[0].toStdString();
  EXPECT_TRUE(paths[1].startsWith(dir.path() + "/CapDat_1.")) << paths[1].toStdString();

  std::array<std::vector<int>, 2> codes;
  for (int buffer = 0; buffer < 2; ++buffer) {
    const QStringList lines = FileLines(paths[buffer]);
    ASSERT_EQ(lines.size(), 64);
    for (int i = 0; i < 64; ++i) {
      const QStringList fields = lines[i].split(QRegularExpression("[,\t]"));
      ASSERT_EQ(fields.size(), 2) << lines[i].toStdString();
      EXPECT_EQ(fields[0].toInt(), i + 1);
      codes[buffer].push_back(fields[1].toInt());
    }
  }
  // The comparator trips on the first sample above the level's code: the samples before the
  // trigger sample (17) are not above it, and the knock's peak follows it.
  const auto level = static_cast<int>(std::lround(2.0 / kXScaleG));
  for (int i = 0; i < 16; ++i) EXPECT_LE(codes[0][i], level) << "sample " << i + 1;
  EXPECT_GT(codes[0][16], level);
  const int peak = *std::max_element(codes[0].begin(), codes[0].end());
  EXPECT_GT(peak, codes[0][16]);
  EXPECT_GT(peak * kXScaleG, 2.5);
  // Y took the same knock at 1.5 g, which its own scale shows as more codes than its tilt.
  const int y_peak = *std::max_element(codes[1].begin(), codes[1].end());
  EXPECT_GT(y_peak, *std::max_element(codes[1].begin(), codes[1].begin() + 16));
}

TEST(CliCaptureTest, ALevelNeverReachedTimesOutDisarmedWithNothingWritten) {
  QTemporaryDir dir;
  QTemporaryDir trace_dir;
  const QString trace = trace_dir.filePath("trace.txt");
  const CliRun run = RunTool(QStringList{"--sim-shocks", "--sim-trace", trace, "capture"} +
                             CaptureArgs(dir.path(), "100", "1.5"));
  EXPECT_EQ(run.status, kExitTimedOut);
  EXPECT_TRUE(run.out.isEmpty());
  EXPECT_TRUE(run.err.contains("no trigger within 1.5 s")) << run.err.toStdString();
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
  // The last ALM_CTRL write (lower byte, address 0x28) clears the trigger bits 4 and 6.
  QFile file(trace);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  int last_lower_byte = -1;
  bool armed = false;
  for (const QByteArray& line : file.readAll().split('\n')) {
    const uint sent = line.left(4).toUInt(nullptr, 16);
    if ((sent & 0xFF00) != 0xA800) continue;
    last_lower_byte = static_cast<int>(sent & 0xFF);
    armed = armed || (last_lower_byte & 0x10) != 0;
  }
  EXPECT_TRUE(armed) << "trigger 1 was armed";
  EXPECT_EQ(last_lower_byte & 0x50, 0) << "and disarmed at the end";
}

TEST(CliCaptureTest, EveryOptionIsCheckedBeforeAnythingIsSent) {
  QTemporaryDir dir;
  const QString trace = dir.filePath("trace.txt");
  const QString file = dir.filePath("a-file");
  QFile(file).open(QIODevice::WriteOnly);
  struct Bad {
    QString option;
    QString value;  // empty: the option is left out
    const char* said;
  };
  const QList<Bad> bad = {
      {"--source1", "X", "unknown --source1 \"X\""},
      {"--source2", "Peak RSS Acc", "unknown --source2"},
      {"--length", "12", "bad --length \"12\""},
      {"--length", "2048", "bad --length"},
      {"--length", "4", "bad --length"},
      {"--pretrigger", "1", "bad --pretrigger \"1\""},
      {"--pretrigger", "64", "fewer samples than --length"},
      {"--trigger", "3", "bad --trigger"},
      {"--level", "2g", "bad --level \"2g\""},
      {"--level", "1e1", "bad --level"},
      {"--level", "150", "outside the range of X_Acceleration, -140.288 to 140.2714"},
      {"--timeout", "0", "bad --timeout"},
      {"--timeout", "-1", "bad --timeout"},
      {"--output", dir.filePath("missing"), "is not a folder"},
      {"--output", file, "is not a folder"},
      {"--level", "", "--level is missing"},
  };
  for (const Bad& b : bad) {
    QStringList args = CaptureArgs(dir.path(), "2", "5");
    const qsizetype at = args.indexOf(b.option);
    if (b.value.isEmpty()) {
      args.remove(at, 2);
    } else {
      args[at + 1] = b.value;
    }
    const CliRun run = RunTool(QStringList{"--sim-trace", trace, "capture"} + args);
    EXPECT_EQ(run.status, kExitUsage) << b.option.toStdString() << " " << b.value.toStdString();
    EXPECT_TRUE(run.err.contains(b.said)) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(trace));
  }
  // The trigger's own buffer must record something, and the direction is one of two.
  const QList<QStringList> more = {
      {"--source1", "Disabled", "--source2", "X_Acceleration", "--length", "64", "--pretrigger",
       "16", "--trigger", "1", "--level", "2", "--above"},
      {"--source1", "X_Acceleration", "--source2", "Disabled", "--length", "64", "--pretrigger",
       "16", "--trigger", "1", "--level", "2"},
      {"--source1", "X_Acceleration", "--source2", "Disabled", "--length", "64", "--pretrigger",
       "16", "--trigger", "1", "--level", "2", "--above", "--below"},
  };
  for (const QStringList& args : more) {
    const CliRun run = RunTool(QStringList{"--sim-trace", trace, "capture"} + args);
    EXPECT_EQ(run.status, kExitUsage) << args.join(' ').toStdString();
    EXPECT_FALSE(QFile::exists(trace));
  }
}

}  // namespace
}  // namespace talvix::cli
