// SPDX-License-Identifier: MIT
#include "common/whole_file.h"

#include "common/file_target.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace talvix::common {

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

FileRead ReadRegularFile(const QString& path, qint64 limit, QByteArray& contents, QString& why) {
  contents.clear();
  QString target;
  switch (Resolve(path, target, why)) {
    case Target::kMissing:
      return FileRead::kMissing;
    case Target::kRefused:
      return FileRead::kFailed;
    case Target::kRegularFile:
      break;
  }
  // Non-blocking, in case the name was swapped for a named pipe since the look above; the second
  // look, at what was opened, refuses it then.
  const Descriptor file(
      ::open(QFile::encodeName(target).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.get() < 0) {
    why = ErrorText(errno);
    return FileRead::kFailed;
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) {
    why = ErrorText(errno);
    return FileRead::kFailed;
  }
  if (!S_ISREG(info.st_mode)) {
    why = QStringLiteral("it is %1, not a file").arg(KindOf(info.st_mode));
    return FileRead::kFailed;
  }
  QByteArray buffer(static_cast<qsizetype>(limit), '\0');
  qsizetype filled = 0;
  while (filled < buffer.size()) {
    const ssize_t got =
        ::read(file.get(), buffer.data() + filled, static_cast<size_t>(buffer.size() - filled));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      why = ErrorText(errno);
      return FileRead::kFailed;
    }
    if (got == 0) break;
    filled += got;
  }
  buffer.truncate(filled);
  contents = buffer;
  return FileRead::kRead;
}

bool WriteWholeFile(const QString& path, const QByteArray& contents, QString& why) {
  QString target;
  if (Resolve(path, target, why) == Target::kRefused) return false;
  // Without the direct-write fallback (QSaveFile's default): where no temporary file can be made
  // beside the target the write fails instead of truncating the old file first.
  QSaveFile file(target);
  // A failed flush leaves QFileDevice's error text at "Unknown error": the system's own reason,
  // read at once, names the cause ("No space left on device").
  const auto reason = [&file] {
    const int error_number = errno;
    return error_number != 0 ? ErrorText(error_number) : file.errorString();
  };
  errno = 0;
  if (!file.open(QIODevice::WriteOnly)) {
    why = file.errorString();
    return false;
  }
  // The flush puts the last buffered bytes out, so that a full disk shows here and not as an
  // empty file after the rename.
  errno = 0;
  if (file.write(contents) != contents.size() || !file.flush()) {
    why = reason();
    file.cancelWriting();
    return false;
  }
  errno = 0;
  if (!file.commit()) {
    why = reason();
    return false;
  }
  return true;
}

}  // namespace talvix::common
