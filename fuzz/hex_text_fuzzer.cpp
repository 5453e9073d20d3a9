// SPDX-License-Identifier: MIT
// Hexadecimal entry text (port addresses, register values, SPI words). Invariants:
//  - HexToLong is 0..65535 and HexToInt is the same number read as 16-bit two's complement;
//  - only the last four places count: a longer text reads as its last four characters, and
//    putting anything in front of a text of four or more places changes nothing;
//  - each place that is not a hex digit counts as a zero digit, so the value is Qt's own base-16
//    reading of the last four places with those characters replaced by '0';
//  - the four-digit text of the value (Hex4) reads back as the same value.
#include "common/hex_text.h"
#include "common/number_text.h"
#include "fuzz_support.h"

namespace {

bool IsHexDigit(QChar c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using talvix::common::HexToInt;
  using talvix::common::HexToLong;
  talvix::fuzz::ByteReader input(data, size);
  const QString text = input.RestAsText();

  const int32_t value = HexToLong(text);
  const int16_t signed_value = HexToInt(text);
  TALVIX_FUZZ_CHECK(value >= 0 && value <= 0xFFFF);
  TALVIX_FUZZ_CHECK(signed_value == (value > 0x7FFF ? value - 0x10000 : value));

  const QString last_four = text.right(4);
  TALVIX_FUZZ_CHECK(HexToLong(last_four) == value);
  if (text.size() >= 4) {
    TALVIX_FUZZ_CHECK(HexToLong(QStringLiteral("F") + text) == value);
    TALVIX_FUZZ_CHECK(HexToLong(text + text) == value);
  }

  QString digits_only = last_four;
  for (QChar& c : digits_only) {
    if (!IsHexDigit(c)) c = u'0';
  }
  bool ok = true;
  const int expected = digits_only.isEmpty() ? 0 : digits_only.toInt(&ok, 16);
  TALVIX_FUZZ_CHECK(ok && expected == value);

  const QString hex4 = talvix::common::Hex4(value);
  TALVIX_FUZZ_CHECK(hex4.size() == 4);
  TALVIX_FUZZ_CHECK(HexToLong(hex4) == value && HexToInt(hex4) == signed_value);
  TALVIX_FUZZ_CHECK(talvix::common::Hex4(signed_value) == hex4);
  return 0;
}
