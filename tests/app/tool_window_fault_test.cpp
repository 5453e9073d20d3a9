// SPDX-License-Identifier: MIT
// The tool windows on the simulated sensor when the link fails while they load or update: one
// message, no control showing a value that was not read (a control keeps what it showed or is
// blank), and the window works again once the user has dealt with the fault.
#include "about/ui/frmAbout.h"
#include "alarms/ui/frmAlarms.h"
#include "calibration/ui/fmCalibration.h"
#include "capture/ui/frmCaptConfig.h"
#include "operation/ui/frmOperationalControl.h"
#include "regaccess/ui/frmManualReg.h"
#include "registers/register_index.h"
#include "support/link_faults.h"
#include "support/ui/shown_values.h"
#include "support/ui/window_probe.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>

namespace talvix::app {
namespace {

using test::LinkFault;

struct ToolWindow {
  const char* name;
  std::function<std::unique_ptr<QDialog>(Session&)> make;
  // Runs the window's load again, as a new showing does.
  std::function<void(QDialog&)> load;
  // False for a load that reads nothing from the sensor.
  bool load_reads = true;
  // A silent sensor at load is said in the window itself instead of a message box.
  bool says_silence_in_window = false;
  // The user's update: a write and read-back, or a read.
  std::function<void(QDialog&)> update = nullptr;
  // What the user picks before the update, if anything.
  std::function<void(QDialog&)> choose = nullptr;
};

void PrintTo(const ToolWindow& window, std::ostream* out) {
  *out << window.name;
}

template <typename T>
ToolWindow Window(const char* name, const char* update_button, bool load_reads = true) {
  return ToolWindow{
      name,
      [](Session& session) { return std::make_unique<T>(session); },
      [](QDialog& window) { static_cast<T&>(window).Form_Load(); },
      load_reads,
      false,
      [update_button](QDialog& window) {
        test::Control<QAbstractButton>(&window, QString::fromLatin1(update_button))->click();
      }};
}

// Step 1 shows a pre-trigger length of "1" as the "2" it writes: the user picks "2" first.
ToolWindow CaptConfig() {
  ToolWindow window = Window<capture::frmCaptConfig>("frmCaptConfig", "cmdCapt_CFG");
  window.choose = [](QDialog& dialog) {
    test::Control<QComboBox>(&dialog, QStringLiteral("ComboPreTrigLength"))->setCurrentText("2");
  };
  return window;
}
ToolWindow Alarms() {
  return Window<alarms::frmAlarms>("frmAlarms", "cmdWiteA1");
}
ToolWindow OperationalControl() {
  return Window<operation::frmOperationalControl>("frmOperationalControl", "cmdWriteSmpl_prd");
}
ToolWindow Calibration() {
  return Window<calibration::fmCalibration>("fmCalibration", "cmdCal_Xoffset");
}
// The register window's load only fills its list; its update is a Read of SUPPLY.
ToolWindow ManualReg() {
  ToolWindow window = Window<regaccess::frmManualReg>("frmManualReg", "cmdRead", false);
  window.choose = [](QDialog& dialog) {
    test::Control<QComboBox>(&dialog, QStringLiteral("cmboRegister"))
        ->setCurrentIndex(registers::kSupply);
  };
  return window;
}
ToolWindow About() {
  ToolWindow window = Window<about::frmAbout>("frmAbout", "cmdOK");
  window.says_silence_in_window = true;
  window.update = nullptr;
  return window;
}

using Case = std::tuple<ToolWindow, LinkFault>;

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  const auto& [window, fault] = info.param;
  return std::string(window.name) + "_" +
         test::LinkFaultName(::testing::TestParamInfo<LinkFault>(fault, info.index));
}

class ToolWindowFaultTest : public ::testing::TestWithParam<Case> {
 protected:
  ToolWindowFaultTest() : sim(1, test::WiringFor(Fault())) {}
  const ToolWindow& Tool() const { return std::get<0>(GetParam()); }
  LinkFault Fault() const { return std::get<1>(GetParam()); }
  QString Messages() const { return sim.notifier.texts.join(u'|'); }

  test::SimSession sim;
};

using ToolWindowLoadFaultTest = ToolWindowFaultTest;
using ToolWindowUpdateFaultTest = ToolWindowFaultTest;

TEST_P(ToolWindowLoadFaultTest, ShowsNothingUnreadSaysSoOnceAndLoadsAfterTheRemedy) {
  // What the window shows having read nothing: made without an interface.
  const int16_t interface_type = sim.link().InterfaceType;
  sim.link().InterfaceType = link::kInterfaceNone;
  const test::ShownValues unread = test::Shown(*Tool().make(*sim.session));
  sim.link().InterfaceType = interface_type;
  sim.notifier.texts.clear();

  test::Inject(sim, Fault());
  const std::unique_ptr<QDialog> window = Tool().make(*sim.session);
  const bool in_window = Tool().says_silence_in_window && !test::LinkReports(Fault());
  EXPECT_EQ(sim.notifier.texts.size(), Tool().load_reads && !in_window ? 1 : 0)
      << Messages().toStdString();
  EXPECT_EQ(test::NewlyShown(unread, test::Shown(*window)).join(u' ').toStdString(), "")
      << Messages().toStdString();

  ASSERT_TRUE(test::Recover(sim, Fault()));
  sim.notifier.texts.clear();
  Tool().load(*window);
  EXPECT_TRUE(sim.notifier.texts.isEmpty()) << Messages().toStdString();
  if (Tool().load_reads) {
    EXPECT_NE(test::NewlyShown(unread, test::Shown(*window)), QStringList());
  }
}

TEST_P(ToolWindowUpdateFaultTest, ShowsNothingUnreadSaysSoOnceAndUpdatesAfterTheRemedy) {
  const std::unique_ptr<QDialog> window = Tool().make(*sim.session);
  ASSERT_TRUE(sim.notifier.texts.isEmpty()) << Messages().toStdString();
  if (Tool().choose) Tool().choose(*window);
  const test::ShownValues before = test::Shown(*window);

  test::Inject(sim, Fault());
  Tool().update(*window);
  EXPECT_EQ(sim.notifier.texts.size(), 1) << Messages().toStdString();
  EXPECT_EQ(test::NewlyShown(before, test::Shown(*window)).join(u' ').toStdString(), "")
      << Messages().toStdString();

  ASSERT_TRUE(test::Recover(sim, Fault()));
  sim.notifier.texts.clear();
  Tool().update(*window);
  EXPECT_TRUE(sim.notifier.texts.isEmpty()) << Messages().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Faults, ToolWindowLoadFaultTest,
                         ::testing::Combine(::testing::Values(CaptConfig(), Alarms(),
                                                              OperationalControl(), Calibration(),
                                                              ManualReg(), About()),
                                            test::kAllLinkFaults),
                         CaseName);

INSTANTIATE_TEST_SUITE_P(Faults, ToolWindowUpdateFaultTest,
                         ::testing::Combine(::testing::Values(CaptConfig(), Alarms(),
                                                              OperationalControl(), Calibration(),
                                                              ManualReg()),
                                            test::kAllLinkFaults),
                         CaseName);

}  // namespace
}  // namespace talvix::app
