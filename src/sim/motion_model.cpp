// SPDX-License-Identifier: MIT
#include "sim/motion_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace talvix::sim {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kTiltPeriodXSeconds = 40.0;
constexpr double kTiltPeriodYSeconds = 57.0;
constexpr double kTiltShareY = 0.75;
constexpr double kAccelNoiseG = 0.005;
constexpr double kNominalSupplyVolts = 3.3;
constexpr double kSupplyNoiseVolts = 0.003;
constexpr double kNominalTemperatureDegC = 25.0;
constexpr double kTemperatureDriftDegC = 0.3;
constexpr double kTemperatureDriftPeriodSeconds = 600.0;
constexpr double kTemperatureNoiseDegC = 0.15;
constexpr double kAuxNoiseVolts = 0.002;

enum NoiseChannel { kNoiseX, kNoiseY, kNoiseSupply, kNoiseTemperature, kNoiseAux };

// SplitMix64 finaliser: a well-mixed 64-bit value for every key.
uint64_t Mix(uint64_t z) {
  z += 0x9E3779B97F4A7C15ULL;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

// Uniform in (0, 1), never 0, so that its logarithm is finite.
double Uniform(uint64_t key) {
  return (static_cast<double>(Mix(key) >> 11) + 0.5) * 0x1.0p-53;
}

double Finite(double value) {
  return std::isfinite(value) ? value : 0.0;
}

}  // namespace

MotionModel::MotionModel(uint32_t seed)
    : seed_key_(Mix(seed)),
      tilt_phase_x_(kTwoPi * Uniform(seed_key_ + 1)),
      tilt_phase_y_(kTwoPi * Uniform(seed_key_ + 2)),
      drift_phase_(kTwoPi * Uniform(seed_key_ + 3)) {}

void MotionModel::SetSteady(double x_g, double y_g) {
  knobs_.steady_x_g = Finite(x_g);
  knobs_.steady_y_g = Finite(y_g);
}

void MotionModel::SetTilt(double amplitude_g) {
  knobs_.tilt_g = Finite(amplitude_g);
}

void MotionModel::SetVibration(double amplitude_g, double frequency_hz) {
  knobs_.vibration_g = Finite(amplitude_g);
  knobs_.vibration_hz = Finite(frequency_hz);
}

void MotionModel::SetNoise(double scale) {
  knobs_.noise = std::max(0.0, Finite(scale));
}

void MotionModel::ForceSupply(std::optional<double> volts) {
  if (volts) volts = Finite(*volts);
  knobs_.forced_supply_volts = volts;
}

void MotionModel::ForceTemperature(std::optional<double> degc) {
  if (degc) degc = Finite(*degc);
  knobs_.forced_temperature_degc = degc;
}

void MotionModel::AddShock(const Shock& shock) {
  if (!(shock.duration_seconds > 0.0) || !std::isfinite(shock.duration_seconds) ||
      !std::isfinite(shock.at_seconds)) {
    return;
  }
  Shock kept = shock;
  kept.x_g = Finite(shock.x_g);
  kept.y_g = Finite(shock.y_g);
  shocks_.push_back(kept);
  std::stable_sort(shocks_.begin(), shocks_.end(),
                   [](const Shock& a, const Shock& b) { return a.at_seconds < b.at_seconds; });
}

void MotionModel::AddVibration(const AddedVibration& vibration) {
  if (!std::isfinite(vibration.frequency_hz) || !std::isfinite(vibration.amplitude_g)) return;
  added_.push_back(vibration);
}

double MotionModel::Normal(int64_t index, int channel) const {
  // Box-Muller on two uniforms keyed by (seed, index, channel).
  const uint64_t key = seed_key_ ^ Mix(static_cast<uint64_t>(index) * 16 + channel * 2);
  const double u1 = Uniform(key);
  const double u2 = Uniform(key ^ 0x5851F42D4C957F2DULL);
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2);
}

PhysicalSample MotionModel::At(double seconds, int64_t index) const {
  const double t = seconds;
  PhysicalSample s;
  s.x_g = knobs_.steady_x_g +
          knobs_.tilt_g * std::sin(kTwoPi * t / kTiltPeriodXSeconds + tilt_phase_x_);
  s.y_g = knobs_.steady_y_g +
          knobs_.tilt_g * kTiltShareY * std::sin(kTwoPi * t / kTiltPeriodYSeconds + tilt_phase_y_);
  if (knobs_.vibration_g != 0.0) {
    const double angle = kTwoPi * knobs_.vibration_hz * t;
    s.x_g += knobs_.vibration_g * std::sin(angle);
    s.y_g += knobs_.vibration_g * std::cos(angle);
  }
  for (const AddedVibration& added : added_) {
    const double value = added.amplitude_g * std::sin(kTwoPi * added.frequency_hz * t);
    if (added.on_x) s.x_g += value;
    if (added.on_y) s.y_g += value;
  }
  for (const Shock& shock : shocks_) {
    if (shock.at_seconds > t) break;  // sorted by start
    const double into = t - shock.at_seconds;
    if (into > shock.duration_seconds) continue;
    const double pulse = std::sin(std::numbers::pi * into / shock.duration_seconds);
    s.x_g += shock.x_g * pulse;
    s.y_g += shock.y_g * pulse;
  }
  const double noise = knobs_.noise;
  if (noise > 0.0) {
    s.x_g += noise * kAccelNoiseG * Normal(index, kNoiseX);
    s.y_g += noise * kAccelNoiseG * Normal(index, kNoiseY);
  }
  if (knobs_.forced_supply_volts) {
    s.supply_volts = *knobs_.forced_supply_volts;
  } else {
    s.supply_volts = kNominalSupplyVolts;
    if (noise > 0.0) s.supply_volts += noise * kSupplyNoiseVolts * Normal(index, kNoiseSupply);
  }
  if (knobs_.forced_temperature_degc) {
    s.temperature_degc = *knobs_.forced_temperature_degc;
  } else {
    s.temperature_degc = kNominalTemperatureDegC +
                         kTemperatureDriftDegC *
                             std::sin(kTwoPi * t / kTemperatureDriftPeriodSeconds + drift_phase_);
    if (noise > 0.0) {
      s.temperature_degc += noise * kTemperatureNoiseDegC * Normal(index, kNoiseTemperature);
    }
  }
  if (noise > 0.0) s.aux_noise_volts = noise * kAuxNoiseVolts * Normal(index, kNoiseAux);
  return s;
}

}  // namespace talvix::sim
