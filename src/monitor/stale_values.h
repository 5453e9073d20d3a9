// SPDX-License-Identifier: MIT
// What the main window says when its values are no longer new: after Interface > None, a card or
// port that failed, or a click on a button that cannot act without an interface. The boxes, the
// chart and the flags then keep their last readings greyed out, and the line under the Read button
// says why and since when they are old.
#pragma once

#include <QString>

#include <optional>

namespace talvix::monitor {

// A time of day, seconds since local midnight, as "14:02:11" (whole seconds, rounded down).
QString ClockText(double seconds_since_midnight);

// The end of the line under the Read button while values are old: "Values from 14:02:11." for the
// last pass that read them, or "No values read yet." when no pass has.
QString ValuesFromText(const std::optional<double>& last_read_seconds);

// The line when the interface went away: no interface is ready, and since when the values are
// old.
QString NoInterfaceText(const std::optional<double>& last_read_seconds);

// The line when an interface is ready again but the values are still the old ones.
QString InterfaceReadyText(const std::optional<double>& last_read_seconds);

// The line for a button `action` ("Read", "Arm", ...) clicked without an interface: what did not
// happen and why, then since when the values are old.
QString NoInterfaceRefusal(const QString& action, const std::optional<double>& last_read_seconds);

}  // namespace talvix::monitor
