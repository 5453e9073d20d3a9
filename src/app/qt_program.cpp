#include "app/qt_program.h"

#include "app/frmForm1.h"
#include "platform/clock.h"
#include "platform/libusb_driver.h"
#include "platform/ppdev_port.h"
#include "sim/sim_rig.h"
#include "startup/config_file.h"
#include "app/qt_platform.h"
#include "startup/start_up.h"

#include <QApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace talvix::app {

namespace {

// Beside the configuration file: the simulated sensor's flash, kept from run to run.
constexpr char kSimFlashFileName[] = "TalvixSimFlash.bin";
constexpr char kSimTitleSuffix[] = " (simulated sensor)";

struct Options {
  bool simulate = false;
  QString trace_path;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    if (arg == QLatin1String("--simulate")) {
      options.simulate = true;
    } else if (arg == QLatin1String("--sim-trace") && i + 1 < argc) {
      options.trace_path = QString::fromLocal8Bit(argv[++i]);
    } else {
      std::fprintf(stderr,
                   "usage: talvix [--simulate] [--sim-trace FILE]\n"
                   "  --simulate        run on the built-in simulated sensor\n"
                   "  --sim-trace FILE  with --simulate, write every SPI frame to FILE\n");
      return false;
    }
  }
  if (!options.trace_path.isEmpty() && !options.simulate) {
    std::fprintf(stderr, "talvix: --sim-trace needs --simulate\n");
    return false;
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
  [[maybe_unused]] const ssize_t written = ::write(g_signal_fds[1], &byte, 1);
}

void RouteSignalsTo(frmForm1& window) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signal_fds) != 0) return;
  auto* notifier = new QSocketNotifier(g_signal_fds[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
    char byte = 0;
    [[maybe_unused]] const ssize_t got = ::read(g_signal_fds[0], &byte, 1);
    window.MnuExit_Click();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal_number, &action, nullptr);
}

}  // namespace

int RunProgram(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  if (!HaveDisplay()) {
    std::fprintf(stderr,
                 "talvix: no display found. Run it from a desktop session, or under a virtual "
                 "display:\n  xvfb-run -a talvix --simulate\n");
    return 1;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(startup::MessageTitle());

  platform::SystemClock clock;
  MessageBoxNotifier notifier;
  QtEventPump events;
  std::unique_ptr<sim::SimRig> rig;
  std::unique_ptr<platform::UsbDriver> usb;
  PortOpener open_port;
  const QString config_path = QString::fromLatin1(startup::kConfigFileName);

  if (options.simulate) {
    rig = std::make_unique<sim::SimRig>(clock, static_cast<uint32_t>(::getpid()));
    QString error;
    if (!rig->sensor.SetFlashFile(QString::fromLatin1(kSimFlashFileName), &error) &&
        !error.isEmpty()) {
      std::fprintf(stderr, "talvix: %s\n", qPrintable(error));
    }
    if (!options.trace_path.isEmpty() && !rig->sensor.trace().WriteTo(options.trace_path, error)) {
      std::fprintf(stderr, "talvix: %s\n", qPrintable(error));
      return 1;
    }
    open_port = rig->PortOpener();
  } else {
    usb = std::make_unique<platform::LibUsbDriver>();
    open_port = platform::PpdevPort::Open;
  }

  sim::SimRig* sim = rig.get();
  auto end_program = [sim] {
    if (sim) {
      QString ignored;
      sim->sensor.trace().Flush(ignored);
    }
    std::fflush(nullptr);
    // At once, whatever loop is running: no further handlers run.
    std::_Exit(0);
  };
  Session session(Platform{clock, notifier, events, sim ? sim->usb : *usb, std::move(open_port),
                           nullptr, end_program});

  QApplication::setOverrideCursor(Qt::WaitCursor);
  startup::StartUp(session, config_path);
  QApplication::restoreOverrideCursor();
  // A new user of the simulator sees live values at once: without a configuration file it starts
  // on the simulated USB card.
  if (options.simulate && !QFile::exists(config_path)) {
    session.link.InterfaceType = link::kInterfaceUsb;
  }

  frmForm1 window(session, config_path,
                           options.simulate ? QString::fromLatin1(kSimTitleSuffix) : QString());
  RouteSignalsTo(window);
  window.show();
  window.Form_Load();
  return QApplication::exec();
}

}  // namespace talvix::app
