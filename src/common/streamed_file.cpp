#include "common/streamed_file.h"

#include "common/file_target.h"

#include <cerrno>

namespace talvix::common {

bool StreamedFile::Open(const QString& path, QString& why) {
  file_.reset();
  QString target;
  if (Resolve(path, target, why) == Target::kRefused) return false;
  // Without QSaveFile's direct-write fallback (its default): where no temporary file can be made
  // beside the target, Open fails instead of truncating the old file.
  auto file = std::make_unique<QSaveFile>(target);
  if (!file->open(QIODevice::WriteOnly)) {
    why = file->errorString();
    return false;
  }
  file_ = std::move(file);
  return true;
}

bool StreamedFile::Fail(QString& why) {
  // A failed write or flush leaves QFileDevice's error text at "Unknown error": the system's own
  // reason, read at once, names the cause.
  const int error_number = errno;
  why = error_number != 0 ? ErrorText(error_number) : file_->errorString();
  file_.reset();  // removes the temporary file
  return false;
}

bool StreamedFile::Write(const QByteArray& bytes, QString& why) {
  if (!file_) {
    why = QStringLiteral("the file is not open");
    return false;
  }
  errno = 0;
  if (file_->write(bytes) != bytes.size()) return Fail(why);
  return true;
}

bool StreamedFile::Flush(QString& why) {
  if (!file_) {
    why = QStringLiteral("the file is not open");
    return false;
  }
  errno = 0;
  if (!file_->flush()) return Fail(why);
  return true;
}

bool StreamedFile::Commit(QString& why) {
  // The flush puts the last buffered bytes out first, so that a full disk shows here and not as a
  // short file after the rename.
  if (!Flush(why)) return false;
  errno = 0;
  if (!file_->commit()) return Fail(why);
  file_.reset();
  return true;
}

}  // namespace talvix::common
