// SPDX-License-Identifier: MIT
#include "sim/vibration_option.h"

#include "sim/motion_model.h"

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

namespace talvix::sim {
namespace {

struct OptionCase {
  const char* text;
  bool valid;
  double hz;
  double g;
  bool on_x;
  bool on_y;
};

class VibrationOptionTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(VibrationOptionTest, ParsesFrequencyAmplitudeAndAxis) {
  const OptionCase& c = GetParam();
  QString error;
  const std::optional<AddedVibration> v = ParseVibrationOption(QLatin1String(c.text), error);
  ASSERT_EQ(v.has_value(), c.valid) << error.toStdString();
  if (!c.valid) {
    EXPECT_TRUE(error.startsWith("--sim-vibration")) << error.toStdString();
    return;
  }
  EXPECT_DOUBLE_EQ(v->frequency_hz, c.hz);
  EXPECT_DOUBLE_EQ(v->amplitude_g, c.g);
  EXPECT_EQ(v->on_x, c.on_x);
  EXPECT_EQ(v->on_y, c.on_y);
}

INSTANTIATE_TEST_SUITE_P(Texts, VibrationOptionTest,
                         ::testing::Values(OptionCase{"200:1:X", true, 200, 1, true, false},
                                           OptionCase{"12.5:0.3:y", true, 12.5, 0.3, false, true},
                                           OptionCase{"50:2", true, 50, 2, true, true},
                                           OptionCase{"50:2:XY", true, 50, 2, true, true},
                                           OptionCase{"200", false, 0, 0, false, false},
                                           OptionCase{"0:1", false, 0, 0, false, false},
                                           OptionCase{"200:-1", false, 0, 0, false, false},
                                           OptionCase{"200:51", false, 0, 0, false, false},
                                           OptionCase{"200:1:Z", false, 0, 0, false, false},
                                           OptionCase{"200:nan", false, 0, 0, false, false},
                                           OptionCase{"200:1:X:1", false, 0, 0, false, false}));

TEST(AddedVibrationTest, TheSineGoesOnItsAxisOnly) {
  MotionModel plain(1);
  MotionModel shaken(1);
  shaken.AddVibration({.frequency_hz = 200, .amplitude_g = 1, .on_x = true, .on_y = false});
  for (const double t : {0.0, 0.00125, 0.0101}) {
    EXPECT_NEAR(shaken.At(t, 5).x_g - plain.At(t, 5).x_g, std::sin(2 * std::numbers::pi * 200 * t),
                1e-12);
    EXPECT_DOUBLE_EQ(shaken.At(t, 5).y_g, plain.At(t, 5).y_g);
  }
}

}  // namespace
}  // namespace talvix::sim
