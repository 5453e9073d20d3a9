// SPDX-License-Identifier: MIT
#include "operation/operational_control.h"

#include <gtest/gtest.h>

#include <array>

namespace talvix::operation {
namespace {

struct DacCase {
  const char* locale;
  const char* typed;
  const char* corrected;
  uint16_t code;
  const char* shown;  // the volts of `code`
};

class AuxDacEntryTest : public ::testing::TestWithParam<DacCase> {};

TEST_P(AuxDacEntryTest, VoltsAreCorrectedThenCutToACode) {
  const DacCase& c = GetParam();
  const QLocale locale(QString::fromLatin1(c.locale));
  const BoxEntry entry = AuxDacEntry(QString::fromLatin1(c.typed), {}, locale);
  EXPECT_EQ(entry.text, c.corrected);
  EXPECT_EQ(entry.code, c.code);
  EXPECT_EQ(AuxDacVoltsText(entry.code, locale), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Volts, AuxDacEntryTest,
                         ::testing::Values(DacCase{"C", "1.25", "1.25", 0x7FF, "1.2496947"},
                                           DacCase{"C", "abc", "0", 0, "0.0"},
                                           DacCase{"C", "-1", "0", 0, "0.0"},
                                           DacCase{"C", "3", "2.5", 4095, "2.5"},
                                           DacCase{"C", "1,25", "0", 0, "0.0"},
                                           DacCase{"de_DE", "1,25", "1,25", 0x7FF, "1,2496947"},
                                           DacCase{"de_DE", "1.25", "1.25", 0x7FF, "1,2496947"},
                                           DacCase{"de_DE", "7", "2,5", 4095, "2,5"}));

TEST(AuxDacFilledTest, UntouchedBoxWritesItsCodeBackWhereTheArithmeticWouldLoseOne) {
  common::FilledCode filled;
  filled.Fill(AuxDacVoltsText(0x7FF, QLocale::c()), 0x7FF);
  EXPECT_EQ(AuxDacEntry(QStringLiteral("1.2496947"), {}, QLocale::c()).code, 0x7FE);
  EXPECT_EQ(AuxDacEntry(QStringLiteral("1.2496947"), filled, QLocale::c()).code, 0x7FF);
}

struct PairsCase {
  uint16_t word;
  std::array<PairChoice, 3> choices;  // line DI/O1, polarity high, enable on
  uint16_t written;
};

class WithPairsTest : public ::testing::TestWithParam<PairsCase> {};

TEST_P(WithPairsTest, ChangesOnlyThePairsBits) {
  const PairsCase& c = GetParam();
  std::array<PairBit, 3> pairs{};
  for (std::size_t i = 0; i < pairs.size(); ++i) pairs[i] = {kMiscPairMasks[i], c.choices[i]};
  EXPECT_EQ(WithPairs(c.word, pairs), c.written);
}

constexpr PairChoice kSet = PairChoice::kSet;
constexpr PairChoice kClear = PairChoice::kClear;
constexpr PairChoice kNone = PairChoice::kNone;

INSTANTIATE_TEST_SUITE_P(
    MiscCtrl, WithPairsTest,
    ::testing::Values(PairsCase{0x0000, {kSet, kSet, kSet}, 0x0007},
                      // Self-test (bit 8) and capture-to-flash (bit 11) survive.
                      PairsCase{0x0900, {kSet, kSet, kSet}, 0x0907},
                      PairsCase{0x0107, {kClear, kClear, kClear}, 0x0100},
                      // A pair the load left without a choice keeps the device's bit.
                      PairsCase{0x0005, {kNone, kSet, kNone}, 0x0007}));

}  // namespace
}  // namespace talvix::operation
