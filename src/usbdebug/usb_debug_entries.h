// SPDX-License-Identifier: MIT
// What the USB SPI card setup window makes of its entries and shows of the card: the word count,
// the delay between words, the static chip-select bits and the words to send. Pure, so that each
// correction is tested without the window.
#pragma once

#include "link/usb_spi_card.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

namespace talvix::usbdebug {

// The check boxes "CS2" .. "CS5": box k stands for bit k + 1 of the static bits.
inline constexpr int kFirstStaticBox = 2;
inline constexpr int kStaticBoxes = 4;
using StaticBoxes = std::array<bool, kStaticBoxes>;  // [0] is "CS2"

// The mask of static-bit box k (2..5): 0x08 for "CS2" .. 0x40 for "CS5".
constexpr uint8_t StaticBitOfBox(int box) {
  return static_cast<uint8_t>(1u << (box + 1));
}

// Which boxes a static-bits byte ticks; bits outside 0x78 tick none.
StaticBoxes BoxesOfStaticBits(uint8_t bits);
// The static-bits byte of the ticked boxes.
uint8_t StaticBitsOfBoxes(const StaticBoxes& boxes);

// The word count typed in "# Words to Write": its number rounded to a whole one and kept within
// 1..16 (a transfer carries 1 to 16 words; anything below 1, negative too, becomes 1, anything
// above 16 becomes 16). Nothing when the box is empty: the previous count is kept.
std::optional<uint8_t> WordCountEntry(QStringView text);

// The delay typed in "Delay between words (uS)": rounded to a whole number of microseconds and
// kept within 1..255, the range of the card's delay byte.
uint8_t DelayEntry(QStringView text);

// The word a "Write (hex)" box sends: its hexadecimal text, 0 when empty (0..0xFFFF).
uint16_t WordOfWriteBox(QStringView text);

}  // namespace talvix::usbdebug
