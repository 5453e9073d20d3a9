// SPDX-License-Identifier: MIT
// What the "Status Register" frame shows for a STATUS word, and when a status read tells that an
// armed event capture has triggered. The widgets paint what these functions decide.
#pragma once

#include "registers/register_bits.h"

#include <QString>

#include <array>
#include <cstdint>

namespace talvix::monitor {

// One STATUS bit shown in the frame: its caption label and the flag label beside it.
struct StatusFlag {
  uint16_t mask;
  const char* caption_name;  // objectName of the caption label
  const char* caption;
  const char* flag_name;  // objectName of the flag label
};

// Top to bottom, which is also the order in which a status read updates them. The other STATUS
// bits are not shown.
inline constexpr std::array<StatusFlag, 7> kStatusFlags{{
    {registers::kStatusSupplyLow, "lblLowSupply", "Power Supply Low", "lblLowSupplyFlag"},
    {registers::kStatusSupplyHigh, "lblHighSupply", "Power Supply High", "lblHighSupplyFlag"},
    {registers::kStatusFlashStoreFailed, "lblWriteFail", "Control Write Flag", "lblWriteFailFlag"},
    {registers::kStatusWriteRejected, "Label20", "SPI Write Flag", "lblSpiWriteFlag"},
    {registers::kStatusAlarm1, "lblAlarm1Set", "Alarm1 Set", "lblAlarm1SetFlag"},
    {registers::kStatusAlarm2, "lblAlarm2Set", "Alarm2 Set", "lblAlarm2SetFlag"},
    {registers::kStatusCaptureFull, "LblFifoFull", "Fifo Full", "LblFifoFullFlag"},
}};

// A set bit is an alarm (red), a clear bit is OK (green). kUnknown (neutral, no text) is shown
// until a status word has been read, and whenever a status read got nothing from the sensor.
enum class FlagState { kOk, kAlarm, kUnknown };

FlagState FlagStateOf(int32_t status, uint16_t mask);
// "OK", "Alarm", or empty when unknown.
QString FlagText(FlagState state);

// Capture trigger selections (CaptTrigSelect): capture on alarm 1, shown by STATUS bit 8, or on
// alarm 2, shown by bit 9.
inline constexpr int16_t kCaptTrigger1 = registers::kAlmCtrlTrigger1;
inline constexpr int16_t kCaptTrigger2 = registers::kAlmCtrlTrigger2;

// True when a status read made while capture is armed shows the alarm bit of the chosen trigger:
// the capture has triggered and its snapshots are due. The other alarm bit means nothing here.
bool CaptureTriggered(int32_t status, bool armed, int16_t capt_trig_select);

}  // namespace talvix::monitor
