// SPDX-License-Identifier: MIT
#include "monitor/self_test.h"

#include "registers/register_bits.h"
#include "registers/register_table.h"

namespace talvix::monitor {

int32_t SelfTestWord(int32_t misc_ctrl, bool on) {
  return on ? (misc_ctrl | registers::kMiscCtrlSelfTest) : (misc_ctrl & 0x00FF);
}

bool SetSelfTest(link::RegisterAccess& link, bool on) {
  if (!link::Answered(link.ReadReg(registers::kMiscCtrl), link.RawWord)) return false;
  return link::Reached(link.WriteReg(registers::kMiscCtrl, SelfTestWord(link.RegRaw, on)));
}

}  // namespace talvix::monitor
