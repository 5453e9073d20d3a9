// SPDX-License-Identifier: MIT
// Corrections of the numbers typed into the main window's boxes. A text that is not a number is
// replaced by a default and a number out of range by its limit, in the box itself and without a
// message, before anything uses it. Numbers are read by their leading part, point as separator.
#pragma once

#include <QString>

namespace talvix::monitor {

// Pause between reading passes, txtLoopDelay: 0 to 1000 ms; not a number -> "0", above 1000 ->
// "1000", below 0 -> "0". Returns the text the box must hold (the same text when it is accepted).
QString CorrectedLoopDelay(const QString& text);

// Power-down time, txtPowerDown: 0 to 127.5 s; not a number -> "0.0", above 127.5 -> "127.5",
// below 0 -> "0.0".
QString CorrectedPowerDownTime(const QString& text);

// The loop delay in milliseconds of a box text, for DelayMs; 12.5 waits 12.5 ms. Limited to
// 0..1000 also here, so that a text the box has not yet corrected cannot stall the loop.
float LoopDelayMs(const QString& text);

// The power-down time in seconds of a box text, limited to 0..127.5 in the same way.
double PowerDownSeconds(const QString& text);

}  // namespace talvix::monitor
