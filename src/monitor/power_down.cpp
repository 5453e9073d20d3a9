// SPDX-License-Identifier: MIT
#include "monitor/power_down.h"

#include "common/number_text.h"
#include "registers/register_table.h"

#include <algorithm>
#include <cmath>

namespace talvix::monitor {

int32_t SleepCount(double seconds) {
  if (!(seconds > 0.0)) return 0;  // also NaN
  return static_cast<int32_t>(std::min(std::floor(2.0 * seconds), 255.0));
}

QString ElapsedText(double seconds, const QLocale& locale) {
  return common::FormatPattern(seconds, u"##0.0", locale);
}

double ElapsedShown(double elapsed, double seconds) {
  return std::clamp(elapsed, 0.0, std::max(seconds, 0.0));
}

bool RunPowerDown(Session& session, double seconds, const std::function<void(double)>& show,
                  const std::function<bool()>& yield) {
  link::RegisterAccess& device = session.link;
  if (device.InterfaceType == link::kInterfaceNone) return false;
  if (!link::Reached(device.WriteReg(registers::kSlpCnt, SleepCount(seconds)))) return false;
  platform::Clock& clock = session.clock();
  const double t0 = clock.MonotonicSeconds();
  double now = t0;
  while (now - t0 < seconds) {
    show(now - t0);
    now = clock.MonotonicSeconds();
    if (!yield()) return false;
    clock.Sleep(kPowerDownPollSeconds);
  }
  if (seconds > 0.0) show(seconds);  // the end of the count: the whole time has passed
  session.delay->DelayMs(kPowerDownSettleMs);
  return true;
}

}  // namespace talvix::monitor
