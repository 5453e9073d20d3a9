#include "sim/output_coding.h"

#include "registers/value_conversion.h"

#include <algorithm>
#include <cmath>

namespace talvix::sim {

namespace {

constexpr double kDacFullScaleVolts = 2.5;
constexpr double kDacFullScaleCode = 4095.0;

int32_t SignExtend(uint32_t field, int bits) {
  const uint32_t sign = 1u << (bits - 1);
  return static_cast<int32_t>(field & (sign - 1)) - static_cast<int32_t>(field & sign);
}

// The value of a field word as a signed code.
int32_t FieldValue(const registers::RegisterEntry& e, uint16_t field) {
  return e.TwosCompl ? SignExtend(field, e.ReadLen) : static_cast<int32_t>(field);
}

}  // namespace

int32_t NullCode(uint16_t word) {
  return SignExtend(word & 0x0FFF, 12);
}

uint16_t NullWord(double code) {
  if (!std::isfinite(code)) return 0;
  const auto limited = static_cast<int32_t>(std::nearbyint(std::clamp(code, -2048.0, 2047.0)));
  return static_cast<uint16_t>(limited & 0xFFFF);
}

double Gain(uint16_t word) {
  return (word & 0x0FFF) / 2048.0;
}

double OutputCoder::CodeOf(int16_t index, double value) const {
  const registers::RegisterEntry& e = table_.at(index);
  return (value - static_cast<double>(e.RegOffset)) / static_cast<double>(e.RegScale);
}

uint16_t OutputCoder::Field(int16_t index, double code) const {
  const registers::RegisterEntry& e = table_.at(index);
  const int bits = e.ReadLen;
  const int64_t high = e.TwosCompl ? (int64_t{1} << (bits - 1)) - 1 : (int64_t{1} << bits) - 1;
  const int64_t low = e.TwosCompl ? -(int64_t{1} << (bits - 1)) : 0;
  int64_t rounded = 0;
  if (std::isfinite(code)) {
    // Limit before converting, so that any magnitude saturates instead of overflowing.
    rounded = static_cast<int64_t>(
        std::nearbyint(std::clamp(code, static_cast<double>(low), static_cast<double>(high))));
  }
  return static_cast<uint16_t>(rounded & ((int64_t{1} << bits) - 1));
}

OutputCoder::Unnulled OutputCoder::UnnulledCodes(const PhysicalSample& sample,
                                                 const CodingInputs& in) const {
  const double shift = in.self_test ? kSelfTestShiftG : 0.0;
  Unnulled u;
  u.x = CodeOf(registers::kXAccl, sample.x_g + shift) * Gain(in.x_scale);
  u.y = CodeOf(registers::kYAccl, sample.y_g + shift) * Gain(in.y_scale);
  return u;
}

SampleCodes OutputCoder::Code(const PhysicalSample& sample, const CodingInputs& in) const {
  using namespace registers;
  SampleCodes c;
  auto set = [&](int source, int16_t index, double code) {
    c.by_source[source] = FieldValue(table_.at(index), Field(index, code));
  };
  const Unnulled u = UnnulledCodes(sample, in);
  const double x_code = u.x + NullCode(in.x_null);
  const double y_code = u.y + NullCode(in.y_null);
  const double x_g = x_code * static_cast<double>(table_.at(kXAccl).RegScale);
  const double y_g = y_code * static_cast<double>(table_.at(kYAccl).RegScale);
  const double dac_at_adc = in.dac_volts + sample.aux_noise_volts;

  set(kSourceSupply, kSupply, CodeOf(kSupply, sample.supply_volts));
  set(kSourceX, kXAccl, x_code);
  set(kSourceY, kYAccl, y_code);
  set(kSourceAuxAdc, kAuxAdc, CodeOf(kAuxAdc, dac_at_adc));
  set(kSourceTemperature, kTemperature, CodeOf(kTemperature, sample.temperature_degc));
  set(kSourceRss, kRssXy, CodeOf(kRssXy, std::hypot(x_g, y_g)));
  c.by_source[kSourceGpio] = (in.gpio_ctrl >> 8) & 0x3;
  return c;
}

double DacVolts(uint16_t aux_dac_word) {
  return (aux_dac_word & 0x0FFF) / kDacFullScaleCode * kDacFullScaleVolts;
}

}  // namespace talvix::sim
