// One datalog run: for each file of the session, sample the selected values over the register
// interface (one read per value, in column order, with nothing else between them), pause, and
// keep the rows in memory; when the file's last sample is in, append its block (header and rows)
// to the file in one go. A cancel ends the run after the sample under way, and the current file
// still gets its block.
//
// The pause after each sample is waited in slices of at most 0.1 s, with a yield to the window
// system after each, so that a cancel acts within a slice; with no pause there is exactly one
// yield per sample. A read that does not reach the sensor (or answers all ones, the idle data
// line: none of these eight registers can give that word as data, see ReadDatalogSample) ends
// the run; the rows read before it are written and no row holds a value that was not read.
#pragma once

#include "datalog/datalog_format.h"
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
};

struct RunProgress {
  int file = 0;     // 1..files
  int sample = 0;   // samples taken for this file so far
  QString path;     // full path of the current file
  double rate = 0;  // samples per second over the run so far (0 until measurable)
};

enum class RunEnd {
  kCompleted,  // every file written
  kCancelled,  // the user cancelled; the current file was written
  kFailed,     // a read or a file failed; message() says why (unless the interface has said it)
  kAborted,    // the loop was aborted during a yield; the run touched nothing after it
};

class DatalogRun {
 public:
  struct Hooks {
    // The one yield of a pass; false when the run must end at once (the loop was aborted).
    std::function<bool()> yield;
    // The user has asked to stop (read after each yield).
    std::function<bool()> cancelled;
    // The run's progress, at the start of each file, now and then during it, and at its end.
    std::function<void(const RunProgress&)> progress;
  };

  DatalogRun(Session& session, RunSettings settings, const QLocale& locale = QLocale());
  DatalogRun(const DatalogRun&) = delete;
  DatalogRun& operator=(const DatalogRun&) = delete;

  RunEnd Run(const Hooks& hooks);

  // Appends the block of the file under way with the rows it has so far, once; nothing when it
  // has no rows or was written already. For ends that do not come back to Run: the exit path's
  // abort, the window's destruction.
  void FinishCurrentFile();

  // What went wrong, for the user (empty when nothing did, or the interface has said it).
  const QString& message() const { return message_; }
  // Full paths of the files whose blocks were written in this run, in order.
  const QStringList& written() const { return written_; }
  const DatalogFormat& format() const { return format_; }

 private:
  // Reads the selected values into `values`; false when a read did not bring a value.
  bool ReadSample(float* values, int& count);
  // Waits the sample delay in slices with a yield each; false when aborted.
  bool Pause(const Hooks& hooks);
  // Appends the current file's block; false (with the message set) when it could not.
  bool WriteCurrentFile();
  void Report(const Hooks& hooks, bool always);

  Session& session_;
  RunSettings settings_;
  QLocale locale_;
  DatalogFormat format_;
  QByteArray rows_;  // the current file's rows, CR LF ended; its storage is kept for every file
  int rows_taken_ = 0;
  bool file_pending_ = false;  // the current file has rows not yet written
  int file_ = 0;
  QString path_;
  float begin_seconds_ = 0;
  double run_start_ = 0;
  double last_report_ = 0;
  long long samples_in_run_ = 0;
  QString message_;
  QStringList written_;
};

}  // namespace talvix::datalog
