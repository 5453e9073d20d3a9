// SPDX-License-Identifier: MIT
#include "common/append_file.h"

#include "common/file_target.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace talvix::common {

namespace {

// What waits in memory before it is written out without being asked: a second of rows of a
// fast log is far less.
constexpr qsizetype kWriteOutBytes = 64 * 1024;

// Writes all of `bytes` at the descriptor's position; 0, or the errno of the failure with the
// count put out before it in `written`.
int WriteAll(int fd, const char* bytes, qsizetype size, qsizetype& written) {
  written = 0;
  while (written < size) {
    const ssize_t put = ::write(fd, bytes + written, static_cast<size_t>(size - written));
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return errno;
    if (put == 0) return ENOSPC;
    written += put;
  }
  return 0;
}

}  // namespace

AppendingFile::~AppendingFile() {
  if (fd_ < 0) return;
  QString why;
  WriteOut(why);
  ::close(fd_);
}

bool AppendingFile::Open(const QString& path, Create create, QString& why) {
  QString target;
  if (Resolve(path, target, why) == Target::kRefused) return false;
  native_path_ = QFile::encodeName(path);
  // Non-blocking, in case the name was swapped for a named pipe since the look above (a pipe
  // without a reader then fails at once); the look at what was opened refuses it. Not O_APPEND:
  // Overwrite must be able to write in place.
  const int flags = O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY |
                    (create == Create::kNew ? O_EXCL : 0);
  const int fd = ::open(native_path_.constData(), flags, 0666);
  if (fd < 0) {
    why = ErrorText(errno);
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    why = ErrorText(errno);
    ::close(fd);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    why = QStringLiteral("it is %1, not a file").arg(KindOf(info.st_mode));
    ::close(fd);
    return false;
  }
  const off_t end = ::lseek(fd, 0, SEEK_END);
  if (end < 0) {
    why = ErrorText(errno);
    ::close(fd);
    return false;
  }
  fd_ = fd;
  on_disk_ = end;
  synced_ = end;
  waiting_.clear();
  waiting_appends_ = 0;
  appends_on_disk_ = 0;
  failure_.clear();
  return true;
}

bool AppendingFile::Failed(int error_number, QString& why) {
  failure_ = ErrorText(error_number);
  why = failure_;
  return false;
}

bool AppendingFile::WriteOut(QString& why) {
  if (!failure_.isEmpty()) {
    why = failure_;
    return false;
  }
  if (waiting_.isEmpty()) return true;
  qsizetype written = 0;
  const int error_number = WriteAll(fd_, waiting_.constData(), waiting_.size(), written);
  if (error_number == 0) {
    on_disk_ += waiting_.size();
    appends_on_disk_ += waiting_appends_;
    waiting_.truncate(0);
    waiting_appends_ = 0;
    return true;
  }
  // The file keeps what earlier write-outs put there, which ends with a whole append.
  Failed(error_number, why);
  if (written > 0 && ::ftruncate(fd_, static_cast<off_t>(on_disk_)) != 0) {
    failure_ +=
        QStringLiteral("; the part written could not be removed (%1)").arg(ErrorText(errno));
    why = failure_;
  }
  ::lseek(fd_, static_cast<off_t>(on_disk_), SEEK_SET);
  waiting_.clear();
  waiting_appends_ = 0;
  return false;
}

bool AppendingFile::Append(const QByteArray& bytes, QString& why) {
  if (fd_ < 0) {
    why = QStringLiteral("the file is not open");
    return false;
  }
  if (!failure_.isEmpty()) {
    why = failure_;
    return false;
  }
  waiting_ += bytes;
  ++waiting_appends_;
  return waiting_.size() < kWriteOutBytes || WriteOut(why);
}

bool AppendingFile::Sync(QString& why) {
  if (fd_ < 0) {
    why = QStringLiteral("the file is not open");
    return false;
  }
  if (!WriteOut(why)) return false;
  if (::fdatasync(fd_) != 0) return Failed(errno, why);
  synced_ = on_disk_;
  return true;
}

bool AppendingFile::Overwrite(int64_t offset, const QByteArray& bytes, QString& why) {
  if (fd_ < 0) {
    why = QStringLiteral("the file is not open");
    return false;
  }
  if (!WriteOut(why)) return false;
  qsizetype written = 0;
  while (written < bytes.size()) {
    const ssize_t put = ::pwrite(fd_, bytes.constData() + written,
                                 static_cast<size_t>(bytes.size() - written), offset + written);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return Failed(put < 0 ? errno : ENOSPC, why);
    written += put;
  }
  return Sync(why);
}

bool AppendingFile::Close(QString& why) {
  if (fd_ < 0) return true;
  const bool synced = Sync(why);
  const int fd = fd_;
  fd_ = -1;
  waiting_.clear();
  if (::close(fd) != 0 && synced) {
    // The close reported a write that failed late (a network file system).
    why = ErrorText(errno);
    return false;
  }
  return synced;
}

bool AppendToFile(const QString& path, const QByteArray& block, QString& why) {
  AppendingFile file;
  if (!file.Open(path, AppendingFile::Create::kIfMissing, why)) return false;
  const int64_t before = file.end();
  if (file.Append(block, why) && file.Close(why)) return true;
  // A close that failed late leaves the block perhaps in part: the cut goes by name.
  const QByteArray native = QFile::encodeName(path);
  if (QFile::exists(path) && ::truncate(native.constData(), before) != 0) {
    why += QStringLiteral("; the part written could not be removed (%1)").arg(ErrorText(errno));
  }
  return false;
}

}  // namespace talvix::common
