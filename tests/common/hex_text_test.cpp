// SPDX-License-Identifier: MIT
#include "common/hex_text.h"

#include <gtest/gtest.h>

namespace talvix::common {
namespace {

TEST(HexText, DigitsByPlace) {
  EXPECT_EQ(HexToLong(u"378"), 888);
  EXPECT_EQ(HexToLong(u"3bc"), 956);
  EXPECT_EQ(HexToLong(u"3BC"), 956);
  EXPECT_EQ(HexToLong(u""), 0);
  EXPECT_EQ(HexToLong(u"FFFF"), 65535);
}

TEST(HexText, IntReadsFourDigitsAsTwosComplement) {
  EXPECT_EQ(HexToInt(u"FFFF"), -1);
  EXPECT_EQ(HexToInt(u"8000"), -32768);
  EXPECT_EQ(HexToInt(u"7FFF"), 32767);
  EXPECT_EQ(HexToInt(u"378"), 888);
}

TEST(HexText, NonDigitsCountZero) {
  EXPECT_EQ(HexToLong(u"1G"), 16);
  EXPECT_EQ(HexToLong(u"x12"), 18);
  EXPECT_EQ(HexToLong(u"&H12"), 18);  // the prefix uses up two places as zeros
}

TEST(HexText, LongTextUsesItsLastFourCharacters) {
  EXPECT_EQ(HexToLong(u"0x378"), 0x378);
  EXPECT_EQ(HexToLong(u"123456"), 0x3456);
  EXPECT_EQ(HexToInt(u"1FFFF"), -1);
}

}  // namespace
}  // namespace talvix::common
