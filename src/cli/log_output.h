// Where talvix-cli log puts its rows: standard output, or a file that takes the place of the old
// one only when the run ends (common/streamed_file.h), so that a run that fails or is stopped
// leaves either the old file or a new one that ends with a whole row. The file is made before
// anything is read from the sensor: a path that cannot be written costs no run.
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

  // Every step fails with a message naming the file and the reason; the file is then given up,
  // and the old one (if any) is as it was.
  bool Open(QString& error);
  bool Write(const QByteArray& text, QString& error);
  // Hands what was written so far on (to standard output's reader; to the temporary file).
  bool Flush(QString& error);
  // Flushes; a file takes the place of the old one.
  bool Finish(QString& error);

  bool ToFile() const { return !path_.isEmpty(); }
  const QString& path() const { return path_; }

 private:
  bool Failed(const QString& why, QString& error) const;

  QString path_;  // empty for standard output
  QTextStream& out_;
  common::StreamedFile file_;
};

}  // namespace talvix::cli
