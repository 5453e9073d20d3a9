// SPDX-License-Identifier: MIT
#include "cli/log_output.h"

#include <algorithm>

namespace talvix::cli {

LogOutput::LogOutput(const QString& path, QTextStream& out)
    : path_(path == QLatin1String("-") ? QString() : path), out_(out) {}

bool LogOutput::Failed(const QString& why, QString& error) {
  error = QStringLiteral("cannot write the log file %1: %2; ").arg(path_, why);
  // The header is the first write; every later one is a row.
  const int64_t rows_lost =
      std::max<int64_t>(writes_ - 1, 0) - std::max<int64_t>(file_.writes_on_disk() - 1, 0);
  if (rows_lost > 0) error += QStringLiteral("%1 row(s) read were not written; ").arg(rows_lost);
  error += file_.writes_on_disk() > 1
               ? QStringLiteral(
                     "the header and the first %1 rows are in %2, and %3 was left as "
                     "it was")
                     .arg(file_.writes_on_disk() - 1)
                     .arg(file_.part_path(), path_)
               : QStringLiteral("the file was left as it was");
  if (file_.writes_on_disk() > 1) {
    file_.Keep();
  } else {
    file_.Discard();
  }
  return false;
}

bool LogOutput::Open(QString& error) {
  if (!ToFile()) return true;
  QString why;
  if (file_.Open(path_, why)) return true;
  if (file_.part_left()) {
    const QString part = common::StreamedFile::PartPath(path_);
    error = QStringLiteral(
                "log: %1 is left from a run that did not end, and holds its rows up to its last "
                "sync; it is never overwritten. Rename it (for example to %2) or remove it, then "
                "run again")
                .arg(part, part.chopped(5) + QStringLiteral(".earlier"));
    return false;
  }
  error = QStringLiteral("cannot write the log file %1: %2").arg(path_, why);
  return false;
}

bool LogOutput::Write(const QByteArray& text, QString& error) {
  if (!ToFile()) {
    out_ << QString::fromLatin1(text);
    written_ += text.size();
    return true;
  }
  QString why;
  ++writes_;
  return file_.Write(text, why) || Failed(why, error);
}

bool LogOutput::Flush(QString& error) {
  if (!ToFile()) {
    out_.flush();
    handed_on_ = written_;
    return true;
  }
  QString why;
  return file_.Sync(why) || Failed(why, error);
}

bool LogOutput::Finish(QString& error) {
  if (!ToFile()) {
    out_.flush();
    handed_on_ = written_;
    return true;
  }
  QString why;
  return file_.Commit(why) || Failed(why, error);
}

void LogOutput::Discard() {
  file_.Discard();
}

}  // namespace talvix::cli
