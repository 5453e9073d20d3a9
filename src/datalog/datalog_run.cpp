#include "datalog/datalog_run.h"

#include "common/append_file.h"
#include "datalog/datalog_sample.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <functional>
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
      format_(DatalogFormatFor(locale)) {
  run_start_ = session_.clock().MonotonicSeconds();
  last_report_ = run_start_;
  const int columns =
      static_cast<int>(std::count(settings_.selection.begin(), settings_.selection.end(), true));
  rows_.reserve(static_cast<qsizetype>(settings_.samples_per_file) *
                (kRowNumberBytes + columns * kValueBytes));
  SetUpFile(1);
}

void DatalogRun::SetUpFile(int file) {
  file_ = file;
  path_ = settings_.folder + u'/' + DatalogFileName(settings_.base_name, file, format_);
  rows_.truncate(0);
  rows_taken_ = 0;
  file_begun_ = false;
  file_pending_ = false;
}

RunEnd DatalogRun::Run(CooperativeLoop::Run& passes, const ProgressFn& progress) {
  const std::function<bool()> yield = [&passes] { return passes.Yield(); };
  const std::function<bool()> stop_requested = [&passes] { return !passes.Continue(); };
  for (;;) {
    if (FileDue()) {
      Report(progress, true);
      if (!passes.Yield()) return RunEnd::kAborted;
    }
    if (!Sample()) return RunEnd::kFailed;
    if (!PauseAfterSample(session_.clock(), *session_.delay, settings_.delay_ms, yield,
                          stop_requested)) {
      return RunEnd::kAborted;
    }
    Report(progress, false);
    const bool stop = stop_requested();
    if (stop || rows_taken_ >= settings_.samples_per_file) Report(progress, true);
    switch (EndSample(stop)) {
      case PassEnd::kNextSample:
      case PassEnd::kNextFile:
        break;
      case PassEnd::kCompleted:
        return RunEnd::kCompleted;
      case PassEnd::kCancelled:
        return RunEnd::kCancelled;
      case PassEnd::kFailed:
        return RunEnd::kFailed;
    }
  }
}

bool DatalogRun::Sample() {
  if (!file_begun_) {
    begin_seconds_ = static_cast<float>(session_.clock().SecondsSinceMidnight());
    file_begun_ = true;
    file_pending_ = true;
  }
  std::array<float, kColumnCount> values{};
  int count = 0;
  if (ReadDatalogSample(session_.link, settings_.selection, values.data(), count)) {
    const int sample = rows_taken_ + 1;
    AppendDatalogRow(rows_, sample, values.data(), count, format_, locale_);
    last_row_seconds_ = static_cast<float>(session_.clock().SecondsSinceMidnight());
    ++rows_taken_;
    ++samples_in_run_;
    return true;
  }
  const bool interface_said = session_.link.LastStatus == link::LinkStatus::kLinkFailed;
  const int rows = rows_taken_;
  if (!WriteCurrentFile() || interface_said) return false;
  message_ =
      QStringLiteral(
          "The device did not answer while sample %1 of file %2 was being read: the datalog has "
          "stopped.\r\n%3")
          .arg(rows + 1)
          .arg(file_)
          .arg(rows > 0 ? QStringLiteral("The %1 rows read before it were added to %2.")
                              .arg(rows)
                              .arg(path_)
                        : QStringLiteral("No rows were read for %1.").arg(path_));
  return false;
}

PassEnd DatalogRun::EndSample(bool stop) {
  if (!stop && rows_taken_ < settings_.samples_per_file) return PassEnd::kNextSample;
  if (!WriteCurrentFile()) return PassEnd::kFailed;
  if (stop) return PassEnd::kCancelled;
  if (file_ >= settings_.files) return PassEnd::kCompleted;
  SetUpFile(file_ + 1);
  return PassEnd::kNextFile;
}

RunProgress DatalogRun::Progress() const {
  RunProgress progress;
  progress.file = file_;
  progress.sample = rows_taken_;
  progress.path = path_;
  const double elapsed = session_.clock().MonotonicSeconds() - run_start_;
  progress.rate = elapsed > 0 ? static_cast<double>(samples_in_run_) / elapsed : 0.0;
  return progress;
}

void DatalogRun::Report(const ProgressFn& progress, bool always) {
  if (!progress) return;
  const double now = session_.clock().MonotonicSeconds();
  if (!always && now - last_report_ < kReportIntervalSeconds) return;
  last_report_ = now;
  progress(Progress());
}

bool DatalogRun::WriteCurrentFile() {
  if (!file_pending_) return true;
  file_pending_ = false;  // one attempt only, whatever comes of it
  if (rows_taken_ == 0) return true;
  const QString name = DatalogFileName(settings_.base_name, file_, format_);
  QByteArray block = DatalogHeader(name, QDateTime::currentDateTime(), begin_seconds_,
                                   last_row_seconds_, settings_.selection, format_, locale_);
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
