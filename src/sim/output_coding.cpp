// SPDX-License-Identifier: MIT
#include "sim/output_coding.h"

#include "registers/register_bits.h"
#include "registers/register_index.h"
#include "sim/sensor_register_map.h"

#include <cmath>

namespace talvix::sim {

namespace {

constexpr double kDacFullScaleVolts = 2.5;
constexpr double kDacFullScaleCode = 4095.0;

}  // namespace

int32_t NullCode(uint16_t word) {
  return SensorRegisterOf(registers::kXAcclNull).CodeOfWord(word);
}

uint16_t NullWord(double code) {
  // The whole 16-bit word carries the sign, as the calibration window writes it.
  return static_cast<uint16_t>(SensorRegisterOf(registers::kXAcclNull).HeldCode(code) & 0xFFFF);
}

double Gain(uint16_t word) {
  return (word & SensorRegisterOf(registers::kXAccScale).field_mask()) /
         static_cast<double>(kUnityScaleWord);
}

double DacVolts(uint16_t aux_dac_word) {
  return (aux_dac_word & SensorRegisterOf(registers::kAuxDac).field_mask()) / kDacFullScaleCode *
         kDacFullScaleVolts;
}

Unnulled UnnulledCodes(const PhysicalSample& sample, const CodingInputs& in) {
  const double shift = in.self_test ? kSelfTestShiftG : 0.0;
  Unnulled u;
  u.x = SensorRegisterOf(registers::kXAccl).CodeOf(sample.x_g + shift) * Gain(in.x_scale);
  u.y = SensorRegisterOf(registers::kYAccl).CodeOf(sample.y_g + shift) * Gain(in.y_scale);
  return u;
}

SampleCodes CodeSample(const PhysicalSample& sample, const CodingInputs& in) {
  using namespace registers;
  const SensorRegister& x_reg = SensorRegisterOf(kXAccl);
  const SensorRegister& y_reg = SensorRegisterOf(kYAccl);
  SampleCodes c;
  auto set = [&](int source, int16_t index, double code) {
    c.by_source[source] = SensorRegisterOf(index).HeldCode(code);
  };
  auto measure = [&](int source, int16_t index, double value) {
    set(source, index, SensorRegisterOf(index).CodeOf(value));
  };
  const Unnulled u = UnnulledCodes(sample, in);
  const double x_code = u.x + NullCode(in.x_null);
  const double y_code = u.y + NullCode(in.y_null);
  const double dac_at_adc = in.dac_volts + sample.aux_noise_volts;

  measure(kSourceSupply, kSupply, sample.supply_volts);
  set(kSourceX, kXAccl, x_code);
  set(kSourceY, kYAccl, y_code);
  measure(kSourceAuxAdc, kAuxAdc, dac_at_adc);
  measure(kSourceTemperature, kTemperature, sample.temperature_degc);
  measure(kSourceRss, kRssXy, std::hypot(x_reg.ValueOf(x_code), y_reg.ValueOf(y_code)));
  c.by_source[kSourceGpio] = GpioLevels(in.gpio_ctrl);
  return c;
}

}  // namespace talvix::sim
