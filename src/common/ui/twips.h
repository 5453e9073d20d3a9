// SPDX-License-Identifier: MIT
// Window geometry given in twips (1/1440 inch): 15 twips to a pixel at 96 dpi, more pixels on a
// screen of higher dpi.
#pragma once

#include <QWidget>

#include <cmath>

namespace talvix::common {

inline constexpr double kTwipsPerInch = 1440.0;

inline double PixelsPerTwip(const QWidget* widget) {
  return widget->logicalDpiX() / kTwipsPerInch;
}

inline int TwipsToPixels(double twips, const QWidget* widget) {
  return static_cast<int>(std::lround(twips * PixelsPerTwip(widget)));
}

inline double PixelsToTwips(int pixels, const QWidget* widget) {
  return pixels / PixelsPerTwip(widget);
}

}  // namespace talvix::common
