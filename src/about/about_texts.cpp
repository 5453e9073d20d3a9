// SPDX-License-Identifier: MIT
#include "about/about_texts.h"

#include "common/advice_texts.h"
#include "common/number_text.h"
#include "registers/register_index.h"

namespace talvix::about {

QString ProgramTitle() {
  return QStringLiteral("Talvix_Eval_Rev_3");
}

QString AboutCaption() {
  return QStringLiteral("About ") + ProgramTitle();
}

QString ProgramVersionText() {
  return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

int32_t TwoDigits(int32_t byte) {
  return ((byte >> 4) & 0xF) * 10 + (byte & 0xF);
}

ProductIdentity DecodeProductWords(const ProductWords& words) {
  ProductIdentity identity;
  identity.DeviceRevision = static_cast<float>(TwoDigits(words.RevDate & 0xFF)) / 10.0f;
  identity.ProductDay = TwoDigits((words.RevDate >> 8) & 0xFF);
  identity.ProductMonth = TwoDigits(words.MonthYear & 0xFF);
  identity.ProductYear = 2000 + TwoDigits((words.MonthYear >> 8) & 0xFF);
  identity.ProductIdText = QString::number(words.ProcudtID);
  return identity;
}

QString RevisionText(float revision, const QLocale& locale) {
  return common::FormatPattern(revision, u"0.0", locale);
}

QString ProductDateText(const ProductIdentity& identity) {
  return QStringLiteral("%1/%2/%3")
      .arg(identity.ProductMonth)
      .arg(identity.ProductDay)
      .arg(identity.ProductYear);
}

QString NoAnswerText() {
  return QStringLiteral(
             "The sensor did not answer: its product identification could not be read. %1 Then "
             "open this window again.")
      .arg(common::CheckConnectionsAdvice());
}

ProductRead ReadProductWords(link::RegisterAccess& link) {
  ProductRead read;
  if (link.InterfaceType == link::kInterfaceNone) return read;

  link.WriteReg(registers::kKeyCode, kProductKey);
  link.delay().DelayMs(kUnlockSettleMs);
  bool reached = true;
  bool all_ones = true;
  const auto read_code = [&](int16_t index) {
    reached = link::Reached(link.ReadReg(index)) && reached;
    all_ones = all_ones && link.RawWord == link::kNoAnswerWord;
    return link.RegRaw;
  };
  read.words.RevDate = read_code(registers::kRevDate);
  read.words.MonthYear = read_code(registers::kMonthYear);
  read.words.ProcudtID = read_code(registers::kProductId);
  // Locks the product registers again: they read 0 until the next unlock.
  link.WriteReg(registers::kProductId, 0);
  read.answered = reached && !all_ones;
  return read;
}

}  // namespace talvix::about
