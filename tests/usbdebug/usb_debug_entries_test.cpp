// SPDX-License-Identifier: MIT
#include "usbdebug/usb_debug_entries.h"

#include <gtest/gtest.h>

#include <optional>

namespace talvix::usbdebug {
namespace {

struct CountCase {
  const char* typed;
  std::optional<uint8_t> count;
};

class WordCountEntryTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(WordCountEntryTest, IsRoundedAndKeptWithinOneToSixteen) {
  EXPECT_EQ(WordCountEntry(QString::fromUtf8(GetParam().typed)), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(Typed, WordCountEntryTest,
                         ::testing::Values(CountCase{"", std::nullopt}, CountCase{"20", 16},
                                           CountCase{"0", 1}, CountCase{"-3", 1},
                                           CountCase{"300", 16}, CountCase{"2.5", 2},
                                           CountCase{"3.5", 4}, CountCase{"7 words", 7},
                                           CountCase{"abc", 1}, CountCase{"1e3", 16}));

TEST(DelayEntryTest, IsKeptWithinTheCardsDelayByte) {
  EXPECT_EQ(DelayEntry(u"300"), 255);
  EXPECT_EQ(DelayEntry(u"0"), 1);
  EXPECT_EQ(DelayEntry(u"-40"), 1);
  EXPECT_EQ(DelayEntry(u"12.6"), 13);
  EXPECT_EQ(DelayEntry(u""), 1);
}

TEST(StaticBitsTest, BoxesStandForBitsThreeToSix) {
  EXPECT_EQ(BoxesOfStaticBits(0x50), (StaticBoxes{false, true, false, true}));
  EXPECT_EQ(BoxesOfStaticBits(0x87), (StaticBoxes{}));  // nothing outside CS2..CS5
  EXPECT_EQ(StaticBitsOfBoxes({true, false, true, false}), 0x28);
  for (int bits = 0; bits < 0x80; bits += 8) {
    EXPECT_EQ(StaticBitsOfBoxes(BoxesOfStaticBits(static_cast<uint8_t>(bits))), bits) << bits;
  }
}

TEST(WriteBoxTest, ReadsHexOrZero) {
  EXPECT_EQ(WordOfWriteBox(u"9112"), 0x9112);
  EXPECT_EQ(WordOfWriteBox(u"ffff"), 0xFFFF);
  EXPECT_EQ(WordOfWriteBox(u""), 0);
}

}  // namespace
}  // namespace talvix::usbdebug
