// SPDX-License-Identifier: MIT
// The one way the program makes the sensor store its settings registers in flash: COMMAND 0x0008,
// the wait the sensor needs to program its flash, then STATUS, whose bit 2 tells whether the
// store failed. Every window that stores goes through StoreToFlash and says what its outcome means
// in its own words; none reports a store it has not seen succeed.
#pragma once

#include "link/delay.h"
#include "link/register_access.h"

namespace talvix::link {

enum class FlashOutcome {
  kStored,         // sent, and STATUS afterwards shows no failed store
  kFlashFailed,    // sent, and STATUS afterwards shows that the store failed
  kNotSent,        // STATUS did not answer before the command: nothing was sent
  kNoAnswerAfter,  // the command did not reach the sensor, or STATUS did not answer afterwards
  // Sent, but STATUS already showed a failed store before it. The flag stays set until the status
  // flags are cleared (COMMAND 0x0010), so it cannot tell whether this store went right.
  kUnconfirmed,
};

// Reads STATUS, sends COMMAND 0x0008, waits `wait_ms` milliseconds for the flash to be written
// (each window keeps the wait it has always used: 200 ms, 250 ms in the register window) and
// reads STATUS again. STATUS is never all ones, so an all-ones STATUS word is no answer. A card
// or port that fails on the way leaves link.LastStatus at kLinkFailed and has reported itself.
FlashOutcome StoreToFlash(RegisterAccess& link, Delay& delay, double wait_ms);

}  // namespace talvix::link
