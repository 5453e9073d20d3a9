// SPDX-License-Identifier: MIT
#include "common/streamed_file.h"

#include "common/file_target.h"

#include <QFile>

#include <sys/stat.h>
#include <cerrno>
#include <cstdio>

namespace talvix::common {

StreamedFile::~StreamedFile() {
  Discard();
}

QString StreamedFile::PartPath(const QString& path) {
  QString target;
  QString why;
  if (Resolve(path, target, why) == Target::kRefused) target = path;
  return target + QStringLiteral(".part");
}

bool StreamedFile::Open(const QString& path, QString& why) {
  Discard();
  part_left_ = false;
  if (Resolve(path, target_, why) == Target::kRefused) return false;
  part_ = target_ + QStringLiteral(".part");
  struct stat info {};
  if (::lstat(QFile::encodeName(part_).constData(), &info) == 0) {
    part_left_ = true;
    why = QStringLiteral("%1 exists").arg(part_);
    return false;
  }
  owns_part_ = file_.Open(part_, AppendingFile::Create::kNew, why);
  return owns_part_;
}

bool StreamedFile::Write(const QByteArray& bytes, QString& why) {
  return file_.Append(bytes, why);
}

bool StreamedFile::Sync(QString& why) {
  return file_.Sync(why);
}

bool StreamedFile::Commit(QString& why) {
  if (!file_.Close(why)) return false;
  if (std::rename(QFile::encodeName(part_).constData(), QFile::encodeName(target_).constData()) !=
      0) {
    why = ErrorText(errno);
    return false;
  }
  owns_part_ = false;
  return true;
}

void StreamedFile::Discard() {
  QString why;
  file_.Close(why);
  if (owns_part_) QFile::remove(part_);
  owns_part_ = false;
}

void StreamedFile::Keep() {
  QString why;
  file_.Close(why);
  owns_part_ = false;
}

}  // namespace talvix::common
