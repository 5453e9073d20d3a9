#include "monitor/self_test.h"

#include "registers/register_table.h"

namespace talvix::monitor {

int32_t SelfTestWord(int32_t misc_ctrl, bool on) {
  return on ? (misc_ctrl | kSelfTestBit) : (misc_ctrl & 0x00FF);
}

void SetSelfTest(link::RegisterAccess& link, bool on) {
  link.ReadReg(registers::kMiscCtrl);
  link.WriteReg(registers::kMiscCtrl, SelfTestWord(link.RegRaw, on));
}

}  // namespace talvix::monitor
