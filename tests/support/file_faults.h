// Faults of the file system for tests of the files the program writes, usable as root and as a
// normal user alike.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/resource.h>
#include <sys/stat.h>
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
