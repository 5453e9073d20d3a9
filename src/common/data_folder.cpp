// SPDX-License-Identifier: MIT
#include "common/data_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace talvix::common {

namespace {

// Folders of installed programs: their contents belong to the package manager.
bool IsSystemFolder(const QString& folder) {
  const QString clean = QDir::cleanPath(folder);
  for (const char* root : {"/usr", "/bin", "/sbin", "/opt"}) {
    const QString prefix = QString::fromLatin1(root);
    if (clean == prefix || clean.startsWith(prefix + QLatin1Char('/'))) return true;
  }
  return false;
}

bool FolderWritable(const QString& folder) {
  const QFileInfo info(folder);
  return info.isDir() && ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

}  // namespace

QString ChooseDataFolder(const QString& program_folder, const QString& working_folder,
                         const std::function<bool(const QString& folder)>& writable) {
  if (!program_folder.isEmpty() && !IsSystemFolder(program_folder) && writable(program_folder)) {
    return QDir::cleanPath(program_folder);
  }
  return QDir::cleanPath(working_folder);
}

QString DataFolder() {
  const QString program_folder =
      QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
  return ChooseDataFolder(program_folder, QDir::currentPath(), FolderWritable);
}

}  // namespace talvix::common
