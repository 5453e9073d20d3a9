// SPDX-License-Identifier: MIT
#include "cli/command_words.h"

#include <QLocale>
#include <QRegularExpression>

namespace talvix::cli {

bool SplitCommandWords(const QString& command, const QStringList& operands,
                       const QStringList& with_value, const QStringList& flags, CommandWords& words,
                       QString& error) {
  for (qsizetype i = 0; i < operands.size(); ++i) {
    QString name = operands[i];
    QString value;
    bool inline_value = false;
    const qsizetype equals = name.indexOf(u'=');
    if (name.startsWith(QLatin1String("--")) && equals > 2) {
      value = name.mid(equals + 1);
      name = name.left(equals);
      inline_value = true;
    }
    if (flags.contains(name) && !inline_value) {
      if (words.flags.contains(name)) {
        error = QStringLiteral("%1: %2 is given twice").arg(command, name);
        return false;
      }
      words.flags.insert(name);
      continue;
    }
    if (!with_value.contains(name)) {
      error = name.startsWith(QLatin1String("-"))
                  ? QStringLiteral("%1: unknown option \"%2\"").arg(command, name)
                  : QStringLiteral("%1: unexpected word \"%2\"").arg(command, name);
      return false;
    }
    if (!inline_value) {
      if (i + 1 >= operands.size()) {
        error = QStringLiteral("%1: %2 needs a value").arg(command, name);
        return false;
      }
      value = operands[++i];
    }
    if (words.values.contains(name)) {
      error = QStringLiteral("%1: %2 is given twice").arg(command, name);
      return false;
    }
    words.values.insert(name, value);
  }
  return true;
}

bool ParseWholeNumber(const QString& text, int64_t minimum, int64_t maximum, int64_t& value) {
  static const QRegularExpression kDigits(QStringLiteral("^[0-9]{1,18}$"));
  if (!kDigits.match(text).hasMatch()) return false;
  bool ok = false;
  const qlonglong number = text.toLongLong(&ok);
  if (!ok || number < minimum || number > maximum) return false;
  value = number;
  return true;
}

bool ParseDecimal(const QString& text, bool allow_sign, double& value) {
  static const QRegularExpression kUnsigned(QStringLiteral("^([0-9]{1,9}(\\.[0-9]+)?|\\.[0-9]+)$"));
  static const QRegularExpression kSigned(QStringLiteral("^-?([0-9]{1,9}(\\.[0-9]+)?|\\.[0-9]+)$"));
  if (!(allow_sign ? kSigned : kUnsigned).match(text).hasMatch()) return false;
  bool ok = false;
  value = QLocale::c().toDouble(text, &ok);
  return ok;
}

}  // namespace talvix::cli
