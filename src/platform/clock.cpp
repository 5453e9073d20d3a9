#include "platform/clock.h"

#include <QTime>

#include <chrono>
#include <thread>

namespace talvix::platform {

double SystemClock::SecondsSinceMidnight() {
  return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

double SystemClock::MonotonicSeconds() {
  using std::chrono::duration;
  using std::chrono::steady_clock;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::Sleep(double seconds) {
  if (!(seconds > 0.0)) return;
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace talvix::platform
