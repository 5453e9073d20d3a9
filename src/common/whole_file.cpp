#include "common/whole_file.h"

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

QString ErrorText(int error_number) {
  return QString::fromLocal8Bit(std::strerror(error_number));
}

QString KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return QStringLiteral("a folder");
  if (S_ISFIFO(mode)) return QStringLiteral("a named pipe");
  if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
  if (S_ISSOCK(mode)) return QStringLiteral("a socket");
  return QStringLiteral("not a regular file");
}

enum class Target { kMissing, kRegularFile, kRefused };

// Finds the file that `path` names without opening anything: `path` itself, or the regular file
// that its symbolic link leads to (in `target`).
Target Resolve(const QString& path, QString& target, QString& why) {
  const QByteArray native = QFile::encodeName(path);
  struct stat info {};
  if (::lstat(native.constData(), &info) != 0) {
    if (errno == ENOENT) {
      target = path;
      return Target::kMissing;
    }
    why = ErrorText(errno);
    return Target::kRefused;
  }
  if (S_ISLNK(info.st_mode)) {
    if (::stat(native.constData(), &info) != 0) {
      why =
          QStringLiteral("it is a symbolic link that leads to no file (%1)").arg(ErrorText(errno));
      return Target::kRefused;
    }
    if (!S_ISREG(info.st_mode)) {
      why = QStringLiteral("it is a symbolic link to %1; only a link to a regular file is followed")
                .arg(KindOf(info.st_mode));
      return Target::kRefused;
    }
    target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty()) {
      why = QStringLiteral("its symbolic link cannot be followed");
      return Target::kRefused;
    }
    return Target::kRegularFile;
  }
  if (!S_ISREG(info.st_mode)) {
    why = QStringLiteral("it is %1, not a file").arg(KindOf(info.st_mode));
    return Target::kRefused;
  }
  target = path;
  return Target::kRegularFile;
}

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
