// SPDX-License-Identifier: MIT
#include "monitor/status_flags.h"

namespace talvix::monitor {

FlagState FlagStateOf(int32_t status, uint16_t mask) {
  return (status & mask) != 0 ? FlagState::kAlarm : FlagState::kOk;
}

QString FlagText(FlagState state) {
  switch (state) {
    case FlagState::kOk:
      return QStringLiteral("OK");
    case FlagState::kAlarm:
      return QStringLiteral("Alarm");
    case FlagState::kUnknown:
      break;
  }
  return {};
}

bool CaptureTriggered(int32_t status, bool armed, int16_t capt_trig_select) {
  if (!armed) return false;
  if ((status & registers::kStatusAlarm1) != 0 && capt_trig_select == kCaptTrigger1) return true;
  return (status & registers::kStatusAlarm2) != 0 && capt_trig_select == kCaptTrigger2;
}

}  // namespace talvix::monitor
