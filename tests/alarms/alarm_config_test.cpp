// SPDX-License-Identifier: MIT
#include "alarms/alarm_config.h"

#include <gtest/gtest.h>

namespace talvix::alarms {
namespace {

class AlarmConfigTest : public ::testing::Test {
 protected:
  AlarmConfigTest() { table.BuildRegisterTable(); }
  registers::RegisterTable table;
};

struct ViewCase {
  const char* name;
  uint16_t alm_ctrl;
  uint16_t alm_mag1;
  QLocale::Language language;
  int source;
  const char* level;
  const char* magnitude;
};

class AlarmViewTest : public AlarmConfigTest, public ::testing::WithParamInterface<ViewCase> {};

TEST_P(AlarmViewTest, ShowsAlarm1FromItsWords) {
  const ViewCase& c = GetParam();
  AlarmWords words;
  words.alm_ctrl = c.alm_ctrl;
  words.alm_mag = {c.alm_mag1, 0};
  const AlarmShown shown = DecideAlarmView(table, words, QLocale(c.language)).alarm[0];
  EXPECT_EQ(shown.source, c.source);
  EXPECT_EQ(shown.level, c.level);
  EXPECT_EQ(shown.magnitude, c.magnitude);
  EXPECT_EQ(shown.greater_than, (c.alm_mag1 & 0x8000) != 0);
  EXPECT_EQ(shown.temperature_warning, c.source == kTemperatureSource);
}

// X is 0.017125 g per 14-bit two's-complement code, AUX 0.0061 V per code, the temperature
// 625.66 - 0.47 degC per code.
INSTANTIATE_TEST_SUITE_P(
    Words, AlarmViewTest,
    ::testing::Values(
        ViewCase{"NegativeX", 0x0200, 0xBF00, QLocale::C, 2, "-4.384", "3F00"},
        ViewCase{"NegativeXGerman", 0x0200, 0x3F00, QLocale::German, 2, "-4,384", "3F00"},
        ViewCase{"Aux", 0x0400, 0x0029, QLocale::C, 4, "0.250", "29"},
        ViewCase{"Temperature", 0x0500, 0x0064, QLocale::C, 5, "578.660", "64"},
        ViewCase{"DisabledHasNoLevel", 0x0000, 0x81F4, QLocale::C, 0, "", "1F4"},
        ViewCase{"FieldAboveNineIsDisabled", 0xFAFF, 0x4123, QLocale::C, 0, "", "123"}),
    [](const ::testing::TestParamInfo<ViewCase>& info) { return info.param.name; });

struct WordCase {
  const char* name;
  int source;
  const char* text;
  bool greater_than;
  QLocale::Language language;
  uint16_t word;
};

class AlarmMagnitudeWordTest : public AlarmConfigTest,
                               public ::testing::WithParamInterface<WordCase> {};

TEST_P(AlarmMagnitudeWordTest, ConvertsTheTypedLevel) {
  const WordCase& c = GetParam();
  EXPECT_EQ(MagnitudeWord(table, c.source, QString::fromUtf8(c.text), c.greater_than, {},
                          QLocale(c.language)),
            c.word);
}

// 1.5 g is X code 87.6; the X range ends at -140.288 g (-8192, written as 8192 in the 14-bit
// field).
INSTANTIATE_TEST_SUITE_P(
    Levels, AlarmMagnitudeWordTest,
    ::testing::Values(WordCase{"Point", 2, "1.5", true, QLocale::C, 0x8058},
                      WordCase{"GermanComma", 2, "1,5", true, QLocale::German, 0x8058},
                      WordCase{"GermanPoint", 2, "1.5", false, QLocale::German, 0x0058},
                      WordCase{"CommaIsNoPointInC", 2, "1,5", true, QLocale::C, 0x803A},
                      WordCase{"BelowRangeIsTheLimit", 2, "-500", false, QLocale::C, 0x2000},
                      WordCase{"NotANumberIsZero", 2, "abc", true, QLocale::C, 0x8000},
                      WordCase{"DisabledLess", 0, "12.5", false, QLocale::C, 0x0000}),
    [](const ::testing::TestParamInfo<WordCase>& info) { return info.param.name; });

}  // namespace
}  // namespace talvix::alarms
