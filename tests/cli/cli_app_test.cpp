// SPDX-License-Identifier: MIT
#include "cli/cli_app.h"
#include "cli/cli_run.h"

#include "session/session.h"
#include "sim/sim_port.h"
#include "startup/link_failure.h"
#include "support/sim_session.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

#include <gtest/gtest.h>

namespace talvix::cli {
namespace {

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
  const CliRun run = RunTool(
      {"--interface", "sim-lpt", "--sim-trace", TracePath(), "write", "XACCL_NULL", "1234"});
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
      {"--interface", "usb:4", "dump"},
      {"--interface", "usb:+1", "dump"},
      {"--interface", "usb:-0", "dump"},
      {"--interface", "usb:0x1", "dump"},
      {"--interface", "usb: 1", "dump"},
      {"--interface", "usb:1 ", "dump"},
      {"--interface", "usb:1x", "dump"},
      {"--interface", "usb:4294967296", "dump"},
      {"--interface", "usb:", "dump"},
      {"--usb-ids", "fffe", "--interface", "usb:0", "dump"},
      {"--interface", "sim-usb", "--interface", "sim-lpt", "dump"},
      {"--bogus", "dump"},
      {"read", "--fast", "XACCL"},  // Fast read-out is for the card only
      {"--interface", "sim-usb", "dump", "--fast", "--fast"},
      {"--sim-usb-latency", "1", "dump"},  // the latency model is the simulated card's
      {"--interface", "sim-usb", "--sim-usb-latency", "1e3", "dump"},
      {"--interface", "sim-usb", "--sim-usb-latency", "1001", "dump"},
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
  EXPECT_TRUE(run.err.contains("3BC") || run.err.contains("parallel port"))
      << run.err.toStdString();
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

// read --fast and dump --fast: every register in as few card transfers as it takes, with the
// answers printed as read register by register prints them.
TEST_F(CliAppTest, FastReadOutReadsInOneBatch) {
  const CliRun read = RunTool(
      {"--interface", "sim-usb", "--sim-trace", TracePath(), "read", "XACCL", "--fast", "YACCL"});
  ASSERT_EQ(read.status, kExitOk) << read.err.toStdString();
  const QStringList lines = TraceLines(TracePath());
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0].left(4) + lines[1].left(4) + lines[2].left(4), "040006000600");
  const QStringList rows = read.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(rows.size(), 2);
  EXPECT_EQ(rows[0].section('\t', 1, 1), lines[1].section(' ', 1));  // XACCL's answer
  EXPECT_EQ(rows[1].section('\t', 1, 1), lines[2].section(' ', 1));

  const CliRun dump =
      RunTool({"--interface", "sim-usb", "--sim-trace", TracePath(), "dump", "--fast"});
  ASSERT_EQ(dump.status, kExitOk) << dump.err.toStdString();
  const QStringList dumped = dump.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(dumped.size(), 30);
  EXPECT_EQ(TraceLines(TracePath()).size(), 31);
  for (const QString& row : dumped) EXPECT_EQ(row.count('\t'), 2) << row.toStdString();
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
  const CliRun run = RunTool({"--usb-ids", "fffe:1,2", "--interface", "usb:2", "read", "SUPPLY"});
  EXPECT_EQ(run.status, kExitDeviceError);
  EXPECT_TRUE(run.err.contains("Ezusb-2")) << run.err.toStdString();
  EXPECT_TRUE(run.out.isEmpty());
}

// The card ids are the installation's: with none set, a card is not looked for and the user is
// told where to set them; udev-rules makes the rule from the ids set.
TEST_F(CliAppTest, UsbCardsNeedTheInstallationsIds) {
  const QByteArray config_home = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());  // no user file
  qunsetenv("TALVIX_USB_IDS");

  const CliRun read = RunTool({"--interface", "usb:0", "read", "SUPPLY"});
  EXPECT_EQ(read.status, kExitDeviceError);
  EXPECT_TRUE(read.err.contains("No USB card ids are set")) << read.err.toStdString();
  EXPECT_TRUE(read.out.isEmpty());
  EXPECT_EQ(RunTool({"udev-rules"}).status, kExitDeviceError);

  qputenv("TALVIX_USB_IDS", "abcd:12");
  const CliRun rules = RunTool({"udev-rules"});
  EXPECT_EQ(rules.status, kExitOk);
  EXPECT_TRUE(rules.out.contains(
      R"(ATTR{idVendor}=="abcd", ATTR{idProduct}=="0012", ENV{ID_TALVIX_USB_SPI}="1")"))
      << rules.out.toStdString();
  EXPECT_FALSE(rules.out.contains("Quarn"));
  EXPECT_FALSE(rules.out.contains("@CARD_LINES@"));

  qunsetenv("TALVIX_USB_IDS");
  if (config_home.isNull()) {
    qunsetenv("XDG_CONFIG_HOME");
  } else {
    qputenv("XDG_CONFIG_HOME", config_home);
  }
}

TEST_F(CliAppTest, UnwritableTraceIsReported) {
  const CliRun run = RunTool({"--sim-trace", "/nonexistent-folder/t.txt", "read", "SUPPLY"});
  EXPECT_EQ(run.status, kExitDeviceError);
  EXPECT_TRUE(run.err.contains("/nonexistent-folder/t.txt"));
}

// A command line's command run on a simulated session, as talvix-cli runs it on its own.
struct CommandRun {
  int status = -1;
  QStringList rows;
  QString error;
};

CommandRun RunOn(Session& session, const QStringList& args) {
  CommandRun run;
  QString text;
  const std::optional<CliOptions> options = ParseCliOptions(args, run.error);
  if (!options) return run;
  QTextStream out(&text);
  run.status = RunCommand(*options, session, nullptr, out, run.error);
  out.flush();
  run.rows = text.split('\n', Qt::SkipEmptyParts);
  return run;
}

QStringList ReadSupply(int times) {
  QStringList args = {"read"};
  for (int i = 0; i < times; ++i) args << "SUPPLY";
  return args;
}

// Every row is a supply reading the sensor gave: about 3.3 V, never an invented 0.
void ExpectSupplyRows(const QStringList& rows) {
  for (const QString& row : rows) {
    const QStringList fields = row.split('\t');
    ASSERT_EQ(fields.size(), 4) << row.toStdString();
    EXPECT_EQ(fields[0], "SUPPLY");
    EXPECT_NEAR(fields[3].toDouble(), 3.3, 0.3) << row.toStdString();
  }
}

struct MidListFault {
  const char* name;
  void (*inject)(sim::SimUsbDriver& usb);
  int rows;  // reads that reached the sensor before the failure
};

void PrintTo(const MidListFault& fault, std::ostream* os) {
  *os << fault.name;
}

class CliCardFaultTest : public ::testing::TestWithParam<MidListFault> {};

// The fault goes in while the card clocks the frames of the fifth read. A lost answer or a pulled
// cable fails that read; a failed write fails the sixth, whose packet never reaches the card.
TEST_P(CliCardFaultTest, PrintsTheRowsBeforeTheFailedReadAndNothingAfter) {
  test::SimSession sim(3, test::SimWiring::kUsbCard);
  ASSERT_TRUE(sim.setup_error.isEmpty()) << sim.setup_error.toStdString();
  int frames = 0;
  sim.usb.SetSpiWire([&](uint16_t sent) {
    if (++frames == 9) GetParam().inject(sim.usb);
    return sim.sensor.Transfer(sent);
  });

  const CommandRun run = RunOn(*sim.session, ReadSupply(10));

  EXPECT_EQ(run.status, kExitDeviceError);
  EXPECT_EQ(run.rows.size(), GetParam().rows) << run.rows.join('|').toStdString();
  ExpectSupplyRows(run.rows);
  EXPECT_EQ(frames, 10);  // nothing was sent after the failed transfer
  EXPECT_TRUE(
      run.error.startsWith("stopped at SUPPLY, which was not read: the USB SPI card "
                           "Ezusb-0 failed during a transfer."))
      << run.error.toStdString();
  EXPECT_EQ(sim.notifier.texts.size(), 1) << sim.notifier.texts.join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliCardFaultTest,
    ::testing::Values(
        MidListFault{"AnswerLost", [](sim::SimUsbDriver& usb) { usb.FailNextBulkRead(0); }, 4},
        MidListFault{"Unplugged", [](sim::SimUsbDriver& usb) { usb.Unplug(0); }, 4},
        MidListFault{"PacketRefused", [](sim::SimUsbDriver& usb) { usb.FailNextBulkWrite(0); }, 5}),
    [](const ::testing::TestParamInfo<MidListFault>& info) { return info.param.name; });

// No interface that works: every command stops at its first register, with no row and a cause
// that says what to check.
struct DeadInterface {
  const char* name;
  void (*kill)(test::SimSession& sim, sim::SimPort* port);
  const char* cause;
  bool on_port = false;  // the command runs on the parallel port, else on the card
};

void PrintTo(const DeadInterface& dead, std::ostream* os) {
  *os << dead.name;
}

class CliDeadInterfaceTest : public ::testing::TestWithParam<DeadInterface> {};

TEST_P(CliDeadInterfaceTest, EveryCommandStopsAtItsFirstRegister) {
  const DeadInterface& dead = GetParam();
  struct Case {
    QStringList args;
    const char* stop;
  };
  for (const Case& c :
       {Case{{"read", "XACCL", "SUPPLY"}, "stopped at XACCL, which was not read"},
        Case{{"write", "XACCL_NULL", "12"}, "stopped at XACCL_NULL, which was not written"},
        Case{{"dump"}, "stopped at"}}) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    test::SimSession sim(5, test::SimWiring::kUsbCard);
    // A parallel port whose accesses a test can make fail.
    sim::SimPort* port = nullptr;
    Session parallel(Platform{.clock = sim.clock,
                              .notifier = sim.notifier,
                              .events = sim.events,
                              .usb = sim.usb,
                              .open_port =
                                  [&](uint16_t base, QString&) {
                                    auto opened = std::make_unique<sim::SimPort>(sim.sensor, base);
                                    port = opened.get();
                                    return opened;
                                  },
                              .delay = std::make_unique<link::RecordingDelay>(sim.clock)});
    parallel.link.InterfaceType = link::kInterfaceParallel;
    parallel.link.PortAddress = 0x378;
    QString why;
    ASSERT_TRUE(parallel.OpenParallelPort(why)) << why.toStdString();
    dead.kill(sim, port);
    sim.sensor.trace().Clear();

    const CommandRun run = RunOn(dead.on_port ? parallel : *sim.session, c.args);

    EXPECT_EQ(run.status, kExitDeviceError);
    EXPECT_TRUE(run.rows.isEmpty()) << run.rows.join('|').toStdString();
    EXPECT_TRUE(run.error.startsWith(c.stop)) << run.error.toStdString();
    EXPECT_TRUE(run.error.contains(dead.cause)) << run.error.toStdString();
    EXPECT_TRUE(sim.sensor.trace().frames().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Interfaces, CliDeadInterfaceTest,
    ::testing::Values(DeadInterface{"CardUnplugged",
                                    [](test::SimSession& sim, sim::SimPort*) { sim.usb.Unplug(0); },
                                    "the USB SPI card Ezusb-0 failed during a transfer"},
                      DeadInterface{"CardNotReady",
                                    [](test::SimSession& sim, sim::SimPort*) {
                                      sim.session->ezusb.CurrentCard.Present = false;
                                    },
                                    "the USB SPI card Ezusb-0 is not ready"},
                      DeadInterface{
                          "PortAccessFails",
                          [](test::SimSession&, sim::SimPort* port) { port->SetAccessFails(true); },
                          "an access failed on the parallel port at 378", true}),
    [](const ::testing::TestParamInfo<DeadInterface>& info) { return info.param.name; });

// The card scan's findings turn into the cause of a failed bring-up and what to do about it.
struct UsbOpenCase {
  const char* name;
  void (*arrange)(sim::SimUsbDriver& usb);
  int device;
  std::vector<const char*> said;
};

void PrintTo(const UsbOpenCase& c, std::ostream* os) {
  *os << c.name;
}

class CliUsbOpenTest : public ::testing::TestWithParam<UsbOpenCase> {};

TEST_P(CliUsbOpenTest, SaysWhyTheCardCannotBeUsedAndWhatToDo) {
  const UsbOpenCase& c = GetParam();
  test::SimSession sim(1, test::SimWiring::kUsbCard);
  c.arrange(sim.usb);
  QString error;
  EXPECT_FALSE(startup::ConnectUsbCard(*sim.session, c.device, nullptr, error));
  for (const char* text : c.said) EXPECT_TRUE(error.contains(text)) << error.toStdString();
  EXPECT_FALSE(sim.session->usb.CardReady());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsbOpenTest,
    ::testing::Values(
        UsbOpenCase{"NoCardAtAll",
                    [](sim::SimUsbDriver& usb) { usb.RemoveCard(0); },
                    0,
                    {"no USB SPI card found", "Ezusb-0", "cable", "talvix-cli udev-rules"}},
        UsbOpenCase{
            "CardsAtOtherIndexes",
            [](sim::SimUsbDriver& usb) {
              usb.PlaceCard(2, {.product_id = sim::kPlaceholderQuarnProductId});
            },
            1,
            {"no USB SPI card at Ezusb-1", "found Ezusb-0 (Pellow), Ezusb-2 (Quarn)", "usb:0"}},
        UsbOpenCase{"CardDoesNotAnswer",
                    [](sim::SimUsbDriver& usb) { usb.FailNextBulkRead(0); },
                    0,
                    {"Ezusb-0 (Pellow) was found but did not answer", "unplug and replug"}}),
    [](const ::testing::TestParamInfo<UsbOpenCase>& info) { return info.param.name; });

}  // namespace
}  // namespace talvix::cli
