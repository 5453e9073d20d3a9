// SPDX-License-Identifier: MIT
// The text of the simulator's --sim-vibration option, HZ:G[:AXIS], shared by talvix and
// talvix-cli: a sine of HZ hertz and G g peak added to the simulated sensor's motion on X, Y or
// both (XY). Without AXIS it goes on both axes, in phase, so that a capture buffer recording
// either axis sees it.
#pragma once

#include "sim/motion_model.h"

#include <QString>

#include <optional>

namespace talvix::sim {

// The largest frequency and amplitude the option takes: well beyond the fastest sample rate
// (8192 per second; higher ones fold back) and within both axes' output range.
inline constexpr double kMaxVibrationHz = 100000.0;
inline constexpr double kMaxVibrationG = 50.0;

// The vibration "200:1:X" asks for; nothing, with what is wrong in `error`, for a text that is
// not HZ:G[:AXIS] with 0 < HZ <= 100000, 0 < G <= 50 and AXIS one of X, Y, XY (any case).
std::optional<AddedVibration> ParseVibrationOption(const QString& text, QString& error);

// One line for the programs' usage texts.
QString VibrationOptionHelp();

}  // namespace talvix::sim
