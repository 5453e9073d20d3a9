// SPDX-License-Identifier: MIT
#include "registers/capture_trace.h"

#include <gtest/gtest.h>

#include <vector>

namespace talvix::registers {
namespace {

// Scales are single precision: 100 x 0.017125f is 1.7125 only to about 1e-7.
constexpr double kNear = 1e-5;

class CaptTraceTest : public ::testing::Test {
 protected:
  CaptTraceTest() { table.BuildRegisterTable(); }

  // `codes` are samples 1..n.
  CaptTrace Plot(int buffer, uint16_t capt_cfg, std::vector<double> codes, uint16_t smpl_prd = 1,
                 const CaptTrace& previous = {}) const {
    codes.insert(codes.begin(), 0.0);
    return PlotCaptTrace(table, buffer, capt_cfg, smpl_prd, codes, previous, QLocale::c());
  }
  // 8 samples: `first`, then `rest`.
  static std::vector<double> Codes(double first, double rest) {
    std::vector<double> codes(8, rest);
    codes[0] = first;
    return codes;
  }

  RegisterTable table;
};

// X acceleration, pre-trigger 2^1, 8 samples.
TEST_F(CaptTraceTest, FullPreparationOfAnXAccelerationBuffer) {
  const CaptTrace trace = Plot(0, 0x0213, {0, 100, -100, 0, 0, 0, 0, 0});
  ASSERT_EQ(trace.Values.size(), 9u);
  EXPECT_NEAR(trace.Values[2], 1.7125, kNear);
  EXPECT_NEAR(trace.Values[3], -1.7125, kNear);
  EXPECT_EQ(trace.Values[8], 0.0);
  EXPECT_NEAR(trace.YMax, 1.88375, kNear);
  EXPECT_NEAR(trace.YMin, -1.88375, kNear);
  EXPECT_EQ(trace.TrigPos, 2);
  EXPECT_EQ(trace.caption, "Capt_0     X_Acceleration");
  EXPECT_EQ(trace.Units, "G");
  EXPECT_EQ(trace.length_text, "8");
  EXPECT_EQ(trace.full_scale_text, "2");
  EXPECT_EQ(trace.min_scale_text, "-2");
}

TEST_F(CaptTraceTest, SamplePeriodIsTheTimeBaseTimesMultiplierPlusOne) {
  EXPECT_EQ(Plot(0, 0x0203, Codes(1, 1), 0x01).sample_period_text, "0.244 msec");
  EXPECT_EQ(Plot(0, 0x0203, Codes(1, 1), 0x81).sample_period_text, "7.568 msec");
  EXPECT_EQ(Plot(0, 0x0203, Codes(1, 1), 0x7F).sample_period_text, "15.625 msec");
}

struct RangeCase {
  const char* name;
  double first, rest;  // X codes of sample 1 and the others
  double top;          // the range is top .. -top
  const char* full_scale;
  const char* min_scale;
};

class TraceRangeTest : public CaptTraceTest, public ::testing::WithParamInterface<RangeCase> {};

// 1.1 m to -1.1 m for a largest magnitude m; a flat trace at c from 1.21 |c| to -1.21 |c|, one
// at 0 from 1.1 to -1.1; "####" prints no digit below 0.5.
TEST_P(TraceRangeTest, SymmetricWithHeadroom) {
  const CaptTrace trace = Plot(0, 0x0203, Codes(GetParam().first, GetParam().rest));
  EXPECT_NEAR(trace.YMax, GetParam().top, kNear);
  EXPECT_NEAR(trace.YMin, -GetParam().top, kNear);
  EXPECT_EQ(trace.full_scale_text, GetParam().full_scale);
  EXPECT_EQ(trace.min_scale_text, GetParam().min_scale);
}

INSTANTIATE_TEST_SUITE_P(
    Traces, TraceRangeTest,
    ::testing::Values(RangeCase{"AllZero", 0, 0, 1.1, "1", "-1"},
                      RangeCase{"FlatPositive", 100, 100, 1.21 * 1.7125, "2", "-2"},
                      RangeCase{"FlatNegative", -100, -100, 1.21 * 1.7125, "2", "-2"},
                      RangeCase{"NegativePeak", -300, 10, 1.1 * 5.1375, "6", "-6"},
                      RangeCase{"BelowHalf", 20, 0, 1.1 * 0.3425, "", "0"}),
    [](const ::testing::TestParamInfo<RangeCase>& info) { return info.param.name; });

struct SourceCase {
  const char* name;
  int buffer;
  uint16_t capt_cfg;
  double code;
  const char* caption;
  const char* units;
  double value;
};

class TraceSourceTest : public CaptTraceTest, public ::testing::WithParamInterface<SourceCase> {};

// Buffer 0 records the source in bits 8-11, buffer 1 the one in bits 12-15. A source that
// records no quantity keeps the last trace's title and units, and every value is 0.
TEST_P(TraceSourceTest, ScaledAndNamedByItsSource) {
  const SourceCase& c = GetParam();
  CaptTrace previous;
  previous.Title = QStringLiteral("Peak_X");
  previous.Units = QStringLiteral("G");
  const CaptTrace trace = Plot(c.buffer, c.capt_cfg, Codes(c.code, c.code), 1, previous);
  EXPECT_EQ(trace.caption, c.caption);
  EXPECT_EQ(trace.Units, c.units);
  EXPECT_NEAR(trace.Values[8], c.value, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, TraceSourceTest,
    ::testing::Values(
        SourceCase{"Temperature", 0, 0x0503, 1278, "Capt_0     Temperature", "degC", 25.0},
        SourceCase{"BufferOneTopField", 1, 0x3203, 100, "Capt_1     Y_Acceleration", "G", 0.8407},
        SourceCase{"NoSourceKeepsTitle", 0, 0x0003, 100, "Capt_0     Peak_X", "G", 0.0},
        SourceCase{"Gpio", 1, 0xA203, 3, "Capt_1     GPIO", "L", 3.0}),
    [](const ::testing::TestParamInfo<SourceCase>& info) { return info.param.name; });

}  // namespace
}  // namespace talvix::registers
