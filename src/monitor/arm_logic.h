// Arming and disarming event capture from the main window's Arm button. The capture trigger
// source lives in bits 4..7 of ALM_CTRL: 0x10 captures on alarm 1, 0x40 on alarm 2; any of those
// bits set means the sensor is armed. The program's own record of "armed" is the Ready indicator.
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

// The capture has triggered (a status read showed its alarm bit while armed): no longer armed,
// a trigger seen in this run, and the snapshots of CAPT_CFG and SMPL_PRD that the read-out lays
// the buffers out by. A snapshot whose read did not reach the sensor, or was answered with all
// ones, keeps its earlier value; returns whether both were read.
bool RecordTrigger(link::RegisterAccess& link, CaptureState& capture);

// The message of Arm when no trigger source is chosen (three lines, CR LF between them).
QString NoTriggerSourceMessage();

}  // namespace talvix::monitor
