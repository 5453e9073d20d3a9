// SPDX-License-Identifier: MIT
#include "regaccess/settings_transfer.h"

#include "common/hex_text.h"
#include "common/number_text.h"
#include "common/whole_file.h"
#include "regaccess/manual_register.h"
#include "regaccess/settings_file.h"
#include "registers/register_bits.h"
#include "registers/register_index.h"

namespace talvix::regaccess {

namespace {

using registers::RegisterTable;

// Pauses after each write, ms: those the settings windows make after the same write.
constexpr double kControlPauseMs = 100.0;      // ALM_CTRL off, GPIO_CTRL, MISC_CTRL, CAPT_CFG
constexpr double kCalibrationPauseMs = 300.0;  // a null or scale
constexpr double kSamplePeriodPauseMs = 10.0;
constexpr double kDacPauseMs = 100.0;
constexpr double kDacCommandPauseMs = 300.0;
constexpr double kAlarmPauseMs = 150.0;  // after both levels, and after ALM_CTRL

const QString kCrLf = QStringLiteral("\r\n");

// What went wrong with an operation on `label`, with what to check; `what` says what was not
// done. The card or the port reports its own failures, so for those only `what` is said.
QString LinkProblem(const link::RegisterAccess& link, const QString& what) {
  const QString message = NotAnsweredMessage(link, what);
  return message.isEmpty() ? what + u'.' : message;
}

// Reads the register at `index` into `code` (see link::ReadConfirmed: a null of -1 reads as all
// ones and is still a setting).
bool ReadSetting(link::RegisterAccess& link, int16_t index, int32_t& code) {
  if (!link::ReadConfirmed(link, index)) return false;
  code = link.RegRaw;
  return true;
}

// Reads every settings register's code into `codes` (as 16-bit words). False with the position
// of the register that did not answer in `failed`.
bool ReadCodes(link::RegisterAccess& link, DeviceSettings& codes, int& failed) {
  const auto& indices = SettingsRegisters();
  for (int i = 0; i < kSettingsCount; ++i) {
    int32_t code = 0;
    if (!ReadSetting(link, indices[i], code)) {
      failed = i;
      return false;
    }
    codes[i] = static_cast<uint16_t>(code & 0xFFFF);
  }
  return true;
}

}  // namespace

std::optional<DeviceSettings> ReadDeviceSettings(link::RegisterAccess& link, QString& error) {
  const RegisterTable& table = link.table();
  DeviceSettings codes{};
  int failed = 0;
  if (!ReadCodes(link, codes, failed)) {
    error = LinkProblem(link, QStringLiteral("%1 was not read, so the settings were not saved")
                                  .arg(SettingLabel(table, SettingsRegisters()[failed])));
    return std::nullopt;
  }
  DeviceSettings settings{};
  for (int i = 0; i < kSettingsCount; ++i) {
    const int16_t index = SettingsRegisters()[i];
    settings[i] = SettingWordOfCode(index, SettingCode(table, index, codes[i]));
    const QString problem = SettingWordProblem(table, index, settings[i]);
    if (!problem.isEmpty()) {
      error = QStringLiteral(
                  "%1 holds %2, which a settings file cannot carry (%3), so the settings were not "
                  "saved. Set %1 in its window first.")
                  .arg(SettingLabel(table, index), common::Hex4(settings[i]), problem);
      return std::nullopt;
    }
  }
  return settings;
}

bool SaveSettings(link::RegisterAccess& link, const QString& path, DeviceSettings& saved,
                  QString& error) {
  const std::optional<DeviceSettings> settings = ReadDeviceSettings(link, error);
  if (!settings) return false;
  QString why;
  if (!common::WriteWholeFile(path, SettingsFileText(link.table(), *settings), why)) {
    error = QStringLiteral("The settings could not be saved to %1: %2.").arg(path, why);
    return false;
  }
  saved = *settings;
  return true;
}

std::vector<PlannedWrite> WritePlan(const RegisterTable& table, const DeviceSettings& settings) {
  using namespace registers;
  const auto write = [&](int16_t index, double pause_ms) {
    return PlannedWrite{index, SettingWord(settings, index), pause_ms,
                        SettingValueText(table, settings, index)};
  };
  const uint16_t alm_ctrl = SettingWord(settings, kAlmCtrl);
  return {
      PlannedWrite{
          kAlmCtrl, WithAlarmSources(alm_ctrl & ~kArmingBits, kSourceDisabled, kSourceDisabled),
          kControlPauseMs,
          QStringLiteral("both alarms off and no capture armed while the rest is written")},
      write(kGpioCtrl, kControlPauseMs),
      write(kMiscCtrl, kControlPauseMs),
      write(kXAcclNull, kCalibrationPauseMs),
      write(kYAcclNull, kCalibrationPauseMs),
      write(kXAccScale, kCalibrationPauseMs),
      write(kYAccScale, kCalibrationPauseMs),
      write(kSmplPrd, kSamplePeriodPauseMs),
      write(kAuxDac, kDacPauseMs),
      PlannedWrite{kCommand, kCommandUpdateDac, kDacCommandPauseMs,
                   QStringLiteral("the auxiliary DAC takes the AUX_DAC code")},
      write(kCaptCfg, kControlPauseMs),
      write(kAlmMag1, 0.0),
      write(kAlmMag2, kAlarmPauseMs),
      write(kAlmCtrl, kAlarmPauseMs),
  };
}

QStringList PlanLines(const RegisterTable& table, const DeviceSettings& settings) {
  QStringList lines;
  for (const PlannedWrite& w : WritePlan(table, settings)) {
    lines.append(SettingLabel(table, w.index) + u'\t' + common::Hex4(w.word) + u'\t' + w.note);
  }
  return lines;
}

LoadReport LoadSettings(Session& session, const DeviceSettings& settings) {
  LoadReport report;
  if (session.capture.Armed || session.capture.ReadOutRunning) {
    report.error = QStringLiteral(
        "The settings cannot be loaded while a capture is armed or being read out: they include "
        "the capture set-up. Wait for the trigger, or press Arm again to disarm. Nothing was "
        "sent.");
    return report;
  }
  link::RegisterAccess& link = session.link;
  const RegisterTable& table = link.table();
  int failed = 0;
  report.result = LoadReport::Result::kNotReached;
  if (!ReadCodes(link, report.before, failed)) {
    report.error = LinkProblem(link, QStringLiteral("%1 was not read, so no setting was written")
                                         .arg(SettingLabel(table, SettingsRegisters()[failed])));
    return report;
  }
  for (const PlannedWrite& w : WritePlan(table, settings)) {
    if (!link::Reached(link.WriteReg(w.index, w.word))) {
      report.error = LinkProblem(
          link, QStringLiteral("%1 was not written, and the writes after it were not made: the "
                               "sensor holds %2 of the %3 writes")
                    .arg(SettingLabel(table, w.index))
                    .arg(report.writes_done)
                    .arg(WritePlan(table, settings).size()));
      return report;
    }
    ++report.writes_done;
    if (w.pause_ms > 0.0) link.delay().DelayMs(w.pause_ms);
  }
  if (!ReadCodes(link, report.read_back, failed)) {
    report.error =
        LinkProblem(link, QStringLiteral("every setting was written, but %1 was not read back")
                              .arg(SettingLabel(table, SettingsRegisters()[failed])));
    return report;
  }
  for (int i = 0; i < kSettingsCount; ++i) {
    const int16_t index = SettingsRegisters()[i];
    if (SettingCode(table, index, report.read_back[i]) != SettingCode(table, index, settings[i])) {
      report.differing.push_back(index);
    }
  }
  report.result =
      report.differing.empty() ? LoadReport::Result::kLoaded : LoadReport::Result::kDiffers;
  return report;
}

QStringList LoadedLines(const RegisterTable& table, const DeviceSettings& settings,
                        const LoadReport& report) {
  QStringList lines;
  for (int i = 0; i < kSettingsCount; ++i) {
    const int16_t index = SettingsRegisters()[i];
    lines.append(SettingLabel(table, index) + u'\t' + common::Hex4(report.before[i]) + u'\t' +
                 common::Hex4(settings[i]) + u'\t' + SettingValueText(table, settings, index));
  }
  return lines;
}

QStringList DifferingLines(const RegisterTable& table, const DeviceSettings& settings,
                           const LoadReport& report) {
  QStringList lines;
  for (const int16_t index : report.differing) {
    const int i = SettingPosition(index).value();
    lines.append(QStringLiteral("%1: wrote %2, reads back %3")
                     .arg(SettingLabel(table, index), common::Hex4(settings[i]),
                          common::Hex4(report.read_back[i])));
  }
  return lines;
}

QString LoadSummary(const RegisterTable& table, const QString& path, const DeviceSettings& settings,
                    const LoadReport& report) {
  if (report.result == LoadReport::Result::kRefused ||
      report.result == LoadReport::Result::kNotReached) {
    return report.error;
  }
  QStringList changed;
  for (int i = 0; i < kSettingsCount; ++i) {
    if (report.before[i] == settings[i]) continue;
    const int16_t index = SettingsRegisters()[i];
    changed.append(QStringLiteral("%1: %2 -> %3 (%4)")
                       .arg(SettingLabel(table, index), common::Hex4(report.before[i]),
                            common::Hex4(settings[i]), SettingValueText(table, settings, index)));
  }
  QString text =
      QStringLiteral("The %1 settings registers of %2 were written").arg(kSettingsCount).arg(path);
  text += changed.isEmpty()
              ? QStringLiteral("; none of them changed.")
              : QStringLiteral("; %1 changed:").arg(changed.size()) + kCrLf + changed.join(kCrLf);
  if (report.result == LoadReport::Result::kDiffers) {
    text += kCrLf + kCrLf + QStringLiteral("These read back differently:") + kCrLf +
            DifferingLines(table, settings, report).join(kCrLf);
  } else {
    text += kCrLf + kCrLf + QStringLiteral("Every register reads back as written.");
  }
  return text + kCrLf +
         QStringLiteral(
             "They are not in the sensor's flash yet: use Flash Memory Register Update to keep "
             "them through a power cycle.");
}

QString RefusedFileMessage(const QStringList& problems) {
  return problems.join(kCrLf) + kCrLf + kCrLf + QStringLiteral("Nothing was sent to the sensor.");
}

}  // namespace talvix::regaccess
