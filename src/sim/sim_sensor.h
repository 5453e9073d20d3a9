// SPDX-License-Identifier: MIT
// The simulated Talvix at the level the program sees it: a register file at byte addresses
// behind the 16-bit frame protocol, and the part's behaviour behind the registers. A write frame
// (bit 15 set) sets one byte; a read frame is answered during the next frame, upper byte in bits
// 15..8. Deterministic for a seed and the injected clock: the sensor samples on the grid that
// SMPL_PRD sets (sample_grid.h) and catches up with the clock whenever a frame arrives.
//
// The part's registers, their addresses, widths and coding are its own (sensor_register_map.h);
// the named bits of its control and status registers are in registers/register_bits.h.
//
// Output registers (SUPPLY, XACCL, YACCL, AUX_ADC, TEMPERA, X_PEAK, Y_PEAK, RSS_XY, RSS_PEAK)
// answer the latest sample, coded by the part's map (output_coding.h), with two flag bits above
// the field:
//   bit 15, new data: a sample has been taken since this register was last read;
//   bit 14, error/alarm: STATUS shows a supply, write or alarm flag (bits 0-3, 8 or 9).
//
// STATUS (read-only):
//   bit 0   supply below 3.0 V            bit 1   supply above 3.6 V   (both live)
//   bit 2   a flash store failed          bit 3   a write frame hit a register that cannot be
//                                                 written (both latched)
//   bit 4   capture armed, waiting        bit 5   capture triggered (filling or full)
//   bit 8   alarm 1                        bit 9   alarm 2   (latched from the comparators)
//   bit 12  capture buffers full
// Latched bits stay set until COMMAND 0x0010. The program learns that a capture has triggered
// from the alarm bit of the comparator it armed on (capture_engine.h).
//
// COMMAND (acts when its lower byte arrives; several bits run in this order):
//   0x0001 auto null: the nulls are set so that the present X and Y (the mean of the last 16
//          samples) read 0;  0x0002 factory calibration: nulls 0, scales 0x0800;
//   0x0004 the auxiliary DAC takes the AUX_DAC code;  0x0008 store the settings in flash
//          (sensor_flash.h);  0x0010 clear the latched STATUS bits;  0x0020 reset the peaks;
//   0x0100 ready a new capture (forgets the last one and clears the alarm bits, so that a set
//          alarm bit afterwards means a fresh trigger).
//
// SLP_CNT: writing its lower byte with a count above 0 puts the part to sleep for count x 0.5 s:
// it takes no samples, answers all ones and ignores writes. KeyCode 0x05A7 (lower byte first)
// unlocks the identification registers RevDate, MonthYear and ProcudtID, which read 0 while
// locked; a write to any of them locks them again. MISC_CTRL bit 8 is self-test
// (output_coding.h); GPIO_CTRL, the data-ready bits and MISC_CTRL bit 11 are kept as written.
#pragma once

#include "platform/clock.h"
#include "registers/register_bits.h"
#include "registers/register_index.h"
#include "sim/capture_engine.h"
#include "sim/frame_trace.h"
#include "sim/motion_model.h"
#include "sim/output_coding.h"
#include "sim/peak_tracker.h"
#include "sim/sample_grid.h"
#include "sim/sensor_flash.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace talvix::sim {

// Flag bits above the field of an output register.
inline constexpr uint16_t kNewDataFlag = 0x8000;
inline constexpr uint16_t kErrorFlag = 0x4000;
// Written to KeyCode (lower byte first), unlocks the product identification registers.
inline constexpr uint16_t kUnlockKey = 0x05A7;
// The identification registers, fixed in the part (BCD digits): revision 1.2 of the 24th,
// June 2025, product number 16325.
inline constexpr uint16_t kIdentRevDate = 0x2412;    // day, revision
inline constexpr uint16_t kIdentMonthYear = 0x2506;  // year within the century, month
inline constexpr uint16_t kIdentProductId = 0x3FC5;
// What a silent sensor (asleep, or not answering) shifts out.
inline constexpr uint16_t kSilentWord = 0xFFFF;

// Supply limits of STATUS bits 0 and 1.
inline constexpr double kSupplyLowVolts = 3.0;
inline constexpr double kSupplyHighVolts = 3.6;

inline constexpr double kSleepStepSeconds = 0.5;

class SimSensor {
 public:
  // Powers up at once, with the factory flash contents.
  explicit SimSensor(platform::Clock& clock, uint32_t seed = 1);

  // One frame on the wire: takes the word sent and returns the word shifted out meanwhile (the
  // answer to the previous frame if it was a read frame, else 0; all ones while silent).
  // Records it in the trace.
  uint16_t Transfer(uint16_t sent);
  // The word the sensor will shift out during the next frame.
  uint16_t PendingAnswer() const;

  FrameTrace& trace() { return trace_; }
  const FrameTrace& trace() const { return trace_; }

  // The word at an even byte address as the sensor would answer it now, without catching up
  // with the clock, clearing new-data flags or heeding the identification lock.
  uint16_t StoredWord(uint8_t address) const;
  bool ProductRegistersUnlocked() const { return unlocked_; }

  // Knobs for demonstrations and tests. They act on the world around the part (its motion, its
  // supply, its wiring), never on its registers; values that are not finite count as 0.
  // Slow tilt: X swings by `amplitude_g` (default 0.8 g), Y by 0.75 of it.
  void SetTilt(double amplitude_g) { motion_.SetTilt(amplitude_g); }
  // Vibration on both axes (default 0.02 g at 7 Hz).
  void SetVibration(double amplitude_g, double frequency_hz) {
    motion_.SetVibration(amplitude_g, frequency_hz);
  }
  // Scale of every noise source (default 1; 0 makes every measurement noiseless).
  void SetNoise(double scale) { motion_.SetNoise(scale); }
  // A sine added to the motion of X, Y or both (motion_model.h), on top of the vibration above.
  void AddVibration(const AddedVibration& vibration) { motion_.AddVibration(vibration); }
  // A half-sine shock at a time on the clock's monotonic scale (motion_model.h).
  void AddShock(const Shock& shock) { motion_.AddShock(shock); }
  void ClearShocks() { motion_.ClearShocks(); }
  // A constant acceleration on each axis, as of a part held at a fixed attitude or spun on a
  // centrifuge (default 0), added to the other motion.
  void SetSteady(double x_g, double y_g) { motion_.SetSteady(x_g, y_g); }
  // Holds the supply at `volts` (to raise the supply flags), or lets it return to 3.3 V.
  void ForceSupply(double volts) { motion_.ForceSupply(volts); }
  void ReleaseSupply() { motion_.ForceSupply(std::nullopt); }
  // Holds the die at `degc`, as in a climate chamber, or lets it return to about 25 degC.
  void ForceTemperature(double degc) { motion_.ForceTemperature(degc); }
  void ReleaseTemperature() { motion_.ForceTemperature(std::nullopt); }
  const MotionKnobs& knobs() const { return motion_.knobs(); }
  // A part that is not answering (disconnected, unpowered line) reads all ones and ignores
  // writes; it goes on sampling meanwhile.
  void SetAnswering(bool answering) { answering_ = answering; }
  bool Answering() const { return answering_; }

  // Asleep after an SLP_CNT write, until its time is up.
  bool Asleep() const;
  // Switches the part off and on: the settings registers return from flash, the peaks, alarms,
  // capture and identification lock start afresh.
  void PowerCycle() { PowerUp(); }

  // Keeps the flash in `path` (the program puts it beside its configuration file). Loads the file
  // at once when it exists and powers the part up with it. False, with the reason in `error` and
  // in flash_error(), when the file exists but cannot be read or is corrupt: the part then runs
  // on its factory settings. An empty path keeps the flash in memory only.
  bool SetFlashFile(const QString& path, QString* error = nullptr);
  // Programs the flash from outside, as a production line would, and powers the part up with
  // it: every register the flash keeps (SensorFlash::StoredRegisters) takes `word_of(index)`,
  // and the write counts in ENDURANCE. False, with the reason in `error` and in flash_error(),
  // when the flash file cannot be written; the flash then keeps its contents.
  bool ProgramFlash(const std::function<uint16_t(int16_t index)>& word_of,
                    QString* error = nullptr);
  // Why the last flash load or store failed; empty after a success. A failed store also sets
  // STATUS bit 2.
  const QString& flash_error() const { return flash_error_; }

 private:
  static constexpr int kOutputSlots = 16;  // output registers are register indices 1..13

  void PowerUp();
  bool SilentAt(double now) const;
  // Takes every sample due by `now`.
  void CatchUp(double now);
  void TakeShockSamples(int64_t skipped);
  void TakeSample(double instant, int64_t index);
  CodingInputs Coding() const;
  SampleCodes PresentCodes() const;
  uint16_t StatusWord() const;
  uint16_t AnswerWord(uint8_t even) const;
  uint16_t AnswerRead(uint8_t address);
  void WriteByte(uint8_t address, uint8_t value);
  void AfterWrite(int16_t index, bool upper);
  void RunCommand(uint16_t command);
  void AutoNull();
  uint16_t Reg(int16_t index) const;
  void SetReg(int16_t index, uint16_t word);
  void SetWord(uint8_t address, uint16_t word);

  platform::Clock& clock_;
  MotionModel motion_;
  SampleGrid grid_;
  PeakTracker peaks_;
  CaptureEngine capture_;
  SensorFlash flash_;
  std::array<uint8_t, 128> bytes_{};

  PhysicalSample latest_;
  int64_t latest_index_ = 0;
  double latest_instant_ = 0.0;
  std::array<int64_t, kOutputSlots> last_read_index_{};
  uint16_t dac_word_ = 0;  // the code the DAC runs on, taken from AUX_DAC by COMMAND 0x0004
  bool alarm1_ = false;
  bool alarm2_ = false;
  bool flash_store_failed_ = false;
  bool write_rejected_ = false;
  std::optional<double> sleep_until_;
  bool answering_ = true;
  double frame_time_ = 0.0;

  uint16_t pending_answer_ = 0;
  uint8_t key_low_ = 0;
  bool unlocked_ = false;
  QString flash_error_;
  FrameTrace trace_;
};

}  // namespace talvix::sim
