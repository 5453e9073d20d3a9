// SPDX-License-Identifier: MIT
// Both programs ended by the system part-way through what they do: a datalog killed outright
// keeps its rows up to the last sync, a full disk followed by a signal is named and ends with
// status 1, SIGTERM ends every kind of run within a second, and a frame trace that cannot be
// written is refused before anything starts.
#include "support/file_faults.h"
#include "support/program_run.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace talvix::app {
namespace {

constexpr int kHeaderLines = 7;

// The rows of the datalog file's one block (the lines after its header) and the header's End
// Seconds; `whole` tells whether the file ends with a whole line.
struct DatalogOnDisk {
  QStringList rows;
  QString end_seconds;
  bool whole = false;
};

DatalogOnDisk ReadDatalog(const QString& path) {
  const QByteArray text = test::Contents(path);
  DatalogOnDisk on_disk;
  on_disk.whole = text.endsWith("\r\n");
  const QStringList lines =
      QString::fromLatin1(text.left(text.lastIndexOf("\r\n"))).split(QStringLiteral("\r\n"));
  if (lines.size() < kHeaderLines) return on_disk;
  on_disk.end_seconds = lines[4].section(u',', 1).trimmed();
  on_disk.rows = lines.mid(kHeaderLines);
  return on_disk;
}

// Waits up to 10 s for `rows` rows in the file.
int WaitForRows(const QString& path, int rows) {
  QElapsedTimer timer;
  timer.start();
  int seen = 0;
  while (seen < rows && timer.elapsed() < 10000) {
    QThread::msleep(20);
    seen = static_cast<int>(ReadDatalog(path).rows.size());
  }
  return seen;
}

// A datalog of the desktop program killed outright: its one block holds whole rows, numbered
// from 1 without a gap, up to the last sync (more than were there a second and a half before),
// and reads "unfinished".
TEST(ProgramSignalsTest, AWindowDatalogKilledOutrightKeepsItsRowsUpToTheLastSync) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("DATALOG_1.csv"));
  test::Program program(QStringLiteral(TALVIX_DATALOG_DRIVER_PATH), dir.path(),
                        {QStringLiteral("--simulate")});
  const int seen = WaitForRows(path, 20);
  ASSERT_GE(seen, 20) << "no rows reached the disk";
  QThread::msleep(1500);
  ASSERT_TRUE(program.Running());
  EXPECT_TRUE(program.Signal(SIGKILL).crashed);

  const DatalogOnDisk on_disk = ReadDatalog(path);
  EXPECT_TRUE(on_disk.whole);
  EXPECT_EQ(on_disk.end_seconds, "unfinished");
  ASSERT_GT(on_disk.rows.size(), seen);
  for (qsizetype row = 0; row < on_disk.rows.size(); ++row) {
    ASSERT_TRUE(on_disk.rows[row].startsWith(QStringLiteral("%1,").arg(row + 1)))
        << on_disk.rows[row].toStdString();
  }
}

// The datalog's file fills the disk, then the system ends the program: standard error names the
// rows lost and why, and the status is 1.
TEST(ProgramSignalsTest, RowsLostToAFullDiskAreNamedWhenASignalEndsTheProgram) {
  QTemporaryDir dir;
  test::Program program(QStringLiteral(TALVIX_DATALOG_DRIVER_PATH), dir.path(),
                        {QStringLiteral("--simulate")}, [] {
                          rlimit limit{};
                          ::getrlimit(RLIMIT_FSIZE, &limit);
                          limit.rlim_cur = 2000;  // the header and a few dozen rows
                          ::setrlimit(RLIMIT_FSIZE, &limit);
                          std::signal(SIGXFSZ, SIG_IGN);
                        });
  program.WaitUntilItCatchesSignals();
  QThread::msleep(1500);  // the run has met the limit at a sync
  const test::ProgramRun run = program.Signal(SIGTERM);
  EXPECT_FALSE(run.crashed);
  EXPECT_EQ(run.exit_code, 1);
  static const QRegularExpression kLost(
      QStringLiteral("talvix: \\d+ row\\(s\\) read for the datalog file .*DATALOG_1.csv were not "
                     "written: File too large"));
  EXPECT_TRUE(kLost.match(run.standard_error).hasMatch()) << run.standard_error.toStdString();
}

struct SignalCase {
  const char* name;
  const char* program;
  QStringList arguments;
  int exit_code;
  const char* delay_ms = nullptr;  // for the datalog driver
};

class ProgramSigtermTest : public ::testing::TestWithParam<SignalCase> {};

// Whatever the program is doing (waiting in a long pause, for a trigger, or for the user), SIGTERM
// ends it within a second, by its own exit path.
TEST_P(ProgramSigtermTest, EndsWithinASecond) {
  QTemporaryDir dir;
  if (GetParam().delay_ms != nullptr) qputenv("TALVIX_DRIVER_DELAY_MS", GetParam().delay_ms);
  test::Program program(QString::fromLatin1(GetParam().program), dir.path(), GetParam().arguments);
  qunsetenv("TALVIX_DRIVER_DELAY_MS");
  program.WaitUntilItCatchesSignals();
  QThread::msleep(700);  // into the pause, the wait or the window's loop
  ASSERT_TRUE(program.Running());
  const test::ProgramRun run = program.Signal(SIGTERM);
  EXPECT_FALSE(run.crashed);
  EXPECT_EQ(run.exit_code, GetParam().exit_code) << run.standard_error.toStdString();
  EXPECT_LT(run.ms_after_signal, 1000);
}

const QStringList kLongLog = {"--interface", "sim-usb", "log",      "--samples", "100",
                              "--delay",     "30000",   "--output", "run.csv"};

INSTANTIATE_TEST_SUITE_P(
    Runs, ProgramSigtermTest,
    ::testing::Values(SignalCase{"DesktopIdle", TALVIX_GUI_PATH, {"--simulate"}, 0},
                      SignalCase{"DesktopDatalogIn30SecondPause",
                                 TALVIX_DATALOG_DRIVER_PATH,
                                 {"--simulate"},
                                 0,
                                 "30000"},
                      SignalCase{"CliLogIn30SecondPause", TALVIX_CLI_PATH, kLongLog, 0},
                      SignalCase{
                          "CliCaptureWaitingForTrigger",
                          TALVIX_CLI_PATH,
                          {"capture", "--source1", "X_Acceleration", "--source2", "Y_Acceleration",
                           "--length", "64", "--pretrigger", "8", "--trigger", "1", "--level", "9",
                           "--above", "--timeout", "600", "--output", "."},
                          130}),
    [](const ::testing::TestParamInfo<SignalCase>& info) { return std::string(info.param.name); });

class TraceTargetTest : public ::testing::TestWithParam<const char*> {};

// A frame trace named on a named pipe, a folder or a dangling link is refused at once, with the
// file named, exit status 2 and nothing created.
TEST_P(TraceTargetTest, ARefusedTraceEndsBothProgramsAtOnceWithStatusTwo) {
  QTemporaryDir dir;
  const QString trace = dir.filePath(QStringLiteral("trace"));
  const QString kind = QString::fromLatin1(GetParam());
  const bool made = kind == QLatin1String("fifo") ? test::MakeFifo(trace)
                    : kind == QLatin1String("folder")
                        ? QDir(dir.path()).mkdir(QStringLiteral("trace"))
                        : QFile::link(dir.filePath(QStringLiteral("nowhere")), trace);
  ASSERT_TRUE(made);
  for (const auto& [program, arguments] :
       {std::pair{TALVIX_GUI_PATH, QStringList{"--simulate", "--sim-trace", trace}},
        std::pair{TALVIX_CLI_PATH, QStringList{"--sim-trace", trace, "dump"}}}) {
    test::Program run_of(QString::fromLatin1(program), dir.path(), arguments);
    QElapsedTimer timer;
    timer.start();
    const test::ProgramRun run = run_of.Finish(&timer);
    EXPECT_EQ(run.exit_code, 2) << program;
    EXPECT_LT(run.ms_after_signal, 1000) << program;
    EXPECT_TRUE(run.standard_error.contains(trace)) << run.standard_error.toStdString();
  }
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("nowhere"))));
}

INSTANTIATE_TEST_SUITE_P(Kinds, TraceTargetTest,
                         ::testing::Values("fifo", "folder", "dangling link"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           std::erase(name, ' ');
                           return name;
                         });

}  // namespace
}  // namespace talvix::app
