// SPDX-License-Identifier: MIT
// The named bits and fields of the sensor's control and status registers, in one place for every
// window's logic and for the simulated sensor. Bit 0 is the least significant bit of the 16-bit
// register word. Field helpers take and give the field's own value (a source index, a length
// code), never the shifted bits, and ignore every bit outside their field.
#pragma once

#include <cstdint>

namespace talvix::registers {

// ---- COMMAND (0x3E, write-only) --------------------------------------------------------------
// Each set bit starts one action when the word's lower byte arrives; a word may combine several.
inline constexpr uint16_t kCommandAutoNull = 0x0001;  // nulls so that the present X and Y read 0
inline constexpr uint16_t kCommandFactoryCalibration = 0x0002;  // nulls and scales to factory
inline constexpr uint16_t kCommandUpdateDac = 0x0004;    // auxiliary DAC takes the AUX_DAC code
inline constexpr uint16_t kCommandStoreFlash = 0x0008;   // store the settings registers in flash
inline constexpr uint16_t kCommandClearAlarms = 0x0010;  // clear the latched STATUS flags
inline constexpr uint16_t kCommandResetPeaks = 0x0020;   // X_PEAK, Y_PEAK, RSS_PEAK start afresh
// Readies a new event capture (forgets the last one); written before the trigger selection of
// ALM_CTRL bits 4-7 is set.
inline constexpr uint16_t kCommandPrepareCapture = 0x0100;

// ---- STATUS (0x3C, read-only) ----------------------------------------------------------------
// Bits 0 and 1 follow the supply; bits 2, 3, 8 and 9 are latched until COMMAND 0x0010.
inline constexpr uint16_t kStatusSupplyLow = 0x0001;   // supply below 3.0 V ("Power Supply Low")
inline constexpr uint16_t kStatusSupplyHigh = 0x0002;  // supply above 3.6 V
// A store of the settings into flash failed ("Control Write Flag").
inline constexpr uint16_t kStatusFlashStoreFailed = 0x0004;
// A write frame hit a register that cannot be written ("SPI Write Flag").
inline constexpr uint16_t kStatusWriteRejected = 0x0008;
// Event capture readied and a trigger selected: waiting for the trigger (not shown by the main
// window, which keeps its own record of the armed state).
inline constexpr uint16_t kStatusCaptureArmed = 0x0010;
inline constexpr uint16_t kStatusCaptureTriggered = 0x0020;  // capture filling or full
inline constexpr uint16_t kStatusAlarm1 = 0x0100;       // comparator 1 has tripped ("Alarm1 Set")
inline constexpr uint16_t kStatusAlarm2 = 0x0200;       // comparator 2 has tripped ("Alarm2 Set")
inline constexpr uint16_t kStatusCaptureFull = 0x1000;  // capture buffers full ("Fifo Full")

// ---- Source index ----------------------------------------------------------------------------
// What an alarm comparator or a capture buffer watches: the value of the 4-bit source fields of
// ALM_CTRL and CAPT_CFG, and the position in the alarm and capture windows' source lists.
enum Source : int16_t {
  kSourceDisabled = 0,
  kSourceSupply = 1,
  kSourceX = 2,
  kSourceY = 3,
  kSourceAuxAdc = 4,
  kSourceTemperature = 5,
  kSourceXPeak = 6,
  kSourceYPeak = 7,
  kSourceRss = 8,
  kSourceRssPeak = 9,
};
inline constexpr int kSourceFieldMask = 0xF;

// ---- ALM_CTRL (0x28) -------------------------------------------------------------------------
// Bits 0-2 the digital alarm indicator: which line, its active level, whether it is driven.
inline constexpr uint16_t kAlmCtrlIndicatorLine1 = 0x0001;  // DI/O1 (clear: DI/O0)
inline constexpr uint16_t kAlmCtrlIndicatorHigh = 0x0002;   // active high (clear: low)
inline constexpr uint16_t kAlmCtrlIndicatorEnable = 0x0004;
inline constexpr uint16_t kAlmCtrlIndicatorBits = 0x0007;
// Bits 4-7 the capture trigger selection: 0x10 captures on comparator 1, 0x40 on comparator 2.
// Any of them set means a capture is armed. The program keeps the chosen pattern in
// CaptTrigSelect and writes it here when it arms.
inline constexpr uint16_t kAlmCtrlTrigger1 = 0x0010;
inline constexpr uint16_t kAlmCtrlTrigger2 = 0x0040;
inline constexpr uint16_t kAlmCtrlTriggerBits = 0x00F0;

// The trigger selection the program keeps (CaptTrigSelect) from ALM_CTRL: one of the two trigger
// patterns, or 0 for anything else (both bits, the other bits 5 and 7, or all ones from a sensor
// that does not answer).
constexpr int16_t TriggerSelection(int32_t alm_ctrl) {
  const int32_t bits = alm_ctrl & kAlmCtrlTriggerBits;
  return bits == kAlmCtrlTrigger1 || bits == kAlmCtrlTrigger2 ? static_cast<int16_t>(bits) : 0;
}
// Bits 8-11 the source watched by comparator 1 (alarm 1), bits 12-15 that of comparator 2.
inline constexpr int kAlmCtrlSource1Shift = 8;
inline constexpr int kAlmCtrlSource2Shift = 12;

// The source index of comparator `alarm` (1 or 2).
constexpr int AlarmSource(uint16_t alm_ctrl, int alarm) {
  const int shift = alarm == 1 ? kAlmCtrlSource1Shift : kAlmCtrlSource2Shift;
  return (alm_ctrl >> shift) & kSourceFieldMask;
}

// `alm_ctrl` with both comparator sources replaced (each taken modulo 16), bits 0-7 kept.
constexpr uint16_t WithAlarmSources(uint16_t alm_ctrl, int source1, int source2) {
  return static_cast<uint16_t>((alm_ctrl & 0x00FF) |
                               ((source1 & kSourceFieldMask) << kAlmCtrlSource1Shift) |
                               ((source2 & kSourceFieldMask) << kAlmCtrlSource2Shift));
}

// ---- ALM_MAG1 (0x20), ALM_MAG2 (0x22) --------------------------------------------------------
// Bits 0-13 the comparator's level, a code in the code space of its source (14-bit two's
// complement for X, Y and their peaks); bit 14 written as 0; bit 15 the direction: set trips
// while the source's code is greater than the level, clear while it is less.
inline constexpr uint16_t kAlmMagLevelBits = 0x3FFF;
inline constexpr uint16_t kAlmMagGreaterThan = 0x8000;

// The magnitude word for a level code (its low 14 bits) and a direction.
constexpr uint16_t AlmMagWord(int32_t level_code, bool greater_than) {
  return static_cast<uint16_t>((level_code & kAlmMagLevelBits) |
                               (greater_than ? kAlmMagGreaterThan : 0));
}

// ---- CAPT_CFG (0x38) -------------------------------------------------------------------------
// Bits 0-3 the buffer length code n (2^n samples, 8..1024 for n = 3..10); bits 4-7 the
// pre-trigger code m (2^m samples before the trigger sample); bits 8-11 the source of capture
// buffer 0 ("Buffer #1", CAPT_BUF_0), bits 12-15 that of buffer 1 ("Buffer #2", CAPT_BUF_1).
inline constexpr int kCaptCfgPreTriggerShift = 4;
inline constexpr int kCaptCfgSource0Shift = 8;
inline constexpr int kCaptCfgSource1Shift = 12;
inline constexpr int kCaptCfgCodeMask = 0xF;

constexpr int CaptLengthCode(uint16_t capt_cfg) {
  return capt_cfg & kCaptCfgCodeMask;
}
constexpr int CaptPreTriggerCode(uint16_t capt_cfg) {
  return (capt_cfg >> kCaptCfgPreTriggerShift) & kCaptCfgCodeMask;
}
// The source index of capture buffer `buffer` (0 or 1).
constexpr int CaptSource(uint16_t capt_cfg, int buffer) {
  return (capt_cfg >> (buffer == 0 ? kCaptCfgSource0Shift : kCaptCfgSource1Shift)) &
         kSourceFieldMask;
}
// The whole word from its four fields, each taken modulo 16 (length 10, pre-trigger 2, buffer 0
// on X, buffer 1 on the RSS peak: 0x922A).
constexpr uint16_t CaptCfgWord(int length_code, int pre_trigger_code, int source0, int source1) {
  return static_cast<uint16_t>(((source1 & kCaptCfgCodeMask) << kCaptCfgSource1Shift) |
                               ((source0 & kCaptCfgCodeMask) << kCaptCfgSource0Shift) |
                               ((pre_trigger_code & kCaptCfgCodeMask) << kCaptCfgPreTriggerShift) |
                               (length_code & kCaptCfgCodeMask));
}

// ---- MISC_CTRL (0x34) ------------------------------------------------------------------------
// Bits 0-2 the data-ready function of the digital I/O lines; bit 8 self-test; bit 11 stores
// captured data in flash as well.
inline constexpr uint16_t kMiscCtrlDataReadyLine1 = 0x0001;  // on DI/O1 (clear: DI/O0)
inline constexpr uint16_t kMiscCtrlDataReadyHigh = 0x0002;   // active high (clear: low)
inline constexpr uint16_t kMiscCtrlDataReadyEnable = 0x0004;
// Self-test: the sensing element is deflected on both axes while it is set.
inline constexpr uint16_t kMiscCtrlSelfTest = 0x0100;
inline constexpr uint16_t kMiscCtrlStoreCaptureToFlash = 0x0800;

// ---- GPIO_CTRL (0x32) ------------------------------------------------------------------------
// Bits 0 and 1 make digital I/O lines 0 and 1 outputs (clear: inputs); bits 8 and 9 are the
// lines' levels (set: high), driven on an output and sensed on an input.
inline constexpr uint16_t kGpioCtrlLine0Output = 0x0001;
inline constexpr uint16_t kGpioCtrlLine1Output = 0x0002;
inline constexpr uint16_t kGpioCtrlLine0High = 0x0100;
inline constexpr uint16_t kGpioCtrlLine1High = 0x0200;

// The two line levels as a 2-bit number: bit 0 line 0, bit 1 line 1.
constexpr int GpioLevels(uint16_t gpio_ctrl) {
  return (gpio_ctrl >> 8) & 0x3;
}

// ---- SMPL_PRD (0x36) -------------------------------------------------------------------------
// Bits 0-6 NS, the period multiplier less one; bit 7 TB, the time base (clear 0.12207 ms, set
// 3.784 ms). The sample period is time base x (NS + 1).
inline constexpr uint16_t kSmplPrdMultiplierBits = 0x007F;
inline constexpr uint16_t kSmplPrdSlowTimeBase = 0x0080;

}  // namespace talvix::registers
