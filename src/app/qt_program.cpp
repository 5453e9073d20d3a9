// SPDX-License-Identifier: MIT
#include "app/qt_program.h"

#include "about/ui/frmAbout.h"
#include "app/frmForm1.h"
#include "app/qt_platform.h"
#include "platform/clock.h"
#include "platform/libusb_driver.h"
#include "platform/ppdev_port.h"
#include "platform/usb_card_ids.h"
#include "sim/frame_trace.h"
#include "sim/vibration_option.h"
#include "simbench/simulated_bench.h"
#include "startup/config_file.h"
#include "startup/start_up.h"

#include <QApplication>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace talvix::app {

namespace {

// Beside the configuration file: the simulated sensor's flash, kept from run to run.
constexpr char kSimFlashFileName[] = "TalvixSimFlash.bin";
constexpr char kSimTitleSuffix[] = " (simulated sensor)";

// With --sim-shocks: a knock on the simulated sensor every 10 s, a 20 ms half-sine of 4 g on X
// and 1.5 g on Y, for trying event capture by hand.
constexpr int kSimShockIntervalMs = 10000;
constexpr double kSimShockLeadSeconds = 0.5;  // the knock comes this long after it is planned
constexpr sim::Shock kSimShock{0.0, 4.0, 1.5, 0.02};

struct Options {
  bool simulate = false;
  bool shocks = false;
  std::vector<sim::AddedVibration> vibrations;  // --sim-vibration, each one given
  QString trace_path;
  std::optional<QString> usb_ids;  // --usb-ids
  double sim_usb_latency_ms = 0;   // --sim-usb-latency
};

// Milliseconds from 0 to simbench::kMaxSimUsbLatencyMs, as digits with an optional point.
std::optional<double> ParseLatencyMs(const QString& text) {
  static const QRegularExpression kDecimal(QStringLiteral("^([0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
  if (!kDecimal.match(text).hasMatch()) return std::nullopt;
  const double ms = text.toDouble();
  if (ms > simbench::kMaxSimUsbLatencyMs) return std::nullopt;
  return ms;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    if (arg == QLatin1String("--simulate")) {
      options.simulate = true;
    } else if (arg == QLatin1String("--sim-trace") && i + 1 < argc) {
      options.trace_path = QString::fromLocal8Bit(argv[++i]);
    } else if (arg == QLatin1String("--sim-shocks")) {
      options.shocks = true;
    } else if (arg == QLatin1String("--sim-vibration") && i + 1 < argc) {
      QString error;
      const std::optional<sim::AddedVibration> vibration =
          sim::ParseVibrationOption(QString::fromLocal8Bit(argv[++i]), error);
      if (!vibration) {
        std::fprintf(stderr, "talvix: %s\n", qPrintable(error));
        return false;
      }
      options.vibrations.push_back(*vibration);
    } else if (arg == QLatin1String("--sim-usb-latency") && i + 1 < argc) {
      const std::optional<double> ms = ParseLatencyMs(QString::fromLocal8Bit(argv[++i]));
      if (!ms) {
        std::fprintf(stderr,
                     "talvix: bad --sim-usb-latency \"%s\": give milliseconds from 0 to 1000\n",
                     argv[i]);
        return false;
      }
      options.sim_usb_latency_ms = *ms;
    } else if (arg == QLatin1String(platform::kUsbIdsOption) && i + 1 < argc) {
      options.usb_ids = QString::fromLocal8Bit(argv[++i]);
    } else {
      std::fprintf(stderr,
                   "usage: talvix [--simulate] [--sim-trace FILE] [--sim-shocks]\n"
                   "              [--sim-vibration HZ:G[:AXIS]] [--sim-usb-latency MS]\n"
                   "              [--usb-ids VVVV:PPPP,QQQQ]\n"
                   "  --simulate        run on the built-in simulated sensor\n"
                   "  --sim-trace FILE  with --simulate, write every SPI frame to FILE\n"
                   "  --sim-shocks      with --simulate, knock the sensor every 10 s (4 g on X,\n"
                   "                    1.5 g on Y, 20 ms), to try event capture\n"
                   "%s"
                   "  --sim-usb-latency MS\n"
                   "                    with --simulate, every transfer of the simulated USB SPI\n"
                   "                    card costs MS milliseconds (0 to 1000), as on a real\n"
                   "                    card (a full-speed card's is about 1)\n"
                   "  --usb-ids VVVV:PPPP,QQQQ\n"
                   "                    the USB SPI cards' vendor id and the product ids of the\n"
                   "                    Pellow and Quarn cards (hexadecimal), over TALVIX_USB_IDS\n"
                   "                    and usb-cards.conf\n",
                   qPrintable(sim::VibrationOptionHelp()));
      return false;
    }
  }
  if ((!options.trace_path.isEmpty() || options.shocks || !options.vibrations.empty() ||
       options.sim_usb_latency_ms > 0) &&
      !options.simulate) {
    std::fprintf(stderr,
                 "talvix: --sim-trace, --sim-shocks, --sim-vibration and --sim-usb-latency need "
                 "--simulate\n");
    return false;
  }
  // Refused before any window opens: a named pipe there would block the start for good.
  if (!options.trace_path.isEmpty()) {
    const QString problem = sim::FrameTrace::TargetProblem(options.trace_path);
    if (!problem.isEmpty()) {
      std::fprintf(stderr, "talvix: %s\n", qPrintable(problem));
      return false;
    }
  }
  return true;
}

bool HaveDisplay() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// SIGTERM, SIGINT and SIGHUP reach the window system's loop through a socket pair, so the exit
// path runs on the user-interface thread like any other way of closing the main window. A signal
// handler can reach only static storage, hence this one file-level variable.
int g_signal_fds[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  // Non-blocking: a burst of signals that fills the socket must not stop the program here.
  [[maybe_unused]] const ssize_t written = ::write(g_signal_fds[1], &byte, 1);
}

// Catches the signals from the first moment of the run: a signal that comes before the main
// window exists waits in the socket and runs the window's exit path as soon as events are
// handled. Without a socket pair the signals keep their default action.
void CatchSignals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signal_fds) != 0) return;
  ::fcntl(g_signal_fds[1], F_SETFL, O_NONBLOCK);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal_number, &action, nullptr);
}

void RouteSignalsTo(frmForm1& window) {
  if (g_signal_fds[0] < 0) return;
  auto* notifier = new QSocketNotifier(g_signal_fds[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
    char byte = 0;
    [[maybe_unused]] const ssize_t got = ::read(g_signal_fds[0], &byte, 1);
    window.ExitOnSignal();
  });
}

}  // namespace

int RunProgram(int argc, char** argv, const ShownHook& once_shown) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  if (!HaveDisplay()) {
    std::fprintf(stderr,
                 "talvix: no display found. Run it from a desktop session, or under a virtual "
                 "display:\n  xvfb-run -a talvix --simulate\n");
    return 1;
  }

  CatchSignals();
  QApplication app(argc, argv);
  QApplication::setApplicationName(common::MessageTitle());
  QApplication::setWindowIcon(about::ProgramIcon());

  platform::SystemClock clock;
  MessageBoxNotifier notifier;
  QtEventPump events;
  std::unique_ptr<simbench::SimulatedBench> bench;
  std::unique_ptr<platform::UsbDriver> usb;
  std::unique_ptr<Session> owned_session;
  const QString config_path = QString::fromLatin1(startup::kConfigFileName);
  auto end_program = [](int exit_status) {
    std::fflush(nullptr);
    // At once, whatever loop is running: no further handlers run.
    std::_Exit(exit_status);
  };

  if (options.simulate) {
    bench = std::make_unique<simbench::SimulatedBench>(
        clock, simbench::SimulatedBenchOptions{.seed = static_cast<uint32_t>(::getpid()),
                                               .usb_latency_ms = options.sim_usb_latency_ms,
                                               .end_program = end_program});
    QString error;
    if (!bench->sensor.SetFlashFile(QString::fromLatin1(kSimFlashFileName), &error) &&
        !error.isEmpty()) {
      std::fprintf(stderr, "talvix: %s\n", qPrintable(error));
    }
    if (!options.trace_path.isEmpty() &&
        !bench->sensor.trace().WriteTo(options.trace_path, error)) {
      std::fprintf(stderr, "talvix: %s\n", qPrintable(error));
      return 2;  // as for a bad option: the trace file was named on the command line
    }
    owned_session = bench->MakeSession(notifier, events);
    for (const sim::AddedVibration& vibration : options.vibrations) {
      bench->sensor.AddVibration(vibration);
    }
    if (options.shocks) {
      auto* knocks = new QTimer(&app);
      QObject::connect(knocks, &QTimer::timeout, [&bench, &clock] {
        sim::Shock shock = kSimShock;
        shock.at_seconds = clock.MonotonicSeconds() + kSimShockLeadSeconds;
        bench->sensor.ClearShocks();  // only the next knock is kept
        bench->sensor.AddShock(shock);
      });
      knocks->start(kSimShockIntervalMs);
    }
  } else {
    platform::UsbCardIdsSetting card_ids = platform::LoadUsbCardIds(options.usb_ids);
    // Only a refused setting is worth a word here; ids that are simply not set are explained
    // when the user asks for a card.
    if (!card_ids.problem.isEmpty()) {
      std::fprintf(stderr, "talvix: the USB card ids were refused: %s\n",
                   qPrintable(card_ids.problem));
    }
    usb = std::make_unique<platform::LibUsbDriver>(
        card_ids.ids ? std::optional<uint16_t>(card_ids.ids->vendor_id) : std::nullopt);
    owned_session = std::make_unique<Session>(Platform{.clock = clock,
                                                       .notifier = notifier,
                                                       .events = events,
                                                       .usb = *usb,
                                                       .open_port = platform::PpdevPort::Open,
                                                       .end_program = end_program,
                                                       .usb_card_ids = std::move(card_ids)});
  }
  Session& session = *owned_session;

  // The window exists before the start-up steps so that a signal during them (say, while a
  // message about the configuration file is open) runs its exit path.
  frmForm1 window(session, config_path,
                  options.simulate ? QString::fromLatin1(kSimTitleSuffix) : QString());
  RouteSignalsTo(window);
  startup::StartUp(session, config_path);
  // A user of the simulator sees live values at once: with no interface configured it starts on
  // the simulated USB card. The configuration keeps what the user chose.
  if (options.simulate && session.link.InterfaceType == link::kInterfaceNone) {
    session.link.InterfaceType = link::kInterfaceUsb;
  }
  // The window appears set up: its title, its boxes and the first reading are in place first.
  window.Form_Load();
  window.show();
  if (once_shown) {
    QTimer::singleShot(0, &window, [&] { once_shown(session, window); });
  }
  return QApplication::exec();
}

}  // namespace talvix::app
