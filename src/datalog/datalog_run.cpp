// SPDX-License-Identifier: MIT
#include "datalog/datalog_run.h"

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
      format_(DatalogFormatFor(locale)),
      account_(settings_.delay_ms) {
  run_start_ = session_.clock().MonotonicSeconds();
  last_report_ = run_start_;
  const int columns =
      static_cast<int>(std::count(settings_.selection.begin(), settings_.selection.end(), true));
  row_.reserve(kRowNumberBytes + columns * kValueBytes);
  SetUpFile(1);
}

void DatalogRun::SetUpFile(int file) {
  file_ = file;
  path_ = settings_.folder + u'/' + DatalogFileName(settings_.base_name, file, format_);
  rows_taken_ = 0;
  file_begun_ = false;
}

RunEnd DatalogRun::Run(CooperativeLoop::Run& passes, const ProgressFn& progress) {
  // A yield during the pause also puts the rows on the disk when due; a failure there ends the
  // run at the end of the pass.
  const std::function<bool()> yield = [this, &passes] {
    if (!file_failed_) SyncWhenDue();
    return passes.Yield();
  };
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
  }
  std::array<float, kColumnCount> values{};
  int count = 0;
  const double start = session_.clock().MonotonicSeconds();
  if (ReadDatalogSample(session_.link, settings_.selection, values.data(), count)) {
    account_.Take(start, session_.clock().MonotonicSeconds());
    last_row_seconds_ = static_cast<float>(session_.clock().SecondsSinceMidnight());
    row_.truncate(0);
    AppendDatalogRow(row_, rows_taken_ + 1, values.data(), count, format_, locale_);
    if (!AppendRow()) return false;
    ++rows_taken_;
    ++samples_in_run_;
    return true;
  }
  const bool interface_said = session_.link.LastStatus == link::LinkStatus::kLinkFailed;
  const int rows = rows_taken_;
  if (!EndCurrentFile() || interface_said) return false;
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

bool DatalogRun::AppendRow() {
  QString why;
  if (!log_file_.IsOpen()) {
    // The block's first row: the file is opened, and the header goes before the row.
    if (!log_file_.Open(path_, common::AppendingFile::Create::kIfMissing, why)) {
      FileFailed(why, true);
      return false;
    }
    const QString name = DatalogFileName(settings_.base_name, file_, format_);
    const QByteArray header = DatalogHeader(name, QDateTime::currentDateTime(), begin_seconds_,
                                            std::nullopt, settings_.selection, format_, locale_);
    end_field_at_ = log_file_.end() + EndSecondsOffset(header);
    synced_at_ = session_.clock().MonotonicSeconds();
    if (!log_file_.Append(header, why)) {
      FileFailed(why, true);
      return false;
    }
  }
  if (!log_file_.Append(row_, why)) {
    FileFailed(why, true);
    return false;
  }
  return true;
}

bool DatalogRun::SyncWhenDue() {
  if (!log_file_.IsOpen()) return true;
  const double now = session_.clock().MonotonicSeconds();
  if (now - synced_at_ < settings_.sync_interval_seconds) return true;
  synced_at_ = now;
  QString why;
  if (log_file_.Sync(why)) return true;
  FileFailed(why);
  return false;
}

PassEnd DatalogRun::EndSample(bool stop) {
  if (file_failed_) return PassEnd::kFailed;
  if (!stop && rows_taken_ < settings_.samples_per_file) {
    return SyncWhenDue() ? PassEnd::kNextSample : PassEnd::kFailed;
  }
  if (!EndCurrentFile()) return PassEnd::kFailed;
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

void DatalogRun::FileFailed(const QString& why, bool row_in_hand) {
  file_failed_ = true;
  // The header and the rows that reached the disk before the failure stay; the block keeps
  // "unfinished", as it is cut short. The header is the block's first append.
  const int64_t on_disk = log_file_.appends_on_disk();
  const int64_t rows_lost = rows_taken_ + (row_in_hand ? 1 : 0) - std::max<int64_t>(on_disk - 1, 0);
  QString ignored;
  log_file_.Close(ignored);
  const QString kept = on_disk == 0
                           ? QStringLiteral("the file holds what it held before.")
                           : QStringLiteral(
                                 "the file holds the rows up to sample %1; its block's End "
                                 "Seconds reads \"unfinished\".")
                                 .arg(on_disk - 1);
  message_ =
      QStringLiteral("The datalog file %1 could not be written: %2.\r\nThe datalog has stopped; %3")
          .arg(path_, why, kept);
  if (rows_lost > 0) {
    const QString lost =
        QStringLiteral("%1 row(s) read for the datalog file %2 were not written: %3")
            .arg(rows_lost)
            .arg(path_, why);
    message_ += QStringLiteral("\r\n") + lost + u'.';
    session_.ReportLostRows(lost);
  }
}

bool DatalogRun::EndCurrentFile() {
  if (file_failed_) return false;
  if (!log_file_.IsOpen()) return true;  // no row was taken for it, or it was ended already
  QString why;
  const QByteArray field = EndSecondsField(last_row_seconds_, locale_);
  if ((field.size() == kEndSecondsWidth && !log_file_.Overwrite(end_field_at_, field, why)) ||
      !log_file_.Close(why)) {
    FileFailed(why);
    return false;
  }
  written_ << path_;
  return true;
}

void DatalogRun::FinishCurrentFile() {
  EndCurrentFile();
}

}  // namespace talvix::datalog
