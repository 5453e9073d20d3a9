// SPDX-License-Identifier: MIT
#include "cli/cli_app.h"
#include "cli/cli_run.h"
#include "cli/log_command.h"
#include "cli/log_output.h"

#include "registers/register_index.h"
#include "support/file_faults.h"
#include "support/sim_session.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <csignal>
#include <cstring>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace talvix::cli {
namespace {

QStringList FileLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

constexpr char kAllColumns[] = "seconds,SUPPLY,XACCL,YACCL,TEMPERA,RSS_XY,X_PEAK,Y_PEAK,RSS_PEAK";

// Every row holds the seconds and `columns` values; the seconds never go back.
void ExpectWellFormedRows(const QStringList& rows, int columns) {
  double last = 0;
  for (const QString& row : rows) {
    const QStringList fields = row.split(',');
    ASSERT_EQ(fields.size(), columns + 1) << row.toStdString();
    for (const QString& field : fields) {
      bool ok = false;
      field.toDouble(&ok);
      ASSERT_TRUE(ok) << row.toStdString();
    }
    EXPECT_GE(fields[0].toDouble(), last) << row.toStdString();
    last = fields[0].toDouble();
  }
}

TEST(CliLogTest, WritesAHeaderAndOneRowPerSampleOfWhatTheSensorGave) {
  QTemporaryDir dir;
  const QString path = dir.filePath("run.csv");
  const CliRun run = RunTool(
      {"--interface", "sim-usb", "log", "--samples", "1000", "--delay", "0", "--output", path});
  ASSERT_EQ(run.status, kExitOk) << run.err.toStdString();
  EXPECT_TRUE(run.out.isEmpty());
  // No progress unless standard error is a terminal: only the account at the end.
  EXPECT_TRUE(run.err.startsWith("log: 1000 samples in ")) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(" late (more than 1 ms past their delay)\n") &&
              run.err.count('\n') == 1)
      << run.err.toStdString();

  const QStringList lines = FileLines(path);
  ASSERT_EQ(lines.size(), 1001);
  EXPECT_EQ(lines[0], kAllColumns);
  const QStringList rows = lines.mid(1);
  ExpectWellFormedRows(rows, 8);
  EXPECT_LT(rows.first().section(',', 0, 0).toDouble(), 0.01);
  // Each sample makes eight reads with their 0.1 ms pauses: 1000 samples take at least 0.8 s.
  EXPECT_GT(rows.last().section(',', 0, 0).toDouble(), 0.999 * 0.8 * 999 / 1000);
  QSet<QString> supply_values;
  QSet<QString> x_values;
  for (const QString& row : rows) {
    const QStringList f = row.split(',');
    EXPECT_NEAR(f[1].toDouble(), 3.3, 0.3) << row.toStdString();     // volts
    EXPECT_NEAR(f[4].toDouble(), 25.0, 5.0) << row.toStdString();    // degC
    EXPECT_LE(std::abs(f[2].toDouble()), 1.5) << row.toStdString();  // g: tilt and vibration
    supply_values.insert(f[1]);
    x_values.insert(f[2]);
  }
  // The supply's noise spans several codes; X moves by a code or two with the vibration.
  EXPECT_GE(supply_values.size(), 5);
  EXPECT_GE(x_values.size(), 3);
}

TEST(CliLogTest, ChosenValuesAreReadAndWrittenInTheDatalogsOrder) {
  QTemporaryDir dir;
  const QString trace = dir.filePath("trace.txt");
  const CliRun run =
      RunTool({"--sim-trace", trace, "log", "--values", "y _peak,Power Supply", "--samples", "3"});
  ASSERT_EQ(run.status, kExitOk) << run.err.toStdString();
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], "seconds,SUPPLY,Y_PEAK");
  ExpectWellFormedRows(lines.mid(1), 2);
  // SUPPLY (0x02) then Y _PEAK (0x0E), each a read frame and the frame that brings its answer.
  const QStringList frames = FileLines(trace);
  ASSERT_EQ(frames.size(), 12);
  for (int i = 0; i < 12; ++i) {
    const char* sent = i % 2 == 1 ? "0000 " : (i % 4 == 0 ? "0200 " : "0E00 ");
    EXPECT_TRUE(frames[i].startsWith(sent)) << frames[i].toStdString();
  }
}

TEST(CliLogTest, ShowsProgressOnlyOnATerminal) {
  const CliRun run = RunTool({"log", "--samples", "10", "--values", "SUPPLY"}, true);
  ASSERT_EQ(run.status, kExitOk);
  EXPECT_TRUE(run.err.contains("log: 10 of 10 samples, ")) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("samples/s   \nlog: 10 samples in ")) << run.err.toStdString();
  EXPECT_EQ(run.out.count('\n'), 11);
}

// For test benches: JSON lines in place of the progress and the account; the last one gives the
// end, with every byte of the file on the disk.
TEST(CliLogTest, StatusJsonlEndsWithTheAccountOfTheRun) {
  QTemporaryDir dir;
  const QString path = dir.filePath("run.csv");
  const CliRun run =
      RunTool({"log", "--samples", "20", "--status", "jsonl", "--output", path}, true);
  ASSERT_EQ(run.status, kExitOk) << run.err.toStdString();
  const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
  ASSERT_FALSE(lines.isEmpty());
  for (const QString& line : lines) {
    EXPECT_TRUE(QJsonDocument::fromJson(line.toUtf8()).isObject()) << line.toStdString();
  }
  const QJsonObject end = QJsonDocument::fromJson(lines.last().toUtf8()).object();
  EXPECT_TRUE(end.value("end").toBool());
  EXPECT_EQ(end.value("samples").toInt(), 20);
  EXPECT_EQ(end.value("file").toString(), path);
  EXPECT_EQ(end.value("bytes_synced").toInteger(), test::Contents(path).size());
  EXPECT_GT(end.value("rate").toDouble(), 0);
  EXPECT_GE(end.value("late").toInt(-1), 0);
}

TEST(CliLogTest, BadOptionsSendNothingAndWriteNothing) {
  const QList<QStringList> bad = {
      {"--samples", "0"},
      {"--samples", "1.5"},
      {"--samples", "-3"},
      {"--samples", "1e3"},
      {"--samples", "1000000001"},
      {"--samples"},
      {"--delay", "-1"},
      {"--delay", "32000.5"},
      {"--delay", "1,5"},
      {"--delay", " 5"},
      {"--values", "SUPPLY,BOGUS"},
      {"--values", ""},
      {"--values", "STATUS"},
      {"--output", ""},
      {"--status", "json"},
      {"--samples", "5", "--samples=6"},
      {"--bogus"},
      {"stray"},
  };
  QTemporaryDir dir;
  const QString trace = dir.filePath("trace.txt");
  const QString output = dir.filePath("run.csv");
  for (const QStringList& options : bad) {
    QStringList args = {"--sim-trace", trace, "log"};
    args += options;
    if (!options.contains("--output")) args << "--output" << output;
    const CliRun run = RunTool(args);
    EXPECT_EQ(run.status, kExitUsage) << options.join(' ').toStdString();
    EXPECT_TRUE(run.err.startsWith("talvix-cli: log: ")) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(trace)) << options.join(' ').toStdString();
    EXPECT_FALSE(QFile::exists(output)) << options.join(' ').toStdString();
  }
}

TEST(CliLogTest, AnOutputThatCannotBeWrittenIsNamedBeforeAnythingIsSent) {
  QTemporaryDir dir;
  const QString trace = dir.filePath("trace.txt");
  const QString fifo = dir.filePath("fifo");
  ASSERT_TRUE(test::MakeFifo(fifo));
  for (const QString& output : {dir.filePath("no-folder/run.csv"), dir.path(), fifo}) {
    const CliRun run = RunTool({"--sim-trace", trace, "log", "--output", output});
    EXPECT_EQ(run.status, kExitDeviceError);
    EXPECT_TRUE(run.err.contains("cannot write the log file " + output + ": "))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(trace));
  }
}

TEST(CliLogTest, AFileThatCannotBeWrittenWholeLeavesTheOldOneAsItWas) {
  QTemporaryDir dir;
  const QString path = dir.filePath("run.csv");
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older run\n");
  }
  CliRun run;
  {
    // As a disk that is full before the first write-out (the header and the first row) is whole.
    const test::FileSizeLimit limit(100);
    run = RunTool({"log", "--samples", "200", "--output", path});
  }
  EXPECT_EQ(run.status, kExitDeviceError);
  const QRegularExpression lost("cannot write the log file " + QRegularExpression::escape(path) +
                                ": File too large; [1-9]\\d* row\\(s\\) read were not written; "
                                "the file was left as it was");
  EXPECT_TRUE(lost.match(run.err).hasMatch()) << run.err.toStdString();
  EXPECT_EQ(test::Contents(path), "an older run\n");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file is left";
}

// A sensor that stops answering part-way, on either interface: the run ends at that sample, with
// no row for it, and the rows before it are in the file.
struct LogFault {
  const char* name;
  test::SimWiring wiring;
  void (*inject)(test::SimSession& sim);
  const char* cause;
  int rows_before = 3;  // rows read before the fault: 0 leaves the older file as it was
};

void PrintTo(const LogFault& fault, std::ostream* os) {
  *os << fault.name;
}

class CliLogFaultTest : public ::testing::TestWithParam<LogFault> {};

TEST_P(CliLogFaultTest, NoRowForTheSampleWhoseReadFailed) {
  const LogFault& fault = GetParam();
  test::SimSession sim(3, fault.wiring);
  ASSERT_TRUE(sim.setup_error.isEmpty()) << sim.setup_error.toStdString();
  QTemporaryDir dir;
  const QString path = dir.filePath("run.csv");
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older run\n");
  }
  QString error;
  registers::RegisterTable& table = sim.session->table;
  const std::optional<LogOptions> options = ParseLogOptions(
      {"--values", "SUPPLY,XACCL", "--samples", "10", "--output", path}, table, error);
  ASSERT_TRUE(options) << error.toStdString();
  QString out_text;
  QTextStream out(&out_text);
  LogOutput output(path, out);
  ASSERT_TRUE(output.Open(error)) << error.toStdString();
  // The run asks whether to stop before each sample and once in each pause: its (2n + 1)th
  // question comes just before sample n + 1.
  int asked = 0;
  LogHooks hooks;
  hooks.stop_requested = [&] {
    if (++asked == 2 * fault.rows_before + 1) fault.inject(sim);
    return false;
  };

  const int status = RunLog(*options, *sim.session, nullptr, output, hooks, error);

  EXPECT_EQ(status, kExitDeviceError);
  EXPECT_TRUE(error.startsWith(QStringLiteral("stopped at sample %1, whose SUPPLY was not read: ")
                                   .arg(fault.rows_before + 1)))
      << error.toStdString();
  EXPECT_TRUE(error.contains(fault.cause)) << error.toStdString();
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"run.csv"}) << "no part is left";
  if (fault.rows_before == 0) {
    EXPECT_TRUE(error.contains("Nothing was written to " + path)) << error.toStdString();
    EXPECT_EQ(test::Contents(path), "an older run\n");
    return;
  }
  EXPECT_TRUE(error.contains("The 3 rows read before it are in " + path)) << error.toStdString();
  const QStringList lines = FileLines(path);
  ASSERT_EQ(lines.size(), 4) << lines.join('|').toStdString();
  EXPECT_EQ(lines[0], "seconds,SUPPLY,XACCL");
  ExpectWellFormedRows(lines.mid(1), 2);
  for (const QString& row : lines.mid(1)) EXPECT_NEAR(row.section(',', 1, 1).toDouble(), 3.3, 0.3);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliLogFaultTest,
    ::testing::Values(LogFault{"CardUnplugged", test::SimWiring::kUsbCard,
                               [](test::SimSession& sim) { sim.usb.Unplug(0); },
                               "the USB SPI card Ezusb-0 failed during a transfer"},
                      LogFault{"SensorSilent", test::SimWiring::kParallelPort,
                               [](test::SimSession& sim) { sim.sensor.SetAnswering(false); },
                               "the sensor did not answer (it read all ones)"},
                      LogFault{"SensorSilentFromTheStart", test::SimWiring::kParallelPort,
                               [](test::SimSession& sim) { sim.sensor.SetAnswering(false); },
                               "the sensor did not answer (it read all ones)", 0}),
    [](const ::testing::TestParamInfo<LogFault>& info) { return info.param.name; });

// The seconds of the last whole row of `text` (-1 for none).
double LastRowSeconds(const QByteArray& text) {
  const QList<QByteArray> lines = text.left(text.lastIndexOf('\n')).split('\n');
  bool ok = false;
  const double seconds = lines.size() > 1 ? lines.last().split(',').first().toDouble(&ok) : 0;
  return ok ? seconds : -1;
}

// The built program, ended part-way through a long run by a signal. A stop signal puts every row
// read in the file; SIGKILL leaves the file as it was and the rows up to the last sync (at most a
// second old) in the part.
class CliLogSignalTest : public ::testing::TestWithParam<int> {};

TEST_P(CliLogSignalTest, TheRowsSoFarAreInAWellFormedFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath("run.csv");
  const QString part = path + ".part";
  QFile old(path);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("an older run\n");
  old.close();
  QProcess cli;
  cli.start(QStringLiteral(TALVIX_CLI_PATH), {"--interface", "sim-usb", "log", "--samples",
                                              "1000000", "--delay", "1", "--output", path});
  ASSERT_TRUE(cli.waitForStarted());
  // The first rows on the disk, and when they were seen.
  QElapsedTimer timer;
  timer.start();
  double seen_seconds = -1;
  while (seen_seconds < 0 && timer.elapsed() < 5000) {
    QThread::msleep(20);
    seen_seconds = LastRowSeconds(test::Contents(part));
  }
  ASSERT_GE(seen_seconds, 0) << "no row reached the part";
  const double seen_at = timer.elapsed() / 1000.0;
  QThread::msleep(1500);
  ASSERT_EQ(cli.state(), QProcess::Running);
  const double signalled_at = timer.elapsed() / 1000.0;
  ::kill(static_cast<pid_t>(cli.processId()), GetParam());
  ASSERT_TRUE(cli.waitForFinished(5000));

  const bool killed = GetParam() == SIGKILL;
  EXPECT_EQ(cli.exitStatus(), killed ? QProcess::CrashExit : QProcess::NormalExit);
  if (!killed) {
    EXPECT_EQ(cli.exitCode(), kExitOk) << cli.readAllStandardError().toStdString();
  }
  EXPECT_EQ(QFile::exists(part), killed);
  EXPECT_EQ(test::Contents(path) == "an older run\n", killed);
  const QByteArray text = test::Contents(killed ? part : path);
  EXPECT_TRUE(text.endsWith('\n')) << "the last row is whole";
  const QStringList lines = QString::fromLatin1(text).split('\n', Qt::SkipEmptyParts);
  ASSERT_GT(lines.size(), 50);  // about 2.8 ms a sample
  EXPECT_EQ(lines[0], kAllColumns);
  ExpectWellFormedRows(lines.mid(1), 8);
  EXPECT_GT(LastRowSeconds(text), seen_seconds + (signalled_at - seen_at) - 1.0);
}

INSTANTIATE_TEST_SUITE_P(Signals, CliLogSignalTest, ::testing::Values(SIGINT, SIGTERM, SIGKILL),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(sigabbrev_np(info.param));
                         });

// A part left by a run that crashed holds its rows: a new run naming the same file sends nothing,
// touches neither file, and says what to do.
TEST(CliLogTest, APartLeftByACrashedRunIsNeverOverwritten) {
  QTemporaryDir dir;
  const QString path = dir.filePath("run.csv");
  const QString trace = dir.filePath("trace.txt");
  for (const auto& [name, text] : {std::pair{path, "an older run\n"},
                                   std::pair{path + ".part", "seconds,SUPPLY\n0.000001,3.3\n"}}) {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  const CliRun run = RunTool({"--sim-trace", trace, "log", "--samples", "3", "--output", path});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_TRUE(run.err.contains(path + ".part is left from a run that did not end"))
      << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("Rename it")) << run.err.toStdString();
  EXPECT_EQ(test::Contents(path), "an older run\n");
  EXPECT_EQ(test::Contents(path + ".part"), "seconds,SUPPLY\n0.000001,3.3\n");
  EXPECT_FALSE(QFile::exists(trace));
}

}  // namespace
}  // namespace talvix::cli
