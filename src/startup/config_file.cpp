// SPDX-License-Identifier: MIT
#include "startup/config_file.h"

#include "common/whole_file.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <limits>

namespace talvix::startup {

namespace {

bool ParseInt16(const QString& text, int16_t& value) {
  static const QRegularExpression kDecimal(QStringLiteral("^[+-]?[0-9]+$"));
  const QString trimmed = text.trimmed();
  if (!kDecimal.match(trimmed).hasMatch()) return false;
  bool ok = false;
  const qlonglong number = trimmed.toLongLong(&ok);
  if (!ok || number < std::numeric_limits<int16_t>::min() ||
      number > std::numeric_limits<int16_t>::max()) {
    return false;
  }
  value = static_cast<int16_t>(number);
  return true;
}

void ApplyItem(QString item, ConfigSettings& settings) {
  while (item.startsWith(u' ')) item.remove(0, 1);
  const qsizetype p = item.indexOf(u'=');
  // Exactly one blank must stand on each side of "=": the key is what comes before it.
  if (p < 1 || p + 1 >= item.size() || item[p - 1] != u' ' || item[p + 1] != u' ') return;
  const QString key = item.left(p - 1);
  int16_t value = 0;
  if (!ParseInt16(item.mid(p + 2), value)) return;
  if (key == QLatin1String("Interface")) {
    settings.InterfaceType = value;
  } else if (key == QLatin1String("Port Address")) {
    settings.PortAddress = value;
  } else if (key == QLatin1String("Factory")) {
    settings.FactoryFlag = value;
  }
}

}  // namespace

bool ReadConfig(const QString& path, ConfigSettings& settings, QString* error) {
  // The file is a few short lines; a larger one is not ours, and only its start is looked at.
  constexpr qint64 kLookedAt = 64 * 1024;
  QByteArray contents;
  QString why;
  switch (common::ReadRegularFile(path, kLookedAt, contents, why)) {
    case common::FileRead::kMissing:
      return true;  // the defaults stay
    case common::FileRead::kFailed:
      if (error) {
        *error = QStringLiteral(
                     "The configuration file %1 cannot be read: %2. The program starts with no "
                     "interface chosen, and leaves the file as it is.")
                     .arg(QFileInfo(path).absoluteFilePath(), why);
      }
      return false;
    case common::FileRead::kRead:
      break;
  }
  const QString text = QString::fromLatin1(contents);
  static const QRegularExpression kItemEnd(QStringLiteral("[\r\n,]"));
  for (const QString& item : text.split(kItemEnd, Qt::SkipEmptyParts)) ApplyItem(item, settings);
  return true;
}

bool WriteConfig(const QString& path, const ConfigSettings& settings, QString& error) {
  const QString text = QStringLiteral("Interface = %1\nPort Address = %2\nFactory = %3\n")
                           .arg(settings.InterfaceType)
                           .arg(settings.PortAddress)
                           .arg(settings.FactoryFlag);
  QString why;
  if (!common::WriteWholeFile(path, text.toLatin1(), why)) {
    error = QStringLiteral(
                "Cannot write the configuration file %1: %2. The interface settings of this run "
                "are not saved; the file is left as it was.")
                .arg(QFileInfo(path).absoluteFilePath(), why);
    return false;
  }
  return true;
}

}  // namespace talvix::startup
