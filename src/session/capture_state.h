// SPDX-License-Identifier: MIT
// Event-capture state shared by the main window's Event Capture frame, the capture configuration
// window and the two capture display windows.
#pragma once

#include "registers/capture_trace.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace talvix {

// CAPT_CFG and SMPL_PRD as read when the capture was seen to trigger: they lay the buffers out.
struct CaptureSnapshots {
  int16_t capt_cfg = 0;
  int16_t smpl_prd = 0;
};

// The arming members (CaptTrigSelect, Armed, TriggerSeen and the snapshots) carry a protocol:
// they change together, and only through the functions below, which monitor/arm_logic runs around
// the device steps of Arm, Disarm and the trigger (the capture configuration window and
// talvix-cli choose the trigger source with SelectTrigger). Everything else only reads them.
struct CaptureState {
  int16_t CaptTrigSelect = 0;   // 0 disabled, 0x10 trigger 1, 0x40 trigger 2
  int16_t CaptCfgSnapshot = 0;  // CAPT_CFG when the capture was seen to trigger
  int16_t SmplPrdSnapshot = 0;  // SMPL_PRD at the same moment
  // Capture armed from the Arm button and not yet seen to trigger: the Ready indicator shows it
  // green. While it is set nothing may change the capture set-up or read the buffers, which the
  // sensor is refilling.
  bool Armed = false;
  // A status read has seen a capture trigger since the last arming, and both snapshots were read,
  // so the snapshots describe the buffers.
  bool TriggerSeen = false;
  // A buffer read-out is running (it does not yield, but nothing may start a second one).
  bool ReadOutRunning = false;
  // The last trace read out from each buffer, which its display window draws.
  std::array<registers::CaptTrace, 2> CaptTrace;

  // The trigger source the next Arm writes into ALM_CTRL. Refused (false, nothing changed) while a
  // capture is armed: the trigger being waited for cannot change under it.
  bool SelectTrigger(int16_t capt_trig_select);
  // Arming begins (before its device steps, so that nothing touches the capture set-up meanwhile):
  // armed, and no trigger seen since, as the sensor refills the buffers.
  void MarkArmed();
  // Disarmed (the Arm button, an arming that did not reach the sensor, talvix-cli giving up). A
  // trigger seen before stays seen.
  void MarkDisarmed();
  // The capture was seen to trigger: no longer armed. With both snapshots read the buffers are
  // laid out by them from now on; without them (a read that brought nothing) no trigger counts as
  // seen, and a read-out reads the set-up afresh rather than use snapshots of another capture.
  void MarkTriggered(const std::optional<CaptureSnapshots>& snapshots);
};

// Said by the main window's Config button, and by the capture configuration window's steps, while
// a capture is armed.
inline QString ConfigWhileArmedMessage() {
  return QStringLiteral("Cannot Configure Capture while Capture is Armed");
}

// Said by Capt_0, Capt_1 and Write File while a capture is armed.
inline QString ReadOutWhileArmedMessage() {
  return QStringLiteral(
      "The capture buffers cannot be read while a capture is armed: the sensor is filling "
      "them.\r\nWait for the trigger (Trig'd turns red), or press Arm again to disarm.");
}

}  // namespace talvix
