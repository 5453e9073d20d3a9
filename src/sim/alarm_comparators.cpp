// SPDX-License-Identifier: MIT
#include "sim/alarm_comparators.h"

#include "registers/register_bits.h"

#include <algorithm>

namespace talvix::sim {

int32_t LevelCode(int source, uint16_t magnitude_word) {
  using namespace registers;
  const int32_t field = magnitude_word & kAlmMagLevelBits;
  switch (source) {
    case kSourceX:
    case kSourceY:
    case kSourceXPeak:
    case kSourceYPeak:
      return field > 8191 ? field - 16384 : field;
    case kSourceAuxAdc:
      return std::min(field, 4095);
    default:
      return field;
  }
}

bool ComparatorTrips(int source, uint16_t magnitude_word, const SampleCodes& codes) {
  if (source < registers::kSourceSupply || source > registers::kSourceRssPeak) return false;
  const int32_t level = LevelCode(source, magnitude_word);
  const int32_t code = codes[source];
  return (magnitude_word & registers::kAlmMagGreaterThan) ? code > level : code < level;
}

ComparatorOutputs EvaluateComparators(uint16_t alm_ctrl, uint16_t alm_mag1, uint16_t alm_mag2,
                                      const SampleCodes& codes) {
  ComparatorOutputs out;
  out.trip1 = ComparatorTrips(registers::AlarmSource(alm_ctrl, 1), alm_mag1, codes);
  out.trip2 = ComparatorTrips(registers::AlarmSource(alm_ctrl, 2), alm_mag2, codes);
  return out;
}

}  // namespace talvix::sim
