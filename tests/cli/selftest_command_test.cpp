// SPDX-License-Identifier: MIT
// talvix-cli selftest on the simulated interfaces, and on a port address where there is no port.
#include "cli/cli_app.h"
#include "cli/cli_run.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace talvix::cli {
namespace {

class SelfTestCommandTest : public ::testing::TestWithParam<const char*> {};

TEST_P(SelfTestCommandTest, EveryStepPassesOnTheSimulatedSensor) {
  const CliRun run = RunTool({"--interface", GetParam(), "selftest"});
  EXPECT_EQ(run.status, kExitOk) << run.out.toStdString() << run.err.toStdString();
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  const bool usb = QString::fromLatin1(GetParam()) == QLatin1String("sim-usb");
  ASSERT_EQ(lines.size(), usb ? 8 : 7) << run.out.toStdString();
  for (const QString& line : lines.mid(0, lines.size() - 1)) {
    EXPECT_TRUE(line.startsWith("pass ")) << line.toStdString();
  }
  EXPECT_EQ(lines.back(), QStringLiteral("selftest passed: all %1 steps").arg(lines.size() - 1));
}

INSTANTIATE_TEST_SUITE_P(Interfaces, SelfTestCommandTest, ::testing::Values("sim-usb", "sim-lpt"));

TEST(SelfTestCommandJsonTest, OneObjectPerStepThenTheSummary) {
  const CliRun run = RunTool({"--interface", "sim-usb", "selftest", "--jsonl"});
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 8);
  const QJsonObject timing = QJsonDocument::fromJson(lines[5].toUtf8()).object();
  EXPECT_EQ(timing["step"].toString(), "timing");
  EXPECT_GE(timing["measured_ms"].toDouble(), timing["minimum_ms"].toDouble());
  const QJsonObject summary = QJsonDocument::fromJson(lines.back().toUtf8()).object();
  EXPECT_EQ(summary["summary"].toString(), "pass");
  EXPECT_EQ(summary["passed"].toInt(), 7);
}

// No machine has a parallel port at address 1: the interface step gives the cause and the fix,
// and nothing else is tried.
TEST(SelfTestCommandPortTest, NoPortAtTheAddressFailsTheInterfaceStepWithTheFix) {
  const CliRun run = RunTool({"--interface", "lpt:1", "selftest"});
  EXPECT_EQ(run.status, kExitDeviceError);
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 7) << run.out.toStdString();
  EXPECT_TRUE(lines[0].startsWith("fail    interface   the parallel port at 1 did not open: "))
      << lines[0].toStdString();
  EXPECT_TRUE(lines[0].contains("modprobe parport_pc") || lines[0].contains("Set the port address"))
      << lines[0].toStdString();
  EXPECT_EQ(lines.back(), "selftest failed: 0 passed, 1 failed (interface), 5 skipped");
}

}  // namespace
}  // namespace talvix::cli
