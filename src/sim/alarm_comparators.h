// SPDX-License-Identifier: MIT
// The sensor's two level comparators. Each watches one source and compares its code with a
// level, sample by sample; a comparator that trips sets its alarm bit in STATUS (latched there
// until COMMAND 0x0010) and may trigger event capture.
//
// ALM_CTRL: bits 8-11 source of comparator 1, bits 12-15 source of comparator 2 (0 or above 9:
// off). ALM_MAG1 / ALM_MAG2: bits 0-13 the level in the source's own code space, bit 14 unused,
// bit 15 direction (1: trips while the code is greater than the level, 0: less than).
// The level field is read as the program writes it: a 14-bit two's-complement code for X, Y and
// their peaks; a code limited to 4095 for the auxiliary ADC; an unsigned code for the supply,
// the temperature, RSS and its peak. The comparison is strict and on codes, so for the
// temperature, whose code falls as it warms, "greater than" means colder.
#pragma once

#include "sim/output_coding.h"

#include <cstdint>

namespace talvix::sim {

struct ComparatorOutputs {
  bool trip1 = false;
  bool trip2 = false;
};

// The level that a magnitude word holds for comparisons with `source`.
int32_t LevelCode(int source, uint16_t magnitude_word);

// Whether a comparator watching `source` with `magnitude_word` trips on `codes`.
bool ComparatorTrips(int source, uint16_t magnitude_word, const SampleCodes& codes);

ComparatorOutputs EvaluateComparators(uint16_t alm_ctrl, uint16_t alm_mag1, uint16_t alm_mag2,
                                      const SampleCodes& codes);

}  // namespace talvix::sim
