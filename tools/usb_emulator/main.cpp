// SPDX-License-Identifier: MIT
// talvix-usb-emulator: runs a command with simulated USB SPI cards on an emulated USB bus, so
// that the program's real libusb path (talvix-cli --interface usb:N, talvix without --simulate)
// can be tried without a card. The cards carry the project's placeholder ids, which the command
// is given in TALVIX_USB_IDS, so it finds them with no card ids configured. The cards, and the
// simulated sensor on chip-select channel 1 of each, live in this process; the command runs as its
// child and reaches them through umockdev.
//
//   talvix-usb-emulator [-v] [--cards LIST] [--fault KIND@N] [--sim-usb-latency MS]
//                       -- COMMAND [ARGS]...
//
// LIST is described in card_list.h ("pellow,quarn:64,foreign"); the default is one Pellow at
// "Ezusb-0". --fault (fault_plan.h) makes a card fail after N bulk transfers, so that the
// program's handling of an unplugged, hung or stalled card can be tried. --sim-usb-latency makes
// every command packet cost MS milliseconds before the card answers it (sim::SimUsbDriver::Timing),
// as a full-speed card's bus scheduling does; the wait holds the emulator's request thread, which
// is where the program's transfer waits for its answer anyway. The exit status is
// COMMAND's (128 + the signal number when a signal ended it, 127 when it cannot be found, 126 when
// it cannot be run), or 2 for a bad command line and 1 when the emulated bus cannot be set up.
#include "platform/clock.h"
#include "platform/usb_card_ids.h"
#include "sim/placeholder_usb_ids.h"
#include "sim/sim_sensor.h"
#include "sim/sim_usb_driver.h"
#include "usb_emulator/card_list.h"
#include "usb_emulator/fault_plan.h"
#include "usb_emulator/usb_card_emulator.h"

#include <QString>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace emu = talvix::usb_emulator;

constexpr int kExitSetupFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCannotRun = 126;
constexpr int kExitNotFound = 127;
constexpr int kExitSignalBase = 128;
constexpr double kMaxLatencyMs = 1000.0;
// Set while re-executing with the preload library, so that a preload that does not take cannot
// make the program re-execute itself for ever.
constexpr char kReexecMarker[] = "TALVIX_USB_EMULATOR_REEXEC";

constexpr char kUsage[] =
    "usage: talvix-usb-emulator [-v] [--cards LIST] [--fault KIND@N] [--sim-usb-latency MS]\n"
    "                           -- COMMAND [ARGS]...\n"
    "Runs COMMAND with simulated USB SPI cards plugged in; each card's chip-select channel 1\n"
    "is wired to a simulated sensor. Exits with COMMAND's status.\n"
    "  --cards LIST  the devices, in the order the program numbers them Ezusb-0, -1, ...:\n"
    "                KIND[:PACKET],... or none; KIND is pellow, quarn, foreign (the cards'\n"
    "                vendor id, an unknown product) or other (another vendor's device,\n"
    "                not numbered); PACKET is the bulk packet size, 512 (high speed, default)\n"
    "                or 64, 32, 16, 8 (full speed). Default: pellow\n"
    "                The cards carry placeholder ids (fffe:0001 Pellow, fffe:0002 Quarn),\n"
    "                given to COMMAND in TALVIX_USB_IDS.\n"
    "  --fault KIND@N\n"
    "                after N bulk transfers (N decimal, counted over all cards), the card\n"
    "                that the next one goes to fails: KIND unplug takes it off the bus, hang\n"
    "                makes it stop answering (the program's transfer times out), stall\n"
    "                halts the endpoint (until the program clears it)\n"
    "  --sim-usb-latency MS\n"
    "                every command packet costs MS milliseconds (0 to 1000) before the card\n"
    "                answers it, as on a real full-speed card (about 1). Default: 0\n"
    "  -v            list the devices on standard error\n"
    "examples: talvix-usb-emulator --cards pellow,quarn:64 -- talvix-cli --interface usb:1 "
    "read SUPPLY\n"
    "          talvix-usb-emulator --fault unplug@50 -- talvix-cli --interface usb:0 read "
    "SUPPLY SUPPLY ...\n";

struct Options {
  QString cards = QString::fromLatin1(emu::kDefaultCardList);
  bool verbose = false;
  std::optional<emu::FaultPlan> fault;
  double latency_ms = 0;       // --sim-usb-latency
  std::vector<char*> command;  // null-terminated
};

std::optional<Options> ParseArgs(int argc, char** argv, QString& error) {
  Options options;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg == "--cards" && i + 1 < argc) {
      options.cards = QString::fromLocal8Bit(argv[++i]);
    } else if (arg.rfind("--cards=", 0) == 0) {
      options.cards = QString::fromLocal8Bit(argv[i] + std::strlen("--cards="));
    } else if (arg == "--fault" || arg.rfind("--fault=", 0) == 0) {
      if (options.fault) {
        error = QStringLiteral("--fault given twice");
        return std::nullopt;
      }
      if (arg == "--fault" && i + 1 >= argc) {
        error = QStringLiteral("--fault needs KIND@N");
        return std::nullopt;
      }
      const char* value = arg == "--fault" ? argv[++i] : argv[i] + std::strlen("--fault=");
      QString why;
      options.fault = emu::ParseFaultPlan(QString::fromLocal8Bit(value), why);
      if (!options.fault) {
        error = QStringLiteral("--fault: %1").arg(why);
        return std::nullopt;
      }
    } else if (arg == "--sim-usb-latency") {
      bool ok = i + 1 < argc;
      const QString value = ok ? QString::fromLocal8Bit(argv[++i]) : QString();
      options.latency_ms = value.toDouble(&ok);
      if (!ok || !(options.latency_ms >= 0.0) || options.latency_ms > kMaxLatencyMs) {
        error = QStringLiteral("--sim-usb-latency needs milliseconds from 0 to 1000");
        return std::nullopt;
      }
    } else if (arg == "-v" || arg == "--verbose") {
      options.verbose = true;
    } else if (arg == "-h" || arg == "--help") {
      return std::nullopt;
    } else if (!arg.empty() && arg[0] == '-') {
      error = QStringLiteral("unknown option %1").arg(QString::fromLocal8Bit(argv[i]));
      return std::nullopt;
    } else {
      break;  // the command, without "--"
    }
  }
  if (i >= argc) {
    error = QStringLiteral("no command to run");
    return std::nullopt;
  }
  options.command.assign(argv + i, argv + argc);
  options.command.push_back(nullptr);
  return options;
}

// The preload must be in the process from exec() on: start this program again with it.
// Returns only when that is not possible.
void ReexecWithPreload(char** argv) {
  if (std::getenv(kReexecMarker) != nullptr) {
    std::fprintf(stderr,
                 "talvix-usb-emulator: %s did not load; is the package umockdev installed?\n",
                 emu::kPreloadLibrary);
    return;
  }
  const char* old = std::getenv("LD_PRELOAD");
  std::string preload = emu::kPreloadLibrary;
  if (old != nullptr && *old != '\0') preload += std::string(":") + old;
  setenv("LD_PRELOAD", preload.c_str(), 1);
  setenv(kReexecMarker, "1", 1);
  execv("/proc/self/exe", argv);
  std::fprintf(stderr, "talvix-usb-emulator: cannot start again with %s: %s\n",
               emu::kPreloadLibrary, std::strerror(errno));
}

volatile sig_atomic_t g_child = 0;

void ForwardSignal(int signal_number) {
  if (g_child > 0) kill(static_cast<pid_t>(g_child), signal_number);
}

void ListDevices(const std::vector<emu::EmulatedDevice>& devices,
                 const emu::UsbCardEmulator& emulator) {
  int card = 0;
  for (int k = 0; k < emulator.DeviceCount(); ++k) {
    const talvix::sim::SimUsbCardSetup& setup = devices[k].setup;
    const bool ours = setup.vendor_id == talvix::sim::kPlaceholderVendorId;
    const std::string name = ours ? "Ezusb-" + std::to_string(card++) : "(not numbered)";
    std::fprintf(stderr, "talvix-usb-emulator: %s %04x:%04x, %u-byte packets, on %s\n",
                 name.c_str(), setup.vendor_id, setup.product_id, setup.max_packet,
                 emulator.DevNode(k).toLocal8Bit().constData());
  }
}

// Runs the command and waits for it, passing on termination requests; Ctrl-C reaches it from
// the terminal directly. Returns the exit status to end with.
int RunChild(std::vector<char*>& command) {
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (const int s : {SIGINT, SIGQUIT, SIGTERM, SIGHUP}) sigaddset(&defaults, s);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  struct sigaction forward {};
  forward.sa_handler = ForwardSignal;
  sigemptyset(&forward.sa_mask);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);

  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, command[0], nullptr, &attributes, command.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) {
    std::fprintf(stderr, "talvix-usb-emulator: cannot run %s: %s\n", command[0], std::strerror(rc));
    return rc == ENOENT ? kExitNotFound : kExitCannotRun;
  }
  g_child = pid;
  sigaction(SIGTERM, &forward, nullptr);
  sigaction(SIGHUP, &forward, nullptr);
  sigaction(SIGINT, &ignore, nullptr);
  sigaction(SIGQUIT, &ignore, nullptr);

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      std::fprintf(stderr, "talvix-usb-emulator: lost %s: %s\n", command[0], std::strerror(errno));
      return kExitCannotRun;
    }
  }
  g_child = 0;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return kExitSignalBase + WTERMSIG(status);
  return kExitCannotRun;
}

}  // namespace

int main(int argc, char** argv) {
  QString error;
  std::optional<Options> options = ParseArgs(argc, argv, error);
  if (!options) {
    if (!error.isEmpty()) {
      std::fprintf(stderr, "talvix-usb-emulator: %s\n", error.toLocal8Bit().constData());
    }
    std::fputs(kUsage, error.isEmpty() ? stdout : stderr);
    return error.isEmpty() ? 0 : kExitUsage;
  }
  std::optional<std::vector<emu::EmulatedDevice>> devices =
      emu::ParseCardList(options->cards, error);
  if (!devices) {
    std::fprintf(stderr, "talvix-usb-emulator: --cards: %s\n", error.toLocal8Bit().constData());
    return kExitUsage;
  }

  if (!emu::UsbCardEmulator::PreloadActive()) {
    ReexecWithPreload(argv);
    return kExitSetupFailed;
  }
  unsetenv(kReexecMarker);

  // The sensor moves with the wall clock, and differently from run to run, as a real one does.
  talvix::platform::SystemClock clock;
  talvix::sim::SimSensor sensor(clock, static_cast<uint32_t>(clock.MonotonicSeconds() * 1000.0));
  talvix::sim::SimUsbDriver cards([&sensor](uint16_t sent) { return sensor.Transfer(sent); });
  if (options->latency_ms > 0) {
    cards.SetTiming({.transfer_seconds = options->latency_ms / 1000.0,
                     .spend = [&clock](double s) { talvix::platform::WaitFor(clock, s); }});
  }
  const std::unique_ptr<emu::UsbCardEmulator> emulator =
      emu::UsbCardEmulator::Start(cards, *devices, error);
  if (!emulator) {
    std::fprintf(stderr, "talvix-usb-emulator: %s\n", error.toLocal8Bit().constData());
    return kExitSetupFailed;
  }
  if (options->verbose) ListDevices(*devices, *emulator);
  // Set here, after the preload's re-execution, so that only the command sees it.
  setenv(
      talvix::platform::kUsbIdsEnvironmentVariable,
      talvix::platform::UsbIdsValueText(talvix::sim::kPlaceholderUsbCardIds).toLatin1().constData(),
      1);
  if (options->fault) {
    emulator->PlanFault(*options->fault, [](const QString& what) {
      std::fprintf(stderr, "talvix-usb-emulator: %s\n", what.toLocal8Bit().constData());
    });
  }
  return RunChild(options->command);
}
