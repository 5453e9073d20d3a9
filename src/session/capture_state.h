// Event-capture state shared by the main window's Event Capture frame, the capture configuration
// window and the two capture display windows.
#pragma once

#include "registers/capture_trace.h"

#include <QString>

#include <array>
#include <cstdint>

namespace talvix {

struct CaptureState {
  int16_t CaptTrigSelect = 0;   // 0 disabled, 0x10 trigger 1, 0x40 trigger 2
  int16_t CaptCfgSnapshot = 0;  // CAPT_CFG when the capture was seen to trigger
  int16_t SmplPrdSnapshot = 0;  // SMPL_PRD at the same moment
  // Capture armed from the Arm button and not yet seen to trigger: the Ready indicator shows it
  // green. While it is set nothing may change the capture set-up or read the buffers, which the
  // sensor is refilling.
  bool Armed = false;
  // A status read has seen a capture trigger in this run, so the snapshots describe the buffers.
  bool TriggerSeen = false;
  // A buffer read-out is running (it does not yield, but nothing may start a second one).
  bool ReadOutRunning = false;
  // The last trace read out from each buffer, which its display window draws.
  std::array<registers::CaptTrace, 2> CaptTrace;
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
