// SPDX-License-Identifier: MIT
#include "cli/capture_command.h"

#include "capture/capture_analysis.h"
#include "capture/capture_config.h"
#include "capture/capture_files.h"
#include "capture/capture_setup.h"
#include "cli/cli_app.h"
#include "cli/command_words.h"
#include "common/advice_texts.h"
#include "common/data_folder.h"
#include "common/number_text.h"
#include "monitor/arm_logic.h"
#include "monitor/capture_wait.h"
#include "registers/register_bits.h"
#include "session/session.h"
#include "startup/link_failure.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <bit>

namespace talvix::cli {

namespace {

// The n of 2^n for a power of two from 2^low to 2^high.
std::optional<int> PowerOfTwoCode(const QString& text, int low, int high) {
  int64_t value = 0;
  if (!ParseWholeNumber(text, int64_t{1} << low, int64_t{1} << high, value)) return std::nullopt;
  if (!std::has_single_bit(static_cast<uint64_t>(value))) return std::nullopt;
  return std::countr_zero(static_cast<uint64_t>(value));
}

// `items` joined by ", ", in lines of at most 80 characters after the first line's `lead`
// characters, the lines after the first indented by `indent` blanks.
QString Wrapped(const QStringList& items, int lead, int indent) {
  constexpr int kWidth = 80;
  QString text;
  int column = lead;
  for (qsizetype i = 0; i < items.size(); ++i) {
    const QString item = items[i] + (i + 1 < items.size() ? QStringLiteral(",") : QString());
    if (i > 0 && column + 1 + item.size() > kWidth) {
      text += u'\n' + QString(indent, u' ');
      column = indent;
    } else if (i > 0) {
      text += u' ';
      ++column;
    }
    text += item;
    column += static_cast<int>(item.size());
  }
  return text;
}

QString PowersOfTwo(int low, int high) {
  QStringList texts;
  for (int code = low; code <= high; ++code) texts << QString::number(1 << code);
  return texts.join(QStringLiteral(", "));
}

bool ParseLevel(const QString& text, int source, const registers::RegisterTable& table,
                QString& error) {
  double value = 0;
  const QString source_name = capture::SourceListTexts().at(source);
  if (!ParseDecimal(text, true, value)) {
    error = QStringLiteral(
                "capture: bad --level \"%1\": give a number in the unit of %2, with a "
                "point as the decimal separator")
                .arg(text, source_name);
    return false;
  }
  const QString problem = capture::LevelRangeProblem(table, source, text);
  if (!problem.isEmpty()) {
    error = QStringLiteral("capture: --level %1").arg(problem);
    return false;
  }
  return true;
}

bool ParseSources(const CommandWords& words, CaptureOptions& options, QString& error) {
  const QStringList texts = capture::SourceListTexts();
  for (int buffer = 0; buffer < 2; ++buffer) {
    const QString option = QStringLiteral("--source%1").arg(buffer + 1);
    const QString name = words.values.value(option);
    const std::optional<int> source = capture::FindCaptureSource(name);
    if (!source) {
      error = QStringLiteral(
                  "capture: unknown %1 \"%2\"; the sources are %3 (blanks or "
                  "underscores, any case)")
                  .arg(option, name, texts.join(QStringLiteral(", ")));
      return false;
    }
    options.source[buffer] = *source;
  }
  return true;
}

bool ParseLayout(const CommandWords& words, CaptureOptions& options, QString& error) {
  const QString length = words.values.value(QStringLiteral("--length"));
  const std::optional<int> length_code =
      PowerOfTwoCode(length, capture::kLengthCodeMin, capture::kLengthCodeMax);
  if (!length_code) {
    error = QStringLiteral("capture: bad --length \"%1\": give one of %2")
                .arg(length, PowersOfTwo(capture::kLengthCodeMin, capture::kLengthCodeMax));
    return false;
  }
  options.length_code = *length_code;
  // Step 1 never writes a pre-trigger code of 0 (one sample): the least is two samples.
  const QString pre_trigger = words.values.value(QStringLiteral("--pretrigger"));
  const std::optional<int> pre_trigger_code = PowerOfTwoCode(pre_trigger, 1, *length_code - 1);
  if (!pre_trigger_code) {
    error = QStringLiteral(
                "capture: bad --pretrigger \"%1\": give one of %2 (fewer samples than "
                "--length)")
                .arg(pre_trigger, PowersOfTwo(1, *length_code - 1));
    return false;
  }
  options.pre_trigger_code = *pre_trigger_code;
  return true;
}

bool ParseTrigger(const CommandWords& words, const registers::RegisterTable& table,
                  CaptureOptions& options, QString& error) {
  const QString trigger = words.values.value(QStringLiteral("--trigger"));
  if (trigger != QLatin1String("1") && trigger != QLatin1String("2")) {
    error = QStringLiteral(
                "capture: bad --trigger \"%1\": give 1 (comparator 1, on the source "
                "of --source1) or 2 (comparator 2, on the source of --source2)")
                .arg(trigger);
    return false;
  }
  options.trigger = trigger.toInt();
  const int source = options.source[options.trigger - 1];
  if (source == registers::kSourceDisabled) {
    error = QStringLiteral(
                "capture: --trigger %1 watches the source of --source%1, which is "
                "Disabled: choose a source to trigger on")
                .arg(options.trigger);
    return false;
  }
  options.level = words.values.value(QStringLiteral("--level"));
  if (!ParseLevel(options.level, source, table, error)) return false;
  const bool above = words.flags.contains(QStringLiteral("--above"));
  const bool below = words.flags.contains(QStringLiteral("--below"));
  if (above == below) {
    error = QStringLiteral("capture: give one of --above and --below");
    return false;
  }
  options.above = above;
  return true;
}

bool ParseWaitAndFolder(const CommandWords& words, CaptureOptions& options, QString& error) {
  if (words.values.contains(QStringLiteral("--timeout"))) {
    const QString text = words.values.value(QStringLiteral("--timeout"));
    if (!ParseDecimal(text, false, options.timeout_seconds) || options.timeout_seconds <= 0 ||
        options.timeout_seconds > kMaxCaptureTimeoutSeconds) {
      error = QStringLiteral("capture: bad --timeout \"%1\": give seconds above 0, up to %2")
                  .arg(text)
                  .arg(kMaxCaptureTimeoutSeconds);
      return false;
    }
  }
  const QString folder = words.values.contains(QStringLiteral("--output"))
                             ? words.values.value(QStringLiteral("--output"))
                             : common::DataFolder();
  if (!QFileInfo(folder).isDir()) {
    error = QStringLiteral("capture: --output \"%1\" is not a folder").arg(folder);
    return false;
  }
  options.folder = QDir(folder).absolutePath();
  return true;
}

// capture --analyse: each capture file just written read back (so that the numbers are those of
// talvix-cli analyse on the same file), in its source's unit at the captured sample period,
// printed, and its spectrum written beside it. False, with the reason, when a file fails.
bool AnalyseCaptureFiles(const CaptureOptions& options, const Session& session, QTextStream& out,
                         QString& error) {
  const capture::CaptureFileFormat format = capture::CaptureFileFormatFor(QLocale());
  const double period_seconds =
      registers::SamplePeriodMs(static_cast<uint16_t>(session.capture.SmplPrdSnapshot)) / 1000.0;
  for (int buffer = 0; buffer < 2; ++buffer) {
    const QString path = capture::CaptureFilePath(options.folder, buffer, format);
    QString why;
    std::optional<std::vector<double>> values = capture::ReadSampleFile(path, why);
    if (!values) {
      error = QStringLiteral("cannot analyse %1: %2").arg(QDir::toNativeSeparators(path), why);
      return false;
    }
    QString unit;
    if (std::optional<std::vector<double>> in_units =
            capture::InSourceUnits(session.table, options.source[buffer], *values, unit)) {
      values = std::move(in_units);
    }
    const capture::Analysis analysis = capture::Analyse(*values, period_seconds);
    out << "file\t" << QDir::toNativeSeparators(path) << '\n'
        << capture::AnalysisText(analysis, period_seconds, unit);
    const QString spectrum_path = capture::SpectrumFilePath(options.folder, buffer, format);
    if (!capture::WriteSpectrumFile(spectrum_path, analysis.spectrum, format, error)) return false;
    out << "spectrum_file\t" << QDir::toNativeSeparators(spectrum_path) << '\n';
  }
  return true;
}

// Why the last register operation brought nothing, after `what` failed.
QString Failure(const QString& what, Session& session, const platform::LibUsbDriver* libusb) {
  return QStringLiteral("%1: %2").arg(what, startup::NoValueCause(session, libusb));
}

// The capture is no longer wanted: the sensor stops waiting for a trigger. Best effort: the
// outcome the caller reports is the time-out or the stop, not this.
void Disarm(Session& session) {
  monitor::Disarm(session.link, session.capture);
}

QString AsLines(QString message) {
  return message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

std::optional<CaptureOptions> ParseCaptureOptions(const QStringList& operands,
                                                  const registers::RegisterTable& table,
                                                  QString& error) {
  const QStringList with_value = {QStringLiteral("--source1"), QStringLiteral("--source2"),
                                  QStringLiteral("--length"),  QStringLiteral("--pretrigger"),
                                  QStringLiteral("--trigger"), QStringLiteral("--level"),
                                  QStringLiteral("--timeout"), QStringLiteral("--output")};
  CommandWords words;
  if (!SplitCommandWords(
          QStringLiteral("capture"), operands, with_value,
          {QStringLiteral("--above"), QStringLiteral("--below"), QStringLiteral("--analyse")},
          words, error)) {
    return std::nullopt;
  }
  for (const QString& required : with_value.mid(0, 6)) {
    if (!words.values.contains(required)) {
      error = QStringLiteral("capture: %1 is missing").arg(required);
      return std::nullopt;
    }
  }
  CaptureOptions options;
  if (!ParseSources(words, options, error) || !ParseLayout(words, options, error) ||
      !ParseTrigger(words, table, options, error) || !ParseWaitAndFolder(words, options, error)) {
    return std::nullopt;
  }
  options.analyse = words.flags.contains(QStringLiteral("--analyse"));
  return options;
}

QString CaptureHelpText() {
  return QStringLiteral(
             "usage: talvix-cli [GLOBAL OPTIONS] capture --source1 NAME --source2 NAME\n"
             "                  --length N --pretrigger M --trigger 1|2 --level VALUE\n"
             "                  --above|--below [--timeout S] [--output DIR] [--analyse]\n"
             "Configures an event capture as the capture configuration window's steps do, arms\n"
             "it as the main window's Arm does, reads the status until the capture has\n"
             "triggered and its buffers are full, then reads both buffers out and writes them\n"
             "as CapDat_0 and CapDat_1 (.csv, or .txt with tabs where the locale writes a\n"
             "decimal comma), one line \"sample,code\" each, and prints the two paths.\n"
             "  --source1 NAME  data source of buffer 0 (CapDat_0), watched by comparator 1\n"
             "  --source2 NAME  data source of buffer 1 (CapDat_1), watched by comparator 2\n"
             "                  NAME: %1\n"
             "                  (blanks or underscores, any case)\n"
             "  --length N      samples per buffer: %2\n"
             "  --pretrigger M  samples before the trigger, fewer than N: %3\n"
             "  --trigger 1|2   the comparator that triggers the capture (ALM_MAG1 on the\n"
             "                  source of --source1, or ALM_MAG2 on that of --source2)\n"
             "  --level VALUE   trigger level in the unit of that source (g, V, degC), within\n"
             "                  its range; a point as the decimal separator\n"
             "  --above         trigger when the source goes above the level (Greater Than)\n"
             "  --below         trigger when it goes below (Less Than)\n"
             "  --timeout S     seconds to wait for the trigger. Default: 10\n"
             "  --output DIR    folder for the two files. Default: the data folder (the\n"
             "                  program's folder when writable, else the working folder)\n"
             "  --analyse       then print each buffer's statistics and three strongest\n"
             "                  frequencies (as talvix-cli analyse does, in the source's\n"
             "                  unit) and write its spectrum as CapSpec_0 / CapSpec_1\n"
             "The other comparator's level is left as it is. Every option is checked before\n"
             "anything is sent. Ctrl-C (SIGINT), SIGTERM or SIGHUP while waiting disarms the\n"
             "capture and ends the run; nothing is written.\n"
             "exit status: 0 both files written; 1 the interface could not be opened, an\n"
             "operation did not reach the sensor or was not answered, or a file could not be\n"
             "written (it is named, with the reason); 2 bad command line (nothing was sent);\n"
             "3 no trigger before the time-out (the capture is disarmed, nothing is written);\n"
             "130 stopped by a signal (the capture is disarmed, nothing is written)\n")
      .arg(
          Wrapped(capture::SourceListTexts(), 24, 24),
          PowersOfTwo(capture::kLengthCodeMin, capture::kLengthCodeMax),
          Wrapped(PowersOfTwo(1, capture::kLengthCodeMax - 1).split(QStringLiteral(", ")), 62, 18));
}

int RunCapture(const CaptureOptions& options, Session& session,
               const platform::LibUsbDriver* libusb, QTextStream& out,
               const std::function<bool()>& stop_requested, QString& error) {
  capture::CaptureSetup setup;
  setup.source = options.source;
  setup.length_code = options.length_code;
  setup.pre_trigger_code = options.pre_trigger_code;
  setup.trigger = options.trigger;
  setup.level = options.level;
  setup.above = options.above;
  const capture::SetupResult written = capture::WriteCaptureSetup(session, setup);
  switch (written.end) {
    case capture::SetupEnd::kDone:
      break;
    case capture::SetupEnd::kConfigNotRead:
      error =
          Failure(QStringLiteral("the capture configuration could not be read"), session, libusb);
      return kExitDeviceError;
    case capture::SetupEnd::kNoSense:
      error = QStringLiteral(
                  "the sensor's answers make no sense (ALM_CTRL = 0x%1). %2 Then run the command "
                  "again.")
                  .arg(common::Hex4(written.alm_ctrl), common::CheckConnectionsAdvice());
      return kExitDeviceError;
    case capture::SetupEnd::kStep1Failed:
      error = Failure(QStringLiteral("CAPT_CFG and ALM_CTRL could not be set"), session, libusb);
      return kExitDeviceError;
    case capture::SetupEnd::kStep2Failed:
      error = Failure(QStringLiteral("ALM_MAG1 and ALM_MAG2 could not be set"), session, libusb);
      return kExitDeviceError;
  }
  if (!monitor::Arm(session.link, *session.delay, session.capture)) {
    error = Failure(QStringLiteral("the capture could not be armed"), session, libusb);
    return kExitDeviceError;
  }

  monitor::CaptureWait wait =
      monitor::WaitForTrigger(session, options.timeout_seconds, stop_requested);
  if (wait == monitor::CaptureWait::kTriggered) {
    wait = monitor::WaitForFullBuffers(session, stop_requested);
  }
  switch (wait) {
    case monitor::CaptureWait::kTriggered:
      break;
    case monitor::CaptureWait::kFailed:
      error = Failure(QStringLiteral("stopped while waiting for the capture: the status could "
                                     "not be read"),
                      session, libusb);
      return kExitDeviceError;
    case monitor::CaptureWait::kTimedOut:
      Disarm(session);
      error = QStringLiteral(
                  "no trigger within %1 s: the capture was disarmed and nothing was "
                  "written")
                  .arg(options.timeout_seconds);
      return kExitTimedOut;
    case monitor::CaptureWait::kStopped:
      Disarm(session);
      error = QStringLiteral(
          "stopped by a signal while waiting for the capture: it was "
          "disarmed and nothing was written");
      return kExitStopped;
  }

  const capture::CaptureFilesOutcome files =
      capture::WriteCaptureFiles(session, options.folder, QLocale());
  for (const QString& path : files.written) out << path << '\n';
  if (!files.message.isEmpty()) {
    error = AsLines(files.message);
    return kExitDeviceError;
  }
  if (files.written.size() != 2) {
    error = Failure(QStringLiteral("the capture buffers could not be read"), session, libusb);
    return kExitDeviceError;
  }
  if (options.analyse && !AnalyseCaptureFiles(options, session, out, error)) {
    return kExitDeviceError;
  }
  return kExitOk;
}

}  // namespace talvix::cli
