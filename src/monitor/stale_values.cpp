// SPDX-License-Identifier: MIT
#include "monitor/stale_values.h"

#include <cmath>

namespace talvix::monitor {

namespace {

constexpr int kSecondsPerDay = 24 * 60 * 60;
constexpr char kChooseInterface[] = "Choose one in the Interface menu.";

}  // namespace

QString ClockText(double seconds_since_midnight) {
  if (!std::isfinite(seconds_since_midnight)) seconds_since_midnight = 0.0;
  const int whole =
      ((static_cast<int>(std::floor(seconds_since_midnight)) % kSecondsPerDay) + kSecondsPerDay) %
      kSecondsPerDay;
  return QStringLiteral("%1:%2:%3")
      .arg(whole / 3600, 2, 10, QLatin1Char('0'))
      .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString ValuesFromText(const std::optional<double>& last_read_seconds) {
  if (!last_read_seconds) return QStringLiteral("No values read yet.");
  return QStringLiteral("Values from %1.").arg(ClockText(*last_read_seconds));
}

QString NoInterfaceText(const std::optional<double>& last_read_seconds) {
  return QStringLiteral("No interface is ready. %1 %2")
      .arg(QLatin1String(kChooseInterface), ValuesFromText(last_read_seconds));
}

QString InterfaceReadyText(const std::optional<double>& last_read_seconds) {
  if (!last_read_seconds) return QStringLiteral("Interface ready: press Read for values.");
  return QStringLiteral("Interface ready: press Read for new values. %1")
      .arg(ValuesFromText(last_read_seconds));
}

QString NoInterfaceRefusal(const QString& action, const std::optional<double>& last_read_seconds) {
  return QStringLiteral("%1 did nothing: no interface is ready. %2 %3")
      .arg(action, QLatin1String(kChooseInterface), ValuesFromText(last_read_seconds));
}

}  // namespace talvix::monitor
