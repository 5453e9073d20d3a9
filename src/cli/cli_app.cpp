#include "cli/cli_app.h"

#include "cli/cli_options.h"
#include "common/number_text.h"
#include "common/hex_text.h"
#include "platform/libusb_driver.h"
#include "platform/ppdev_port.h"
#include "sim/sim_rig.h"
#include "startup/port_access.h"
#include "session/session.h"

#include <QRegularExpression>

#include <memory>

namespace talvix::cli {

namespace {

// Everything one run needs: the platform, the simulated sensor when there is one, the session.
struct Rig {
  platform::SystemClock clock;
  platform::RecordingNotifier notifier;
  platform::CallbackEventPump events;
  std::unique_ptr<sim::SimRig> sim;
  std::unique_ptr<platform::LibUsbDriver> libusb;
  std::unique_ptr<Session> session;
};

// Builds the session on the chosen interface; false with the reason in `error`.
bool Connect(const CliOptions& options, Rig& rig, QString& error) {
  PortOpener open_port;
  std::unique_ptr<link::Delay> delay;
  platform::UsbDriver* usb = nullptr;
  if (IsSimulated(options.interface)) {
    // A different seed each run: the simulated sensor moves between runs as a real one would.
    const auto seed = static_cast<uint32_t>(rig.clock.MonotonicSeconds() * 1000.0);
    rig.sim = std::make_unique<sim::SimRig>(rig.clock, seed);
    open_port = rig.sim->PortOpener();
    usb = &rig.sim->usb;
    // The simulated sensor needs no pacing; skip the seconds of delay calibration.
    delay = std::make_unique<link::RecordingDelay>(rig.clock);
    if (!options.trace_path.isEmpty() &&
        !rig.sim->sensor.trace().WriteTo(options.trace_path, error)) {
      return false;
    }
  } else {
    open_port = platform::PpdevPort::Open;
    rig.libusb = std::make_unique<platform::LibUsbDriver>();
    usb = rig.libusb.get();
  }
  rig.session = std::make_unique<Session>(Platform{rig.clock, rig.notifier, rig.events, *usb,
                                                   std::move(open_port), std::move(delay)});
  link::RegisterAccess& link = rig.session->link;
  switch (options.interface) {
    case InterfaceChoice::kSimParallel:
    case InterfaceChoice::kParallel:
      link.InterfaceType = link::kInterfaceParallel;
      link.PortAddress = static_cast<int16_t>(options.port_address);
      rig.session->startup.OsName = startup::DetectOsName();
      return startup::BringUpParallelPort(*rig.session);  // says why when it cannot
    case InterfaceChoice::kSimUsb:
    case InterfaceChoice::kUsb:
      link.InterfaceType = link::kInterfaceUsb;
    {
      const int device = options.interface == InterfaceChoice::kUsb ? options.usb_device : 0;
      if (startup::BringUpUsbCard(*rig.session, device)) return true;
      error = QStringLiteral("no ready USB SPI card at Ezusb-%1").arg(device);
      if (rig.libusb && !rig.libusb->LastError().isEmpty()) {
        error += QStringLiteral(" (%1)").arg(rig.libusb->LastError());
      }
      return false;
    }
  }
  return false;
}

struct Target {
  int16_t index;
  int32_t value;
};

bool ParseHexValue(const QString& text, int32_t& value) {
  static const QRegularExpression kHex(QStringLiteral("^(0[xX])?[0-9A-Fa-f]{1,4}$"));
  if (!kHex.match(text).hasMatch()) return false;
  value = common::HexToLong(text);
  return true;
}

// Checks every operand before anything is sent.
bool ResolveTargets(const CliOptions& options, const registers::RegisterTable& table,
                    std::vector<Target>& targets, QString& error) {
  if (options.command == QLatin1String("dump")) {
    for (int16_t i = 0; i < registers::RegisterTable::kDefinedSlots; ++i) {
      if (table.at(i).ReadFlag) targets.push_back({i, 0});
    }
    return true;
  }
  const bool writing = options.command == QLatin1String("write");
  const QStringList labels = writing ? options.operands.mid(0, 1) : options.operands;
  for (const QString& label : labels) {
    const std::optional<int16_t> index = table.FindLabel(label);
    if (!index) {
      error = QStringLiteral("unknown register \"%1\"").arg(label);
      return false;
    }
    const registers::RegisterEntry& entry = table.at(*index);
    if (writing ? !entry.WriteFlag : !entry.ReadFlag) {
      error = QStringLiteral("register %1 may not be %2")
                  .arg(entry.Label.trimmed(), writing ? QStringLiteral("written")
                                                      : QStringLiteral("read"));
      return false;
    }
    targets.push_back({*index, 0});
  }
  if (writing && !ParseHexValue(options.operands[1], targets.front().value)) {
    error = QStringLiteral("bad value \"%1\": give up to four hexadecimal digits")
                .arg(options.operands[1]);
    return false;
  }
  return true;
}

void RunCommand(const CliOptions& options, const std::vector<Target>& targets, Session& session,
                QTextStream& out) {
  link::RegisterAccess& link = session.link;
  if (options.command == QLatin1String("write")) {
    link.WriteReg(targets.front().index, targets.front().value);
    return;
  }
  for (const Target& t : targets) {
    const registers::RegisterEntry& entry = session.table.at(t.index);
    link.ReadReg(t.index);
    if (options.command == QLatin1String("dump")) {
      out << entry.Label << '\t' << common::Hex4(entry.BaseAddr).right(2) << '\t'
          << common::Hex4(link.RawWord) << '\n';
    } else {
      out << entry.Label << '\t' << common::Hex4(link.RawWord) << '\t' << link.RegRaw << '\t'
          << common::SingleText(link.RegValue) << '\n';
    }
  }
}

}  // namespace

int RunCli(const QStringList& args, QTextStream& out, QTextStream& err) {
  QString error;
  const std::optional<CliOptions> options = ParseCliOptions(args, error);
  if (!options) {
    err << "talvix-cli: " << error << '\n' << UsageText();
    return kExitUsage;
  }
  registers::RegisterTable table;
  table.BuildRegisterTable();
  std::vector<Target> targets;
  if (!ResolveTargets(*options, table, targets, error)) {
    err << "talvix-cli: " << error << '\n';
    return kExitUsage;
  }

  Rig rig;
  const bool connected = Connect(*options, rig, error);
  for (const QString& message : rig.notifier.texts) err << "talvix-cli: " << message << '\n';
  rig.notifier.texts.clear();
  if (!connected) {
    if (!error.isEmpty()) err << "talvix-cli: " << error << '\n';
    return kExitDeviceError;
  }

  RunCommand(*options, targets, *rig.session, out);
  int status = kExitOk;
  for (const QString& message : rig.notifier.texts) {
    err << "talvix-cli: " << message << '\n';
    status = kExitDeviceError;
  }
  if (rig.sim && !rig.sim->sensor.trace().Flush(error)) {
    err << "talvix-cli: " << error << '\n';
    status = kExitDeviceError;
  }
  return status;
}

}  // namespace talvix::cli
