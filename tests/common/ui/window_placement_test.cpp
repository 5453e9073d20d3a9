// SPDX-License-Identifier: MIT
#include "common/ui/window_placement.h"

#include <gtest/gtest.h>

#include <ostream>

namespace talvix::common {
namespace {

// A screen of 1920 x 1080 with a 40-pixel task bar at the bottom, unless a case says otherwise.
const QRect kScreen(0, 0, 1920, 1040);

struct Placement {
  const char* name;
  QRect main_frame;
  QSize tool_frame;
  QPoint expected;
  QRect available = kScreen;
};

void PrintTo(const Placement& placement, std::ostream* out) {
  *out << placement.name;
}

class ToolWindowTopLeftTest : public ::testing::TestWithParam<Placement> {};

TEST_P(ToolWindowTopLeftTest, OpensBesideTheMainWindowInsideTheScreen) {
  const Placement& p = GetParam();
  const QPoint top_left = ToolWindowTopLeft(p.main_frame, p.tool_frame, p.available);
  EXPECT_EQ(top_left, p.expected);
  const QRect tool(top_left, p.tool_frame);
  if (p.tool_frame.width() <= p.available.width() &&
      p.tool_frame.height() <= p.available.height()) {
    EXPECT_TRUE(p.available.contains(tool));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ToolWindowTopLeftTest,
    ::testing::Values(
        Placement{"RightOfIt", {0, 0, 800, 600}, {400, 300}, {800, 0}},
        Placement{"LeftWhenTheRightHasNoRoom", {1200, 100, 700, 600}, {500, 300}, {700, 100}},
        Placement{"BelowWhenNeitherSideHasRoom", {100, 0, 1700, 500}, {600, 400}, {100, 500}},
        // Right of it, moved up so that its bottom stays above the task bar.
        Placement{"RaisedToStayOnTheScreen", {0, 600, 800, 400}, {400, 500}, {800, 540}},
        // Nothing fits: right would cover 580 x 400 of it, left 600 x 400, below 600 x 360.
        Placement{"CoveringTheLeastWhenNothingFits", {0, 0, 1900, 1000}, {600, 400}, {0, 640}},
        Placement{
            "AtTheScreenCornerWhenLargerThanTheScreen", {0, 0, 800, 600}, {2000, 1200}, {0, 0}},
        // A task bar on the left: the available area starts at x = 64.
        Placement{"InsideAnAreaThatDoesNotStartAtZero",
                  {64, 0, 1800, 500},
                  {500, 300},
                  {64, 500},
                  {64, 0, 1856, 1080}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace talvix::common
