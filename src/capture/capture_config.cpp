// SPDX-License-Identifier: MIT
#include "capture/capture_config.h"

#include "common/number_text.h"
#include "registers/register_bits.h"
#include "registers/register_index.h"
#include "registers/value_conversion.h"

#include <algorithm>

namespace talvix::capture {

namespace {

constexpr int kHighestListedSource = 9;

// The level box's text for a magnitude code: the source's value as "#0.0000", or empty for a
// source with no unit.
QString LevelText(const registers::RegisterTable& table, int source, int32_t code,
                  const QLocale& locale) {
  double raw = code;
  const std::optional<float> value =
      registers::RawToUnits(table, static_cast<int16_t>(source), raw);
  if (!value) return {};
  return common::FormatPattern(*value, u"#0.0000", locale);
}

}  // namespace

QStringList SourceListTexts() {
  return {QStringLiteral("Disabled"),       QStringLiteral("Power Supply"),
          QStringLiteral("X_Acceleration"), QStringLiteral("Y_Acceleration"),
          QStringLiteral("Aux_ADC"),        QStringLiteral("Temperature"),
          QStringLiteral("Peak_X_Acc"),     QStringLiteral("Peak_Y_Acc"),
          QStringLiteral("RSS_Acc"),        QStringLiteral("Peak_RSS")};
}

QStringList LengthListTexts() {
  QStringList texts;
  for (int code = kLengthCodeMin; code <= kLengthCodeMax; ++code)
    texts << QString::number(1 << code);
  return texts;
}

QStringList PreTriggerListTexts() {
  QStringList texts;
  for (int code = 0; code <= kPreTriggerCodeMax; ++code) texts << QString::number(1 << code);
  return texts;
}

QStringList PolarityListTexts() {
  return {QStringLiteral("Less Than"), QStringLiteral("Greater Than")};
}

QString UnknownSourceText(int source) {
  return QStringLiteral("unknown (%1)").arg(source);
}

TriggerOption TriggerOptionFor(int16_t capt_trig_select) {
  switch (capt_trig_select) {
    case registers::kAlmCtrlTrigger1:
      return TriggerOption::kTrigger1;
    case registers::kAlmCtrlTrigger2:
      return TriggerOption::kTrigger2;
    case 0:
      return TriggerOption::kDisabled;
    default:
      return TriggerOption::kNone;
  }
}

std::optional<int16_t> CaptTrigSelectFor(TriggerOption option) {
  switch (option) {
    case TriggerOption::kTrigger1:
      return registers::kAlmCtrlTrigger1;
    case TriggerOption::kTrigger2:
      return registers::kAlmCtrlTrigger2;
    case TriggerOption::kDisabled:
      return 0;
    case TriggerOption::kNone:
      break;
  }
  return std::nullopt;
}

CaptConfigWords ReadCaptConfigWords(link::RegisterAccess& link) {
  CaptConfigWords words;
  const auto read = [&link, &words](int16_t index, int32_t& into) {
    if (!words.answered) return;
    words.answered = link::ReadConfirmed(link, index);
    into = link.RegRaw;
  };
  read(registers::kAlmCtrl, words.alm_ctrl);
  read(registers::kCaptCfg, words.capt_cfg);
  read(registers::kAlmMag1, words.alm_mag[0]);
  read(registers::kAlmMag2, words.alm_mag[1]);
  read(registers::kMiscCtrl, words.misc_ctrl);
  return words;
}

CaptConfigView DecideCaptConfigLoad(const registers::RegisterTable& table,
                                    const CaptConfigWords& words, int16_t capt_trig_select,
                                    const QLocale& locale) {
  CaptConfigView view;
  view.trigger = TriggerOptionFor(capt_trig_select);
  const auto alm_ctrl = static_cast<uint16_t>(words.alm_ctrl);
  view.no_communication = !words.answered ||
                          registers::AlarmSource(alm_ctrl, 1) > kHighestListedSource ||
                          registers::AlarmSource(alm_ctrl, 2) > kHighestListedSource;
  if (view.no_communication) return view;  // "Disabled", "8", "1", nothing else read

  const auto capt_cfg = static_cast<uint16_t>(words.capt_cfg);
  view.source = {registers::CaptSource(capt_cfg, 0), registers::CaptSource(capt_cfg, 1)};
  view.length_position =
      std::clamp(registers::CaptLengthCode(capt_cfg), kLengthCodeMin, kLengthCodeMax) -
      kLengthCodeMin;
  view.pre_trigger_position = std::min(registers::CaptPreTriggerCode(capt_cfg), kPreTriggerCodeMax);
  for (int buffer = 0; buffer < 2; ++buffer) {
    const int32_t mag = words.alm_mag[buffer];
    view.polarity[buffer] = (mag & registers::kAlmMagGreaterThan) ? kGreaterThanPosition : 0;
    FilledLevel& level = view.level[buffer];
    level.source = view.source[buffer];
    level.code = mag & registers::kAlmMagLevelBits;
    level.text = LevelText(table, level.source, level.code, locale);
  }
  view.store_to_flash = (words.misc_ctrl & registers::kMiscCtrlStoreCaptureToFlash) != 0;
  view.temperature_warning = TemperatureWarning(view.source[0], view.source[1]);
  return view;
}

QString NoCommunicationMessage() {
  return QStringLiteral(
      "\r\nNo Comunication with Device.\r\n\r\nCheck Dut Connections.\r\nCheck Dut Power.");
}

bool TemperatureWarning(int source0, int source1) {
  return source0 == kTemperatureSource || source1 == kTemperatureSource;
}

int PreTriggerPositionForStep1(int position) {
  return std::max(position, 1);
}

uint16_t CaptCfgForStep1(int source0, int source1, int length_position, int pre_trigger_position) {
  const int length_code =
      std::clamp(length_position, 0, kLengthCodeMax - kLengthCodeMin) + kLengthCodeMin;
  const int pre_trigger_code =
      std::clamp(PreTriggerPositionForStep1(pre_trigger_position), 1, kPreTriggerCodeMax);
  return registers::CaptCfgWord(length_code, pre_trigger_code, source0, source1);
}

uint16_t MagnitudeWordForStep2(const registers::RegisterTable& table, int source,
                               const QString& text, int polarity_position,
                               const FilledLevel& filled, const QLocale& locale) {
  const bool greater = polarity_position != 0;
  if (text == filled.text && source == filled.source) {
    return registers::AlmMagWord(filled.code, greater);
  }
  QString value = QString::number(common::LocaleLeadingNumber(text, locale), 'g', 17);
  const std::optional<double> code =
      registers::UnitsToRaw(table, static_cast<int16_t>(source), value);
  const auto whole = static_cast<int32_t>(common::RoundHalfEven(code.value_or(0.0)));
  return registers::AlmMagWord(whole, greater);
}

uint16_t MiscCtrlForStep4(int32_t misc_ctrl, bool store_to_flash) {
  const auto kept = static_cast<uint16_t>(misc_ctrl & ~registers::kMiscCtrlStoreCaptureToFlash);
  return static_cast<uint16_t>(kept |
                               (store_to_flash ? registers::kMiscCtrlStoreCaptureToFlash : 0));
}

bool WriteStep1(link::RegisterAccess& link, link::Delay& delay, uint16_t capt_cfg, int source0,
                int source1) {
  if (!link::Reached(link.WriteReg(registers::kCaptCfg, capt_cfg))) return false;
  delay.DelayMs(kStep1WaitMs);
  if (!link::Answered(link.ReadReg(registers::kAlmCtrl), link.RawWord)) return false;
  const uint16_t alm_ctrl =
      registers::WithAlarmSources(static_cast<uint16_t>(link.RegRaw), source0, source1);
  if (!link::Reached(link.WriteReg(registers::kAlmCtrl, alm_ctrl))) return false;
  delay.DelayMs(kStep1WaitMs);
  return true;
}

bool WriteStep2(link::RegisterAccess& link, link::Delay& delay, uint16_t alm_mag1,
                uint16_t alm_mag2) {
  if (!link::Reached(link.WriteReg(registers::kAlmMag1, alm_mag1))) return false;
  if (!link::Reached(link.WriteReg(registers::kAlmMag2, alm_mag2))) return false;
  delay.DelayMs(kStep2WaitMs);
  return true;
}

bool WriteStep4(link::RegisterAccess& link, bool store_to_flash) {
  if (!link::Answered(link.ReadReg(registers::kMiscCtrl), link.RawWord)) return false;
  return link::Reached(
      link.WriteReg(registers::kMiscCtrl, MiscCtrlForStep4(link.RegRaw, store_to_flash)));
}

}  // namespace talvix::capture
