// SPDX-License-Identifier: MIT
// The register index: the slot of a register in the program's register table, by which every
// register operation names it. Only the indices are here, so that code that must not depend on
// the table's contents (the simulated sensor) can name registers too.
#pragma once

#include <cstdint>

namespace talvix::registers {

// Register indices used by name across the program.
enum RegisterIndex : int16_t {
  kEndurance = 0,
  kSupply = 1,
  kXAccl = 2,
  kYAccl = 3,
  kAuxAdc = 4,
  kTemperature = 5,
  kXPeak = 6,
  kYPeak = 7,
  kXAcclNull = 8,
  kYAcclNull = 9,
  kXAccScale = 10,
  kYAccScale = 11,
  kRssXy = 12,
  kRssPeak = 13,
  kCaptBuf0 = 14,
  kCaptBuf1 = 15,
  kAlmMag1 = 16,
  kAlmMag2 = 17,
  kAlmCtrl = 20,
  kCaptPntr = 21,
  kAuxDac = 24,
  kGpioCtrl = 25,
  kMiscCtrl = 26,
  kSmplPrd = 27,
  kCaptCfg = 28,
  kSlpCnt = 29,
  kStatus = 30,
  kCommand = 31,
  kKeyCode = 32,
  kRevDate = 33,
  kMonthYear = 34,
  kProductId = 35,
};

}  // namespace talvix::registers
