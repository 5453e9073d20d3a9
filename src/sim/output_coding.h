// SPDX-License-Identifier: MIT
// Turns what the simulated sensor measures into the codes its output registers hold, through
// the calibration registers and the part's own register map (sensor_register_map.h).
//
// Calibration, applied to X and Y:
//   code = round(acceleration / step x gain + null), limited to the 14-bit field,
// where step is the axis's g per code (XACCL 17.125 mg, YACCL 8.407 mg), null is the 12-bit
// two's-complement code of XACCL_NULL / YACCL_NULL (one code = one output step) and gain is the
// 12-bit unsigned code of XACC_SCALE / YACC_SCALE over 2048 (0x800, the factory value, is unity).
// RSS = sqrt(x^2 + y^2) of the calibrated X and Y, coded with RSS_XY's step.
//
// Self-test (MISC_CTRL bit 8) deflects the sensing element by +0.5 g on both axes, before
// calibration: at unity gain about +29 codes on X and +59 codes on Y.
//
// The auxiliary ADC reads the auxiliary DAC's output looped back, as on the evaluation board:
// DAC volts = code / 4095 x 2.5, ADC code = volts / 6.1 mV (AUX_ADC's step), so the full 2.5 V
// reads as code 410.
#pragma once

#include "sim/motion_model.h"

#include <array>
#include <cstdint>

namespace talvix::sim {

inline constexpr double kSelfTestShiftG = 0.5;
inline constexpr uint16_t kUnityScaleWord = 0x0800;
// Capture buffers may also record the two digital I/O line levels (GPIO_CTRL bits 8 and 9).
inline constexpr int kSourceGpio = 10;

// The settings registers that shape the coding of a sample.
struct CodingInputs {
  uint16_t x_null = 0;
  uint16_t y_null = 0;
  uint16_t x_scale = kUnityScaleWord;
  uint16_t y_scale = kUnityScaleWord;
  bool self_test = false;
  double dac_volts = 0.0;
  uint16_t gpio_ctrl = 0;
};

// The codes of one sample by source index (1 supply, 2 X, 3 Y, 4 auxiliary ADC, 5 temperature,
// 6 X peak, 7 Y peak, 8 RSS, 9 RSS peak, 10 digital line levels; 0 unused). Each is the value of
// its register's field, negative where the field is two's complement.
struct SampleCodes {
  std::array<int32_t, 11> by_source{};
  int32_t operator[](int source) const {
    return source >= 1 && source <= 10 ? by_source[source] : 0;
  }
};

// Sign-extends the 12-bit field of a null register word.
int32_t NullCode(uint16_t word);
// The 16-bit word for a null code, rounded and limited to the 12-bit range -2048..2047 (-16
// gives 0xFFF0); a code that is not a finite number gives 0.
uint16_t NullWord(double code);
// Gain of a scale register word: its 12-bit field / 2048.
double Gain(uint16_t word);
// The auxiliary DAC's output for an AUX_DAC word: its 12-bit code / 4095 x 2.5 V.
double DacVolts(uint16_t aux_dac_word);

// Every code but the peaks (sources 6, 7 and 9 are left 0 for the peak tracker).
SampleCodes CodeSample(const PhysicalSample& sample, const CodingInputs& in);

// X and Y in output codes before the null is added and before rounding: what auto null cancels.
struct Unnulled {
  double x = 0.0;
  double y = 0.0;
};
Unnulled UnnulledCodes(const PhysicalSample& sample, const CodingInputs& in);

}  // namespace talvix::sim
