// SPDX-License-Identifier: MIT
#include "cli/log_command.h"

#include "cli/cli_app.h"
#include "cli/command_words.h"
#include "datalog/datalog_sample.h"
#include "datalog/sample_log.h"
#include "session/session.h"
#include "startup/link_failure.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace talvix::cli {

namespace {

// Standard output is handed on this often, so that a reader sees the rows as they come.
constexpr double kFlushIntervalSeconds = 0.1;
// A file's rows are put on the disk this often: a crash loses at most the rows of this last
// stretch, a sample and a slice of the pause.
constexpr double kSyncIntervalSeconds = 0.5;
constexpr double kProgressIntervalSeconds = 0.25;
constexpr double kStatusIntervalSeconds = 1.0;

QStringList ColumnNames(const registers::RegisterTable& table) {
  QStringList names;
  for (int column = 0; column < datalog::kColumnCount; ++column) {
    names << datalog::ColumnName(table, column);
  }
  return names;
}

// The progress line on standard error: rewritten in place, ended by a line break at the end.
class Progress {
 public:
  Progress(QTextStream* stream, int64_t samples) : stream_(stream), samples_(samples) {}
  void Show(int64_t done, double elapsed, bool always) {
    if (stream_ == nullptr || (!always && elapsed - shown_at_ < kProgressIntervalSeconds)) return;
    shown_at_ = elapsed;
    const double rate = elapsed > 0 ? static_cast<double>(done) / elapsed : 0.0;
    *stream_ << QStringLiteral("\rlog: %1 of %2 samples, %3 samples/s   ")
                    .arg(done)
                    .arg(samples_)
                    .arg(rate, 0, 'f', 1);
    stream_->flush();
    shown_ = true;
  }
  void End() {
    if (stream_ == nullptr || !shown_) return;
    *stream_ << '\n';
    stream_->flush();
  }

 private:
  QTextStream* stream_;
  int64_t samples_;
  double shown_at_ = -1.0;
  bool shown_ = false;
};

// --status jsonl: one JSON object per line, a second apart and once at the end, for test benches
// that watch a long run.
class JsonStatus {
 public:
  JsonStatus(QTextStream* stream, const LogOutput& output) : stream_(stream), output_(output) {}
  void Show(const datalog::SampleAccount& account, double elapsed, bool at_end) {
    if (stream_ == nullptr || (!at_end && elapsed - shown_at_ < kStatusIntervalSeconds)) return;
    shown_at_ = elapsed;
    QJsonObject status{
        {QStringLiteral("samples"), static_cast<double>(account.samples())},
        {QStringLiteral("rate"), account.rate()},
        {QStringLiteral("late"), static_cast<double>(account.late())},
        {QStringLiteral("file"), output_.ToFile() ? output_.path() : QStringLiteral("-")},
        {QStringLiteral("bytes_synced"), static_cast<double>(output_.bytes_handed_on())},
    };
    if (at_end) {
      status.insert(QStringLiteral("longest_gap_ms"), account.longest_gap() * 1000.0);
      status.insert(QStringLiteral("end"), true);
    }
    *stream_ << QJsonDocument(status).toJson(QJsonDocument::Compact) << '\n';
    stream_->flush();
  }

 private:
  QTextStream* stream_;
  const LogOutput& output_;
  double shown_at_ = 0;
};

// Why sample `sample` has no row: the read of `column` brought no value.
QString ReadFailure(int64_t sample, int column, Session& session,
                    const platform::LibUsbDriver* libusb) {
  return QStringLiteral("stopped at sample %1, whose %2 was not read: %3")
      .arg(sample)
      .arg(datalog::ColumnName(session.table, column), startup::NoValueCause(session, libusb));
}

// The end of a log: the file put in place, kept or given up by how the run ended, and the exit
// status; `error` says why when it is not kExitOk.
int EndOfLog(const datalog::SampleLogResult& result, bool output_failed, Session& session,
             const platform::LibUsbDriver* libusb, LogOutput& output, QString& error) {
  if (output_failed) return kExitDeviceError;
  if (result.end == datalog::SampleLogEnd::kOutputFailed) return kExitDeviceError;
  if (result.end != datalog::SampleLogEnd::kReadFailed) {
    if (result.rows == 0 && output.ToFile()) {
      // Stopped before its first row: the old file stays.
      output.Discard();
      return kExitOk;
    }
    return output.Finish(error) ? kExitOk : kExitDeviceError;
  }
  error = ReadFailure(result.failed_sample, result.failed_column, session, libusb);
  if (output.ToFile() && result.rows == 0) {
    // Not a single row was read: a file of the header alone must not take the place of an
    // earlier run's rows.
    output.Discard();
    error += QStringLiteral("\nNothing was written to %1.").arg(output.path());
    return kExitDeviceError;
  }
  QString finish_error;
  if (!output.Finish(finish_error)) {
    error += u'\n' + finish_error;
  } else if (output.ToFile()) {
    error += QStringLiteral("\nThe %1 rows read before it are in %2.")
                 .arg(result.rows)
                 .arg(output.path());
  }
  return kExitDeviceError;
}

}  // namespace

std::optional<LogOptions> ParseLogOptions(const QStringList& operands,
                                          const registers::RegisterTable& table, QString& error) {
  CommandWords words;
  if (!SplitCommandWords(
          QStringLiteral("log"), operands,
          {QStringLiteral("--values"), QStringLiteral("--samples"), QStringLiteral("--delay"),
           QStringLiteral("--output"), QStringLiteral("--status")},
          {}, words, error)) {
    return std::nullopt;
  }
  LogOptions options;
  options.selection.fill(true);
  if (words.values.contains(QStringLiteral("--values"))) {
    options.selection.fill(false);
    for (const QString& name : words.values.value(QStringLiteral("--values")).split(u',')) {
      const std::optional<int> column = datalog::FindColumn(table, name);
      if (!column) {
        error = QStringLiteral("log: unknown value \"%1\" in --values; the values are %2")
                    .arg(name, ColumnNames(table).join(QStringLiteral(", ")));
        return std::nullopt;
      }
      options.selection[*column] = true;
    }
  }
  if (words.values.contains(QStringLiteral("--samples")) &&
      !ParseWholeNumber(words.values.value(QStringLiteral("--samples")), 1, kMaxLogSamples,
                        options.samples)) {
    error = QStringLiteral("log: bad --samples \"%1\": give a whole number from 1 to %2")
                .arg(words.values.value(QStringLiteral("--samples")))
                .arg(kMaxLogSamples);
    return std::nullopt;
  }
  if (words.values.contains(QStringLiteral("--delay"))) {
    const QString text = words.values.value(QStringLiteral("--delay"));
    if (!ParseDecimal(text, false, options.delay_ms) ||
        options.delay_ms > datalog::kMaxSampleDelayMs) {
      error = QStringLiteral("log: bad --delay \"%1\": give milliseconds from 0 to %2")
                  .arg(text)
                  .arg(datalog::kMaxSampleDelayMs);
      return std::nullopt;
    }
  }
  if (words.values.contains(QStringLiteral("--status"))) {
    const QString form = words.values.value(QStringLiteral("--status"));
    if (form != QLatin1String("jsonl")) {
      error = QStringLiteral("log: bad --status \"%1\": the one form is jsonl").arg(form);
      return std::nullopt;
    }
    options.status_jsonl = true;
  }
  options.output = words.values.value(QStringLiteral("--output"));
  if (words.values.contains(QStringLiteral("--output")) && options.output.isEmpty()) {
    error = QStringLiteral("log: --output needs a file name, or - for standard output");
    return std::nullopt;
  }
  return options;
}

QString LogHelpText(const registers::RegisterTable& table) {
  return QStringLiteral(
             "usage: talvix-cli [GLOBAL OPTIONS] log [--fast] [--values LIST] [--samples N]\n"
             "                  [--delay MS] [--output FILE] [--status jsonl]\n"
             "Samples the datalog window's values as its run does (the values one after\n"
             "another, then the delay) and writes CSV: a header row, then one row per sample\n"
             "whose first column is the seconds since the first sample began (monotonic).\n"
             "  --fast         Fast read-out (USB SPI card only): a sample's values in one card\n"
             "                 transfer instead of one transfer per value, and one 0.1 ms\n"
             "                 pause after it instead of one after each value\n"
             "  --values LIST  comma-separated, of\n"
             "                 %1\n"
             "                 (or the datalog window's captions, as \"Peak Y acceleration\");\n"
             "                 columns follow the datalog's order. Default: all eight\n"
             "  --samples N    samples to take, 1 to %2. Default: 1000\n"
             "  --delay MS     pause after each sample, 0 to %3 ms (fractions allowed).\n"
             "                 Default: 0. Each value read also pauses 0.1 ms\n"
             "  --output FILE  the CSV file; - or no --output: standard output. The rows go to\n"
             "                 FILE.part as they come (on the disk at least once a second),\n"
             "                 which replaces FILE when the run ends; a run that reads no row\n"
             "                 keeps the old FILE. A FILE.part left by a run that did not end\n"
             "                 (a crash, a full disk) holds its rows and is never overwritten:\n"
             "                 move it away before logging to FILE again\n"
             "  --status jsonl one JSON object a second on standard error (samples, rate, late,\n"
             "                 file, bytes_synced) and one at the end (with longest_gap_ms and\n"
             "                 \"end\": true) in place of the progress and the account\n"
             "Progress (samples done, samples per second) goes to standard error when it is a\n"
             "terminal; at the end standard error gives the samples taken, the rate, the longest\n"
             "gap between two samples and the samples that came late. Ctrl-C (SIGINT), SIGTERM\n"
             "or SIGHUP ends the run after the sample under way: every row read so far is\n"
             "written and flushed, and the status is 0.\n"
             "exit status: 0 all samples taken, or stopped by a signal; 1 the interface could\n"
             "not be opened, a read did not reach the sensor or was not answered (no row for\n"
             "that sample; the rows before it are written), or the output could not be\n"
             "written; 2 bad command line, or a FILE.part in the way (nothing was sent)\n")
      .arg(ColumnNames(table).join(QStringLiteral(", ")))
      .arg(kMaxLogSamples)
      .arg(datalog::kMaxSampleDelayMs);
}

int RunLog(const LogOptions& options, Session& session, const platform::LibUsbDriver* libusb,
           LogOutput& output, const LogHooks& hooks, QString& error) {
  Progress progress(options.status_jsonl ? nullptr : hooks.progress, options.samples);
  JsonStatus status(options.status_jsonl ? hooks.account : nullptr, output);
  const datalog::SampleAccount* live_account = nullptr;
  platform::Clock& clock = session.clock();
  double flushed_at = clock.MonotonicSeconds();
  bool unflushed = false;
  bool output_failed = false;
  double seconds_so_far = 0;
  const double interval = output.ToFile() ? kSyncIntervalSeconds : kFlushIntervalSeconds;
  // Hands the rows on when the last hand-over is old enough: from each row, and from the stop
  // questions during a long pause, so that no row waits longer than that.
  const auto flush_when_due = [&] {
    const double now = clock.MonotonicSeconds();
    if (!unflushed || now - flushed_at < interval) return true;
    flushed_at = now;
    unflushed = false;
    output_failed = !output.Flush(error);
    return !output_failed;
  };
  datalog::SampleLogHooks log_hooks;
  log_hooks.write = [&](const QByteArray& text) {
    if (!output.Write(text, error)) {
      output_failed = true;
      return false;
    }
    unflushed = true;
    return flush_when_due();
  };
  const double start = clock.MonotonicSeconds();
  log_hooks.stop_requested = [&] {
    if (!flush_when_due()) return true;
    if (live_account != nullptr)
      status.Show(*live_account, clock.MonotonicSeconds() - start, false);
    return hooks.stop_requested();
  };
  log_hooks.progress = [&](const datalog::SampleAccount& account, double seconds) {
    live_account = &account;
    seconds_so_far = seconds;
    progress.Show(account.samples(), seconds, false);
  };
  const datalog::SampleLogResult result = datalog::RunSampleLog(
      session, {options.selection, options.samples, options.delay_ms}, log_hooks);
  if (result.rows > 0) progress.Show(result.rows, seconds_so_far, true);
  progress.End();
  live_account = nullptr;
  if (!options.status_jsonl && hooks.account != nullptr && result.account.samples() > 0) {
    *hooks.account << QStringLiteral("log: ") << result.account.Summary() << '\n';
    hooks.account->flush();
  }
  const int exit_status = EndOfLog(result, output_failed, session, libusb, output, error);
  status.Show(result.account, clock.MonotonicSeconds() - start, true);
  return exit_status;
}

}  // namespace talvix::cli
