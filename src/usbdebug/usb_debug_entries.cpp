// SPDX-License-Identifier: MIT
#include "usbdebug/usb_debug_entries.h"

#include "common/hex_text.h"
#include "common/number_text.h"

#include <algorithm>
#include <cmath>

namespace talvix::usbdebug {

namespace {

// The whole number closest to the number at the start of `text`, within lo..hi.
uint8_t ClampedWholeNumber(QStringView text, int lo, int hi) {
  const double number = common::LocaleLeadingNumber(text);
  if (std::isnan(number)) return static_cast<uint8_t>(lo);
  // Kept within the range before rounding: no number outside it reaches the cast.
  return static_cast<uint8_t>(
      common::RoundHalfEven(std::clamp(number, static_cast<double>(lo), static_cast<double>(hi))));
}

}  // namespace

StaticBoxes BoxesOfStaticBits(uint8_t bits) {
  StaticBoxes boxes{};
  for (int i = 0; i < kStaticBoxes; ++i) {
    boxes[i] = (bits & StaticBitOfBox(kFirstStaticBox + i)) != 0;
  }
  return boxes;
}

uint8_t StaticBitsOfBoxes(const StaticBoxes& boxes) {
  uint8_t bits = 0;
  for (int i = 0; i < kStaticBoxes; ++i) {
    if (boxes[i]) bits |= StaticBitOfBox(kFirstStaticBox + i);
  }
  return bits;
}

std::optional<uint8_t> WordCountEntry(QStringView text) {
  if (text.isEmpty()) return std::nullopt;
  return ClampedWholeNumber(text, 1, link::kMaxSpiWords);
}

uint8_t DelayEntry(QStringView text) {
  return ClampedWholeNumber(text, 1, 255);
}

uint16_t WordOfWriteBox(QStringView text) {
  return static_cast<uint16_t>(common::HexToLong(text));
}

}  // namespace talvix::usbdebug
