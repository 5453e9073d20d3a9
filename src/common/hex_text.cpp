// SPDX-License-Identifier: MIT
#include "common/hex_text.h"

namespace talvix::common {

namespace {

int DigitValue(QChar c) {
  if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
  if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
  return 0;
}

}  // namespace

int32_t HexToLong(QStringView text) {
  const QStringView digits = text.size() > 4 ? text.right(4) : text;
  int32_t sum = 0;
  int32_t weight = 1;
  for (qsizetype i = digits.size() - 1; i >= 0; --i) {
    sum += DigitValue(digits[i]) * weight;
    weight *= 16;
  }
  return sum;
}

int16_t HexToInt(QStringView text) {
  int32_t value = HexToLong(text);
  if (value > 0x7FFF) value -= 0x10000;
  return static_cast<int16_t>(value);
}

std::optional<uint16_t> ParseHexWord(QStringView text) {
  if (text.startsWith(u"0x") || text.startsWith(u"0X")) text = text.mid(2);
  if (text.isEmpty() || text.size() > 4) return std::nullopt;
  uint16_t value = 0;
  for (const QChar c : text) {
    const bool digit =
        (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    if (!digit) return std::nullopt;
    value = static_cast<uint16_t>(value * 16 + DigitValue(c));
  }
  return value;
}

}  // namespace talvix::common
