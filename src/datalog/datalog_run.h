// SPDX-License-Identifier: MIT
// One datalog run: for each file of the session, sample the selected values over the register
// interface (one read per value, in column order, with nothing else between them), pause, and
// append the row to the file. The file's block (header, then the rows) is begun with its first
// row; the rows reach the disk at least once a second (common/append_file.h), so a crash loses at
// most the last second. The header's End Seconds reads "unfinished" until the block ends, when it
// is filled in place; a block cut short by a crash or a failed write keeps "unfinished". Earlier
// blocks of the file are never touched. A stop request ends the run after the sample under way,
// and the current file's block is ended as at its last sample.
//
// The run is a cooperative loop (Run): the one yield before each file's first sample, then passes.
// A pass is Sample (plain: the reads and the row appended), the pause after it, and EndSample
// (plain: the block ended when the file is full or a stop was asked, the next file set up). The
// pause is waited in slices of at most 0.1 s, with a yield to the window system after each, so that
// a stop acts within a slice; with no pause there is exactly one yield per sample. The rows are
// synced from the passes and the yields, so that a long pause does not hold them back. A read that
// does not reach the sensor (or answers all ones, the idle data line: none of these eight registers
// can give that word as data, see ReadDatalogSample) ends the run; the rows read before it are
// written and no row holds a value that was not read.
#pragma once

#include "common/append_file.h"
#include "datalog/datalog_format.h"
#include "datalog/sample_account.h"
#include "session/cooperative_loop.h"
#include "session/session.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>

namespace talvix::datalog {

struct RunSettings {
  QString folder;     // where the files go
  QString base_name;  // checked with FileNameProblem before the run
  int samples_per_file = 1000;
  int files = 1;
  double delay_ms = 0;
  Selection selection{};
  // The rows are synced to the disk at least this often, in seconds (and at the end of each
  // file): a crash loses at most this stretch, a sample and a slice of the pause.
  double sync_interval_seconds = 0.5;
};

struct RunProgress {
  int file = 0;     // 1..files
  int sample = 0;   // samples taken for this file so far
  QString path;     // full path of the current file
  double rate = 0;  // samples per second over the run so far (0 until measurable)
};

enum class RunEnd {
  kCompleted,  // every file's block ended
  kCancelled,  // a stop was asked; the current file's block was ended with the rows it has
  kFailed,     // a read or a file failed; message() says why (unless the interface has said it)
  kAborted,    // the loop was aborted during a yield; the run touched nothing after it
};

// What a pass leaves for the next one.
enum class PassEnd {
  kNextSample,  // the file under way takes more samples
  kNextFile,    // the file under way was ended; the next pass begins the next file
  kCompleted,   // the session's last file was ended
  kCancelled,   // a stop was asked: the file under way was ended with the rows it has
  kFailed,      // the file under way could not be written; message() says why
};

class DatalogRun {
 public:
  using ProgressFn = std::function<void(const RunProgress&)>;

  // The run begins with its first file set up (number 1 and its path).
  DatalogRun(Session& session, RunSettings settings, const QLocale& locale = QLocale());
  DatalogRun(const DatalogRun&) = delete;
  DatalogRun& operator=(const DatalogRun&) = delete;

  // Runs the passes until the last file is ended, a pass fails, or `passes` no longer continues:
  // a stop request ends the run after the sample under way, an abort at once (kAborted). The
  // progress is reported at the start of each file, at most every 0.1 s during it, and at its end.
  RunEnd Run(CooperativeLoop::Run& passes, const ProgressFn& progress = nullptr);

  // The first half of a pass: the next sample of the file under way, its selected values read and
  // its row appended; a file's first sample reads the file's begin time first. False when a read
  // brought no value or the file could not be written: the run is over, with no row for that
  // sample, the block ended and message() saying why (unless the interface has said it).
  bool Sample();
  // The second half, after the pause that follows the sample: the rows are synced when due, the
  // block of the file under way is ended when it has its samples or `stop` is set, and then the
  // next file is set up.
  PassEnd EndSample(bool stop);
  // The next pass begins a file (Run shows the file and yields before it).
  bool FileDue() const { return !file_begun_; }
  // Where the run stands now.
  RunProgress Progress() const;

  // Ends the block of the file under way (End Seconds filled in, the file synced and closed);
  // nothing when it has no rows or was ended already. For ends that do not come back to Run: the
  // exit path's abort, the window's destruction.
  void FinishCurrentFile();

  // What went wrong, for the user (empty when nothing did, or the interface has said it).
  const QString& message() const { return message_; }
  // Full paths of the files whose blocks were ended in this run, in order.
  const QStringList& written() const { return written_; }
  const DatalogFormat& format() const { return format_; }
  // Of the samples that gave a row, over the run.
  const SampleAccount& account() const { return account_; }

 private:
  // Sets up file `file`: its path, no rows yet.
  void SetUpFile(int file);
  // Reports the progress when `always` or when the last report is 0.1 s old.
  void Report(const ProgressFn& progress, bool always);
  // Appends the row of the sample just read, after the block's header when it is the first;
  // false (with the message set) when the file could not take it.
  bool AppendRow();
  // Puts the rows on the disk when the last sync is old enough; false (with the message set)
  // when that failed.
  bool SyncWhenDue();
  // Ends the current file's block; false (with the message set) when it could not.
  bool EndCurrentFile();
  // The message for a file that failed with `why`; the file is closed. `row_in_hand`: the row
  // of the sample just read could not be appended, and is lost with the rows not yet on the
  // disk; the session is told of every lost row.
  void FileFailed(const QString& why, bool row_in_hand = false);

  Session& session_;
  RunSettings settings_;
  QLocale locale_;
  DatalogFormat format_;
  common::AppendingFile log_file_;  // open from the block's first row to its end
  QByteArray row_;                  // the row under way, CR LF ended; its storage is kept
  int64_t end_field_at_ = 0;        // where the block's End Seconds field is in the file, in bytes
  double synced_at_ = 0;            // monotonic seconds of the last sync
  bool file_failed_ = false;        // the file could not be written: the run ends at this pass
  int rows_taken_ = 0;
  bool file_begun_ = false;  // the current file's begin time has been read
  int file_ = 0;
  QString path_;
  float begin_seconds_ = 0;
  // When the file's last row was read: its End Seconds, whatever happens between that read and
  // the end of the block (a message about a failed read waits for the user).
  float last_row_seconds_ = 0;
  double run_start_ = 0;
  double last_report_ = 0;
  long long samples_in_run_ = 0;
  SampleAccount account_;
  QString message_;
  QStringList written_;
};

}  // namespace talvix::datalog
