// SPDX-License-Identifier: MIT
// Where talvix-cli log puts its rows: standard output, or a file. A file's rows go to
// "<file>.part" beside it as they come, synced to the disk at least once a second
// (common/streamed_file.h), and the part takes the place of the file when the run ends. A run
// that reads no row leaves the old file as it was and removes its part; a run that cannot write
// its part (a full disk) leaves the part with the rows that reached it; a crash leaves the part
// with the rows up to the last sync. Such a part is never overwritten: the next run naming the
// same file refuses until the user has moved it away. The part is made before anything is read
// from the sensor: a path that cannot be written costs no run.
#pragma once

#include "common/streamed_file.h"

#include <QByteArray>
#include <QString>
#include <QTextStream>

namespace talvix::cli {

class LogOutput {
 public:
  // `path` "-" or empty: standard output, that is `out`.
  LogOutput(const QString& path, QTextStream& out);
  LogOutput(const LogOutput&) = delete;
  LogOutput& operator=(const LogOutput&) = delete;

  // Makes the part; false, with what to do in `error`, when it cannot be made or a part of an
  // earlier run is in the way (PartInTheWay).
  bool Open(QString& error);
  // Every step below fails with a message naming the file and the reason; the part then keeps
  // the rows that reached it, and the old file is as it was.
  bool Write(const QByteArray& text, QString& error);
  // Hands what was written so far on: to standard output's reader, or to the disk.
  bool Flush(QString& error);
  // Flushes; the part takes the place of the old file.
  bool Finish(QString& error);
  // The run read nothing worth keeping: the part is removed, the old file stays.
  void Discard();

  // Bytes handed on at the last Flush: on the disk for a file, to the reader for standard output.
  int64_t bytes_handed_on() const { return ToFile() ? file_.synced() : handed_on_; }
  bool PartInTheWay() const { return file_.part_left(); }
  bool ToFile() const { return !path_.isEmpty(); }
  const QString& path() const { return path_; }

 private:
  bool Failed(const QString& why, QString& error);

  QString path_;  // empty for standard output
  QTextStream& out_;
  common::StreamedFile file_;
  int64_t writes_ = 0;     // Write calls to the file: the header, then one per row
  int64_t written_ = 0;    // to standard output
  int64_t handed_on_ = 0;  // to standard output, at the last flush
};

}  // namespace talvix::cli
