// SPDX-License-Identifier: MIT
// Event capture into the sensor's two buffers.
//
// CAPT_CFG: bits 0-3 length code n, the buffers hold 2^n samples (codes above 10 give 1024, the
// buffers' size); bits 4-7 pre-trigger code m, 2^m samples before the trigger sample (at most the
// length less one); bits 8-11 the source of buffer 0 and bits 12-15 that of buffer 1 (source
// index 1..9 as the comparators use it, 10 the two digital line levels; 0 and 11..15 record 0).
//
// Arming: COMMAND 0x0100 forgets the last capture and readies the engine; it is armed while
// ALM_CTRL bit 4 (trigger on comparator 1) or bit 6 (on comparator 2) is set as well. The first
// sample on which a selected comparator trips is the trigger sample. The layout is taken from
// CAPT_CFG at that moment. The buffers then hold the 2^m samples before it at pointers 1..2^m,
// the trigger sample at 2^m + 1 and the following samples, up to the length, filled as they are
// taken. The engine keeps the last 1024 samples at all times, so pre-trigger samples may
// precede the arming; places for samples from before power-up stay empty.
//
// Read-out: CAPT_PNTR (1..length) selects the sample that CAPT_BUF_0 and CAPT_BUF_1 answer: the
// 14-bit field of the sample's code, with bit 15 set when the place holds captured data. Pointer
// 0, pointers past the length and places not filled yet answer 0.
#pragma once

#include "sim/alarm_comparators.h"
#include "sim/output_coding.h"

#include <array>
#include <cstdint>
#include <vector>

namespace talvix::sim {

inline constexpr uint16_t kCapturedSampleFlag = 0x8000;  // CAPT_BUF_n

class CaptureEngine {
 public:
  static constexpr int kCapacity = 1024;

  struct Layout {
    int length = 1;
    int pre_trigger = 0;
    std::array<int, 2> source{};
  };
  static Layout Decode(uint16_t capt_cfg);

  CaptureEngine();

  // Power-up: no capture, no history.
  void Reset();
  // COMMAND 0x0100: forgets the last capture and waits for a trigger.
  void Prepare();
  // Takes one sample. Returns true when it is the trigger sample.
  bool OnSample(const SampleCodes& codes, const ComparatorOutputs& comparators, uint16_t alm_ctrl,
                uint16_t capt_cfg);

  // Ready and a trigger selected in `alm_ctrl`: waiting for the trigger.
  bool Armed(uint16_t alm_ctrl) const;
  // Triggered: filling after the trigger, or full.
  bool Triggered() const { return state_ == State::kFilling || state_ == State::kFull; }
  bool Full() const { return state_ == State::kFull; }

  // The word CAPT_BUF_0 (buffer 0) or CAPT_BUF_1 (buffer 1) answers at `pointer`.
  uint16_t Word(int buffer, int pointer) const;

 private:
  enum class State { kIdle, kReady, kFilling, kFull };

  void Place(int position, const SampleCodes& codes);

  State state_ = State::kIdle;
  Layout layout_;
  std::vector<SampleCodes> history_;
  int history_next_ = 0;
  int history_count_ = 0;
  std::array<std::array<uint16_t, kCapacity>, 2> buffers_{};
  int first_valid_ = 0;  // places before it (pre-trigger samples from before power-up) are empty
  int filled_ = 0;
};

}  // namespace talvix::sim
