#include "monitor/status_flags.h"

namespace talvix::monitor {

FlagState FlagStateOf(int32_t status, uint16_t mask) {
  return (status & mask) != 0 ? FlagState::kAlarm : FlagState::kOk;
}

QString FlagText(FlagState state) {
  return state == FlagState::kAlarm ? QStringLiteral("Alarm") : QStringLiteral("OK");
}

bool CaptureTriggered(int32_t status, bool armed, int16_t capt_trig_select) {
  if (!armed) return false;
  if ((status & kStatusAlarm1) != 0 && capt_trig_select == kCaptTrigger1) return true;
  return (status & kStatusAlarm2) != 0 && capt_trig_select == kCaptTrigger2;
}

}  // namespace talvix::monitor
