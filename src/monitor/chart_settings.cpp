// SPDX-License-Identifier: MIT
#include "monitor/chart_settings.h"

#include "common/file_target.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace talvix::monitor {

namespace {

const QString kRangeKey = QStringLiteral("Chart/Range");
// The file holds one short line; anything larger is not ours, and is neither read nor rewritten.
constexpr qint64 kMaxSettingsFileBytes = 1024 * 1024;

bool TooLarge(const QString& target) {
  return QFileInfo(target).size() > kMaxSettingsFileBytes;
}

}  // namespace

QString DefaultChartSettingsPath() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
      .filePath(QStringLiteral("talvix/chart.ini"));
}

RangeChoice LoadRangeChoice(const QString& path) {
  QString target;
  QString why;
  // Only a regular file is opened: a named pipe in its place would block the start.
  if (common::Resolve(path, target, why) != common::Target::kRegularFile || TooLarge(target)) {
    return RangeChoice::kPlusMinus30;
  }
  const QSettings settings(target, QSettings::IniFormat);
  return RangeChoiceFromKey(settings.value(kRangeKey).toString())
      .value_or(RangeChoice::kPlusMinus30);
}

bool SaveRangeChoice(const QString& path, RangeChoice choice, QString& why) {
  QString target;
  if (common::Resolve(path, target, why) == common::Target::kRefused) return false;
  if (target.isEmpty()) target = path;
  if (TooLarge(target)) {
    why = QStringLiteral(
        "it is larger than 1 MB, so it is no settings file of this program "
        "(move it away to keep the range)");
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
  settings.setValue(kRangeKey, RangeChoiceKey(choice));
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

QString RangeNotKeptMessage(const QString& path, const QString& why) {
  return QStringLiteral(
             "The chart range could not be kept in %1: %2. The chart keeps it until "
             "the program ends.")
      .arg(path, why);
}

}  // namespace talvix::monitor
