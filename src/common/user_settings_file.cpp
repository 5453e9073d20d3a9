// SPDX-License-Identifier: MIT
#include "common/user_settings_file.h"

#include "common/file_target.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace talvix::common {

namespace {

// The file holds a few short lines; anything larger is not ours, and is neither read nor
// rewritten.
constexpr qint64 kMaxSettingsFileBytes = 1024 * 1024;

bool TooLarge(const QString& target) {
  return QFileInfo(target).size() > kMaxSettingsFileBytes;
}

}  // namespace

QString UserSettingsPath(const QString& file_name) {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
      .filePath(QStringLiteral("talvix/") + file_name);
}

std::optional<QVariant> ReadUserSetting(const QString& path, const QString& key) {
  QString target;
  QString why;
  // Only a regular file is opened: a named pipe in its place would block the start.
  if (Resolve(path, target, why) != Target::kRegularFile || TooLarge(target)) return std::nullopt;
  const QSettings settings(target, QSettings::IniFormat);
  if (settings.status() != QSettings::NoError || !settings.contains(key)) return std::nullopt;
  return settings.value(key);
}

bool WriteUserSetting(const QString& path, const QString& key, const QVariant& value,
                      QString& why) {
  QString target;
  if (Resolve(path, target, why) == Target::kRefused) return false;
  if (target.isEmpty()) target = path;
  if (TooLarge(target)) {
    why = QStringLiteral(
        "it is larger than 1 MB, so it is no settings file of this program (move it away)");
    return false;
  }
  const QString folder = QFileInfo(target).absolutePath();
  if (!QDir().mkpath(folder)) {
    why = QStringLiteral("the folder %1 could not be made").arg(folder);
    return false;
  }
  QSettings settings(target, QSettings::IniFormat);
  // Written through a temporary file that replaces the old one only when complete.
  settings.setAtomicSyncRequired(true);
  settings.setValue(key, value);
  settings.sync();
  switch (settings.status()) {
    case QSettings::NoError:
      return true;
    case QSettings::FormatError:
      why = QStringLiteral("it is not a settings file");
      return false;
    case QSettings::AccessError:
      why = QFileInfo(folder).isWritable()
                ? QStringLiteral("it could not be written (is the disk full?)")
                : QStringLiteral("the folder %1 may not be written to").arg(folder);
      return false;
  }
  why = QStringLiteral("it could not be written");
  return false;
}

}  // namespace talvix::common
