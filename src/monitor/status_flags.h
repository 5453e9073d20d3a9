// What the "Status Register" frame shows for a STATUS word, and when a status read tells that an
// armed event capture has triggered. The widgets paint what these functions decide.
#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace talvix::monitor {

// COMMAND value of the Clear button: clears the latched STATUS alarm bits.
inline constexpr int32_t kCommandClearAlarms = 0x0010;

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
    {0x0001, "lblLowSupply", "Power Supply Low", "lblLowSupplyFlag"},
    {0x0002, "lblHighSupply", "Power Supply High", "lblHighSupplyFlag"},
    {0x0004, "lblWriteFail", "Control Write Flag", "lblWriteFailFlag"},
    {0x0008, "Label20", "SPI Write Flag", "lblSpiWriteFlag"},
    {0x0100, "lblAlarm1Set", "Alarm1 Set", "lblAlarm1SetFlag"},
    {0x0200, "lblAlarm2Set", "Alarm2 Set", "lblAlarm2SetFlag"},
    {0x1000, "LblFifoFull", "Fifo Full", "LblFifoFullFlag"},
}};

// A set bit is an alarm (red), a clear bit is OK (green).
enum class FlagState { kOk, kAlarm };

FlagState FlagStateOf(int32_t status, uint16_t mask);
// "OK" or "Alarm"; every flag label starts as "OK".
QString FlagText(FlagState state);

// Capture trigger selections (CaptTrigSelect): capture on alarm 1, shown by STATUS bit 8, or on
// alarm 2, shown by bit 9.
inline constexpr int16_t kCaptTrigger1 = 0x10;
inline constexpr int16_t kCaptTrigger2 = 0x40;
inline constexpr uint16_t kStatusAlarm1 = 0x0100;
inline constexpr uint16_t kStatusAlarm2 = 0x0200;

// True when a status read made while capture is armed shows the alarm bit of the chosen trigger:
// the capture has triggered and its snapshots are due. The other alarm bit means nothing here.
bool CaptureTriggered(int32_t status, bool armed, int16_t capt_trig_select);

}  // namespace talvix::monitor
