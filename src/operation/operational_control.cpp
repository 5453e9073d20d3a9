// SPDX-License-Identifier: MIT
#include "operation/operational_control.h"

#include "common/advice_texts.h"
#include "common/number_text.h"
#include "registers/register_index.h"

#include <algorithm>
#include <cmath>

namespace talvix::operation {

namespace {

// A read that reached the sensor and was answered; its code is then in link.RegRaw.
bool ReadAnswered(link::RegisterAccess& link, int16_t index) {
  return link::Answered(link.ReadReg(index), link.RawWord);
}

// The write, the wait and the read-back shared by the Updates; the read before has been answered.
WriteResult WriteAndReadBack(link::RegisterAccess& link, link::Delay& delay, int16_t index,
                             uint16_t word, double wait_ms) {
  if (!link::Reached(link.WriteReg(index, word))) return {WriteOutcome::kNotReadBack};
  delay.DelayMs(wait_ms);
  if (!ReadAnswered(link, index)) return {WriteOutcome::kNotReadBack};
  return {WriteOutcome::kDone, link.RegRaw};
}

}  // namespace

double AuxDacVolts(int32_t aux_dac) {
  return static_cast<double>(aux_dac) / kDacFullScaleCode * kDacFullScaleVolts;
}

QString AuxDacVoltsText(int32_t aux_dac, const QLocale& locale) {
  return common::FormatPattern(AuxDacVolts(aux_dac), u"0.0######", locale);
}

BoxEntry AuxDacEntry(const QString& text, const common::FilledCode& filled, const QLocale& locale) {
  if (const std::optional<int32_t> code = filled.Unchanged(text)) {
    return {text, static_cast<uint16_t>(*code)};
  }
  BoxEntry entry{text, 0};
  if (!common::IsLocaleNumeric(entry.text, locale)) entry.text = QStringLiteral("0");
  if (common::LocaleLeadingNumber(entry.text, locale) < 0.0) entry.text = QStringLiteral("0");
  if (common::LocaleLeadingNumber(entry.text, locale) > kDacFullScaleVolts) {
    entry.text = common::FormatPattern(kDacFullScaleVolts, u"0.0######", locale);
  }
  const double volts = common::LocaleLeadingNumber(entry.text, locale);
  const double code = std::floor(volts / kDacFullScaleVolts * kDacFullScaleCode);
  entry.code = static_cast<uint16_t>(std::clamp(code, 0.0, double{kDacFullScaleCode}));
  return entry;
}

PairChoice ChoiceOf(int32_t word, uint16_t mask) {
  return (word & mask) != 0 ? PairChoice::kSet : PairChoice::kClear;
}

uint16_t WithPairs(int32_t word, std::span<const PairBit> pairs) {
  auto result = static_cast<uint16_t>(word);
  for (const PairBit& pair : pairs) {
    if (pair.choice == PairChoice::kSet) result |= pair.mask;
    if (pair.choice == PairChoice::kClear) result &= static_cast<uint16_t>(~pair.mask);
  }
  return result;
}

OperationalWords ReadOperationalWords(link::RegisterAccess& link) {
  OperationalWords words;
  for (auto [index, into] : {std::pair{registers::kSmplPrd, &words.smpl_prd},
                             std::pair{registers::kGpioCtrl, &words.gpio_ctrl},
                             std::pair{registers::kMiscCtrl, &words.misc_ctrl},
                             std::pair{registers::kAuxDac, &words.aux_dac}}) {
    if (!ReadAnswered(link, index)) break;
    *into = link.RegRaw;
  }
  return words;
}

WriteResult WriteSmplPrd(link::RegisterAccess& link, link::Delay& delay, uint16_t code) {
  if (!ReadAnswered(link, registers::kSmplPrd)) return {};
  return WriteAndReadBack(link, delay, registers::kSmplPrd, code, kSmplPrdWaitMs);
}

WriteResult WriteAuxDac(link::RegisterAccess& link, link::Delay& delay, uint16_t code) {
  if (!ReadAnswered(link, registers::kAuxDac)) return {};
  if (!link::Reached(link.WriteReg(registers::kAuxDac, code))) return {WriteOutcome::kNotReadBack};
  delay.DelayMs(kRegisterWaitMs);
  if (!link::Reached(link.WriteReg(registers::kCommand, registers::kCommandUpdateDac))) {
    return {WriteOutcome::kNotReadBack};
  }
  delay.DelayMs(kDacCommandWaitMs);
  if (!ReadAnswered(link, registers::kAuxDac)) return {WriteOutcome::kNotReadBack};
  return {WriteOutcome::kDone, link.RegRaw};
}

WriteResult WritePairs(link::RegisterAccess& link, link::Delay& delay, int16_t index,
                       std::span<const PairBit> pairs) {
  if (!ReadAnswered(link, index)) return {};
  return WriteAndReadBack(link, delay, index, WithPairs(link.RegRaw, pairs), kRegisterWaitMs);
}

QString LoadNotAnsweredMessage() {
  return QStringLiteral(
             "The device did not answer while the operational settings were being read.\r\n"
             "The settings that could not be read are left blank. %1")
      .arg(common::CheckConnectionsAdvice());
}

QString NotWrittenMessage(const QString& register_name) {
  return QStringLiteral("The device did not answer: %1 was not written.\r\n%2")
      .arg(register_name, common::CheckConnectionsAdvice());
}

QString NotReadBackMessage(const QString& register_name) {
  return QStringLiteral(
             "%1 was written, but the device did not answer when it was read back: the value it "
             "holds now is not known.\r\n%2")
      .arg(register_name, common::CheckConnectionsAdvice());
}

QString FlashMessage(link::FlashOutcome outcome) {
  switch (outcome) {
    case link::FlashOutcome::kNotSent:
      return QStringLiteral(
                 "The device did not answer: the settings were not stored in flash memory.\r\n%1")
          .arg(common::CheckConnectionsAdvice());
    case link::FlashOutcome::kStored:
      return QStringLiteral("The register settings are stored in the device's flash memory.");
    case link::FlashOutcome::kFlashFailed:
      return QStringLiteral(
          "The device reports that storing the settings in flash memory failed (STATUS "
          "bit 2).\r\nPress \"Flash Memory Register Update\" again.");
    case link::FlashOutcome::kNoAnswerAfter:
      return QStringLiteral(
                 "The store command was sent, but the device did not answer afterwards: it is "
                 "not known whether the settings are stored in flash memory.\r\n%1")
          .arg(common::CheckConnectionsAdvice());
    case link::FlashOutcome::kUnconfirmed:
      return QStringLiteral(
          "The store command was sent, but STATUS already showed a failed flash store from "
          "before, so this store cannot be confirmed.\r\nClear the status flags in the main "
          "window, then "
          "press \"Flash Memory Register Update\" again.");
  }
  return {};
}

}  // namespace talvix::operation
