// SPDX-License-Identifier: MIT
#include "sim/capture_engine.h"

#include "registers/register_bits.h"

#include <algorithm>

namespace talvix::sim {

namespace {
constexpr int kLargestCode = 10;  // 2^10 = 1024 samples
}  // namespace

CaptureEngine::Layout CaptureEngine::Decode(uint16_t capt_cfg) {
  Layout layout;
  using namespace registers;
  layout.length = 1 << std::min(CaptLengthCode(capt_cfg), kLargestCode);
  const int pre = 1 << std::min(CaptPreTriggerCode(capt_cfg), kLargestCode);
  layout.pre_trigger = std::min(pre, layout.length - 1);
  layout.source[0] = CaptSource(capt_cfg, 0);
  layout.source[1] = CaptSource(capt_cfg, 1);
  return layout;
}

CaptureEngine::CaptureEngine() : history_(kCapacity) {}

void CaptureEngine::Reset() {
  Prepare();
  state_ = State::kIdle;
  history_next_ = 0;
  history_count_ = 0;
}

void CaptureEngine::Prepare() {
  state_ = State::kReady;
  for (auto& buffer : buffers_) buffer.fill(0);
  first_valid_ = 0;
  filled_ = 0;
}

bool CaptureEngine::Armed(uint16_t alm_ctrl) const {
  return state_ == State::kReady &&
         (alm_ctrl & (registers::kAlmCtrlTrigger1 | registers::kAlmCtrlTrigger2)) != 0;
}

void CaptureEngine::Place(int position, const SampleCodes& codes) {
  for (int b = 0; b < 2; ++b) {
    const int source = layout_.source[b];
    buffers_[b][position] = static_cast<uint16_t>(codes[source] & 0x3FFF);
  }
}

bool CaptureEngine::OnSample(const SampleCodes& codes, const ComparatorOutputs& comparators,
                             uint16_t alm_ctrl, uint16_t capt_cfg) {
  bool trigger = false;
  if (Armed(alm_ctrl) && (((alm_ctrl & registers::kAlmCtrlTrigger1) && comparators.trip1) ||
                          ((alm_ctrl & registers::kAlmCtrlTrigger2) && comparators.trip2))) {
    trigger = true;
    layout_ = Decode(capt_cfg);
    const int pre = layout_.pre_trigger;
    first_valid_ = pre - std::min(history_count_, pre);
    for (int position = first_valid_; position < pre; ++position) {
      const int back = pre - position;  // 1 = the sample just before the trigger
      Place(position, history_[(history_next_ - back + kCapacity) % kCapacity]);
    }
    filled_ = pre;
    state_ = State::kFilling;
  }
  if (state_ == State::kFilling) {
    Place(filled_, codes);
    if (++filled_ >= layout_.length) state_ = State::kFull;
  }
  history_[history_next_] = codes;
  history_next_ = (history_next_ + 1) % kCapacity;
  history_count_ = std::min(history_count_ + 1, kCapacity);
  return trigger;
}

uint16_t CaptureEngine::Word(int buffer, int pointer) const {
  if (!Triggered() || buffer < 0 || buffer > 1) return 0;
  const int position = pointer - 1;
  if (position < first_valid_ || position >= filled_) return 0;
  return static_cast<uint16_t>(buffers_[buffer][position] | kCapturedSampleFlag);
}

}  // namespace talvix::sim
