// SPDX-License-Identifier: MIT
#include "startup/self_test.h"

#include "registers/register_index.h"
#include "support/link_faults.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace talvix::startup {
namespace {

SelfTestHooks Hooks(test::SimSession& sim) {
  return {[&sim] {
            IdentityRead read;
            read.answered =
                link::Answered(sim.link().ReadReg(registers::kStatus), sim.link().RawWord);
            read.text = QStringLiteral("identity");
            return read;
          },
          [] { return QStringLiteral("the cause"); }};
}

const SelfTestStep& Step(const std::vector<SelfTestStep>& steps, const QString& name) {
  static const SelfTestStep kMissing{
      QStringLiteral("missing"), StepResult::kSkipped, {}, {}, false};
  const auto it = std::find_if(steps.begin(), steps.end(),
                               [&](const SelfTestStep& step) { return step.name == name; });
  return it == steps.end() ? kMissing : *it;
}

class InterfaceSelfTestFaultTest : public ::testing::TestWithParam<test::LinkFault> {};

// The first step that meets the fault fails with its cause; none after it runs.
TEST_P(InterfaceSelfTestFaultTest, TheFirstStepToMeetItFailsAndTheRestAreSkipped) {
  test::SimSession sim(2, test::WiringFor(GetParam()));
  ASSERT_TRUE(sim.setup_error.isEmpty()) << sim.setup_error.toStdString();
  test::Inject(sim, GetParam());
  const std::vector<SelfTestStep> steps = RunSelfTest(*sim.session, Hooks(sim));
  const auto failed = std::find_if(steps.begin(), steps.end(), [](const SelfTestStep& step) {
    return step.result != StepResult::kPass;
  });
  ASSERT_NE(failed, steps.end());
  EXPECT_EQ(failed->result, StepResult::kFail) << failed->name.toStdString();
  EXPECT_TRUE(failed->detail.endsWith("the cause")) << failed->detail.toStdString();
  for (auto later = failed + 1; later != steps.end(); ++later) {
    EXPECT_EQ(later->result, StepResult::kSkipped) << later->name.toStdString();
    EXPECT_TRUE(later->detail.endsWith(failed->name)) << later->detail.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, InterfaceSelfTestFaultTest, test::kAllLinkFaults,
                         test::LinkFaultName);

TEST(InterfaceSelfTestTest, WritesAndRestoresAuxDacAndJudgesSupplyAndTiming) {
  test::SimSession sim(2);
  sim.Write(registers::kAuxDac, 0x0123);
  sim.sensor.ForceSupply(3.9);
  sim.Advance(1.0);
  const std::vector<SelfTestStep> steps = RunSelfTest(*sim.session, Hooks(sim));
  EXPECT_EQ(Step(steps, "product").result, StepResult::kPass);
  EXPECT_EQ(Step(steps, "status").result, StepResult::kPass);
  EXPECT_EQ(Step(steps, "write-read").result, StepResult::kPass);
  EXPECT_EQ(Step(steps, "write-read").detail, "AUX_DAC: wrote 0B79, read 0B79 back, restored 0123");
  EXPECT_EQ(sim.Read(registers::kAuxDac), 0x0123);
  // The session's delay only records and its clock stands still: no read took its pauses.
  EXPECT_EQ(Step(steps, "timing").result, StepResult::kFail);
  EXPECT_EQ(Step(steps, "supply").result, StepResult::kFail);
  EXPECT_TRUE(Step(steps, "supply").detail.startsWith("3.9"))
      << Step(steps, "supply").detail.toStdString();
}

TEST(InterfaceSelfTestTest, ACardThatForgetsItsSettingsFailsTheCardStep) {
  test::SimSession sim(2, test::SimWiring::kUsbCard);
  sim.session->usb.SpiWordDelay = 40;  // not what the card was sent
  const std::vector<SelfTestStep> steps = RunSelfTest(*sim.session, Hooks(sim));
  EXPECT_EQ(Step(steps, "card").result, StepResult::kFail);
  EXPECT_TRUE(Step(steps, "card").detail.contains("reports delay 25 us"))
      << Step(steps, "card").detail.toStdString();
  EXPECT_EQ(Step(steps, "product").result, StepResult::kPass);
}

}  // namespace
}  // namespace talvix::startup
