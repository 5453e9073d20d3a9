// SPDX-License-Identifier: MIT
#include "session/cooperative_loop.h"

#include "platform/event_pump.h"

#include <gtest/gtest.h>

#include <memory>

namespace talvix {
namespace {

class CooperativeLoopTest : public ::testing::Test {
 protected:
  LoopRegistry registry;
  platform::CallbackEventPump events;
};

// A run goes on while the loop is wanted; a stop request lets the pass finish, an abort ends the
// run at the yield itself.
TEST_F(CooperativeLoopTest, StopRequestEndsAfterThePassAbortEndsAtTheYield) {
  CooperativeLoop loop(registry, events);
  loop.SetRunning(true);
  CooperativeLoop::Run run = loop.Start();
  EXPECT_EQ(loop.Depth(), 1);

  events.on_events = [&] { loop.SetRunning(false); };
  EXPECT_TRUE(run.Yield());      // the pass goes on to its end...
  EXPECT_FALSE(run.Continue());  // ...and the loop ends there

  loop.SetRunning(true);
  events.on_events = [&] { registry.StopAll(); };
  EXPECT_FALSE(run.Yield());
  EXPECT_FALSE(run.Alive());
  EXPECT_FALSE(loop.Running());
  // A run started after the abort is not affected by it.
  CooperativeLoop::Run next = loop.Single();
  EXPECT_TRUE(next.Alive());
}

TEST_F(CooperativeLoopTest, NestedRunsCountTheirDepthAndSingleOnesDoNot) {
  CooperativeLoop loop(registry, events);
  int depth_inside = 0;
  events.on_events = [&] {
    CooperativeLoop::Run inner = loop.Start();
    CooperativeLoop::Run single = loop.Single();
    depth_inside = loop.Depth();
    EXPECT_TRUE(registry.AnyActive());
  };
  {
    CooperativeLoop::Run outer = loop.Start();
    EXPECT_TRUE(outer.Yield());
  }
  EXPECT_EQ(depth_inside, 2);
  EXPECT_EQ(loop.Depth(), 0);
  EXPECT_FALSE(registry.AnyActive());
}

// The owner (and the loop with it) may be destroyed during the yield: the run reports it and its
// own end touches nothing.
TEST_F(CooperativeLoopTest, LoopDestroyedDuringTheYieldEndsTheRunSafely) {
  auto loop = std::make_unique<CooperativeLoop>(registry, events);
  EXPECT_EQ(registry.Count(), 1);
  events.on_events = [&] { loop.reset(); };
  {
    CooperativeLoop::Run run = loop->Start();
    EXPECT_FALSE(run.Yield());
    EXPECT_FALSE(run.Continue());
  }
  EXPECT_EQ(registry.Count(), 0);
  registry.StopAll();  // nothing left to stop
}

TEST_F(CooperativeLoopTest, StopAllAbortsEveryRegisteredLoopAndRunsTheirCallbacks) {
  int aborted = 0;
  CooperativeLoop reading(registry, events, [&] { ++aborted; });
  CooperativeLoop counting(registry, events, [&] { ++aborted; });
  reading.SetRunning(true);
  counting.SetRunning(true);
  CooperativeLoop::Run reading_run = reading.Start();
  CooperativeLoop::Run counting_run = counting.Start();
  registry.StopAll();
  EXPECT_EQ(aborted, 2);
  EXPECT_FALSE(reading_run.Alive());
  EXPECT_FALSE(counting_run.Alive());
  EXPECT_FALSE(reading.Running() || counting.Running());
}

}  // namespace
}  // namespace talvix
