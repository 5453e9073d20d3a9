// SPDX-License-Identifier: MIT
#include "monitor/arm_logic.h"

#include "registers/register_table.h"

#include <optional>

namespace talvix::monitor {

ArmStep DecideArm(int32_t alm_ctrl, int16_t capt_trig_select) {
  const int32_t source = alm_ctrl & registers::kAlmCtrlTriggerBits;
  if (source > 1) return ArmStep::kDisarm;
  if (capt_trig_select == 0) return ArmStep::kNoTriggerSource;
  return ArmStep::kArm;
}

int32_t DisarmedAlmCtrl(int32_t alm_ctrl) {
  return alm_ctrl & 0xFFFF & ~(registers::kAlmCtrlTrigger1 | registers::kAlmCtrlTrigger2);
}

int32_t ArmedAlmCtrl(int32_t alm_ctrl, int16_t capt_trig_select) {
  return (alm_ctrl & 0xFFFF & ~registers::kAlmCtrlTriggerBits) |
         (capt_trig_select & registers::kAlmCtrlTriggerBits);
}

bool ArmCapture(link::RegisterAccess& link, link::Delay& delay, int16_t capt_trig_select) {
  if (!link::Reached(link.WriteReg(registers::kCommand, registers::kCommandPrepareCapture))) {
    return false;
  }
  delay.DelayMs(kPrepareCaptureWaitMs);
  if (!link::Answered(link.ReadReg(registers::kAlmCtrl), link.RawWord)) return false;
  return link::Reached(
      link.WriteReg(registers::kAlmCtrl, ArmedAlmCtrl(link.RegRaw, capt_trig_select)));
}

bool DisarmCapture(link::RegisterAccess& link) {
  if (!link::Answered(link.ReadReg(registers::kAlmCtrl), link.RawWord)) return false;
  return link::Reached(link.WriteReg(registers::kAlmCtrl, DisarmedAlmCtrl(link.RegRaw)));
}

bool Arm(link::RegisterAccess& link, link::Delay& delay, CaptureState& capture) {
  capture.MarkArmed();
  if (ArmCapture(link, delay, capture.CaptTrigSelect)) return true;
  capture.MarkDisarmed();  // the sensor was not armed
  return false;
}

bool Disarm(link::RegisterAccess& link, CaptureState& capture) {
  capture.MarkDisarmed();
  return DisarmCapture(link);
}

bool RecordTrigger(link::RegisterAccess& link, CaptureState& capture) {
  std::optional<CaptureSnapshots> snapshots;
  if (link::Answered(link.ReadReg(registers::kCaptCfg), link.RawWord)) {
    const auto capt_cfg = static_cast<int16_t>(link.RegRaw);
    if (link::Answered(link.ReadReg(registers::kSmplPrd), link.RawWord)) {
      snapshots = CaptureSnapshots{capt_cfg, static_cast<int16_t>(link.RegRaw)};
    }
  }
  capture.MarkTriggered(snapshots);
  return snapshots.has_value();
}

void TakeTriggerSelection(link::RegisterAccess& link, CaptureState& capture) {
  if (link::Answered(link.ReadReg(registers::kAlmCtrl), link.RawWord)) {
    capture.SelectTrigger(registers::TriggerSelection(link.RegRaw));
  }
}

QString NoTriggerSourceMessage() {
  return QStringLiteral(
      "Capture Trigger Source is disabled.\r\n"
      "Open the Capture Configuration window.\r\n"
      "press the 'Config' button in the Event Capture Frame.");
}

}  // namespace talvix::monitor
