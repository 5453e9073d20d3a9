// SPDX-License-Identifier: MIT
#include "platform/usb_card_ids.h"

#include "common/hex_text.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <array>

namespace talvix::platform {

namespace {

std::optional<uint16_t> ParseId(const QString& text) {
  return common::ParseHexWord(QStringView(text).trimmed());
}

QString IdText(uint16_t id) {
  return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

QString BadIdText(const QString& what, const QString& text) {
  return QStringLiteral("the %1 \"%2\" is not a USB id: give 1 to 4 hexadecimal digits")
      .arg(what, text.trimmed());
}

}  // namespace

std::optional<UsbCardIds> ParseUsbIdsValue(const QString& text, QString& error) {
  const QStringList halves = text.trimmed().split(QLatin1Char(':'));
  if (halves.size() != 2) {
    error = QStringLiteral("\"%1\" is not of the form VVVV:PPPP,QQQQ").arg(text.trimmed());
    return std::nullopt;
  }
  UsbCardIds ids;
  const std::optional<uint16_t> vendor = ParseId(halves[0]);
  if (!vendor) {
    error = BadIdText(QStringLiteral("vendor id"), halves[0]);
    return std::nullopt;
  }
  ids.vendor_id = *vendor;
  const QStringList products = halves[1].split(QLatin1Char(','));
  if (products.size() > 2) {
    error = QStringLiteral("\"%1\" names more than two product ids").arg(halves[1].trimmed());
    return std::nullopt;
  }
  const std::array<std::optional<uint16_t>*, 2> targets = {&ids.pellow_product_id,
                                                           &ids.quarn_product_id};
  for (qsizetype i = 0; i < products.size(); ++i) {
    if (products[i].trimmed().isEmpty()) continue;  // that card type is not in use
    *targets[i] = ParseId(products[i]);
    if (!*targets[i]) {
      error = BadIdText(QStringLiteral("product id"), products[i]);
      return std::nullopt;
    }
  }
  if (!ids.pellow_product_id && !ids.quarn_product_id) {
    error = QStringLiteral("\"%1\" names no product id").arg(text.trimmed());
    return std::nullopt;
  }
  return ids;
}

QString UsbIdsValueText(const UsbCardIds& ids) {
  QString text = IdText(ids.vendor_id) + QLatin1Char(':');
  if (ids.pellow_product_id) text += IdText(*ids.pellow_product_id);
  if (ids.quarn_product_id) text += QLatin1Char(',') + IdText(*ids.quarn_product_id);
  return text;
}

std::optional<UsbCardIds> ParseUsbCardsFile(const QString& text, QString& error) {
  std::optional<uint16_t> vendor;
  UsbCardIds ids;
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (qsizetype n = 0; n < lines.size(); ++n) {
    const auto fail = [&](const QString& reason) {
      error = QStringLiteral("line %1: %2").arg(n + 1).arg(reason);
      return std::nullopt;
    };
    const QString line = lines[n].section(QLatin1Char('#'), 0, 0).trimmed();
    if (line.isEmpty()) continue;
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0) return fail(QStringLiteral("\"%1\" is not of the form key = id").arg(line));
    const QString key = line.left(equals).trimmed().toLower();
    const QString value = line.mid(equals + 1);
    std::optional<uint16_t>* target = nullptr;
    if (key == QLatin1String("vendor")) {
      target = &vendor;
    } else if (key == QLatin1String("pellow")) {
      target = &ids.pellow_product_id;
    } else if (key == QLatin1String("quarn")) {
      target = &ids.quarn_product_id;
    } else {
      return fail(QStringLiteral("unknown key \"%1\": use vendor, pellow or quarn").arg(key));
    }
    if (target->has_value()) return fail(QStringLiteral("%1 is given twice").arg(key));
    *target = ParseId(value);
    if (!*target) return fail(BadIdText(key + QStringLiteral(" id"), value));
  }
  if (!vendor) {
    error = QStringLiteral("no vendor line");
    return std::nullopt;
  }
  if (!ids.pellow_product_id && !ids.quarn_product_id) {
    error = QStringLiteral("no pellow or quarn line");
    return std::nullopt;
  }
  ids.vendor_id = *vendor;
  return ids;
}

UsbCardIdsSetting ResolveUsbCardIds(const std::optional<QString>& option_value,
                                    const std::optional<QString>& environment_value,
                                    const QStringList& files) {
  UsbCardIdsSetting setting;
  QString error;
  const auto from_value = [&](const QString& value, const QString& source) {
    setting.source = source;
    setting.ids = ParseUsbIdsValue(value, error);
    if (!setting.ids) setting.problem = QStringLiteral("%1: %2").arg(source, error);
    return setting;
  };
  if (option_value) return from_value(*option_value, QString::fromLatin1(kUsbIdsOption));
  if (environment_value) {
    return from_value(*environment_value, QString::fromLatin1(kUsbIdsEnvironmentVariable));
  }
  for (const QString& path : files) {
    QFile file(path);
    if (!file.exists()) continue;
    setting.source = path;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
      setting.problem = QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString());
      return setting;
    }
    setting.ids = ParseUsbCardsFile(QString::fromUtf8(file.readAll()), error);
    if (!setting.ids) setting.problem = QStringLiteral("%1: %2").arg(path, error);
    return setting;
  }
  return setting;
}

QStringList UsbCardsFiles() {
  const QString user_folder =
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  QStringList files;
  if (!user_folder.isEmpty()) {
    files << QDir(user_folder).filePath(QStringLiteral("talvix/") + kUsbCardsFileName);
  }
  files << QString::fromLatin1(kSystemUsbCardsFile);
  return files;
}

UsbCardIdsSetting LoadUsbCardIds(const std::optional<QString>& option_value) {
  std::optional<QString> environment;
  if (qEnvironmentVariableIsSet(kUsbIdsEnvironmentVariable)) {
    environment = qEnvironmentVariable(kUsbIdsEnvironmentVariable);
  }
  return ResolveUsbCardIds(option_value, environment, UsbCardsFiles());
}

QString NoUsbCardIdsText(const UsbCardIdsSetting& setting) {
  const QString files = UsbCardsFiles().join(QStringLiteral(" or "));
  const QString why =
      setting.problem.isEmpty()
          ? QStringLiteral("No USB card ids are set, so no USB SPI card can be found.")
          : QStringLiteral("The USB card ids were refused: %1.").arg(setting.problem);
  return QStringLiteral(
             "%1\nWrite the card's ids into %2, one line each: \"vendor = vvvv\", \"pellow = "
             "pppp\", \"quarn = qqqq\" (hexadecimal), or give them as %3=vvvv:pppp,qqqq or "
             "%4 vvvv:pppp,qqqq.\nWith the card plugged in, lsusb shows its ids as "
             "\"ID vvvv:pppp\".")
      .arg(why, files, QString::fromLatin1(kUsbIdsEnvironmentVariable),
           QString::fromLatin1(kUsbIdsOption));
}

}  // namespace talvix::platform
