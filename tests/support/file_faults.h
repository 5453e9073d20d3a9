// SPDX-License-Identifier: MIT
// Faults of the file system for tests of the files the program writes, usable as root and as a
// normal user alike.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <fcntl.h>
#include <sys/fsuid.h>
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

// While it lives, `path` (a folder or a file) cannot be written by this thread: its write
// permissions are taken away (everyone may still read it and enter it), and where they do not stop
// this process (root), the thread's file-system user becomes "nobody", for whom they hold. That
// needs no capability beyond root's own, so it works in containers too. Nothing can be created in,
// removed from or renamed within such a folder, and such a file cannot be written.
class Unwritable {
 public:
  static constexpr uid_t kNobody = 65534;

  explicit Unwritable(const QString& path)
      : path_(QFile::encodeName(path)), permissions_(QFile::permissions(path)) {
    constexpr QFileDevice::Permissions kReadable = QFileDevice::ReadOwner | QFileDevice::ReadUser |
                                                   QFileDevice::ReadGroup | QFileDevice::ReadOther;
    constexpr QFileDevice::Permissions kEnterable = QFileDevice::ExeOwner | QFileDevice::ExeUser |
                                                    QFileDevice::ExeGroup | QFileDevice::ExeOther;
    is_folder_ = QFileInfo(path).isDir();
    QFile::setPermissions(path, is_folder_ ? kReadable | kEnterable : kReadable);
    if (::geteuid() == 0) saved_fsuid_ = ::setfsuid(kNobody);
  }
  Unwritable(const Unwritable&) = delete;
  Unwritable& operator=(const Unwritable&) = delete;
  ~Unwritable() {
    if (saved_fsuid_ >= 0) ::setfsuid(static_cast<uid_t>(saved_fsuid_));
    QFile::setPermissions(QFile::decodeName(path_), permissions_);
  }

  // False when this thread can still write there (tried, not guessed: access() asks for the real
  // user, not the file-system one).
  bool holds() const {
    if (!is_folder_) {
      const int fd = ::open(path_.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
      if (fd < 0) return true;
      ::close(fd);
      return false;
    }
    const QByteArray probe = path_ + "/.write-probe";
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return true;
    ::close(fd);
    ::unlink(probe.constData());
    return false;
  }

 private:
  QByteArray path_;
  QFileDevice::Permissions permissions_;
  bool is_folder_ = false;
  int saved_fsuid_ = -1;  // the file-system user before, when it was changed
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
