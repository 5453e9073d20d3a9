// SPDX-License-Identifier: MIT
// talvix-cli log and capture on the real libusb path: the commands run under talvix-usb-emulator,
// which plugs a simulated USB SPI card (and its simulated sensor) into an emulated USB bus.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::usb_emulator {
namespace {

struct Outcome {
  int status = -1;
  QString out;
  QString err;
};

// Runs talvix-usb-emulator [emulator args] -- talvix-cli --interface usb:0 [cli args].
Outcome RunUnderEmulator(const QStringList& emulator_args, const QStringList& cli_args) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("UMOCKDEV_DIR"));  // the emulator makes its own bus
  process.setProcessEnvironment(env);
  process.start(
      QStringLiteral(TALVIX_USB_EMULATOR_PATH),
      emulator_args + QStringList{"--", TALVIX_CLI_PATH, "--interface", "usb:0"} + cli_args);
  Outcome outcome;
  if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
    outcome.err = QStringLiteral("did not finish: ") + process.errorString();
    return outcome;
  }
  outcome.status = process.exitCode();
  outcome.out = QString::fromLocal8Bit(process.readAllStandardOutput());
  outcome.err = QString::fromLocal8Bit(process.readAllStandardError());
  return outcome;
}

QStringList FileLines(const QString& path, const QString& end_of_line) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(file.readAll()).split(end_of_line, Qt::SkipEmptyParts);
}

TEST(CliBenchCommandsTest, LogsThroughTheRealLibusbPath) {
  QTemporaryDir dir;
  const QString path = dir.filePath("run.csv");
  const Outcome run = RunUnderEmulator({}, {"log", "--samples", "20", "--output", path});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  const QStringList lines = FileLines(path, "\n");
  ASSERT_EQ(lines.size(), 21);
  EXPECT_EQ(lines[0], "seconds,SUPPLY,XACCL,YACCL,TEMPERA,RSS_XY,X_PEAK,Y_PEAK,RSS_PEAK");
  for (const QString& row : lines.mid(1)) {
    const QStringList fields = row.split(',');
    ASSERT_EQ(fields.size(), 9) << row.toStdString();
    EXPECT_NEAR(fields[1].toDouble(), 3.3, 0.3) << row.toStdString();  // volts
  }
}

// The card is unplugged at bulk transfer 51: four go to its bring-up, two to each read of SUPPLY,
// so 23 samples were read before the one it struck, which gets no row.
TEST(CliBenchCommandsTest, AnUnpluggedCardEndsTheLogWithTheRowsBeforeIt) {
  QTemporaryDir dir;
  const QString path = dir.filePath("run.csv");
  const Outcome run =
      RunUnderEmulator({"--fault", "unplug@50"},
                       {"log", "--values", "SUPPLY", "--samples", "100", "--output", path});
  EXPECT_EQ(run.status, 1) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("stopped at sample 24, whose SUPPLY was not read: "))
      << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("LIBUSB_ERROR_NO_DEVICE")) << run.err.toStdString();
  const QStringList lines = FileLines(path, "\n");
  ASSERT_EQ(lines.size(), 24);
  for (const QString& row : lines.mid(1)) {
    EXPECT_NEAR(row.section(',', 1, 1).toDouble(), 3.3, 0.3) << row.toStdString();
  }
}

// The supply is always above 3 V: the capture triggers at once and fills with supply codes.
TEST(CliBenchCommandsTest, CapturesThroughTheRealLibusbPath) {
  QTemporaryDir dir;
  const Outcome run =
      RunUnderEmulator({}, {"capture", "--source1", "Power Supply", "--source2", "Temperature",
                            "--length", "16", "--pretrigger", "4", "--trigger", "1", "--level",
                            "3.0", "--above", "--timeout", "5", "--output", dir.path()});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  const QStringList paths = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(paths.size(), 2) << run.out.toStdString();
  for (const QString& path : paths) {
    EXPECT_TRUE(path.startsWith(dir.path() + "/CapDat_")) << path.toStdString();
    const QStringList lines = FileLines(path, "\r\n");
    ASSERT_EQ(lines.size(), 16) << path.toStdString();
    for (const QString& line : lines) {
      const QStringList fields = line.split(QRegularExpression("[,\t]"));
      ASSERT_EQ(fields.size(), 2) << line.toStdString();
      EXPECT_NE(fields[1].toInt(), 0) << line.toStdString() << ": every place was filled";
    }
  }
}

// The self-test on the real libusb path: every step passes; a card pulled out in the middle
// fails the step it struck (bulk transfer 21 is AUX_DAC's probe write: four go to the bring-up,
// two to the card's setup, eight to the product words, one to STATUS, two to AUX_DAC's read) and
// skips the rest.
TEST(CliBenchCommandsTest, SelfTestPassesAndAPulledCardFailsTheStepItStruck) {
  const Outcome clean = RunUnderEmulator({}, {"selftest"});
  EXPECT_EQ(clean.status, 0) << clean.out.toStdString() << clean.err.toStdString();
  EXPECT_TRUE(clean.out.endsWith("selftest passed: all 7 steps\n")) << clean.out.toStdString();

  const Outcome pulled = RunUnderEmulator({"--fault", "unplug@20"}, {"selftest"});
  EXPECT_EQ(pulled.status, 1);
  EXPECT_TRUE(pulled.out.contains(
      QRegularExpression("fail +write-read +AUX_DAC not written: .*LIBUSB_ERROR_NO_DEVICE")))
      << pulled.out.toStdString();
  EXPECT_TRUE(pulled.out.endsWith("selftest failed: 4 passed, 1 failed (write-read), 2 skipped\n"))
      << pulled.out.toStdString();
}

}  // namespace
}  // namespace talvix::usb_emulator
