// SPDX-License-Identifier: MIT
#include "link/flash_store.h"

#include "registers/register_bits.h"
#include "registers/register_index.h"

#include <optional>

namespace talvix::link {

namespace {

// Whether STATUS shows a failed store; nothing when STATUS did not answer.
std::optional<bool> FlashFailedFlag(RegisterAccess& link) {
  if (!Answered(link.ReadReg(registers::kStatus), link.RawWord)) return std::nullopt;
  return (link.RegRaw & registers::kStatusFlashStoreFailed) != 0;
}

}  // namespace

FlashOutcome StoreToFlash(RegisterAccess& link, Delay& delay, double wait_ms) {
  const std::optional<bool> failed_before = FlashFailedFlag(link);
  if (!failed_before) return FlashOutcome::kNotSent;
  if (!Reached(link.WriteReg(registers::kCommand, registers::kCommandStoreFlash))) {
    return FlashOutcome::kNoAnswerAfter;
  }
  delay.DelayMs(wait_ms);
  const std::optional<bool> failed_after = FlashFailedFlag(link);
  if (!failed_after) return FlashOutcome::kNoAnswerAfter;
  if (!*failed_after) return FlashOutcome::kStored;
  return *failed_before ? FlashOutcome::kUnconfirmed : FlashOutcome::kFlashFailed;
}

}  // namespace talvix::link
