// SPDX-License-Identifier: MIT
// The sensor's register map: 61 slots by register index, 0..35 defined, 36..60 empty.
// Every register operation takes address, width, bit length, sign rule, scale and offset here.
#pragma once

#include "registers/register_index.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace talvix::registers {

struct RegisterEntry {
  QString Label;           // as stored, odd spellings and blanks included ("X_PEAK ", "Y _PEAK")
  int32_t BaseAddr = 0;    // byte address of the low byte; the high byte is at BaseAddr + 1
  uint8_t NumBytes = 0;    // width in bytes
  int16_t ReadLen = 0;     // significant low-order bits of the word read back
  bool TwosCompl = false;  // the ReadLen-bit field is two's complement
  float RegScale = 0.0f;   // code -> engineering value multiplier
  float RegOffset = 0.0f;  // added after scaling
  bool ReadFlag = false;
  bool WriteFlag = false;
  // Descriptive only; no operation reads them.
  bool ECflag = false;
  bool NDflag = false;
  bool Hidden = false;
  bool EmbMemflag = false;
  int32_t AuxBaseAddr = 0;
  int32_t AuxAddr = 0;
};

class RegisterTable {
 public:
  static constexpr int kSlots = 61;         // indices 0..60
  static constexpr int kDefinedSlots = 36;  // indices 0..35 are filled

  // Fills slots 0..35 with the sensor's map; slots 36..60 stay empty.
  void BuildRegisterTable();

  static bool IsValidIndex(int index) { return index >= 0 && index < kSlots; }

  // The entry at `index`. An index outside 0..60 is a caller's error: it throws
  // std::out_of_range rather than reaching outside the table.
  const RegisterEntry& at(int index) const;

  // Index of the register whose label matches, case-insensitively, with trailing blanks ignored
  // on both sides ("x_peak" finds "X_PEAK "); nothing for an unknown or empty label.
  std::optional<int16_t> FindLabel(const QString& label) const;

 private:
  std::array<RegisterEntry, kSlots> entries_{};
};

}  // namespace talvix::registers
