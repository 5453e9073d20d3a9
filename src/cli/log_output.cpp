#include "cli/log_output.h"

namespace talvix::cli {

LogOutput::LogOutput(const QString& path, QTextStream& out)
    : path_(path == QLatin1String("-") ? QString() : path), out_(out) {}

bool LogOutput::Failed(const QString& why, QString& error) const {
  error = QStringLiteral("cannot write the log file %1: %2; the file was left as it was")
              .arg(path_, why);
  return false;
}

bool LogOutput::Open(QString& error) {
  if (!ToFile()) return true;
  QString why;
  if (!file_.Open(path_, why)) {
    error = QStringLiteral("cannot write the log file %1: %2").arg(path_, why);
    return false;
  }
  return true;
}

bool LogOutput::Write(const QByteArray& text, QString& error) {
  if (!ToFile()) {
    out_ << QString::fromLatin1(text);
    return true;
  }
  QString why;
  return file_.Write(text, why) || Failed(why, error);
}

bool LogOutput::Flush(QString& error) {
  if (!ToFile()) {
    out_.flush();
    return true;
  }
  QString why;
  return file_.Flush(why) || Failed(why, error);
}

bool LogOutput::Finish(QString& error) {
  if (!ToFile()) {
    out_.flush();
    return true;
  }
  QString why;
  return file_.Commit(why) || Failed(why, error);
}

}  // namespace talvix::cli
