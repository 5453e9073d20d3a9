// SPDX-License-Identifier: MIT
#include "common/file_target.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <cerrno>
#include <cstring>

namespace talvix::common {

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

}  // namespace talvix::common
