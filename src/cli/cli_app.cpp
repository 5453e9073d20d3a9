// SPDX-License-Identifier: MIT
#include "cli/cli_app.h"

#include "cli/analyse_command.h"
#include "cli/capture_command.h"
#include "cli/cli_options.h"
#include "cli/log_command.h"
#include "cli/log_output.h"
#include "cli/selftest_command.h"
#include "cli/settings_command.h"
#include "cli/stop_signals.h"
#include "cli/udev_rules.h"
#include "common/hex_text.h"
#include "common/number_text.h"
#include "link/batched_readout.h"
#include "platform/libusb_driver.h"
#include "platform/ppdev_port.h"
#include "platform/usb_card_ids.h"
#include "session/session.h"
#include "simbench/sim_knocks.h"
#include "simbench/simulated_bench.h"
#include "startup/link_failure.h"
#include "startup/port_access.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace talvix::cli {

namespace {

// Everything one run needs: the platform, the simulated sensor when there is one, the session.
struct Rig {
  platform::SystemClock clock;
  platform::RecordingNotifier notifier;
  platform::CallbackEventPump events;
  std::unique_ptr<simbench::SimulatedBench> sim;
  std::unique_ptr<platform::LibUsbDriver> libusb;
  std::unique_ptr<Session> session;
};

// The commands whose timing is part of their result (the seconds of a log, its delay; the
// capture's waits, during which the simulated sensor samples on the clock) wait on the simulated
// sensor as on a real one. The others need no pacing there.
// The self-test times a register operation against its pauses.
bool RunsInRealTime(const CliOptions& options) {
  return options.command == QLatin1String("log") || options.command == QLatin1String("capture") ||
         options.command == QLatin1String("selftest");
}

// Builds the session on the chosen interface; false with the reason in `error`.
bool Connect(const CliOptions& options, Rig& rig, QString& error) {
  if (startup::IsSimulated(options.interface)) {
    // A different seed each run: the simulated sensor moves between runs as a real one would.
    const auto seed = static_cast<uint32_t>(rig.clock.MonotonicSeconds() * 1000.0);
    rig.sim = std::make_unique<simbench::SimulatedBench>(
        rig.clock, simbench::SimulatedBenchOptions{.seed = seed,
                                                   .usb_latency_ms = options.sim_usb_latency_ms});
    if (!options.trace_path.isEmpty() &&
        !rig.sim->sensor.trace().WriteTo(options.trace_path, error)) {
      return false;
    }
    if (options.sim_shocks) simbench::PlanKnocks(rig.sim->sensor, rig.clock.MonotonicSeconds());
    for (const sim::AddedVibration& vibration : options.sim_vibrations) {
      rig.sim->sensor.AddVibration(vibration);
    }
    rig.session = rig.sim->MakeSession(
        rig.notifier, rig.events,
        RunsInRealTime(options) ? nullptr : std::make_unique<link::RecordingDelay>(rig.clock));
  } else {
    platform::UsbCardIdsSetting card_ids = platform::LoadUsbCardIds(options.usb_ids);
    rig.libusb = std::make_unique<platform::LibUsbDriver>(
        card_ids.ids ? std::optional<uint16_t>(card_ids.ids->vendor_id) : std::nullopt);
    rig.session = std::make_unique<Session>(Platform{.clock = rig.clock,
                                                     .notifier = rig.notifier,
                                                     .events = rig.events,
                                                     .usb = *rig.libusb,
                                                     .open_port = platform::PpdevPort::Open,
                                                     .usb_card_ids = std::move(card_ids)});
  }
  link::RegisterAccess& link = rig.session->link;
  link.FastReadout = options.fast;
  switch (options.interface) {
    case startup::InterfaceChoice::kSimParallel:
    case startup::InterfaceChoice::kParallel:
      link.InterfaceType = link::kInterfaceParallel;
      link.PortAddress = static_cast<int16_t>(options.port_address);
      rig.session->startup.OsName = startup::DetectOsName();
      return startup::BringUpParallelPort(*rig.session);  // says why when it cannot
    case startup::InterfaceChoice::kSimUsb:
    case startup::InterfaceChoice::kUsb: {
      const int device =
          options.interface == startup::InterfaceChoice::kUsb ? options.usb_device : 0;
      return startup::ConnectUsbCard(*rig.session, device, rig.libusb.get(), error);
    }
  }
  return false;
}

struct Target {
  int16_t index;
  int32_t value;
};

bool ParseHexValue(const QString& text, int32_t& value) {
  const std::optional<uint16_t> word = common::ParseHexWord(text);
  if (word) value = *word;
  return word.has_value();
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
                  .arg(entry.Label.trimmed(),
                       writing ? QStringLiteral("written") : QStringLiteral("read"));
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

}  // namespace

namespace {

// One line of read or dump.
void PrintRead(const CliOptions& options, const registers::RegisterEntry& entry,
               const link::RegisterRead& read, QTextStream& out) {
  if (options.command == QLatin1String("dump")) {
    out << entry.Label << '\t' << common::Hex4(entry.BaseAddr).right(2) << '\t'
        << common::Hex4(read.RawWord) << '\n';
  } else {
    out << entry.Label << '\t' << common::Hex4(read.RawWord) << '\t' << read.RegRaw << '\t'
        << common::SingleText(read.RegValue) << '\n';
  }
}

QString NotRead(const registers::RegisterEntry& entry, const Session& session,
                const platform::LibUsbDriver* libusb) {
  return QStringLiteral("stopped at %1, which was not read: %2")
      .arg(entry.Label.trimmed(), startup::NoValueCause(session, libusb));
}

// read and dump with Fast read-out: every register in one batch, then a line for each that
// brought a value, up to the first that did not.
int RunBatchedReads(const CliOptions& options, Session& session, const std::vector<Target>& targets,
                    const platform::LibUsbDriver* libusb, QTextStream& out, QString& error) {
  std::vector<int16_t> indices;
  indices.reserve(targets.size());
  for (const Target& t : targets) indices.push_back(t.index);
  std::vector<link::RegisterRead> reads;
  const bool all = link::ReadConfirmedBatched(session.link, indices, reads);
  for (const link::RegisterRead& read : reads) {
    PrintRead(options, session.table.at(read.index), read, out);
  }
  if (all) return kExitOk;
  error = NotRead(session.table.at(indices[reads.size()]), session, libusb);
  return kExitDeviceError;
}

QString InterfaceDescription(const CliOptions& options) {
  const QString port = QString::number(options.port_address, 16).toUpper();
  switch (options.interface) {
    case startup::InterfaceChoice::kSimParallel:
      return QStringLiteral("the simulated parallel port at %1").arg(port);
    case startup::InterfaceChoice::kParallel:
      return QStringLiteral("the parallel port at %1").arg(port);
    case startup::InterfaceChoice::kSimUsb:
      return QStringLiteral("the simulated USB SPI card %1").arg(startup::CardName(0));
    case startup::InterfaceChoice::kUsb:
      return QStringLiteral("the USB SPI card %1").arg(startup::CardName(options.usb_device));
  }
  return {};
}

}  // namespace

int RunCommand(const CliOptions& options, Session& session, const platform::LibUsbDriver* libusb,
               QTextStream& out, QString& error) {
  std::vector<Target> targets;
  if (!ResolveTargets(options, session.table, targets, error)) return kExitUsage;
  link::RegisterAccess& link = session.link;
  const bool writing = options.command == QLatin1String("write");
  if (!writing && link::BatchedReadout(link)) {
    return RunBatchedReads(options, session, targets, libusb, out, error);
  }
  for (const Target& t : targets) {
    const registers::RegisterEntry& entry = session.table.at(t.index);
    if (writing) {
      const link::LinkStatus status = link.WriteReg(t.index, t.value);
      if (!link::Reached(status)) {
        error = QStringLiteral("stopped at %1, which was not written: %2")
                    .arg(entry.Label.trimmed(), startup::LinkFailure(status, session, libusb));
        return kExitDeviceError;
      }
      continue;
    }
    // A word of all ones is printed only when the sensor is known to answer: a silent sensor's
    // words are no register's.
    if (!link::ReadConfirmed(link, t.index)) {
      error = NotRead(entry, session, libusb);
      return kExitDeviceError;
    }
    PrintRead(options, entry, {t.index, link.RawWord, link.RegRaw, link.RegValue}, out);
  }
  return kExitOk;
}

namespace {

QString CommandHelp(const QString& command, const registers::RegisterTable& table) {
  if (command == QLatin1String("log")) return LogHelpText(table);
  if (command == QLatin1String("capture")) return CaptureHelpText();
  if (command == QLatin1String("analyse")) return AnalyseHelpText();
  if (command == QLatin1String("settings")) return SettingsHelpText();
  if (command == QLatin1String("udev-rules")) return UdevRulesHelpText();
  if (command == QLatin1String("selftest")) return SelfTestHelpText();
  return RegisterCommandHelpText(command);
}

// A command line's operands, checked: exactly one of these is filled for its command.
struct CheckedCommand {
  std::vector<Target> targets;            // read, write, dump
  std::optional<LogOptions> log;          // log
  std::optional<CaptureOptions> capture;  // capture
};

bool CheckCommand(const CliOptions& options, const registers::RegisterTable& table,
                  CheckedCommand& checked, QString& error) {
  if (options.command == QLatin1String("log")) {
    checked.log = ParseLogOptions(options.operands, table, error);
    return checked.log.has_value();
  }
  if (options.command == QLatin1String("capture")) {
    checked.capture = ParseCaptureOptions(options.operands, table, error);
    return checked.capture.has_value();
  }
  if (options.command == QLatin1String("settings")) return true;  // checked by the command
  if (options.command == QLatin1String("selftest")) return true;  // checked by ParseCliOptions
  return ResolveTargets(options, table, checked.targets, error);
}

}  // namespace

int RunCli(const QStringList& args, QTextStream& out, QTextStream& err, bool err_is_terminal) {
  QString error;
  const std::optional<CliOptions> options = ParseCliOptions(args, error);
  if (!options) {
    err << "talvix-cli: " << error << '\n' << UsageText();
    return kExitUsage;
  }
  registers::RegisterTable table;
  table.BuildRegisterTable();
  if (options->help) {
    out << HelpText();
    return kExitOk;
  }
  if (options->command_help) {
    out << CommandHelp(options->command, table);
    return kExitOk;
  }
  if (options->command == QLatin1String("udev-rules")) {
    const platform::UsbCardIdsSetting card_ids = platform::LoadUsbCardIds(options->usb_ids);
    if (!card_ids.ids) {
      err << "talvix-cli: " << platform::NoUsbCardIdsText(card_ids) << '\n';
      return kExitDeviceError;
    }
    out << UdevRulesText(*card_ids.ids, card_ids.source);
    return kExitOk;
  }
  if (options->command == QLatin1String("analyse")) {  // the file alone: no interface
    const std::optional<AnalyseOptions> analyse =
        ParseAnalyseOptions(options->operands, table, error);
    const int status = analyse ? RunAnalyse(*analyse, table, out, error) : kExitUsage;
    if (status != kExitOk) err << "talvix-cli: " << error << '\n';
    return status;
  }
  CheckedCommand checked;
  if (!CheckCommand(*options, table, checked, error)) {
    err << "talvix-cli: " << error << '\n';
    return kExitUsage;
  }
  // The log's file is made before anything is sent: a file that cannot be written costs no run.
  std::optional<LogOutput> log_output;
  if (checked.log) {
    log_output.emplace(checked.log->output, out);
    if (!log_output->Open(error)) {
      err << "talvix-cli: " << error << '\n';
      return log_output->PartInTheWay() ? kExitUsage : kExitDeviceError;
    }
  }
  // From here on a signal asks the log or the capture to stop where it can do so cleanly.
  std::optional<StopSignals> stop_signals;
  if (checked.log || checked.capture) stop_signals.emplace();
  const std::function<bool()> stop_requested = [] { return StopSignals::Requested(); };

  Rig rig;
  const bool connected = Connect(*options, rig, error);
  if (options->command == QLatin1String("selftest")) {
    // The messages the interface gave belong to the step they came from, not after the lines.
    std::vector<startup::SelfTestStep> steps{InterfaceStep(
        InterfaceDescription(*options), connected, OpenFailureText(error, rig.notifier.texts))};
    for (startup::SelfTestStep& step :
         RunSelfTestSteps(*rig.session, connected, rig.libusb.get())) {
      steps.push_back(std::move(step));
    }
    rig.notifier.texts.clear();
    return PrintSelfTest(steps, options->operands.contains(QLatin1String("--jsonl")), out);
  }
  for (const QString& message : rig.notifier.texts) err << "talvix-cli: " << message << '\n';
  rig.notifier.texts.clear();
  if (!connected) {
    if (!error.isEmpty()) err << "talvix-cli: " << error << '\n';
    return kExitDeviceError;
  }

  int status = kExitOk;
  if (checked.log) {
    LogHooks hooks;
    hooks.stop_requested = stop_requested;
    hooks.progress = err_is_terminal ? &err : nullptr;
    hooks.account = &err;
    status = RunLog(*checked.log, *rig.session, rig.libusb.get(), *log_output, hooks, error);
  } else if (checked.capture) {
    status =
        RunCapture(*checked.capture, *rig.session, rig.libusb.get(), out, stop_requested, error);
  } else if (options->command == QLatin1String("settings")) {
    status = RunSettingsCommand(options->operands, *rig.session, out, error);
  } else {
    status = RunCommand(*options, *rig.session, rig.libusb.get(), out, error);
  }
  out.flush();  // the rows read before a failure come before its message
  for (const QString& message : rig.notifier.texts) {
    err << "talvix-cli: " << message << '\n';
    if (status == kExitOk) status = kExitDeviceError;
  }
  if (status != kExitOk && !error.isEmpty()) err << "talvix-cli: " << error << '\n';
  if (rig.sim && !rig.sim->sensor.trace().Flush(error)) {
    err << "talvix-cli: " << error << '\n';
    status = kExitDeviceError;
  }
  return status;
}

}  // namespace talvix::cli
