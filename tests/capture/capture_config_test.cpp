// SPDX-License-Identifier: MIT
#include "capture/capture_config.h"

#include <gtest/gtest.h>

namespace talvix::capture {
namespace {

TEST(CaptCfgForStep1, ComposesTheWordFromTheListPositions) {
  // X_Acceleration, Peak_RSS, "1024", "4".
  EXPECT_EQ(CaptCfgForStep1(2, 9, 7, 2), 0x922A);
  // RSS_Acc in the top field, "8", "1024".
  EXPECT_EQ(CaptCfgForStep1(0, 8, 0, 10), 0x80A3);
  // Pre-trigger "1" is taken as "2".
  EXPECT_EQ(CaptCfgForStep1(1, 0, 0, 0), 0x0113);
}

class CaptConfigTest : public ::testing::Test {
 protected:
  CaptConfigTest() { table.BuildRegisterTable(); }
  registers::RegisterTable table;
};

struct Step2Case {
  const char* name;
  int source;
  const char* text;
  int polarity_position;
  QLocale::Language language;
  uint16_t word;
};

class MagnitudeWordTest : public CaptConfigTest, public ::testing::WithParamInterface<Step2Case> {};

TEST_P(MagnitudeWordTest, ConvertsTheTypedLevel) {
  const Step2Case& c = GetParam();
  EXPECT_EQ(MagnitudeWordForStep2(table, c.source, QString::fromUtf8(c.text), c.polarity_position,
                                  {}, QLocale(c.language)),
            c.word);
}

// 0.366 V of supply is code 300; 1.5 g of X is code 88, 1 g code 58.
INSTANTIATE_TEST_SUITE_P(
    Levels, MagnitudeWordTest,
    ::testing::Values(Step2Case{"GreaterThan", 1, "0.366", 1, QLocale::C, 0x812C},
                      Step2Case{"LessThan", 1, "0.366", 0, QLocale::C, 0x012C},
                      Step2Case{"GermanComma", 2, "1,5", 1, QLocale::German, 0x8058},
                      Step2Case{"GermanPoint", 2, "1.5", 1, QLocale::German, 0x8058},
                      Step2Case{"CommaIsNoPointInC", 2, "1,5", 1, QLocale::C, 0x803A}),
    [](const ::testing::TestParamInfo<Step2Case>& info) { return info.param.name; });

// Code 300 of the AUX source shows as "1,8300" in German; converting that text back would give
// code 2998, so an unchanged box writes back the code it was filled from.
TEST_F(CaptConfigTest, UnchangedLevelBoxWritesBackItsCode) {
  const QLocale german(QLocale::German);
  CaptConfigWords words;
  words.capt_cfg = 0x0403;
  words.alm_mag = {0x812C, 0};
  const CaptConfigView view = DecideCaptConfigLoad(table, words, 0, german);
  ASSERT_EQ(view.level[0].text, "1,8300");
  EXPECT_EQ(MagnitudeWordForStep2(table, 4, view.level[0].text, 1, view.level[0], german), 0x812C);
  EXPECT_EQ(MagnitudeWordForStep2(table, 4, view.level[0].text, 0, view.level[0], german), 0x012C);
}

// The length list holds codes 3..10: a code outside selects the nearest entry.
TEST_F(CaptConfigTest, LengthCodeOutsideTheListSelectsTheNearestEntry) {
  for (const int code : {0, 1, 2, 11, 12, 15}) {
    CaptConfigWords words;
    words.capt_cfg = code;
    const CaptConfigView view = DecideCaptConfigLoad(table, words, 0, QLocale::c());
    EXPECT_FALSE(view.no_communication) << code;
    EXPECT_EQ(view.length_position, code < 3 ? 0 : 7) << code;
  }
}

TEST_F(CaptConfigTest, NoAnswerOpensTheListsAtTheirFirstEntries) {
  CaptConfigWords words;
  words.answered = false;
  words.alm_ctrl = words.capt_cfg = words.misc_ctrl = 0xFFFF;
  words.alm_mag = {0xFFFF, 0xFFFF};
  const CaptConfigView view = DecideCaptConfigLoad(table, words, 0, QLocale::c());
  EXPECT_TRUE(view.no_communication);
  EXPECT_EQ(view.source, (std::array<int, 2>{0, 0}));
  EXPECT_EQ(view.length_position, 0);
  EXPECT_EQ(view.pre_trigger_position, 0);
  EXPECT_EQ(view.level[0].text, "");
}

}  // namespace
}  // namespace talvix::capture
