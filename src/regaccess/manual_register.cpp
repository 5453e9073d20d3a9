// SPDX-License-Identifier: MIT
#include "regaccess/manual_register.h"

#include "common/advice_texts.h"
#include "common/hex_text.h"
#include "common/number_text.h"

#include <algorithm>

namespace talvix::regaccess {

namespace {

QString FlagText(bool flag) {
  return flag ? QStringLiteral("True") : QStringLiteral("False");
}

bool IsHexDigit(QChar c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

QString WithoutTrailingBlanks(QString text) {
  while (text.endsWith(u' ')) text.chop(1);
  return text;
}

const QString kCrLf = QStringLiteral("\r\n");

}  // namespace

QStringList RegisterListTexts(const registers::RegisterTable& table) {
  QStringList texts{QStringLiteral("None")};
  for (int index = 1; index <= kLastListedIndex; ++index) texts.append(table.at(index).Label);
  return texts;
}

EntryTexts EntryTextsFor(const registers::RegisterTable& table, int position) {
  if (position < 1 || position > kLastListedIndex) return {};
  const registers::RegisterEntry& entry = table.at(position);
  EntryTexts texts;
  texts.address = common::HexText(entry.BaseAddr);
  texts.bytes = QString::number(entry.NumBytes);
  texts.read_flag = FlagText(entry.ReadFlag);
  texts.write_flag = FlagText(entry.WriteFlag);
  texts.read_enabled = entry.ReadFlag;
  texts.write_enabled = entry.WriteFlag;
  return texts;
}

std::optional<int32_t> HexEntryValue(QStringView text) {
  const QStringView digits = text.trimmed();
  if (digits.isEmpty() || digits.size() > 4) return std::nullopt;
  if (!std::all_of(digits.begin(), digits.end(), IsHexDigit)) return std::nullopt;
  return common::HexToLong(digits);
}

QString HexEntryRefusedMessage(const QString& text) {
  const QString what = text.trimmed().isEmpty()
                           ? QStringLiteral("There is no value to write.")
                           : QStringLiteral("\"%1\" is not a register value.").arg(text);
  return what + QStringLiteral(
                    "\r\nType 1 to 4 hexadecimal digits (0-9, A-F) without a prefix, for "
                    "example 1F4. Nothing was written.");
}

RegisterReading ReadRegister(link::RegisterAccess& link, int16_t index) {
  int16_t address = static_cast<int16_t>(link.table().at(index).BaseAddr);
  const int32_t word = link.SpiReadWord(address);
  if (!link::Reached(link.LastStatus)) return {};
  // The second read is confirmed like any other; a non-all-ones answer to it also shows that the
  // sensor was there for the first.
  if (!link::ReadConfirmed(link, index)) return {};
  return {true, common::HexText(word & 0xFFFF), common::SingleText(link.RegValue)};
}

QString ListingHeader() {
  return QStringLiteral("Name\t\tAddr\tSetting") + kCrLf + QString(20, u'-') + u'\t' +
         QString(9, u'-') + u'\t' + QString(9, u'-') + kCrLf;
}

QString ListingLine(const registers::RegisterEntry& entry, std::optional<int32_t> code) {
  const QString setting = code ? common::Hex4(*code) : QStringLiteral("----");
  return WithoutTrailingBlanks(entry.Label) + QString(5, u' ') + u'\t' +
         common::HexText(entry.BaseAddr) + u'\t' + setting + kCrLf;
}

std::optional<QString> ReadListing(link::RegisterAccess& link) {
  QString listing = ListingHeader();
  for (int16_t index = 0; index <= kLastListedIndex; ++index) {
    const registers::RegisterEntry& entry = link.table().at(index);
    std::optional<int32_t> code;
    if (entry.ReadFlag) {
      if (!link::ReadConfirmed(link, index)) return std::nullopt;
      code = link.RegRaw;
    }
    listing += ListingLine(entry, code);
  }
  return listing;
}

QString ListingInColumns(const QString& listing) {
  QString out;
  out.reserve(listing.size() * 2);
  int column = 0;
  for (const QChar c : listing) {
    if (c == u'\t') {
      const auto* stop = std::find_if(std::begin(kListingTabColumns), std::end(kListingTabColumns),
                                      [column](int tab) { return tab > column; });
      const int next = stop != std::end(kListingTabColumns) ? *stop : column + 1;
      out += QString(next - column, u' ');
      column = next;
    } else if (c == u'\r' || c == u'\n') {
      out += c;
      column = 0;
    } else {
      out += c;
      ++column;
    }
  }
  return out;
}

bool OffersUpdateFlash(float device_revision) {
  // DeviceRevision is tenths divided by 10 in single precision: 1.2 arrives as 1.2f exactly.
  return device_revision >= 1.2f;
}

link::FlashOutcome UpdateFlash(link::RegisterAccess& link, link::Delay& delay) {
  return link::StoreToFlash(link, delay, kFlashWaitMs);
}

QString UpdateFlashMessage(const link::RegisterAccess& link, link::FlashOutcome outcome) {
  switch (outcome) {
    case link::FlashOutcome::kStored:
      return QStringLiteral("The registers are stored in the device's flash memory.");
    case link::FlashOutcome::kFlashFailed:
      return QStringLiteral(
          "The registers were not stored: the device reports that writing its flash memory "
          "failed.\r\nThe registers keep their present values until the device is switched "
          "off. Press \"Update Flash\" to try again.");
    case link::FlashOutcome::kNotSent:
      return NotAnsweredMessage(link,
                                QStringLiteral("the registers were not stored in flash memory"));
    case link::FlashOutcome::kNoAnswerAfter:
      if (link.LastStatus == link::LinkStatus::kLinkFailed) return {};
      return QStringLiteral(
                 "The store command was sent, but the device did not answer afterwards: whether "
                 "the registers are stored in flash memory is not known.\r\n") +
             common::CheckConnectionsAdvice();
    case link::FlashOutcome::kUnconfirmed:
      return QStringLiteral(
          "The store command was sent, but the device already reported a failed flash store "
          "before it, so this store cannot be confirmed.\r\nClear the status flags in the main "
          "window, then press \"Update Flash\" again.");
  }
  return {};
}

QString NotAnsweredMessage(const link::RegisterAccess& link, const QString& what) {
  switch (link.LastStatus) {
    case link::LinkStatus::kLinkFailed:
      return {};  // the card or the port has said so itself
    case link::LinkStatus::kNoInterface:
      return QStringLiteral(
                 "No interface is ready, so nothing was sent: %1.\r\nSet up the parallel port "
                 "or the USB SPI card in the Interface menu, then try again.")
          .arg(what);
    default:
      return QStringLiteral("The device did not answer: %1.\r\n%2")
          .arg(what, common::CheckConnectionsAdvice());
  }
}

QString EmptyListingMessage() {
  return QStringLiteral(
      "There is no listing yet: press \"Read\" to read the user registers first.");
}

QString ListingNotSavedMessage(const QString& path, const QString& why) {
  return QStringLiteral("The register listing could not be saved to %1: %2.").arg(path, why);
}

}  // namespace talvix::regaccess
