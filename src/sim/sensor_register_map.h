// SPDX-License-Identifier: MIT
// The simulated part's own register map, as the sensor's data sheet states it: where each
// register sits in the byte address space, how wide its field is, whether the field is two's
// complement, and how a code stands for the quantity measured (so many mV or mg per code, and
// the quantity at a reference code). It is written apart from the program's register table and
// in other terms, never derived from it: tests read the simulated part through the program's
// table, so that a wrong address, width, sign or scale in either one shows as a wrong reading.
//
// Registers are named by the program's register index (registers/register_index.h) only so that
// both sides can speak of the same register; nothing else is shared.
#pragma once

#include "registers/register_index.h"

#include <cstdint>
#include <span>

namespace talvix::sim {

enum class Access { kRead, kWrite, kReadWrite };

struct SensorRegister {
  int16_t index;     // the program's register index
  const char* name;  // data sheet name
  uint8_t address;   // byte address of the lower byte; the upper byte is at address + 1
  int bits;          // width of the field, from bit 0; bits above it are flags or unused
  bool twos_complement;
  // The quantity is `ref_value` at code `ref_code` and changes by `lsb` per code. A register that
  // holds a count, a code or a bit pattern has lsb 1 and 0 at code 0.
  double lsb;
  double ref_value;
  double ref_code;
  Access access;

  constexpr bool readable() const { return access != Access::kWrite; }
  constexpr bool writable() const { return access != Access::kRead; }
  constexpr uint16_t field_mask() const { return static_cast<uint16_t>((1u << bits) - 1u); }
  constexpr int32_t min_code() const { return twos_complement ? -(1 << (bits - 1)) : 0; }
  constexpr int32_t max_code() const {
    return twos_complement ? (1 << (bits - 1)) - 1 : static_cast<int32_t>(field_mask());
  }

  // The quantity a code stands for, and the code (not rounded) of a quantity.
  constexpr double ValueOf(double code) const { return ref_value + (code - ref_code) * lsb; }
  constexpr double CodeOf(double value) const { return ref_code + (value - ref_value) / lsb; }

  // The code in the field of `word`, sign-extended where the field is two's complement; the bits
  // above the field are ignored.
  constexpr int32_t CodeOfWord(uint16_t word) const {
    const int32_t field = word & field_mask();
    return twos_complement && field > max_code() ? field - (int32_t{1} << bits) : field;
  }
  // The field bits of a code within the field's range.
  constexpr uint16_t Field(int32_t code) const {
    return static_cast<uint16_t>(static_cast<uint32_t>(code) & field_mask());
  }
  // The code the field holds for a measurement of `code`: rounded to the nearest code (halves
  // to even) and limited to the field's range, so that any magnitude saturates; 0 for a code
  // that is not a finite number.
  int32_t HeldCode(double code) const;
};

// Every register of the part, in address order. Addresses 0x24..0x27, 0x2C..0x2F, 0x40..0x4F and
// everything from 0x58 up decode nothing.
std::span<const SensorRegister> SensorRegisters();

// The register the program names `index`, or nullptr when the part has none by that index (the
// reserved slots, indices outside the map).
const SensorRegister* FindSensorRegister(int index);

// The register the program names `index`; throws std::out_of_range when the part has none.
const SensorRegister& SensorRegisterOf(int index);

// The byte address of the register the program names `index` (which must be one of the part's).
inline uint8_t AddressOf(int index) {
  return SensorRegisterOf(index).address;
}

// The register either of whose bytes sits at `address`, or nullptr where nothing is decoded.
const SensorRegister* SensorRegisterAt(uint8_t address);

}  // namespace talvix::sim
