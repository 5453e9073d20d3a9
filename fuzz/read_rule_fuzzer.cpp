// SPDX-License-Identifier: MIT
// The read rule over every slot of the register table and arbitrary words. Invariants:
//  - RegRaw fits ReadLen bits: -2^(ReadLen-1) .. 2^(ReadLen-1) - 1 for a two's-complement field,
//    0 .. 2^ReadLen - 1 otherwise, and equals the word modulo 2^ReadLen;
//  - bits above the field (the flags) never change the result;
//  - RegValue is RegRaw x RegScale + RegOffset rounded once to single precision, and finite;
//  - an empty slot decodes every word to 0.
#include "fuzz_support.h"
#include "registers/register_table.h"
#include "registers/value_conversion.h"

#include <cmath>

namespace {

using namespace talvix::registers;

const RegisterTable& Table() {
  return talvix::fuzz::BuiltRegisterTable();
}

void Check(const RegisterEntry& entry, int32_t word, int32_t flags) {
  const DecodedWord decoded = ApplyReadRule(entry, word);
  const int length = entry.ReadLen;
  if (length <= 0) {
    TALVIX_FUZZ_CHECK(decoded.RegRaw == 0 && decoded.RegValue == 0.0f);
    return;
  }
  TALVIX_FUZZ_CHECK(length <= 31);
  const int64_t span = int64_t{1} << length;
  const int64_t low = entry.TwosCompl ? -span / 2 : 0;
  const int64_t high = entry.TwosCompl ? span / 2 - 1 : span - 1;
  TALVIX_FUZZ_CHECK(decoded.RegRaw >= low && decoded.RegRaw <= high);
  TALVIX_FUZZ_CHECK(((int64_t{decoded.RegRaw} - word) % span) == 0);

  const auto flag_bits = static_cast<int32_t>(static_cast<uint32_t>(flags) << length);
  const DecodedWord flagged = ApplyReadRule(entry, word ^ flag_bits);
  TALVIX_FUZZ_CHECK(flagged.RegRaw == decoded.RegRaw && flagged.RegValue == decoded.RegValue);

  const float expected = static_cast<float>(decoded.RegRaw * static_cast<double>(entry.RegScale) +
                                            static_cast<double>(entry.RegOffset));
  TALVIX_FUZZ_CHECK(std::isfinite(decoded.RegValue) && decoded.RegValue == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  talvix::fuzz::ByteReader input(data, size);
  do {
    const auto word = static_cast<int32_t>(input.U32());
    const auto flags = static_cast<int32_t>(input.U32());
    for (int index = 0; index < RegisterTable::kSlots; ++index) {
      Check(Table().at(index), word, flags);
    }
  } while (!input.empty());
  return 0;
}
