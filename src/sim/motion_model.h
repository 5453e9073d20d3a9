// SPDX-License-Identifier: MIT
// What the simulated sensor feels and measures, before its own calibration and coding: the X and
// Y acceleration, the supply voltage, the die temperature and the noise on the auxiliary ADC's
// input. A pure function of the sample instant and index, so the same seed gives the same run
// whatever the order and timing of the register reads.
//
// Acceleration (g) on each axis is the sum of
//  - a steady part, 0 unless set;
//  - a slow tilt through gravity: X swings by tilt_g over 40 s, Y by 0.75 x tilt_g over 57 s, so
//    that with the default 0.8 g the tilt stays within 1 g;
//  - a vibration of vibration_g peak at vibration_hz (sine on X, cosine on Y);
//  - added vibrations: sines of a given peak and frequency on X, Y or both, in phase;
//  - shocks: half-sine pulses of a given peak on each axis, starting at a given instant;
//  - white noise of 5 mg rms (x noise).
// The supply is 3.3 V with 3 mV rms noise unless forced; the temperature 25 degC, drifting by
// 0.3 degC over 10 minutes, with 0.15 degC rms noise, unless forced; the ADC input noise is
// 2 mV rms.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace talvix::sim {

// A mechanical shock: a half-sine pulse of the given peaks, from `at_seconds` (the clock's
// monotonic time) for `duration_seconds`. Samples are taken of the pulse like of any motion, so
// a pulse shorter than the sample period may fall between two samples, as it would on the part.
struct Shock {
  double at_seconds = 0.0;
  double x_g = 0.0;
  double y_g = 0.0;
  double duration_seconds = 0.01;
};

// A sine of `amplitude_g` peak at `frequency_hz` added to the motion of X, Y or both (in phase),
// as from a shaker table: a signal whose spectrum is known. Sampled like any motion, so a
// frequency above half the sample rate folds back as it would on the part.
struct AddedVibration {
  double frequency_hz = 0.0;
  double amplitude_g = 0.0;
  bool on_x = true;
  bool on_y = true;
};

struct MotionKnobs {
  double steady_x_g = 0.0;    // constant acceleration on X
  double steady_y_g = 0.0;    // and on Y
  double tilt_g = 0.8;        // peak of the slow tilt on X; Y swings 0.75 of it
  double vibration_g = 0.02;  // peak of the vibration on each axis
  double vibration_hz = 7.0;
  double noise = 1.0;  // scale of every noise source; 0 gives noiseless measurements
  std::optional<double> forced_supply_volts;      // holds the supply at this voltage when set
  std::optional<double> forced_temperature_degc;  // holds the die at this temperature when set
};

struct PhysicalSample {
  double x_g = 0.0;
  double y_g = 0.0;
  double supply_volts = 0.0;
  double temperature_degc = 0.0;
  double aux_noise_volts = 0.0;  // added to the looped-back DAC voltage at the ADC input
};

class MotionModel {
 public:
  explicit MotionModel(uint32_t seed);

  const MotionKnobs& knobs() const { return knobs_; }
  // Knob values that are not finite numbers are taken as 0; a negative noise scale as 0.
  void SetSteady(double x_g, double y_g);
  void SetTilt(double amplitude_g);
  void SetVibration(double amplitude_g, double frequency_hz);
  void SetNoise(double scale);
  void ForceSupply(std::optional<double> volts);
  // Noiseless while forced.
  void ForceTemperature(std::optional<double> degc);
  // A shock without a positive, finite duration is ignored.
  void AddShock(const Shock& shock);
  void ClearShocks() { shocks_.clear(); }
  const std::vector<Shock>& shocks() const { return shocks_; }
  // A vibration whose frequency or amplitude is not a finite number is ignored.
  void AddVibration(const AddedVibration& vibration);
  const std::vector<AddedVibration>& added_vibrations() const { return added_; }

  // The measured quantities at sample `index`, taken at `seconds` on the clock.
  PhysicalSample At(double seconds, int64_t index) const;

 private:
  // A standard normal number fixed by the seed, the sample index and the noise channel.
  double Normal(int64_t index, int channel) const;

  uint64_t seed_key_;
  double tilt_phase_x_;
  double tilt_phase_y_;
  double drift_phase_;
  MotionKnobs knobs_;
  std::vector<Shock> shocks_;
  std::vector<AddedVibration> added_;
};

}  // namespace talvix::sim
