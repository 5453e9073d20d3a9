#include "cli/cli_app.h"
#include "cli/cli_run.h"
#include "cli/log_command.h"
#include "cli/log_output.h"

#include "registers/register_index.h"
#include "support/file_faults.h"
#include "support/sim_session.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <csignal>

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
  EXPECT_TRUE(run.err.isEmpty()) << "no progress unless standard error is a terminal";

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
  EXPECT_TRUE(run.err.endsWith("samples/s   \n")) << run.err.toStdString();
  EXPECT_EQ(run.out.count('\n'), 11);
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
    const test::FileSizeLimit limit(4000);  // as a disk that fills up after some 40 rows
    run = RunTool({"log", "--samples", "200", "--output", path});
  }
  EXPECT_EQ(run.status, kExitDeviceError);
  EXPECT_TRUE(run.err.contains("cannot write the log file " + path +
                               ": File too large; the file was left as it was"))
      << run.err.toStdString();
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
  QString error;
  registers::RegisterTable& table = sim.session->table;
  const std::optional<LogOptions> options = ParseLogOptions(
      {"--values", "SUPPLY,XACCL", "--samples", "10", "--output", path}, table, error);
  ASSERT_TRUE(options) << error.toStdString();
  QString out_text;
  QTextStream out(&out_text);
  LogOutput output(path, out);
  ASSERT_TRUE(output.Open(error)) << error.toStdString();
  // The run asks whether to stop before each sample and once in each pause: its seventh question
  // comes just before the fourth sample.
  int asked = 0;
  LogHooks hooks;
  hooks.stop_requested = [&] {
    if (++asked == 7) fault.inject(sim);
    return false;
  };

  const int status = RunLog(*options, *sim.session, nullptr, output, hooks, error);

  EXPECT_EQ(status, kExitDeviceError);
  EXPECT_TRUE(error.startsWith("stopped at sample 4, whose SUPPLY was not read: "))
      << error.toStdString();
  EXPECT_TRUE(error.contains(fault.cause)) << error.toStdString();
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
                               "the sensor did not answer (it read all ones)"}),
    [](const ::testing::TestParamInfo<LogFault>& info) { return info.param.name; });

// The built program, stopped by Ctrl-C part-way through a long run.
TEST(CliLogSignalTest, SigintLeavesTheRowsSoFarInAWellFormedFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath("run.csv");
  QFile old(path);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("an older run\n");
  old.close();
  QProcess cli;
  cli.start(QStringLiteral(TALVIX_CLI_PATH), {"--interface", "sim-usb", "log", "--samples",
                                              "1000000", "--delay", "1", "--output", path});
  ASSERT_TRUE(cli.waitForStarted());
  QThread::msleep(800);
  ASSERT_EQ(cli.state(), QProcess::Running);
  ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
  ASSERT_TRUE(cli.waitForFinished(5000));

  EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(cli.exitCode(), kExitOk) << cli.readAllStandardError().toStdString();
  const QStringList lines = FileLines(path);
  ASSERT_GT(lines.size(), 50);  // about 1.8 ms a sample
  EXPECT_LT(lines.size(), 1000);
  EXPECT_EQ(lines[0], kAllColumns);
  ExpectWellFormedRows(lines.mid(1), 8);
  QFile written(path);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.readAll().endsWith('\n')) << "the last row is whole";
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file is left";
}

}  // namespace
}  // namespace talvix::cli
