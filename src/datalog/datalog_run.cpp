#include "datalog/datalog_run.h"

#include "common/append_file.h"
#include "datalog/datalog_sample.h"

#include <QDateTime>

#include <algorithm>
#include <utility>

namespace talvix::datalog {

namespace {

// Progress is shown at most this often during a file (and always at its start and end).
constexpr double kReportIntervalSeconds = 0.1;
// Bytes a row takes at most: the sample number and each value with its delimiter, and CR LF.
constexpr int kRowNumberBytes = 8;
constexpr int kValueBytes = 16;

}  // namespace

DatalogRun::DatalogRun(Session& session, RunSettings settings, const QLocale& locale)
    : session_(session),
      settings_(std::move(settings)),
      locale_(locale),
      format_(DatalogFormatFor(locale)) {}

RunEnd DatalogRun::Run(const Hooks& hooks) {
  platform::Clock& clock = session_.clock();
  run_start_ = clock.MonotonicSeconds();
  last_report_ = run_start_;
  const int columns =
      static_cast<int>(std::count(settings_.selection.begin(), settings_.selection.end(), true));
  rows_.reserve(static_cast<qsizetype>(settings_.samples_per_file) *
                (kRowNumberBytes + columns * kValueBytes));

  for (int file = 1; file <= settings_.files; ++file) {
    file_ = file;
    path_ = settings_.folder + u'/' + DatalogFileName(settings_.base_name, file, format_);
    rows_.truncate(0);
    rows_taken_ = 0;
    file_pending_ = false;
    Report(hooks, true);
    if (!hooks.yield()) return RunEnd::kAborted;
    begin_seconds_ = static_cast<float>(clock.SecondsSinceMidnight());
    file_pending_ = true;

    bool cancelled = false;
    std::array<float, kColumnCount> values{};
    for (int sample = 1; sample <= settings_.samples_per_file; ++sample) {
      int count = 0;
      if (!ReadSample(values.data(), count)) {
        const bool interface_said = session_.link.LastStatus == link::LinkStatus::kLinkFailed;
        const int rows = rows_taken_;
        if (!WriteCurrentFile()) return RunEnd::kFailed;
        if (!interface_said) {
          message_ =
              QStringLiteral(
                  "The device did not answer while sample %1 of file %2 was being read: the "
                  "datalog has stopped.\r\n%3")
                  .arg(sample)
                  .arg(file)
                  .arg(rows > 0 ? QStringLiteral("The %1 rows read before it were added to %2.")
                                      .arg(rows)
                                      .arg(path_)
                                : QStringLiteral("No rows were read for %1.").arg(path_));
        }
        return RunEnd::kFailed;
      }
      AppendDatalogRow(rows_, sample, values.data(), count, format_, locale_);
      ++rows_taken_;
      ++samples_in_run_;
      if (!Pause(hooks)) return RunEnd::kAborted;
      Report(hooks, false);
      if (hooks.cancelled()) {
        cancelled = true;
        break;
      }
    }
    Report(hooks, true);
    if (!WriteCurrentFile()) return RunEnd::kFailed;
    if (cancelled) return RunEnd::kCancelled;
  }
  return RunEnd::kCompleted;
}

bool DatalogRun::ReadSample(float* values, int& count) {
  return ReadDatalogSample(session_.link, settings_.selection, values, count);
}

bool DatalogRun::Pause(const Hooks& hooks) {
  return PauseAfterSample(session_.clock(), *session_.delay, settings_.delay_ms, hooks.yield,
                          hooks.cancelled);
}

void DatalogRun::Report(const Hooks& hooks, bool always) {
  if (!hooks.progress) return;
  const double now = session_.clock().MonotonicSeconds();
  if (!always && now - last_report_ < kReportIntervalSeconds) return;
  last_report_ = now;
  RunProgress progress;
  progress.file = file_;
  progress.sample = rows_taken_;
  progress.path = path_;
  const double elapsed = now - run_start_;
  progress.rate = elapsed > 0 ? static_cast<double>(samples_in_run_) / elapsed : 0.0;
  hooks.progress(progress);
}

bool DatalogRun::WriteCurrentFile() {
  if (!file_pending_) return true;
  file_pending_ = false;  // one attempt only, whatever comes of it
  if (rows_taken_ == 0) return true;
  const float end_seconds = static_cast<float>(session_.clock().SecondsSinceMidnight());
  const QString name = DatalogFileName(settings_.base_name, file_, format_);
  QByteArray block = DatalogHeader(name, QDateTime::currentDateTime(), begin_seconds_, end_seconds,
                                   settings_.selection, format_, locale_);
  block += rows_;
  QString why;
  if (!common::AppendToFile(path_, block, why)) {
    message_ = QStringLiteral(
                   "The datalog file %1 could not be written: %2.\r\nThe datalog has stopped; "
                   "the %3 rows of this file are lost, and the file holds what it held before.")
                   .arg(path_, why)
                   .arg(rows_taken_);
    return false;
  }
  written_ << path_;
  return true;
}

void DatalogRun::FinishCurrentFile() {
  WriteCurrentFile();
}

}  // namespace talvix::datalog
