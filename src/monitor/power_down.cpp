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

bool RunPowerDown(Session& session, double seconds, const std::function<void(double)>& show,
                  const std::function<bool()>& keep_going) {
  session.link.WriteReg(registers::kSlpCnt, SleepCount(seconds));
  platform::Clock& clock = session.clock();
  const double t0 = clock.MonotonicSeconds();
  double now = t0;
  while (now - t0 < seconds) {
    show(now - t0);
    now = clock.MonotonicSeconds();
    session.events().ProcessEvents();
    if (!keep_going()) return false;
  }
  session.delay->DelayMs(kPowerDownSettleMs);
  return true;
}

}  // namespace talvix::monitor
