// Faults of the file system for tests of the files the program writes, usable as root and as a
// normal user alike.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

namespace talvix::test {

// While it lives, no file of this process can grow beyond `bytes`: a write past that fails with
// EFBIG ("File too large") as a write to a full disk fails with ENOSPC, and nothing else of the
// machine is touched. SIGXFSZ, which such a write would raise, is ignored meanwhile.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    saved_handler_ = std::signal(SIGXFSZ, SIG_IGN);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, saved_handler_);
  }

 private:
  rlimit saved_{};
  void (*saved_handler_)(int) = SIG_DFL;
};

// While it lives, `path` (a folder or a file) cannot be written: its write permissions are taken
// away, and where they do not stop this process (root) it is made immutable as well, which stops
// root too. Nothing can be created in, removed from or renamed within such a folder.
class Unwritable {
 public:
  explicit Unwritable(const QString& path)
      : path_(QFile::encodeName(path)), permissions_(QFile::permissions(path)) {
    QFile::setPermissions(path,
                          permissions_ & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser |
                                           QFileDevice::WriteGroup | QFileDevice::WriteOther));
    if (::access(path_.constData(), W_OK) == 0) immutable_ = SetImmutable(true);
  }
  Unwritable(const Unwritable&) = delete;
  Unwritable& operator=(const Unwritable&) = delete;
  ~Unwritable() {
    if (immutable_) SetImmutable(false);
    QFile::setPermissions(QFile::decodeName(path_), permissions_);
  }

  // False when neither way could stop this process from writing.
  bool holds() const { return ::access(path_.constData(), W_OK) != 0; }

 private:
  bool SetImmutable(bool on) const {
    const int fd = ::open(path_.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
  }

  QByteArray path_;
  QFileDevice::Permissions permissions_;
  bool immutable_ = false;
};

inline bool MakeFifo(const QString& path) {
  return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// The file type bits of what `path` names, the name itself when it is a link (0 when absent).
inline mode_t TypeOf(const QString& path) {
  struct stat info {};
  if (::lstat(QFile::encodeName(path).constData(), &info) != 0) return 0;
  return info.st_mode & S_IFMT;
}

inline QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace talvix::test
