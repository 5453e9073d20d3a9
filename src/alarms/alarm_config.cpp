// SPDX-License-Identifier: MIT
#include "alarms/alarm_config.h"

#include "common/advice_texts.h"
#include "common/number_text.h"
#include "registers/register_bits.h"
#include "registers/register_index.h"
#include "registers/value_conversion.h"

namespace talvix::alarms {

namespace {

constexpr int kHighestListedSource = 9;

std::optional<float> LevelValue(const registers::RegisterTable& table, int source, int32_t code) {
  double raw = code;
  return registers::RawToUnits(table, static_cast<int16_t>(source), raw);
}

}  // namespace

QStringList SourceListTexts() {
  return {QStringLiteral("Disabled"), QStringLiteral("Supply V"), QStringLiteral("X_Acc"),
          QStringLiteral("Y-Acc"),    QStringLiteral("Aux_ADC"),  QStringLiteral("Temperature"),
          QStringLiteral("X_PK"),     QStringLiteral("Y_PK"),     QStringLiteral("RSS"),
          QStringLiteral("RSS_PK")};
}

std::optional<AlarmWords> ReadAlarmSetup(link::RegisterAccess& link) {
  AlarmWords words;
  const auto read = [&link](int16_t index, int32_t& into) {
    if (!link::Answered(link.ReadReg(index), link.RawWord)) return false;
    into = link.RegRaw;
    return true;
  };
  if (!read(registers::kAlmMag1, words.alm_mag[0]) ||
      !read(registers::kAlmMag2, words.alm_mag[1]) || !read(registers::kAlmCtrl, words.alm_ctrl)) {
    return std::nullopt;
  }
  return words;
}

AlarmView DecideAlarmView(const registers::RegisterTable& table, const AlarmWords& words,
                          const QLocale& locale) {
  AlarmView view;
  const auto alm_ctrl = static_cast<uint16_t>(words.alm_ctrl);
  for (int alarm = 0; alarm < 2; ++alarm) {
    AlarmShown& shown = view.alarm[alarm];
    const int field = registers::AlarmSource(alm_ctrl, alarm + 1);
    shown.source = field > kHighestListedSource ? registers::kSourceDisabled : field;
    shown.temperature_warning = shown.source == kTemperatureSource;
    const int32_t mag = words.alm_mag[alarm];
    shown.greater_than = (mag & registers::kAlmMagGreaterThan) != 0;
    shown.code = mag & registers::kAlmMagLevelBits;
    shown.magnitude = common::HexText(shown.code);
    if (const std::optional<float> value = LevelValue(table, shown.source, shown.code)) {
      shown.level = common::FormatPattern(*value, u"#0.000", locale);
    }
  }
  view.indicator.enabled = (alm_ctrl & registers::kAlmCtrlIndicatorEnable) != 0;
  view.indicator.line1 = (alm_ctrl & registers::kAlmCtrlIndicatorLine1) != 0;
  view.indicator.high = (alm_ctrl & registers::kAlmCtrlIndicatorHigh) != 0;
  return view;
}

QString SourceChangeLevelText(const registers::RegisterTable& table, int source, int32_t code,
                              const QLocale& locale) {
  const std::optional<float> value = LevelValue(table, source, code);
  if (!value) return {};
  QString text = common::SingleText(*value);
  text.replace(u'.', locale.decimalPoint());
  return text;
}

uint16_t MagnitudeWord(const registers::RegisterTable& table, int source, const QString& text,
                       bool greater_than, const FilledLevel& filled, const QLocale& locale) {
  if (!registers::SourceRegister(static_cast<int16_t>(source))) {
    return registers::AlmMagWord(0, greater_than);
  }
  if (filled.source == source) {
    if (const std::optional<int32_t> code = filled.box.Unchanged(text)) {
      return registers::AlmMagWord(*code, greater_than);
    }
  }
  QString value = QString::number(common::LocaleLeadingNumber(text, locale), 'g', 17);
  const std::optional<double> code =
      registers::UnitsToRaw(table, static_cast<int16_t>(source), value);
  return registers::AlmMagWord(static_cast<int32_t>(common::RoundHalfEven(code.value_or(0.0))),
                               greater_than);
}

uint16_t IndicatorWord(int32_t alm_ctrl, const Indicator& indicator) {
  const auto kept = static_cast<uint16_t>(alm_ctrl & ~registers::kAlmCtrlIndicatorBits);
  return static_cast<uint16_t>(kept | (indicator.line1 ? registers::kAlmCtrlIndicatorLine1 : 0) |
                               (indicator.high ? registers::kAlmCtrlIndicatorHigh : 0) |
                               (indicator.enabled ? registers::kAlmCtrlIndicatorEnable : 0));
}

bool WriteAlarmSetup(link::RegisterAccess& link, link::Delay& delay, int source1, int source2,
                     uint16_t alm_mag1, uint16_t alm_mag2) {
  if (!link::Answered(link.ReadReg(registers::kAlmCtrl), link.RawWord)) return false;
  const uint16_t alm_ctrl =
      registers::WithAlarmSources(static_cast<uint16_t>(link.RegRaw), source1, source2);
  if (!link::Reached(link.WriteReg(registers::kAlmCtrl, alm_ctrl))) return false;
  delay.DelayMs(kSourceWaitMs);
  if (!link::Reached(link.WriteReg(registers::kAlmMag1, alm_mag1))) return false;
  return link::Reached(link.WriteReg(registers::kAlmMag2, alm_mag2));
}

bool WriteIndicator(link::RegisterAccess& link, const Indicator& indicator) {
  if (!link::Answered(link.ReadReg(registers::kAlmCtrl), link.RawWord)) return false;
  return link::Reached(link.WriteReg(registers::kAlmCtrl, IndicatorWord(link.RegRaw, indicator)));
}

QString LoadFailedMessage() {
  return QStringLiteral(
             "The device did not answer while the alarm settings were being read: no setting is "
             "shown.\r\nThe Update and flash buttons stay disabled until the settings have been "
             "read. %1 Then pick a source to read them again.")
      .arg(common::CheckConnectionsAdvice());
}

QString ReadBackFailedMessage() {
  return QStringLiteral(
             "The alarm settings were written, but the device did not answer when they were read "
             "back: the window still shows what was entered, not what the device holds.\r\n") +
         common::CheckConnectionsAdvice();
}

QString LevelReadFailedMessage(int alarm) {
  return QStringLiteral(
             "The device did not answer while ALM_MAG%1 was being read: the trigger level is "
             "shown as it was.\r\n%2")
      .arg(alarm)
      .arg(common::CheckConnectionsAdvice());
}

QString WriteFailedMessage(const QString& registers) {
  return QStringLiteral(
             "The device did not answer while %1 was being updated: the setting may not have "
             "been written.\r\n%2")
      .arg(registers, common::CheckConnectionsAdvice());
}

QString FlashMessage(link::FlashOutcome outcome) {
  switch (outcome) {
    case link::FlashOutcome::kStored:
      return QStringLiteral("The register settings have been stored in the device's flash memory.");
    case link::FlashOutcome::kFlashFailed:
      return QStringLiteral(
          "The device could not store the register settings in its flash memory: it reports a "
          "failed flash store.\r\nThe alarm settings are in effect now but will be lost when "
          "the device is switched off. Press \"Flash Memory Register Update\" to try again.");
    case link::FlashOutcome::kNotSent:
      return QStringLiteral(
                 "The device did not answer: the register settings were not stored in its flash "
                 "memory.\r\n") +
             common::CheckConnectionsAdvice();
    case link::FlashOutcome::kNoAnswerAfter:
      return QStringLiteral(
                 "The device did not answer after the flash store command: whether the register "
                 "settings are stored in its flash memory is not known.\r\n") +
             common::CheckConnectionsAdvice();
    case link::FlashOutcome::kUnconfirmed:
      return QStringLiteral(
          "The flash store command was sent, but the device already reported a failed flash "
          "store before it, so this store cannot be confirmed.\r\nClear the status flags in "
          "the main window, then press \"Flash Memory Register Update\" again.");
  }
  return {};
}

}  // namespace talvix::alarms
