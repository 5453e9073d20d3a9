// SPDX-License-Identifier: MIT
// The end-to-end cases of a bench, run over each interface: every readable register read, a
// register written and restored, a reading pass, an event capture and a datalog of 100 samples.
//
// Real hardware: TALVIX_TEST_LPT=378 (the port's base address in hexadecimal, or /dev/parport0)
// runs them on the parallel port, TALVIX_TEST_USB=0 on the USB SPI card Ezusb-0 (its ids as
// talvix-cli finds them: TALVIX_USB_IDS or usb-cards.conf). Without the variable the interface's
// cases report themselves skipped. The capture leaves its configuration (CAPT_CFG, the
// comparator 1 source and level, ALM_CTRL) in the sensor's registers, not in its flash.
//
// The simulated port and card and the emulated card (umockdev, through the real libusb path) run
// always; the process restarts itself under umockdev's preload library when it was not started
// with it.
#include "cli/capture_command.h"
#include "cli/cli_app.h"
#include "cli/log_command.h"
#include "cli/log_output.h"
#include "monitor/output_rows.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/libusb_driver.h"
#include "platform/notifier.h"
#include "platform/ppdev_port.h"
#include "platform/usb_card_ids.h"
#include "registers/register_index.h"
#include "session/session.h"
#include "sim/placeholder_usb_ids.h"
#include "simbench/simulated_bench.h"
#include "startup/link_failure.h"
#include "startup/port_access.h"
#include "usb_emulator/usb_card_emulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace talvix {
namespace {

enum class Interface { kParallelPort, kUsbCard, kSimulatedPort, kSimulatedCard, kEmulatedCard };

// The parallel port named by TALVIX_TEST_LPT: a hexadecimal base address, or /dev/parportN.
std::optional<uint16_t> TestPortAddress(QString& error) {
  const QString value = qEnvironmentVariable("TALVIX_TEST_LPT");
  if (value.startsWith(QLatin1String("/dev/parport"))) {
    QFile file(QStringLiteral("%1/%2/base-addr")
                   .arg(QLatin1String(platform::kParportProcRoot), value.mid(5)));
    bool ok = file.open(QIODevice::ReadOnly);
    const uint base = ok ? QString::fromLatin1(file.readAll()).section(u'\t', 0, 0).toUInt(&ok) : 0;
    if (!ok) error = QStringLiteral("%1: the kernel lists no base address for it").arg(value);
    return ok ? std::optional<uint16_t>(static_cast<uint16_t>(base)) : std::nullopt;
  }
  bool ok = false;
  const uint base = value.toUInt(&ok, 16);
  if (!ok || base == 0 || base > 0xFFFF) {
    error = QStringLiteral(
                "TALVIX_TEST_LPT=%1: give the base address in hexadecimal (378) or "
                "the device (/dev/parport0)")
                .arg(value);
    return std::nullopt;
  }
  return static_cast<uint16_t>(base);
}

// One interface with the sensor behind it, on the wall clock and the program's own delay.
class Bench {
 public:
  // Brings the interface up; false with the reason in `error`.
  bool Start(Interface kind, QString& error) {
    switch (kind) {
      case Interface::kSimulatedPort:
      case Interface::kSimulatedCard:
        sim_ = std::make_unique<simbench::SimulatedBench>(clock_);
        session_ = sim_->MakeSession(notifier_, events_);
        return kind == Interface::kSimulatedCard ? UpUsb(0, error) : UpParallel(0x378, error);
      case Interface::kEmulatedCard: {
        usb_emulator::EmulatedDevice card;
        card.setup.product_id = sim::kPlaceholderPellowProductId;
        emulator_ = usb_emulator::UsbCardEmulator::Start(cards_, {card}, error);
        if (!emulator_) return false;
        MakeRealSession(sim::PlaceholderUsbCardIdsSetting());
        return UpUsb(0, error);
      }
      case Interface::kUsbCard:
        MakeRealSession(platform::LoadUsbCardIds(std::nullopt));
        return UpUsb(qEnvironmentVariableIntValue("TALVIX_TEST_USB"), error);
      case Interface::kParallelPort: {
        const std::optional<uint16_t> address = TestPortAddress(error);
        if (!address) return false;
        MakeRealSession({});
        return UpParallel(*address, error);
      }
    }
    return false;
  }

  Session& session() { return *session_; }
  link::RegisterAccess& link() { return session_->link; }
  const platform::LibUsbDriver* libusb() const { return libusb_.get(); }
  // What the session said to the user, for a failure's account.
  QString Messages() const { return notifier_.texts.join(u'|'); }

 private:
  void MakeRealSession(platform::UsbCardIdsSetting card_ids) {
    libusb_ = std::make_unique<platform::LibUsbDriver>(
        card_ids.ids ? std::optional<uint16_t>(card_ids.ids->vendor_id) : std::nullopt);
    session_ = std::make_unique<Session>(Platform{.clock = clock_,
                                                  .notifier = notifier_,
                                                  .events = events_,
                                                  .usb = *libusb_,
                                                  .open_port = platform::PpdevPort::Open,
                                                  .usb_card_ids = std::move(card_ids)});
  }
  bool UpUsb(int device, QString& error) {
    return startup::ConnectUsbCard(*session_, device, libusb_.get(), error);
  }
  bool UpParallel(uint16_t address, QString& error) {
    session_->link.InterfaceType = link::kInterfaceParallel;
    session_->link.PortAddress = static_cast<int16_t>(address);
    session_->startup.OsName = startup::DetectOsName();
    if (startup::BringUpParallelPort(*session_)) return true;
    error = Messages();
    return false;
  }

  platform::SystemClock clock_;
  platform::RecordingNotifier notifier_;
  platform::CallbackEventPump events_;
  // The emulated card's sensor runs on the wall clock, as a real one does.
  sim::SimSensor sensor_{clock_, 7};
  sim::SimUsbDriver cards_{[this](uint16_t sent) { return sensor_.Transfer(sent); }};
  std::unique_ptr<simbench::SimulatedBench> sim_;
  std::unique_ptr<usb_emulator::UsbCardEmulator> emulator_;
  std::unique_ptr<platform::LibUsbDriver> libusb_;
  std::unique_ptr<Session> session_;
};

class BenchCaseTest : public ::testing::TestWithParam<Interface> {
 protected:
  void SetUp() override {
    const char* gate = GetParam() == Interface::kParallelPort ? "TALVIX_TEST_LPT"
                       : GetParam() == Interface::kUsbCard    ? "TALVIX_TEST_USB"
                                                              : nullptr;
    if (gate && qEnvironmentVariableIsEmpty(gate)) {
      GTEST_SKIP() << "real hardware: set " << gate << " to run these cases on it";
    }
    QString error;
    ASSERT_TRUE(bench_.Start(GetParam(), error)) << error.toStdString();
  }

  // Why the last register operation brought nothing, for a failure's account.
  std::string Cause() {
    return startup::NoValueCause(bench_.session(), bench_.libusb()).toStdString() + " " +
           bench_.Messages().toStdString();
  }

  Bench bench_;
  QTemporaryDir dir_;
};

TEST_P(BenchCaseTest, ReadsEveryReadableRegister) {
  const registers::RegisterTable& table = bench_.session().table;
  for (int16_t i = 0; i < registers::RegisterTable::kDefinedSlots; ++i) {
    if (!table.at(i).ReadFlag) continue;
    ASSERT_TRUE(link::ReadConfirmed(bench_.link(), i))
        << table.at(i).Label.toStdString() << ": " << Cause();
  }
}

// ALM_MAG1 takes every bit pattern: all sixteen lines carry both levels, then the word it held is
// back.
TEST_P(BenchCaseTest, WritesARegisterAndRestoresIt) {
  link::RegisterAccess& link = bench_.link();
  ASSERT_TRUE(link::ReadConfirmed(link, registers::kAlmMag1)) << Cause();
  const int32_t held = link.RawWord;
  for (const int32_t probe : {held ^ 0xA5A5, held ^ 0x5A5A}) {
    ASSERT_TRUE(link::Reached(link.WriteReg(registers::kAlmMag1, probe))) << Cause();
    ASSERT_TRUE(link::ReadConfirmed(link, registers::kAlmMag1)) << Cause();
    EXPECT_EQ(link.RawWord, probe & 0xFFFF);
  }
  ASSERT_TRUE(link::Reached(link.WriteReg(registers::kAlmMag1, held))) << Cause();
  ASSERT_TRUE(link::ReadConfirmed(link, registers::kAlmMag1)) << Cause();
  EXPECT_EQ(link.RawWord, held);
}

TEST_P(BenchCaseTest, ReadsTheOutputsInOnePass) {
  const monitor::OutputPass pass = monitor::ReadOutputRows(bench_.link());
  ASSERT_EQ(pass.result, monitor::PassResult::kRead)
      << monitor::PassProblemText(pass).toStdString();
  EXPECT_GE(pass.samples[1], 3.0f);  // the supply, in volts
  EXPECT_LE(pass.samples[1], 3.6f);
}

// Triggered by the supply (above 1 V), which any powered sensor gives at once.
TEST_P(BenchCaseTest, TakesAnEventCapture) {
  QString error;
  const std::optional<cli::CaptureOptions> options =
      cli::ParseCaptureOptions({"--source1", "Power_Supply", "--source2", "X_Acceleration",
                                "--length", "64", "--pretrigger", "8", "--trigger", "1", "--level",
                                "1", "--above", "--timeout", "20", "--output", dir_.path()},
                               bench_.session().table, error);
  ASSERT_TRUE(options) << error.toStdString();
  QString paths;
  QTextStream out(&paths);
  ASSERT_EQ(cli::RunCapture(
                *options, bench_.session(), bench_.libusb(), out, [] { return false; }, error),
            cli::kExitOk)
      << error.toStdString();
  for (const QString& name : QDir(dir_.path()).entryList(QDir::Files)) {
    QFile file(dir_.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count('\n'), 64) << name.toStdString();
  }
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 2);
}

TEST_P(BenchCaseTest, LogsOneHundredSamples) {
  QString error;
  const QString path = dir_.filePath("log.csv");
  const std::optional<cli::LogOptions> options =
      cli::ParseLogOptions({"--samples", "100", "--output", path}, bench_.session().table, error);
  ASSERT_TRUE(options) << error.toStdString();
  QString ignored;
  QTextStream out(&ignored);
  cli::LogOutput output(options->output, out);
  ASSERT_TRUE(output.Open(error)) << error.toStdString();
  ASSERT_EQ(cli::RunLog(*options, bench_.session(), bench_.libusb(), output, {}, error),
            cli::kExitOk)
      << error.toStdString();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().count('\n'), 101);  // the header and 100 rows
}

std::string InterfaceName(const ::testing::TestParamInfo<Interface>& info) {
  switch (info.param) {
    case Interface::kParallelPort:
      return "ParallelPort";
    case Interface::kUsbCard:
      return "UsbCard";
    case Interface::kSimulatedPort:
      return "SimulatedPort";
    case Interface::kSimulatedCard:
      return "SimulatedCard";
    case Interface::kEmulatedCard:
      return "EmulatedCard";
  }
  return "Unknown";
}

// The real interfaces first: the emulated card's bus must not be in place while they run.
INSTANTIATE_TEST_SUITE_P(Interfaces, BenchCaseTest,
                         ::testing::Values(Interface::kParallelPort, Interface::kUsbCard,
                                           Interface::kSimulatedPort, Interface::kSimulatedCard,
                                           Interface::kEmulatedCard),
                         InterfaceName);

}  // namespace
}  // namespace talvix

int main(int argc, char** argv) {
  // The emulated card needs umockdev's preload library from exec() on.
  if (!talvix::usb_emulator::UsbCardEmulator::PreloadActive()) {
    ::setenv("LD_PRELOAD", talvix::usb_emulator::kPreloadLibrary, 1);
    // In a sanitized build the runtime must accept the preloaded library ahead of it (as the
    // test presets say; the test discovery at build time runs without them).
    const char* sanitizer_options = std::getenv("ASAN_OPTIONS");
    const std::string options = std::string(sanitizer_options != nullptr ? sanitizer_options : "") +
                                ":verify_asan_link_order=0";
    ::setenv("ASAN_OPTIONS", options.c_str(), 1);
    ::execv("/proc/self/exe", argv);  // returns only when it failed: the emulated cases say why
  }
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
