// SPDX-License-Identifier: MIT
// The main window once its values are old: after Interface > None or a card that failed, the
// boxes are greyed, the flags neutral and the chart veiled, the line under Read says since when;
// every button that cannot act says why on that line.
#include "app/frmForm1.h"

#include "common/ui/indicator_colours.h"
#include "monitor/ui/data_plot_widget.h"
#include "monitor/ui/monitor_widget.h"
#include "monitor/ui/strip_chart_widget.h"
#include "startup/ui/frmUSBselect.h"
#include "support/ui/startup_fixture.h"
#include "support/ui/window_probe.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::app {
namespace {

class StaleValuesTest : public ::testing::Test, public test::StartupFixture {
 protected:
  StaleValuesTest() : window(*session, dir.filePath("CommPort.cfg")) {
    session->link.InterfaceType = link::kInterfaceUsb;
    session->startup.configured_interface = link::kInterfaceUsb;
    window.Form_Load();  // reads once, at 12:00:00
    clock.Advance(65.0);
  }
  // Interface > Usb, then `option` (4 is None) and Exit in the card selection window.
  void ChooseCard(int option) {
    test::WhenDialogShows<startup::frmUSBselect>([option](startup::frmUSBselect* usb) {
      usb->findChild<QRadioButton*>(QStringLiteral("optUsbPort%1").arg(option))->click();
      usb->findChild<QPushButton*>("cmdExit")->click();
    });
    window.findChild<QAction*>("mnuUsb")->trigger();
  }
  template <typename T = QWidget>
  T* Find(const char* name) const {
    return test::Control<T>(window.monitor(), QString::fromLatin1(name));
  }
  QString Line() const { return Find<QLabel>("lblReadProblem")->text(); }
  bool ChartStale() const { return window.monitor()->DataPlot()->Chart()->IsStale(); }

  QTemporaryDir dir;
  frmForm1 window;
};

TEST_F(StaleValuesTest, NoInterfaceGreysTheValuesUntilAReadBringsNewOnes) {
  const QString supply = Find<QLineEdit>("txtReadReg1")->text();
  ASSERT_FALSE(supply.isEmpty());
  ChooseCard(4);
  EXPECT_EQ(Line(),
            "No interface is ready. Choose one in the Interface menu. Values from 12:00:00.");
  EXPECT_FALSE(Find("txtReadReg1")->isEnabled());
  EXPECT_EQ(Find<QLineEdit>("txtReadReg1")->text(), supply);  // kept, but shown as old
  EXPECT_EQ(Find<QLabel>("lblLowSupplyFlag")->text(), "");
  EXPECT_EQ(common::Background(Find("lblAlarm1SetFlag"), QPalette::Window), common::ButtonFace());
  EXPECT_TRUE(ChartStale());

  ChooseCard(0);
  EXPECT_EQ(Line(), "Interface ready: press Read for new values. Values from 12:00:00.");
  Find<QAbstractButton>("ckLoop")->setChecked(false);
  Find<QAbstractButton>("cmdReadData")->click();
  EXPECT_EQ(Line(), "");
  EXPECT_TRUE(Find("txtReadReg1")->isEnabled());
  EXPECT_EQ(Find<QLabel>("lblLowSupplyFlag")->text(), "OK");
  EXPECT_FALSE(ChartStale());
}

TEST_F(StaleValuesTest, ACardThatFailsLeavesTheValuesGreyedWithTheirTime) {
  rig.usb.Unplug(0);
  Find<QAbstractButton>("ckLoop")->setChecked(false);
  Find<QAbstractButton>("cmdReadData")->click();
  EXPECT_TRUE(Line().startsWith("Not read: the interface failed.")) << Line().toStdString();
  EXPECT_TRUE(Line().endsWith("Values from 12:00:00.")) << Line().toStdString();
  EXPECT_FALSE(Find("txtReadReg2")->isEnabled());
  EXPECT_TRUE(ChartStale());
}

struct Refusal {
  const char* control;
  const char* action;
};

class RefusalTest : public StaleValuesTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusalTest, AButtonThatCannotActSaysWhyAndSendsNothing) {
  ChooseCard(4);
  const std::size_t packets = rig.usb.ReceivedPackets(0).size();
  Find<QAbstractButton>(GetParam().control)->click();
  EXPECT_EQ(Line(), QStringLiteral("%1 did nothing: no interface is ready. Choose one in the "
                                   "Interface menu. Values from 12:00:00.")
                        .arg(QLatin1String(GetParam().action)));
  EXPECT_EQ(rig.usb.ReceivedPackets(0).size(), packets);
  EXPECT_FALSE(window.CaptureDisplay(0) != nullptr || window.CaptureConfig() != nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, RefusalTest,
    ::testing::Values(Refusal{"cmdReadData", "Read"}, Refusal{"cmdResetPK", "Reset Pk"},
                      Refusal{"CmdUpdateStatus", "Read Status"}, Refusal{"cmdClearAlarm", "Clear"},
                      Refusal{"cmdCapArm", "Arm"}, Refusal{"cmdCaptConfig", "Config"},
                      Refusal{"cmdDisplayCapt0", "Capt_0"}, Refusal{"cmdDisplayCapt1", "Capt_1"},
                      Refusal{"optSTON", "Self Test ON"}, Refusal{"optSTOFF", "Self Test OFF"},
                      Refusal{"cmdPowerDown", "Powerdown Run"}),
    [](const auto& info) { return std::string(info.param.control); });

}  // namespace
}  // namespace talvix::app
