// SPDX-License-Identifier: MIT
// talvix-cli's commands against every fault of the link: a card pulled out, hung or stalling, a
// sensor answering all ones, a parallel port whose access fails. Each command ends with exit
// status 1 and the cause, prints or writes nothing it did not read, and works again once the user
// has put the link right.
#include "cli/cli_app.h"
#include "cli/log_command.h"
#include "cli/log_output.h"
#include "cli/settings_command.h"
#include "support/link_faults.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace talvix::cli {
namespace {

enum class Command { kRead, kLog, kSettingsSave };

struct Outcome {
  int status = -1;
  QString out;    // what went to standard output
  QString error;  // the cause, for standard error
};

class CliFaultTest : public ::testing::TestWithParam<std::tuple<Command, test::LinkFault>> {
 protected:
  QString OutputPath() const { return dir_.filePath("out"); }

  Outcome Run(test::SimSession& sim) {
    Outcome outcome;
    QTextStream out(&outcome.out);
    switch (std::get<0>(GetParam())) {
      case Command::kRead: {
        CliOptions options;
        options.command = QStringLiteral("read");
        options.operands = {QStringLiteral("SUPPLY"), QStringLiteral("XACCL")};
        outcome.status = RunCommand(options, *sim.session, nullptr, out, outcome.error);
        break;
      }
      case Command::kLog: {
        const std::optional<LogOptions> options = ParseLogOptions(
            {"--samples", "3", "--output", OutputPath()}, sim.session->table, outcome.error);
        if (!options) break;
        LogOutput output(options->output, out);
        if (!output.Open(outcome.error)) break;
        outcome.status = RunLog(*options, *sim.session, nullptr, output, {}, outcome.error);
        break;
      }
      case Command::kSettingsSave:
        outcome.status =
            RunSettingsCommand({"save", OutputPath()}, *sim.session, out, outcome.error);
        break;
    }
    out.flush();
    return outcome;
  }

  QTemporaryDir dir_;
};

TEST_P(CliFaultTest, EndsWithTheCauseAndNothingUnreadThenWorksAgain) {
  const test::LinkFault fault = std::get<1>(GetParam());
  test::SimSession sim(4, test::WiringFor(fault));
  ASSERT_TRUE(sim.setup_error.isEmpty()) << sim.setup_error.toStdString();

  test::Inject(sim, fault);
  const Outcome failed = Run(sim);
  EXPECT_EQ(failed.status, kExitDeviceError) << failed.error.toStdString();
  EXPECT_FALSE(failed.error.isEmpty());
  EXPECT_TRUE(failed.out.isEmpty()) << failed.out.toStdString();
  // A log that read no sample and a save that read no register leave no file behind.
  EXPECT_FALSE(QFile::exists(OutputPath()));

  ASSERT_TRUE(test::Recover(sim, fault));
  sim.notifier.texts.clear();
  const Outcome again = Run(sim);
  EXPECT_EQ(again.status, kExitOk) << again.error.toStdString();
  EXPECT_TRUE(std::get<0>(GetParam()) == Command::kRead ? !again.out.isEmpty()
                                                        : QFile::exists(OutputPath()));
}

std::string CommandName(Command command) {
  switch (command) {
    case Command::kRead:
      return "Read";
    case Command::kLog:
      return "Log";
    case Command::kSettingsSave:
      return "SettingsSave";
  }
  return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliFaultTest,
    ::testing::Combine(::testing::Values(Command::kRead, Command::kLog, Command::kSettingsSave),
                       test::kAllLinkFaults),
    [](const ::testing::TestParamInfo<std::tuple<Command, test::LinkFault>>& info) {
      return CommandName(std::get<0>(info.param)) + "_" +
             test::LinkFaultName(
                 ::testing::TestParamInfo<test::LinkFault>(std::get<1>(info.param), info.index));
    });

}  // namespace
}  // namespace talvix::cli
