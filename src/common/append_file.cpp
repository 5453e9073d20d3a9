#include "common/append_file.h"

#include "common/file_target.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace talvix::common {

namespace {

// Looks at what `path` names without opening it: nothing (fine, it is created), a regular file,
// or a symbolic link to one. Anything else is refused with the reason in `why`.
bool MayAppendTo(const QString& path, QString& why) {
  QString target;
  return Resolve(path, target, why) != Target::kRefused;
}

}  // namespace

bool AppendToFile(const QString& path, const QByteArray& block, QString& why) {
  const QByteArray native = QFile::encodeName(path);
  if (!MayAppendTo(path, why)) return false;
  // Non-blocking, in case the name was swapped for a named pipe since the look above (a pipe
  // without a reader then fails at once); the look at what was opened refuses it.
  const int fd = ::open(native.constData(),
                        O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
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
  const off_t before = info.st_size;
  qsizetype written = 0;
  int failure = 0;
  while (written < block.size()) {
    const ssize_t put =
        ::write(fd, block.constData() + written, static_cast<size_t>(block.size() - written));
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      failure = errno;
      break;
    }
    if (put == 0) {
      failure = ENOSPC;
      break;
    }
    written += put;
  }
  if (failure == 0 && ::close(fd) == 0) return true;
  if (failure == 0) {
    // The close reported a write that failed late (a network file system): the descriptor is gone,
    // so the cut goes by name.
    failure = errno;
    why = ErrorText(failure);
    if (::truncate(native.constData(), before) != 0) {
      why += QStringLiteral("; the part written could not be removed (%1)").arg(ErrorText(errno));
    }
    return false;
  }
  why = ErrorText(failure);
  if (::ftruncate(fd, before) != 0) {
    why += QStringLiteral("; the part written could not be removed (%1)").arg(ErrorText(errno));
  }
  ::close(fd);
  return false;
}

}  // namespace talvix::common
