// SPDX-License-Identifier: MIT
#include "sim/vibration_option.h"

#include <QStringList>

#include <cmath>

namespace talvix::sim {

namespace {

// A plain decimal number: no blanks, no hexadecimal, nothing after it.
std::optional<double> Number(const QString& text) {
  bool ok = false;
  const double value = text.trimmed() == text ? text.toDouble(&ok) : 0.0;
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

std::optional<AddedVibration> ParseVibrationOption(const QString& text, QString& error) {
  const QStringList parts = text.split(QLatin1Char(':'));
  if (parts.size() < 2 || parts.size() > 3) {
    error = QStringLiteral("--sim-vibration \"%1\": give HZ:G or HZ:G:AXIS, as 200:1:X").arg(text);
    return std::nullopt;
  }
  const std::optional<double> hz = Number(parts[0]);
  if (!hz || *hz <= 0.0 || *hz > kMaxVibrationHz) {
    error = QStringLiteral(
                "--sim-vibration \"%1\": the frequency must be a number of hertz above "
                "0 and at most %2")
                .arg(text)
                .arg(kMaxVibrationHz);
    return std::nullopt;
  }
  const std::optional<double> g = Number(parts[1]);
  if (!g || *g <= 0.0 || *g > kMaxVibrationG) {
    error = QStringLiteral(
                "--sim-vibration \"%1\": the amplitude must be a number of g above 0 "
                "and at most %2")
                .arg(text)
                .arg(kMaxVibrationG);
    return std::nullopt;
  }
  AddedVibration vibration{.frequency_hz = *hz, .amplitude_g = *g};
  if (parts.size() == 3) {
    const QString axis = parts[2].toUpper();
    if (axis != QLatin1String("X") && axis != QLatin1String("Y") && axis != QLatin1String("XY")) {
      error = QStringLiteral("--sim-vibration \"%1\": the axis must be X, Y or XY").arg(text);
      return std::nullopt;
    }
    vibration.on_x = axis.contains(QLatin1Char('X'));
    vibration.on_y = axis.contains(QLatin1Char('Y'));
  }
  return vibration;
}

QString VibrationOptionHelp() {
  return QStringLiteral(
      "  --sim-vibration HZ:G[:AXIS]\n"
      "                    with a simulated sensor, add a sine of HZ hertz and G g peak\n"
      "                    to the motion of X, Y or XY (both, the default), as 200:1:X\n");
}

}  // namespace talvix::sim
