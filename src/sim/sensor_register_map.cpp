// SPDX-License-Identifier: MIT
#include "sim/sensor_register_map.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

namespace talvix::sim {

namespace {

constexpr double kMilli = 1e-3;
constexpr bool kSigned = true;
constexpr bool kUnsigned = false;

// The data sheet's register table, in address order.
constexpr SensorRegister kRegisters[] = {
    // Flash write count since manufacture.
    {registers::kEndurance, "ENDURANCE", 0x00, 16, kUnsigned, 1, 0, 0, Access::kRead},
    // Supply: 1.22 mV per code.
    {registers::kSupply, "SUPPLY_OUT", 0x02, 12, kUnsigned, 1.22 * kMilli, 0, 0, Access::kRead},
    // Acceleration: X 17.125 mg per code, Y 8.407 mg per code.
    {registers::kXAccl, "XACCL_OUT", 0x04, 14, kSigned, 17.125 * kMilli, 0, 0, Access::kRead},
    {registers::kYAccl, "YACCL_OUT", 0x06, 14, kSigned, 8.407 * kMilli, 0, 0, Access::kRead},
    // Auxiliary ADC: 6.1 mV per code.
    {registers::kAuxAdc, "AUX_ADC", 0x08, 12, kSigned, 6.1 * kMilli, 0, 0, Access::kRead},
    // Temperature: -0.47 degC per code; 25 degC reads 1278.
    {registers::kTemperature, "TEMP_OUT", 0x0A, 12, kUnsigned, -0.47, 25.0, 1278, Access::kRead},
    // Peaks since power-up or the last peak reset, coded as their axes.
    {registers::kXPeak, "XPEAK_OUT", 0x0C, 14, kSigned, 17.125 * kMilli, 0, 0, Access::kRead},
    {registers::kYPeak, "YPEAK_OUT", 0x0E, 14, kSigned, 8.407 * kMilli, 0, 0, Access::kRead},
    // Calibration: the nulls in output codes of their axis, the scales as gain x 2048.
    {registers::kXAcclNull, "XACCL_NULL", 0x10, 12, kSigned, 1, 0, 0, Access::kReadWrite},
    {registers::kYAcclNull, "YACCL_NULL", 0x12, 12, kSigned, 1, 0, 0, Access::kReadWrite},
    {registers::kXAccScale, "XACCL_SCALE", 0x14, 12, kUnsigned, 1, 0, 0, Access::kReadWrite},
    {registers::kYAccScale, "YACCL_SCALE", 0x16, 12, kUnsigned, 1, 0, 0, Access::kReadWrite},
    // Root-sum-square of X and Y and its peak: 17.125 mg per code.
    {registers::kRssXy, "RSS_OUT", 0x18, 14, kUnsigned, 17.125 * kMilli, 0, 0, Access::kRead},
    {registers::kRssPeak, "RSSPEAK_OUT", 0x1A, 14, kUnsigned, 17.125 * kMilli, 0, 0, Access::kRead},
    // Capture buffers: the captured code of the buffer's source at CAPT_PNTR.
    {registers::kCaptBuf0, "CAPT_BUF_0", 0x1C, 14, kSigned, 1, 0, 0, Access::kRead},
    {registers::kCaptBuf1, "CAPT_BUF_1", 0x1E, 14, kSigned, 1, 0, 0, Access::kRead},
    // Alarms and capture.
    {registers::kAlmMag1, "ALM_MAG1", 0x20, 16, kUnsigned, 1, 0, 0, Access::kReadWrite},
    {registers::kAlmMag2, "ALM_MAG2", 0x22, 16, kUnsigned, 1, 0, 0, Access::kReadWrite},
    {registers::kAlmCtrl, "ALM_CTRL", 0x28, 16, kUnsigned, 1, 0, 0, Access::kReadWrite},
    {registers::kCaptPntr, "CAPT_PNTR", 0x2A, 11, kUnsigned, 1, 0, 0, Access::kReadWrite},
    // Auxiliary DAC code: 2.5 V at 4095.
    {registers::kAuxDac, "AUX_DAC", 0x30, 12, kUnsigned, 1, 0, 0, Access::kReadWrite},
    {registers::kGpioCtrl, "GPIO_CTRL", 0x32, 10, kUnsigned, 1, 0, 0, Access::kReadWrite},
    {registers::kMiscCtrl, "MISC_CTRL", 0x34, 12, kUnsigned, 1, 0, 0, Access::kReadWrite},
    {registers::kSmplPrd, "SMPL_PRD", 0x36, 8, kUnsigned, 1, 0, 0, Access::kReadWrite},
    {registers::kCaptCfg, "CAPT_CFG", 0x38, 16, kUnsigned, 1, 0, 0, Access::kReadWrite},
    // Sleep time in steps of 0.5 s.
    {registers::kSlpCnt, "SLP_CNT", 0x3A, 8, kUnsigned, 1, 0, 0, Access::kReadWrite},
    {registers::kStatus, "STATUS", 0x3C, 16, kUnsigned, 1, 0, 0, Access::kRead},
    {registers::kCommand, "COMMAND", 0x3E, 16, kUnsigned, 1, 0, 0, Access::kWrite},
    // Unlock key of the identification registers, written lower byte first.
    {registers::kKeyCode, "KEY_CODE", 0x50, 16, kUnsigned, 1, 0, 0, Access::kWrite},
    // Identification, in BCD digits.
    {registers::kRevDate, "REV_DATE", 0x52, 16, kUnsigned, 1, 0, 0, Access::kRead},
    {registers::kMonthYear, "MONTH_YEAR", 0x54, 16, kUnsigned, 1, 0, 0, Access::kRead},
    {registers::kProductId, "PRODUCT_ID", 0x56, 16, kUnsigned, 1, 0, 0, Access::kRead},
};

constexpr int kIndexSlots = 64;     // register indices 0..63
constexpr int kAddressSlots = 128;  // the 7-bit byte address of a frame

// Position in kRegisters by register index and by byte address (either byte of a register); -1
// where there is none.
constexpr std::array<int16_t, kIndexSlots> kByIndex = [] {
  std::array<int16_t, kIndexSlots> by{};
  by.fill(-1);
  for (int i = 0; i < static_cast<int>(std::size(kRegisters)); ++i) {
    by[kRegisters[i].index] = static_cast<int16_t>(i);
  }
  return by;
}();

constexpr std::array<int16_t, kAddressSlots> kByAddress = [] {
  std::array<int16_t, kAddressSlots> by{};
  by.fill(-1);
  for (int i = 0; i < static_cast<int>(std::size(kRegisters)); ++i) {
    by[kRegisters[i].address] = static_cast<int16_t>(i);
    by[kRegisters[i].address + 1] = static_cast<int16_t>(i);
  }
  return by;
}();

}  // namespace

int32_t SensorRegister::HeldCode(double code) const {
  if (!std::isfinite(code)) return 0;
  // Limit before converting, so that any magnitude saturates instead of overflowing.
  const double limited =
      std::clamp(code, static_cast<double>(min_code()), static_cast<double>(max_code()));
  return static_cast<int32_t>(std::nearbyint(limited));
}

std::span<const SensorRegister> SensorRegisters() {
  return kRegisters;
}

const SensorRegister* FindSensorRegister(int index) {
  if (index < 0 || index >= kIndexSlots) return nullptr;
  const int position = kByIndex[index];
  return position < 0 ? nullptr : &kRegisters[position];
}

const SensorRegister& SensorRegisterOf(int index) {
  const SensorRegister* reg = FindSensorRegister(index);
  if (reg == nullptr) {
    throw std::out_of_range("the sensor has no register by index " + std::to_string(index));
  }
  return *reg;
}

const SensorRegister* SensorRegisterAt(uint8_t address) {
  if (address >= kAddressSlots) return nullptr;
  const int position = kByAddress[address];
  return position < 0 ? nullptr : &kRegisters[position];
}

}  // namespace talvix::sim
