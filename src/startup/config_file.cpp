#include "startup/config_file.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

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

void ReadConfig(const QString& path, ConfigSettings& settings) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return;  // no file: the defaults stay
  // The file is a few short lines; a larger one is not ours, and only its start is looked at.
  const QString text = QString::fromLatin1(file.read(64 * 1024));
  static const QRegularExpression kItemEnd(QStringLiteral("[\r\n,]"));
  for (const QString& item : text.split(kItemEnd, Qt::SkipEmptyParts)) ApplyItem(item, settings);
}

bool WriteConfig(const QString& path, const ConfigSettings& settings, QString& error) {
  QSaveFile file(path);
  // A file that may be written in a folder that may not: overwrite it in place rather than fail.
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
    error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return false;
  }
  const QString text = QStringLiteral("Interface = %1\nPort Address = %2\nFactory = %3\n")
                           .arg(settings.InterfaceType)
                           .arg(settings.PortAddress)
                           .arg(settings.FactoryFlag);
  file.write(text.toLatin1());
  if (!file.commit()) {
    error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return false;
  }
  return true;
}

}  // namespace talvix::startup
