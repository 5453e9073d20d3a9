// SPDX-License-Identifier: MIT
// Arming and disarming event capture (the main window's Arm button, talvix-cli capture) and the
// trigger seen by a status read. The capture trigger source lives in bits 4..7 of ALM_CTRL: 0x10
// captures on alarm 1, 0x40 on alarm 2; any of those bits set means the sensor is armed. The
// program's own record is the session's CaptureState: Arm, Disarm, RecordTrigger and
// TakeTriggerSelection are the only changes of it, each with its device steps (the Ready indicator
// shows Armed).
#pragma once

#include "link/delay.h"
#include "link/register_access.h"
#include "registers/register_bits.h"
#include "session/capture_state.h"

#include <QString>

#include <cstdint>

namespace talvix::monitor {

// The wait after COMMAND 0x0100 (registers::kCommandPrepareCapture), in ms, before ALM_CTRL is
// read back and written.
inline constexpr double kPrepareCaptureWaitMs = 5.0;

// What one click on Arm does, decided from the ALM_CTRL code it reads first.
enum class ArmStep {
  kDisarm,           // a trigger source is set: the click disarms
  kNoTriggerSource,  // nothing set and nothing chosen: message, no write
  kArm,              // nothing set, a trigger chosen: arm with it
};

ArmStep DecideArm(int32_t alm_ctrl, int16_t capt_trig_select);

// ALM_CTRL with the trigger bits 4 and 6 cleared, every other bit kept (0x0A43 -> 0x0A03,
// 0x0A13 -> 0x0A03).
int32_t DisarmedAlmCtrl(int32_t alm_ctrl);

// ALM_CTRL with bits 4..7 replaced by the chosen trigger (0x0A03 with 0x40 -> 0x0A43). Only the
// trigger bits of the selection are used, so a stray value cannot reach the other fields.
int32_t ArmedAlmCtrl(int32_t alm_ctrl, int16_t capt_trig_select);

// The device side of arming: COMMAND 0x0100, 5 ms, ALM_CTRL read back and written with the
// trigger bits. Stops at the first operation that does not reach the sensor (nothing is written
// from a word that was not read); returns whether every one did.
bool ArmCapture(link::RegisterAccess& link, link::Delay& delay, int16_t capt_trig_select);

// The device side of disarming: ALM_CTRL read again and written with bits 4 and 6 cleared; as
// ArmCapture, nothing is written when the read does not reach the sensor or is answered with all
// ones.
bool DisarmCapture(link::RegisterAccess& link);

// Arms with the chosen trigger source (CaptTrigSelect): marked armed first, then ArmCapture; an
// arming that did not reach the sensor is marked disarmed again. Returns whether it reached it.
bool Arm(link::RegisterAccess& link, link::Delay& delay, CaptureState& capture);

// Marked disarmed, then DisarmCapture (best effort: the program no longer waits for a trigger
// either way). Returns whether the sensor was disarmed.
bool Disarm(link::RegisterAccess& link, CaptureState& capture);

// The capture has triggered (a status read showed its alarm bit while armed): no longer armed,
// and the snapshots of CAPT_CFG and SMPL_PRD that the read-out lays the buffers out by are read.
// Returns whether both were read; otherwise no trigger counts as seen (see
// CaptureState::MarkTriggered).
bool RecordTrigger(link::RegisterAccess& link, CaptureState& capture);

// The load step: the trigger selection starts from the trigger bits of the sensor's ALM_CTRL
// (0x10, 0x40, or 0 for anything else); kept as it was when ALM_CTRL brings no answer.
void TakeTriggerSelection(link::RegisterAccess& link, CaptureState& capture);

// The message of Arm when no trigger source is chosen (three lines, CR LF between them).
QString NoTriggerSourceMessage();

}  // namespace talvix::monitor
