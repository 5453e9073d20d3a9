// SPDX-License-Identifier: MIT
// Fast read-out over the USB SPI card: the read frames of a list of registers go out back to back,
// in as few card transfers as the card takes (16 words each), and each answer arrives during the
// next frame; one more frame (the last read frame again, as a single read sends it) brings the
// last answer. A batch of N registers is N + 1 frames, spaced by the card's delay between words,
// with the 0.1 ms pause after the last transfer instead of one after every read. The sensor sees
// the same reads in the same order as from N ReadReg calls, so it answers the same words.
//
// Readers choose it with BatchedReadout(); with Fast read-out off, or on the parallel port, they
// read register by register as before.
#pragma once

#include "link/register_access.h"

#include <cstdint>
#include <span>
#include <vector>

namespace talvix::link {

// One register's read in a batch: the word the sensor answered and what the register table makes
// of it (ReadReg's RawWord, RegRaw and RegValue).
struct RegisterRead {
  int16_t index = 0;
  int32_t RawWord = 0;
  int32_t RegRaw = 0;
  float RegValue = 0.0f;
};

// Fast read-out is on and the interface is the USB SPI card.
bool BatchedReadout(const RegisterAccess& link);

// Reads the registers at `indices`, in that order, batched over the USB SPI card. `reads` gets one
// entry per register whose answer came back, from the first on: all of them when the outcome is
// kDone. A card that fails on the way has said so once, as it does for a single read; the outcome
// is then kLinkFailed and the registers whose answers were lost get no entry. A bad index
// (kBadIndex), a register that may not be read (kNotReadable) or no ready card (kNoInterface)
// refuses the whole batch before anything is sent. Afterwards RawWord, RegRaw and RegValue of
// `link` are those of the last register that answered, and LastStatus is the outcome.
LinkStatus ReadRegsBatched(RegisterAccess& link, std::span<const int16_t> indices,
                           std::vector<RegisterRead>& reads);

// ReadConfirmed for a batch, for a reader that shows any word a register may hold: a word of all
// ones counts as its register's only when the sensor answers (SensorAnswers) right after the
// batch. True when every register brought a value; otherwise `reads` holds those that did, up to
// the first that did not, and LastStatus tells whether the link failed (not kDone) or the sensor
// was silent (kDone).
bool ReadConfirmedBatched(RegisterAccess& link, std::span<const int16_t> indices,
                          std::vector<RegisterRead>& reads);

}  // namespace talvix::link
