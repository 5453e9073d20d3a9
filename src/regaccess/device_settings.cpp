// SPDX-License-Identifier: MIT
#include "regaccess/device_settings.h"

#include "common/hex_text.h"
#include "common/number_text.h"
#include "registers/register_bits.h"
#include "registers/value_conversion.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>

namespace talvix::regaccess {

namespace {

using registers::RegisterTable;

constexpr std::array<int16_t, kSettingsCount> kSettings = {
    registers::kXAcclNull, registers::kYAcclNull, registers::kXAccScale, registers::kYAccScale,
    registers::kAlmMag1,   registers::kAlmMag2,   registers::kAlmCtrl,   registers::kAuxDac,
    registers::kGpioCtrl,  registers::kMiscCtrl,  registers::kSmplPrd,   registers::kCaptCfg,
};

constexpr int kLargestSource = registers::kSourceRssPeak;

// SMPL_PRD time bases, s.
constexpr double kFastTimeBase = 0.00012207;
constexpr double kSlowTimeBase = 0.003784;
constexpr double kDacFullScaleVolts = 2.5;
constexpr double kDacFullScaleCode = 4095.0;

// The alarm window's names of the sources, and the capture window's.
const char* const kAlarmSourceNames[] = {"Disabled",    "Supply V", "X_Acc", "Y-Acc", "Aux_ADC",
                                         "Temperature", "X_PK",     "Y_PK",  "RSS",   "RSS_PK"};
const char* const kCaptureSourceNames[] = {
    "Disabled",    "Power Supply", "X_Acceleration", "Y_Acceleration", "Aux_ADC",
    "Temperature", "Peak_X_Acc",   "Peak_Y_Acc",     "RSS_Acc",        "Peak_RSS"};
const char* const kSourceUnits[] = {"", "V", "g", "g", "V", "degC", "g", "g", "g", "g"};

QString SourceName(const char* const (&names)[10], int source) {
  return source >= 0 && source <= kLargestSource ? QString::fromLatin1(names[source])
                                                 : QStringLiteral("source %1").arg(source);
}

QString Hex(uint32_t value) {
  return QStringLiteral("0x") + common::HexText(value);
}

QString OnOff(bool on) {
  return on ? QStringLiteral("on") : QStringLiteral("off");
}

QString Line(bool line1) {
  return line1 ? QStringLiteral("DI/O1") : QStringLiteral("DI/O0");
}

QString HighLow(bool high) {
  return high ? QStringLiteral("high") : QStringLiteral("low");
}

// ", other bits 0x..." for bits set outside those a description names.
QString OtherBits(uint16_t word, uint16_t named) {
  const uint16_t other = word & static_cast<uint16_t>(~named);
  return other == 0 ? QString() : QStringLiteral(", other bits %1").arg(Hex(other));
}

// The calibration window's factor for a null or scale register: the weight per code of its axis.
float AxisFactor(const RegisterTable& table, int16_t index) {
  const bool x_axis = index == registers::kXAcclNull || index == registers::kXAccScale;
  return table.at(x_axis ? registers::kXAccl : registers::kYAccl).RegScale;
}

QString AlarmLevelText(const RegisterTable& table, uint16_t mag, int source) {
  const QString direction = (mag & registers::kAlmMagGreaterThan) != 0
                                ? QStringLiteral("Greater than")
                                : QStringLiteral("Less than");
  double level = mag & registers::kAlmMagLevelBits;
  const std::optional<float> value =
      registers::RawToUnits(table, static_cast<int16_t>(source), level);
  if (!value) {
    return QStringLiteral("%1 code %2 (%3)")
        .arg(direction, Hex(mag & registers::kAlmMagLevelBits),
             SourceName(kAlarmSourceNames, source));
  }
  QString text = direction + u' ' + common::SingleText(*value);
  if (*kSourceUnits[source] != '\0') text += u' ' + QString::fromLatin1(kSourceUnits[source]);
  return text + QStringLiteral(" (%1)").arg(SourceName(kAlarmSourceNames, source));
}

QString AlmCtrlText(uint16_t word) {
  using namespace registers;
  return QStringLiteral("alarm 1 %1, alarm 2 %2; indicator on %3, active %4, %5")
             .arg(SourceName(kAlarmSourceNames, AlarmSource(word, 1)),
                  SourceName(kAlarmSourceNames, AlarmSource(word, 2)),
                  Line(word & kAlmCtrlIndicatorLine1), HighLow(word & kAlmCtrlIndicatorHigh),
                  (word & kAlmCtrlIndicatorEnable) != 0 ? QStringLiteral("enabled")
                                                        : QStringLiteral("disabled")) +
         OtherBits(word, kAlmCtrlIndicatorBits | 0xFF00);
}

QString GpioText(uint16_t word) {
  using namespace registers;
  const auto direction = [](bool output) {
    return output ? QStringLiteral("output") : QStringLiteral("input");
  };
  return QStringLiteral("DI/O0 %1 %2, DI/O1 %3 %4")
             .arg(direction(word & kGpioCtrlLine0Output), HighLow(word & kGpioCtrlLine0High),
                  direction(word & kGpioCtrlLine1Output), HighLow(word & kGpioCtrlLine1High)) +
         OtherBits(word, kGpioCtrlLine0Output | kGpioCtrlLine1Output | kGpioCtrlLine0High |
                             kGpioCtrlLine1High);
}

QString MiscText(uint16_t word) {
  using namespace registers;
  return QStringLiteral("data ready on %1, active %2, %3; self-test %4; capture to flash %5")
             .arg(Line(word & kMiscCtrlDataReadyLine1), HighLow(word & kMiscCtrlDataReadyHigh),
                  OnOff(word & kMiscCtrlDataReadyEnable), OnOff(word & kMiscCtrlSelfTest),
                  OnOff(word & kMiscCtrlStoreCaptureToFlash)) +
         OtherBits(word, kMiscCtrlDataReadyLine1 | kMiscCtrlDataReadyHigh |
                             kMiscCtrlDataReadyEnable | kMiscCtrlSelfTest |
                             kMiscCtrlStoreCaptureToFlash);
}

QString SampleRateText(uint16_t word) {
  const double base = (word & registers::kSmplPrdSlowTimeBase) != 0 ? kSlowTimeBase : kFastTimeBase;
  const double rate = 1.0 / (base * ((word & registers::kSmplPrdMultiplierBits) + 1));
  return common::FormatPattern(rate, u"##0.0", QLocale::c()) + QStringLiteral(" SPS");
}

QString CaptCfgText(uint16_t word) {
  using namespace registers;
  // Length codes 3..10 (8..1024 samples) and pre-trigger codes 0..10 are those the capture
  // window offers; the sensor powers up with 0 (no capture set up).
  const int length = CaptLengthCode(word);
  const int pre_trigger = CaptPreTriggerCode(word);
  const QString samples = length >= 3 && length <= 10
                              ? QStringLiteral("%1 samples").arg(1 << length)
                              : QStringLiteral("length code %1").arg(length);
  const QString before = pre_trigger <= 10
                             ? QStringLiteral("%1 before the trigger").arg(1 << pre_trigger)
                             : QStringLiteral("pre-trigger code %1").arg(pre_trigger);
  return QStringLiteral("%1, %2; buffer #1 %3, buffer #2 %4")
      .arg(samples, before, SourceName(kCaptureSourceNames, CaptSource(word, 0)),
           SourceName(kCaptureSourceNames, CaptSource(word, 1)));
}

QString SourceFieldProblem(const QString& what, int source) {
  return source > kLargestSource
             ? QStringLiteral("the %1 source is %2, which is not one of the sources 0..9")
                   .arg(what)
                   .arg(source)
             : QString();
}

}  // namespace

const std::array<int16_t, kSettingsCount>& SettingsRegisters() {
  return kSettings;
}

std::optional<int> SettingPosition(int16_t index) {
  const auto* found = std::find(kSettings.begin(), kSettings.end(), index);
  if (found == kSettings.end()) return std::nullopt;
  return static_cast<int>(found - kSettings.begin());
}

uint16_t SettingWord(const DeviceSettings& settings, int16_t index) {
  return settings.at(SettingPosition(index).value());
}

void SetSettingWord(DeviceSettings& settings, int16_t index, uint16_t word) {
  settings.at(SettingPosition(index).value()) = word;
}

uint16_t SettingWordOfCode(int16_t index, int32_t code) {
  const auto word = static_cast<uint16_t>(code & 0xFFFF);
  return index == registers::kAlmCtrl ? static_cast<uint16_t>(word & ~kArmingBits) : word;
}

int32_t SettingCode(const RegisterTable& table, int16_t index, uint16_t word) {
  return registers::ApplyReadRule(table.at(index), word).RegRaw;
}

QString SettingWordProblem(const RegisterTable& table, int16_t index, uint16_t word) {
  const registers::RegisterEntry& entry = table.at(index);
  const int bits = entry.ReadLen;
  if (entry.TwosCompl) {
    // The word of a code -2^(bits-1)..2^(bits-1)-1 sign-extended to 16 bits.
    const int32_t code = SettingCode(table, index, word);
    if (static_cast<uint16_t>(code & 0xFFFF) != word) {
      const int32_t half = 1 << (bits - 1);
      return QStringLiteral("%1 is not a %2-bit code: give %3..%4, or %5..FFFF for a negative code")
          .arg(common::Hex4(word))
          .arg(bits)
          .arg(common::Hex4(0), common::Hex4(half - 1), common::Hex4(0x10000 - half));
    }
  } else if (bits < 16 && word > (1u << bits) - 1u) {
    return QStringLiteral("%1 is above %2, the largest %3-bit code")
        .arg(common::Hex4(word), common::Hex4((1 << bits) - 1))
        .arg(bits);
  }
  if (index == registers::kAlmCtrl) {
    if ((word & kArmingBits) != 0) {
      return QStringLiteral(
          "bits 4-7 (the capture trigger selection) must be 0: arming a capture is not a "
          "setting");
    }
    for (int alarm : {1, 2}) {
      QString problem = SourceFieldProblem(QStringLiteral("alarm %1").arg(alarm),
                                           registers::AlarmSource(word, alarm));
      if (!problem.isEmpty()) return problem;
    }
  }
  if (index == registers::kCaptCfg) {
    for (int buffer : {0, 1}) {
      QString problem = SourceFieldProblem(QStringLiteral("buffer #%1").arg(buffer + 1),
                                           registers::CaptSource(word, buffer));
      if (!problem.isEmpty()) return problem;
    }
  }
  return {};
}

QString SettingValueText(const RegisterTable& table, const DeviceSettings& settings,
                         int16_t index) {
  const uint16_t word = SettingWord(settings, index);
  switch (index) {
    case registers::kXAcclNull:
    case registers::kYAcclNull:
    case registers::kXAccScale:
    case registers::kYAccScale: {
      const float value =
          static_cast<float>(SettingCode(table, index, word)) * AxisFactor(table, index);
      const bool null = index == registers::kXAcclNull || index == registers::kYAcclNull;
      return common::SingleText(value) + (null ? QStringLiteral(" g") : QStringLiteral(" mg/lsb"));
    }
    case registers::kAlmMag1:
    case registers::kAlmMag2: {
      const uint16_t alm_ctrl = SettingWord(settings, registers::kAlmCtrl);
      return AlarmLevelText(table, word,
                            registers::AlarmSource(alm_ctrl, index == registers::kAlmMag1 ? 1 : 2));
    }
    case registers::kAlmCtrl:
      return AlmCtrlText(word);
    case registers::kAuxDac:
      return common::FormatPattern(word / kDacFullScaleCode * kDacFullScaleVolts, u"0.0######",
                                   QLocale::c()) +
             QStringLiteral(" V");
    case registers::kGpioCtrl:
      return GpioText(word);
    case registers::kMiscCtrl:
      return MiscText(word);
    case registers::kSmplPrd:
      return SampleRateText(word);
    case registers::kCaptCfg:
      return CaptCfgText(word);
    default:
      return {};
  }
}

QString SettingLabel(const RegisterTable& table, int16_t index) {
  QString label = table.at(index).Label;
  while (label.endsWith(u' ')) label.chop(1);
  return label;
}

}  // namespace talvix::regaccess
