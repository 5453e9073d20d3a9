// SPDX-License-Identifier: MIT
// Hexadecimal text typed by the user (port addresses, register values, SPI words) to numbers.
#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>

namespace talvix::common {

// Sum of digit values by place, rightmost first, over at most the last four characters: a longer
// text uses its last four ("0x378" reads as 378 hex). Characters that are not hex digits count 0;
// no prefix is recognised. Empty text is 0. Result 0..65535.
int32_t HexToLong(QStringView text);

// As HexToLong, read as a 16-bit two's-complement number: 8000 is -32768, FFFF is -1.
int16_t HexToInt(QStringView text);

// A strict reading for command lines and settings files: 1 to 4 hex digits, "0x" allowed, nothing
// else (no blanks, no sign). Nothing for any other text.
std::optional<uint16_t> ParseHexWord(QStringView text);

}  // namespace talvix::common
