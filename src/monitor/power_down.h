// SPDX-License-Identifier: MIT
// The timed power-down of the "Powerdown" frame: the sensor sleeps for SLP_CNT x 0.5 s while the
// window counts the elapsed time up to the chosen time, yielding to the window system on every
// round so that the other buttons keep working meanwhile.
#pragma once

#include "session/session.h"

#include <QLocale>
#include <QString>

#include <functional>

namespace talvix::monitor {

// The wait after the count, in ms, before Run returns.
inline constexpr double kPowerDownSettleMs = 200.0;

// SLP_CNT for a time in seconds: whole half-seconds, rounded down (0.7 s -> 1, 127.5 s -> 255),
// limited to the 8-bit field 0..255.
int32_t SleepCount(double seconds);

// The elapsed time as lblPDElapsed shows it ("##0.0": "0.0", "12.3").
QString ElapsedText(double seconds, const QLocale& locale = QLocale());

// How long the count sleeps between two looks at the clock, in seconds: the elapsed time is
// shown to a tenth of a second, and the window stays responsive.
inline constexpr double kPowerDownPollSeconds = 0.01;

// The elapsed time shown for `elapsed` seconds into a count of `seconds`: it stops at the end of
// the count (a refresh that comes late, after a reading loop's pass, shows the end, not more).
double ElapsedShown(double elapsed, double seconds);

// Run: writes SLP_CNT, then, timed by the monotonic clock, shows the elapsed time, yields once and
// sleeps kPowerDownPollSeconds on every round while it is below `seconds`, shows `seconds` itself
// (the end of the count is seen, not the last tenth before it), then waits 200 ms. The first
// round shows 0; 0 s shows nothing.
// `yield` lets the window system run and says whether to go on: when it says no (the window is
// gone or the program is ending) the count returns false at once, without calling `show` again or
// pausing. Without an interface, or when the write does not reach the sensor, nothing is counted
// or shown and the result is false.
bool RunPowerDown(Session& session, double seconds, const std::function<void(double)>& show,
                  const std::function<bool()>& yield);

}  // namespace talvix::monitor
