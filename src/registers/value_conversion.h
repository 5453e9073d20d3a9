// SPDX-License-Identifier: MIT
// Codes <-> engineering values: the read rule applied to every register read, and the two
// conversions for the measurement sources that alarms and event capture watch.
#pragma once

#include "registers/register_bits.h"
#include "registers/register_table.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace talvix::registers {

// Register index read by a source, or nothing for 0 and indices outside 1..9.
std::optional<int16_t> SourceRegister(int16_t source);

struct DecodedWord {
  int32_t RegRaw = 0;     // the field, masked or sign-extended to ReadLen bits
  float RegValue = 0.0f;  // RegRaw x RegScale + RegOffset
};

// The read rule: keeps the low ReadLen bits of `word` (sign-extending a two's-complement field)
// and scales the code. The product and sum are formed in double precision and rounded once to
// single precision. Flag bits above the field never reach the code.
DecodedWord ApplyReadRule(const RegisterEntry& entry, int32_t word);

// Engineering value of a source's code, in single precision; nothing for source 0 and indices
// outside 1..9. For sources 2, 3, 6, 7 a code above 8191 is made negative (code - 16384) and for
// source 4 a code above 4095 is limited to 4095; the adjusted code is left in `raw`.
std::optional<float> RawToUnits(const RegisterTable& table, int16_t source, double& raw);

// The code to write for a threshold typed in the source's unit. `value` is read by its leading
// numeric part; a value outside the source's range is replaced, in `value` too, by the limit's
// text. Signed sources give the 14-bit two's-complement code (a negative code plus 16384).
// Nothing for source 0 and indices outside 1..9.
std::optional<double> UnitsToRaw(const RegisterTable& table, int16_t source, QString& value);

}  // namespace talvix::registers
