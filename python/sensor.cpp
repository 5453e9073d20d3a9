// SPDX-License-Identifier: MIT
#include "sensor.h"

#include "capture/capture_config.h"
#include "capture/capture_readout.h"
#include "capture/capture_setup.h"
#include "common/file_target.h"
#include "common/whole_file.h"
#include "datalog/datalog_sample.h"
#include "datalog/sample_log.h"
#include "monitor/arm_logic.h"
#include "monitor/capture_wait.h"
#include "platform/libusb_driver.h"
#include "platform/ppdev_port.h"
#include "platform/usb_card_ids.h"
#include "regaccess/device_settings.h"
#include "regaccess/settings_file.h"
#include "regaccess/settings_transfer.h"
#include "registers/capture_trace.h"
#include "registers/register_bits.h"
#include "session/session.h"
#include "sim/vibration_option.h"
#include "simbench/sim_knocks.h"
#include "simbench/simulated_bench.h"
#include "startup/interface_choice.h"
#include "startup/link_failure.h"
#include "startup/port_access.h"

#include "sensor_errors.h"

#include <QLocale>

#include <bit>
#include <cmath>
#include <stdexcept>

namespace talvix::python {

namespace {

[[noreturn]] void Refuse(const QString& why) {
  throw std::invalid_argument(why.toStdString());
}

// The program's messages are written for message boxes (CR LF); Python takes LF.
QString AsLines(QString text) {
  return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

startup::NamedInterface ParsedInterface(const QString& text) {
  startup::NamedInterface named;
  QString error;
  if (!startup::ParseInterface(text, named, error)) Refuse(error);
  return named;
}

// The register `label` names, checked for `writing` or reading; throws before anything is sent.
int16_t RegisterFor(const registers::RegisterTable& table, const QString& label, bool writing) {
  const std::optional<int16_t> index = table.FindLabel(label);
  if (!index) Refuse(QStringLiteral("unknown register \"%1\"").arg(label));
  const registers::RegisterEntry& entry = table.at(*index);
  if (writing ? !entry.WriteFlag : !entry.ReadFlag) {
    Refuse(QStringLiteral("register %1 may not be %2")
               .arg(entry.Label.trimmed(),
                    writing ? QStringLiteral("written") : QStringLiteral("read")));
  }
  return *index;
}

// The n of 2^n for `value`, a power of two from 2^low to 2^high; nothing otherwise.
std::optional<int> PowerOfTwoCode(int64_t value, int low, int high) {
  if (value < (int64_t{1} << low) || value > (int64_t{1} << high)) return std::nullopt;
  if (!std::has_single_bit(static_cast<uint64_t>(value))) return std::nullopt;
  return std::countr_zero(static_cast<uint64_t>(value));
}

QString PowersOfTwo(int low, int high) {
  QStringList texts;
  for (int code = low; code <= high; ++code) texts << QString::number(1 << code);
  return texts.join(QStringLiteral(", "));
}

// The capture request checked as talvix-cli capture checks its options; throws before anything
// is sent.
capture::CaptureSetup CheckedCaptureSetup(const registers::RegisterTable& table,
                                          const CaptureRequest& request) {
  capture::CaptureSetup setup;
  const std::array<QString, 2> names = {request.source1, request.source2};
  for (int buffer = 0; buffer < 2; ++buffer) {
    const std::optional<int> source = capture::FindCaptureSource(names[buffer]);
    if (!source) {
      Refuse(QStringLiteral("unknown source%1 \"%2\"; the sources are %3 (blanks or underscores, "
                            "any case)")
                 .arg(buffer + 1)
                 .arg(names[buffer], capture::SourceListTexts().join(QStringLiteral(", "))));
    }
    setup.source[buffer] = *source;
  }
  const std::optional<int> length_code =
      PowerOfTwoCode(request.length, capture::kLengthCodeMin, capture::kLengthCodeMax);
  if (!length_code) {
    Refuse(QStringLiteral("bad length %1: give one of %2")
               .arg(request.length)
               .arg(PowersOfTwo(capture::kLengthCodeMin, capture::kLengthCodeMax)));
  }
  setup.length_code = *length_code;
  // The configuration window never writes a pre-trigger code of 0 (one sample).
  const std::optional<int> pre_trigger_code =
      PowerOfTwoCode(request.pretrigger, 1, *length_code - 1);
  if (!pre_trigger_code) {
    Refuse(QStringLiteral("bad pretrigger %1: give one of %2 (fewer samples than length)")
               .arg(request.pretrigger)
               .arg(PowersOfTwo(1, *length_code - 1)));
  }
  setup.pre_trigger_code = *pre_trigger_code;
  if (request.trigger != 1 && request.trigger != 2) {
    Refuse(QStringLiteral("bad trigger %1: give 1 (comparator 1, on source1) or 2 (comparator 2, "
                          "on source2)")
               .arg(request.trigger));
  }
  setup.trigger = request.trigger;
  const int source = setup.source[setup.trigger - 1];
  if (source == registers::kSourceDisabled) {
    Refuse(QStringLiteral("trigger %1 watches source%1, which is Disabled: choose a source to "
                          "trigger on")
               .arg(setup.trigger));
  }
  if (!std::isfinite(request.level)) Refuse(QStringLiteral("bad level: give a finite number"));
  setup.level = QString::number(request.level, 'g', 15);
  const QString problem = capture::LevelRangeProblem(table, source, setup.level);
  if (!problem.isEmpty()) Refuse(QStringLiteral("level %1").arg(problem));
  if (request.direction != QLatin1String("above") && request.direction != QLatin1String("below")) {
    Refuse(
        QStringLiteral("bad direction \"%1\": give \"above\" or \"below\"").arg(request.direction));
  }
  setup.above = request.direction == QLatin1String("above");
  if (!(request.timeout_seconds > 0) || request.timeout_seconds > 86400) {
    Refuse(QStringLiteral("bad timeout %1: give seconds above 0, up to 86400")
               .arg(request.timeout_seconds));
  }
  return setup;
}

}  // namespace

void CheckOpenOptions(const OpenOptions& options) {
  const startup::NamedInterface named = ParsedInterface(options.interface);
  const bool simulated = startup::IsSimulated(named.choice);
  if (!options.trace_path.isEmpty() && !simulated) {
    Refuse(QStringLiteral("trace needs a simulated interface (sim-lpt or sim-usb)"));
  }
  if (options.shocks && !simulated) {
    Refuse(QStringLiteral("shocks needs a simulated interface (sim-lpt or sim-usb)"));
  }
  if (options.usb_latency_ms != 0 && named.choice != startup::InterfaceChoice::kSimUsb) {
    Refuse(QStringLiteral("usb_latency_ms needs the simulated USB card (sim-usb)"));
  }
  if (!(options.usb_latency_ms >= 0 && options.usb_latency_ms <= simbench::kMaxSimUsbLatencyMs)) {
    Refuse(
        QStringLiteral("usb_latency_ms must be from 0 to %1").arg(simbench::kMaxSimUsbLatencyMs));
  }
  if (!options.vibrations.isEmpty() && !simulated) {
    Refuse(QStringLiteral("vibration needs a simulated interface (sim-lpt or sim-usb)"));
  }
  for (const QString& vibration : options.vibrations) {
    QString why;
    if (!sim::ParseVibrationOption(vibration, why))
      Refuse(QStringLiteral("vibration: %1").arg(why));
  }
  if (options.usb_ids) {
    QString why;
    if (!platform::ParseUsbIdsValue(*options.usb_ids, why)) {
      Refuse(QStringLiteral("usb_ids: %1").arg(why));
    }
  }
}

Sensor::Sensor(const OpenOptions& options) : interface_(options.interface) {
  CheckOpenOptions(options);
  const startup::NamedInterface named = ParsedInterface(options.interface);
  QString error;
  if (startup::IsSimulated(named.choice)) {
    // A different seed each time: the simulated sensor moves between runs as a real one would.
    const auto seed = static_cast<uint32_t>(clock_.MonotonicSeconds() * 1000.0);
    sim_ = std::make_unique<simbench::SimulatedBench>(
        clock_,
        simbench::SimulatedBenchOptions{.seed = seed, .usb_latency_ms = options.usb_latency_ms});
    if (!options.trace_path.isEmpty() && !sim_->sensor.trace().WriteTo(options.trace_path, error)) {
      throw FileError(error.toStdString());
    }
    if (options.shocks) simbench::PlanKnocks(sim_->sensor, clock_.MonotonicSeconds());
    for (const QString& vibration : options.vibrations) {
      QString ignored;  // checked by CheckOpenOptions
      if (const auto added = sim::ParseVibrationOption(vibration, ignored)) {
        sim_->sensor.AddVibration(*added);
      }
    }
    // The program's own delay: the mandated pauses are kept on the simulated sensor too.
    session_ = sim_->MakeSession(notifier_, events_);
  } else {
    platform::UsbCardIdsSetting card_ids = platform::LoadUsbCardIds(options.usb_ids);
    libusb_ = std::make_unique<platform::LibUsbDriver>(
        card_ids.ids ? std::optional<uint16_t>(card_ids.ids->vendor_id) : std::nullopt);
    session_ = std::make_unique<Session>(Platform{.clock = clock_,
                                                  .notifier = notifier_,
                                                  .events = events_,
                                                  .usb = *libusb_,
                                                  .open_port = platform::PpdevPort::Open,
                                                  .usb_card_ids = std::move(card_ids)});
  }
  bool connected = false;
  if (named.choice == startup::InterfaceChoice::kSimParallel ||
      named.choice == startup::InterfaceChoice::kParallel) {
    session_->link.InterfaceType = link::kInterfaceParallel;
    session_->link.PortAddress = static_cast<int16_t>(named.port_address);
    session_->startup.OsName = startup::DetectOsName();
    connected = startup::BringUpParallelPort(*session_);  // the notifier says why when it cannot
  } else {
    const int device = named.choice == startup::InterfaceChoice::kUsb ? named.usb_device : 0;
    connected = startup::ConnectUsbCard(*session_, device, libusb_.get(), error);
  }
  QStringList why = notifier_.texts;
  notifier_.texts.clear();
  if (!error.isEmpty()) why << error;
  if (!connected) {
    session_.reset();
    throw LinkError(AsLines(QStringLiteral("cannot open %1: %2")
                                .arg(options.interface, why.join(QStringLiteral("\n"))))
                        .toStdString());
  }
}

Sensor::~Sensor() {
  try {
    Close();
  } catch (const std::exception&) {
    // Dropped without close(): nobody is left to tell that the trace's last frames were lost.
  }
}

void Sensor::Close() {
  const std::lock_guard lock(mutex_);
  if (!session_) return;
  session_.reset();
  libusb_.reset();
  FlushTrace();  // the interface is let go even when the trace cannot be written
}

bool Sensor::closed() const {
  return !session_;
}

Session& Sensor::OpenSession() {
  if (!session_) Refuse(QStringLiteral("the sensor is closed"));
  return *session_;
}

void Sensor::FlushTrace() {
  QString error;
  if (sim_ && !sim_->sensor.trace().Flush(error)) throw FileError(error.toStdString());
}

void Sensor::ThrowNoValue(const QString& what) {
  QStringList texts = notifier_.texts;
  notifier_.texts.clear();
  texts.prepend(
      QStringLiteral("%1: %2").arg(what, startup::NoValueCause(*session_, libusb_.get())));
  throw LinkError(AsLines(texts.join(u'\n')).toStdString());
}

Reading Sensor::Read(const QString& label) {
  const std::lock_guard lock(mutex_);
  Session& session = OpenSession();
  const int16_t index = RegisterFor(session.table, label, false);
  const registers::RegisterEntry& entry = session.table.at(index);
  link::RegisterAccess& link = session.link;
  // A word of all ones counts only when the sensor is known to answer.
  if (!link::ReadConfirmed(link, index) || !notifier_.texts.isEmpty()) {
    ThrowNoValue(QStringLiteral("%1 was not read").arg(entry.Label.trimmed()));
  }
  return {entry.Label.trimmed(), entry.BaseAddr, static_cast<uint16_t>(link.RawWord), link.RegRaw,
          link.RegValue};
}

void Sensor::Write(const QString& label, int64_t word) {
  const std::lock_guard lock(mutex_);
  Session& session = OpenSession();
  const int16_t index = RegisterFor(session.table, label, true);
  if (word < 0 || word > 0xFFFF) {
    Refuse(QStringLiteral("bad word %1: give 0 to 0xFFFF").arg(word));
  }
  const link::LinkStatus status = session.link.WriteReg(index, static_cast<int32_t>(word));
  if (!link::Reached(status) || !notifier_.texts.isEmpty()) {
    ThrowNoValue(QStringLiteral("%1 was not written").arg(session.table.at(index).Label.trimmed()));
  }
}

std::vector<Reading> Sensor::Dump() {
  const std::lock_guard lock(mutex_);
  Session& session = OpenSession();
  link::RegisterAccess& link = session.link;
  std::vector<Reading> readings;
  for (int16_t i = 0; i < registers::RegisterTable::kDefinedSlots; ++i) {
    const registers::RegisterEntry& entry = session.table.at(i);
    if (!entry.ReadFlag) continue;
    if (!link::ReadConfirmed(link, i) || !notifier_.texts.isEmpty()) {
      ThrowNoValue(QStringLiteral("stopped at %1, which was not read").arg(entry.Label.trimmed()));
    }
    readings.push_back({entry.Label.trimmed(), entry.BaseAddr, static_cast<uint16_t>(link.RawWord),
                        link.RegRaw, link.RegValue});
  }
  return readings;
}

LogRows Sensor::Log(const QStringList& values, int64_t samples, double delay_ms,
                    const std::function<bool()>& stop_requested) {
  const std::lock_guard lock(mutex_);
  Session& session = OpenSession();
  datalog::Selection selection{};
  selection.fill(values.isEmpty());
  for (const QString& name : values) {
    const std::optional<int> column = datalog::FindColumn(session.table, name);
    if (!column) {
      QStringList names;
      for (int c = 0; c < datalog::kColumnCount; ++c) {
        names << datalog::ColumnName(session.table, c);
      }
      Refuse(QStringLiteral("unknown value \"%1\"; the values are %2")
                 .arg(name, names.join(QStringLiteral(", "))));
    }
    selection[*column] = true;
  }
  constexpr int64_t kMaxSamples = 1000000000;
  if (samples < 1 || samples > kMaxSamples) {
    Refuse(QStringLiteral("bad samples %1: give 1 to %2").arg(samples).arg(kMaxSamples));
  }
  if (!(delay_ms >= 0) || delay_ms > datalog::kMaxSampleDelayMs) {
    Refuse(QStringLiteral("bad delay_ms %1: give 0 to %2")
               .arg(delay_ms)
               .arg(datalog::kMaxSampleDelayMs));
  }
  LogRows rows;
  for (int c = 0; c < datalog::kColumnCount; ++c) {
    if (selection[c]) rows.columns << datalog::ColumnName(session.table, c);
  }
  datalog::SampleLogHooks hooks;
  hooks.write = [](const QByteArray&) { return true; };  // the rows are taken as numbers
  hooks.stop_requested = stop_requested;
  hooks.row_values = [&rows](double seconds, const float* row, int count) {
    rows.seconds.push_back(seconds);
    rows.values.insert(rows.values.end(), row, row + count);
  };
  const datalog::SampleLogResult result =
      datalog::RunSampleLog(session, {selection, samples, delay_ms}, hooks);
  if (result.end == datalog::SampleLogEnd::kReadFailed) {
    ThrowNoValue(QStringLiteral("stopped at sample %1, whose %2 was not read (%3 rows were read "
                                "before it)")
                     .arg(result.failed_sample)
                     .arg(datalog::ColumnName(session.table, result.failed_column))
                     .arg(result.rows));
  }
  if (!notifier_.texts.isEmpty()) ThrowNoValue(QStringLiteral("the log failed"));
  rows.stopped = result.end == datalog::SampleLogEnd::kStopped;
  return rows;
}

CaptureData Sensor::Capture(const CaptureRequest& request,
                            const std::function<bool()>& stop_requested) {
  const std::lock_guard lock(mutex_);
  Session& session = OpenSession();
  const capture::CaptureSetup setup = CheckedCaptureSetup(session.table, request);
  const capture::SetupResult written = capture::WriteCaptureSetup(session, setup);
  switch (written.end) {
    case capture::SetupEnd::kDone:
      break;
    case capture::SetupEnd::kConfigNotRead:
      ThrowNoValue(QStringLiteral("the capture configuration could not be read"));
    case capture::SetupEnd::kNoSense:
      throw LinkError(QStringLiteral("the sensor's answers make no sense (ALM_CTRL = 0x%1): "
                                     "check the connections and the sensor's supply")
                          .arg(written.alm_ctrl, 4, 16, QChar(u'0'))
                          .toStdString());
    case capture::SetupEnd::kStep1Failed:
      ThrowNoValue(QStringLiteral("CAPT_CFG and ALM_CTRL could not be set"));
    case capture::SetupEnd::kStep2Failed:
      ThrowNoValue(QStringLiteral("ALM_MAG1 and ALM_MAG2 could not be set"));
  }
  if (!monitor::Arm(session.link, *session.delay, session.capture)) {
    ThrowNoValue(QStringLiteral("the capture could not be armed"));
  }
  monitor::CaptureWait wait =
      monitor::WaitForTrigger(session, request.timeout_seconds, stop_requested);
  if (wait == monitor::CaptureWait::kTriggered) {
    wait = monitor::WaitForFullBuffers(session, stop_requested);
  }
  CaptureData data;
  switch (wait) {
    case monitor::CaptureWait::kTriggered:
      break;
    case monitor::CaptureWait::kFailed:
      ThrowNoValue(
          QStringLiteral("stopped while waiting for the capture: the status could not "
                         "be read"));
    case monitor::CaptureWait::kTimedOut:
      monitor::Disarm(session.link, session.capture);
      throw CaptureTimeout(QStringLiteral("no trigger within %1 s: the capture was disarmed")
                               .arg(request.timeout_seconds)
                               .toStdString());
    case monitor::CaptureWait::kStopped:
      monitor::Disarm(session.link, session.capture);
      data.stopped = true;
      return data;
  }
  const std::optional<capture::CaptureLayout> layout = capture::LayoutForReadOut(session);
  if (!layout) ThrowNoValue(QStringLiteral("the capture's layout could not be read"));
  for (int buffer = 0; buffer < 2; ++buffer) {
    std::vector<double> samples;
    switch (capture::ReadCaptureBuffer(session.link, buffer, layout->capt_cfg, samples)) {
      case capture::ReadOut::kRead:
        break;
      case capture::ReadOut::kInvalidLength:
        throw LinkError(AsLines(capture::InvalidLengthMessage(layout->capt_cfg)).toStdString());
      case capture::ReadOut::kNotReached:
        ThrowNoValue(QStringLiteral("capture buffer %1 could not be read").arg(buffer));
    }
    const registers::CaptTrace trace = registers::PlotCaptTrace(
        session.table, buffer, layout->capt_cfg, layout->smpl_prd, samples, {}, QLocale::c());
    CaptureBuffer& out = data.buffers[buffer];
    out.source = capture::SourceListTexts().at(setup.source[buffer]);
    out.units = trace.Units;
    // Index 0 of both is unused: sample i is at i.
    for (int i = 1; i <= trace.length; ++i) {
      out.codes.push_back(static_cast<int32_t>(samples[i]));
      out.values.push_back(trace.Values[i]);
    }
    data.sample_period_seconds = trace.sample_period_ms / 1000.0;
    data.pretrigger = trace.TrigPos;
  }
  if (!notifier_.texts.isEmpty()) ThrowNoValue(QStringLiteral("the capture failed"));
  return data;
}

std::vector<SettingLine> Sensor::SettingsSave(const QString& path) {
  const std::lock_guard lock(mutex_);
  Session& session = OpenSession();
  // A name that cannot take the file is refused before anything is read.
  QString target;
  QString why;
  if (common::Resolve(path, target, why) == common::Target::kRefused) {
    Refuse(QStringLiteral("%1: cannot be written: %2; nothing was read").arg(path, why));
  }
  QString error;
  const std::optional<regaccess::DeviceSettings> settings =
      regaccess::ReadDeviceSettings(session.link, error);
  if (!settings) {
    // A read that brought nothing, or a word no settings file can carry.
    if (!link::Reached(session.link.LastStatus)) ThrowNoValue(AsLines(error));
    throw LinkError(AsLines(error).toStdString());
  }
  const registers::RegisterTable& table = session.table;
  if (!common::WriteWholeFile(path, regaccess::SettingsFileText(table, *settings), why)) {
    throw FileError(
        QStringLiteral("the settings could not be saved to %1: %2").arg(path, why).toStdString());
  }
  std::vector<SettingLine> lines;
  for (const int16_t index : regaccess::SettingsRegisters()) {
    lines.push_back({regaccess::SettingLabel(table, index),
                     regaccess::SettingWord(*settings, index),
                     regaccess::SettingValueText(table, *settings, index)});
  }
  return lines;
}

QStringList Sensor::SettingsLoad(const QString& path, bool dry_run) {
  const std::lock_guard lock(mutex_);
  Session& session = OpenSession();
  const registers::RegisterTable& table = session.table;
  const regaccess::ParsedSettings parsed = regaccess::ReadSettingsFile(path, table);
  if (!parsed.settings) Refuse(AsLines(regaccess::RefusedFileMessage(parsed.problems)));
  if (dry_run) return regaccess::PlanLines(table, *parsed.settings);
  const regaccess::LoadReport report = regaccess::LoadSettings(session, *parsed.settings);
  switch (report.result) {
    case regaccess::LoadReport::Result::kRefused:
      Refuse(AsLines(report.error));
    case regaccess::LoadReport::Result::kNotReached:
      notifier_.texts.clear();
      throw LinkError(AsLines(report.error).toStdString());
    case regaccess::LoadReport::Result::kDiffers:
      throw ReadBackError(
          (QStringLiteral("these registers read back differently from what was written:\n") +
           regaccess::DifferingLines(table, *parsed.settings, report).join(u'\n'))
              .toStdString());
    case regaccess::LoadReport::Result::kLoaded:
      break;
  }
  return regaccess::LoadedLines(table, *parsed.settings, report);
}

}  // namespace talvix::python
