// SPDX-License-Identifier: MIT
// The main window's central area on a simulated USB card whose SPI line goes to a register file,
// so every register word is exact and every frame is seen.
#include "monitor/ui/monitor_widget.h"

#include "common/ui/indicator_colours.h"
#include "common/ui/mnemonic_text.h"
#include "monitor/output_rows.h"
#include "monitor/status_flags.h"
#include "monitor/ui/data_plot_widget.h"
#include "monitor/ui/output_registers_widget.h"
#include "monitor/ui/power_down_widget.h"
#include "monitor/ui/strip_chart_widget.h"
#include "sim/sim_port.h"
#include "support/register_file_sensor.h"
#include "support/sim_session.h"
#include "support/ui/window_probe.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace talvix::monitor {

using common::AlarmRed;
using common::Background;
using common::ButtonFace;
using common::OkGreen;
using common::SupplyWhite;
namespace {

using registers::kAlmCtrl;
using registers::kCommand;

class MonitorWidgetTest : public ::testing::Test {
 protected:
  MonitorWidgetTest() {
    sim.usb.SetSpiWire([this](uint16_t sent) { return device.Transfer(sent); });
    device.Set(registers::kSupply, 2705);  // 3.300 V
    monitor = std::make_unique<MonitorWidget>(*sim.session);
    QObject::connect(monitor->OutputRegisters(), &OutputRegistersWidget::SamplesRead,
                     [this] { ++passes; });
  }

  template <typename T = QWidget>
  T* Find(const char* name) const {
    return test::Control<T>(&*monitor, QString::fromLatin1(name));
  }
  void Click(const char* name) { Find<QAbstractButton>(name)->click(); }
  QString LabelText(const char* name) const { return Find<QLabel>(name)->text(); }
  QString BoxText(const char* name) const { return Find<QLineEdit>(name)->text(); }
  QColor Back(const char* name) const { return Background(Find(name), QPalette::Window); }
  // Runs `action` at the n-th yield (1 = the Read click's own).
  void AtYield(int n, std::function<void()> action) {
    sim.events.on_events = [this, n, action] {
      if (sim.events.calls == n) action();
    };
  }

  test::RegisterFileSensor device;
  test::SimSession sim{1, test::SimWiring::kUsbCard};
  std::unique_ptr<MonitorWidget> monitor;
  int passes = 0;
};

TEST_F(MonitorWidgetTest, PrepareAtLoadSetsUpTheFramesAndReadsOnce) {
  device.Set(kAlmCtrl, 0x0A43);
  monitor->PrepareAtLoad();
  EXPECT_EQ(sim.session->capture.CaptTrigSelect, 0x40);
  // ALM_CTRL, the nine rows (RSS from RSS_XY 0x18 and RSS_PEAK 0x1A), STATUS after the pass and
  // the status update of the load.
  EXPECT_EQ(device.ReadAddresses(), (std::vector<int>{0x28, 0x02, 0x04, 0x06, 0x08, 0x0A, 0x0C,
                                                      0x0E, 0x18, 0x1A, 0x3C, 0x3C}));
  EXPECT_EQ(BoxText("txtPowerDown"), "0");
  EXPECT_EQ(LabelText("lblPDElapsed"), "0.0");
  EXPECT_EQ(BoxText("txtLoopDelay"), "5");
  for (int series = 2; series <= 9; ++series) {
    const bool drawn = series == 2 || series == 6;
    const QByteArray box = "ckG" + QByteArray::number(series);
    const QByteArray swatch = "Shape" + QByteArray::number(series);
    EXPECT_EQ(Find<QAbstractButton>(box.constData())->isChecked(), drawn) << series;
    EXPECT_EQ(Find(swatch.constData())->isVisibleTo(monitor.get()), drawn) << series;
    EXPECT_EQ(monitor->DataPlot()->Chart()->IsSeriesChecked(series), drawn) << series;
  }
  EXPECT_TRUE(Find<QAbstractButton>("ckLoop")->isChecked());
  EXPECT_FALSE(monitor->LoopRunning());  // continuous reading waits for the user
  EXPECT_EQ(passes, 1);
  EXPECT_GE(sim.delay->total_units, 10000 + 1000);  // 100 ms and 10 ms
}

TEST_F(MonitorWidgetTest, WithoutInterfaceReadDoesNothing) {
  sim.link().InterfaceType = link::kInterfaceNone;
  monitor->PrepareAtLoad();
  EXPECT_EQ(passes, 0);
  EXPECT_EQ(sim.events.calls, 0);
  EXPECT_TRUE(device.sent().empty());
  EXPECT_EQ(BoxText("txtReadReg1"), "");
  // Nothing was read: the flags are neutral, not "OK".
  for (const StatusFlag& flag : kStatusFlags) {
    EXPECT_EQ(LabelText(flag.flag_name), "");
    EXPECT_EQ(Back(flag.flag_name), ButtonFace());
  }
}

TEST_F(MonitorWidgetTest, OnePassShowsRowsWithRssFromRegisters12And13AndFeedsTheChart) {
  device.Set(registers::kXAcclNull, 7);  // rows 8 and 9 must not show these
  device.Set(registers::kYAcclNull, 9);
  device.Set(registers::kRssXy, 1000);
  device.Set(registers::kRssPeak, 2000);
  device.Set(registers::kXAccl, 0x3F00);  // negative, 14-bit two's complement
  Click("ckG2");
  Click("cmdReadData");
  EXPECT_EQ(BoxText("txtReadReg8"), "17.125");
  EXPECT_EQ(BoxText("txtReadReg9"), "34.250");
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(common::WithoutMnemonic(Find<QAbstractButton>("cmdReadData")->text()), "Read");
  EXPECT_EQ(sim.events.calls, 1);  // only the click's own yield
  const StripChart& chart = monitor->DataPlot()->Chart()->Chart();
  EXPECT_EQ(chart.X(), 1);
  EXPECT_EQ(RowText(chart.PreviousValue(2)), BoxText("txtReadReg2"));
  EXPECT_TRUE(BoxText("txtReadReg2").startsWith('-'));
}

TEST_F(MonitorWidgetTest, SupplyBoxTurnsRedBelow2Point6WhiteAboveAndKeepsItsColourAtIt) {
  QLineEdit* supply = Find<QLineEdit>("txtReadReg1");
  const std::vector<std::pair<uint16_t, QColor>> readings = {
      {2130, AlarmRed()}, {2131, AlarmRed()}, {2132, SupplyWhite()}, {2131, SupplyWhite()}};
  const QStringList shown = {"2.599", "2.600", "2.601", "2.600"};
  for (std::size_t i = 0; i < readings.size(); ++i) {
    device.Set(registers::kSupply, readings[i].first);
    Click("cmdReadData");
    EXPECT_EQ(supply->text(), shown[static_cast<int>(i)]);
    EXPECT_EQ(Background(supply, QPalette::Base), readings[i].second) << i;
  }
}

TEST_F(MonitorWidgetTest, StopClickRunsOneMorePassThenTheLoopEnds) {
  Click("ckLoop");
  // Yields: 1 the click's, 2 pass 1's, 3 pass 2's: STOP there (its own yield is 4, its pass's 5).
  AtYield(3, [this] { Click("cmdReadData"); });
  Click("cmdReadData");
  EXPECT_EQ(passes, 3);
  EXPECT_EQ(sim.events.calls, 5);
  EXPECT_FALSE(monitor->LoopRunning());
}

TEST_F(MonitorWidgetTest, UncheckingLoopEndsAfterTheCurrentPass) {
  Click("ckLoop");
  AtYield(3, [this] { Click("ckLoop"); });
  Click("cmdReadData");
  EXPECT_EQ(passes, 2);
  EXPECT_FALSE(monitor->LoopRunning());
}

TEST_F(MonitorWidgetTest, LoopWaitsTheCorrectedDelayBetweenPasses) {
  QLineEdit* delay = Find<QLineEdit>("txtLoopDelay");
  delay->setText("2000");
  emit delay->editingFinished();
  EXPECT_EQ(delay->text(), "1000");
  delay->setText("12.5");
  Click("ckLoop");
  AtYield(2, [this] { Click("ckLoop"); });
  const int64_t before = sim.delay->total_units;
  Click("cmdReadData");
  EXPECT_EQ(passes, 1);
  // Ten reads of 0.1 ms and one wait of 12.5 ms, in 10 us units.
  EXPECT_EQ(sim.delay->total_units - before, 10 * 10 + 1250);
}

TEST_F(MonitorWidgetTest, ResetPeaksDuringALoopMakesOnePassWithoutNestingAnotherLoop) {
  Click("ckLoop");
  int depth = 0;
  int depth_at_stop = -1;
  sim.events.on_events = [&] {
    ++depth;
    if (sim.events.calls == 3) Click("cmdResetPK");
    if (sim.events.calls == 4) {
      depth_at_stop = depth;
      Click("cmdReadData");
    }
    --depth;
  };
  Click("cmdReadData");
  EXPECT_EQ(device.Writes(kCommand), (std::vector<uint16_t>{0x0020}));
  EXPECT_EQ(depth_at_stop, 1);  // Reset Pk had returned before the loop's next yield
  EXPECT_FALSE(monitor->LoopRunning());
}

TEST_F(MonitorWidgetTest, LoopsEndWithoutTrafficWhenStoppedOrDestroyedDuringAYield) {
  Click("ckLoop");
  std::size_t frames_at_stop = 0;
  AtYield(3, [&] {
    monitor->StopLoops();
    frames_at_stop = device.sent().size();
  });
  Click("cmdReadData");
  EXPECT_EQ(device.sent().size(), frames_at_stop);
  EXPECT_FALSE(monitor->LoopRunning());

  AtYield(sim.events.calls + 3, [&] {
    monitor.reset();  // the program ends while the loop yields
    frames_at_stop = device.sent().size();
  });
  monitor->OutputRegisters()->cmdReadData_Click();
  EXPECT_EQ(monitor, nullptr);
  EXPECT_EQ(device.sent().size(), frames_at_stop);
}

TEST_F(MonitorWidgetTest, Status0301ShowsAlarmsInRedAndTheRestOkInGreen) {
  device.Set(registers::kStatus, 0x0301);
  Click("CmdUpdateStatus");
  for (const StatusFlag& flag : kStatusFlags) {
    const bool alarm = flag.mask == 0x0001 || flag.mask == 0x0100 || flag.mask == 0x0200;
    EXPECT_EQ(LabelText(flag.caption_name), flag.caption);
    EXPECT_EQ(LabelText(flag.flag_name), alarm ? "Alarm" : "OK") << flag.flag_name;
    EXPECT_EQ(Back(flag.flag_name), alarm ? AlarmRed() : OkGreen()) << flag.flag_name;
  }
  device.ClearSent();
  Click("cmdClearAlarm");
  EXPECT_EQ(device.Writes(kCommand), (std::vector<uint16_t>{0x0010}));
  EXPECT_EQ(device.ReadAddresses(), (std::vector<int>{0x3C}));
}

TEST_F(MonitorWidgetTest, ArmedOnTrigger2OnlyBit9TriggersAndTakesTheSnapshots) {
  sim.session->capture.SelectTrigger(0x40);
  device.Set(kAlmCtrl, 0x0A03);
  device.Set(registers::kCaptCfg, 0x1234);
  device.Set(registers::kSmplPrd, 0x0042);
  Click("cmdCapArm");
  EXPECT_EQ(Back("lblCapReady"), OkGreen());
  EXPECT_EQ(Back("lblCapTrig"), ButtonFace());

  device.Set(registers::kStatus, 0x0100);
  Click("CmdUpdateStatus");
  EXPECT_EQ(Back("lblCapReady"), OkGreen());
  EXPECT_EQ(sim.session->capture.CaptCfgSnapshot, 0);

  device.Set(registers::kStatus, 0x0200);
  device.ClearSent();
  Click("CmdUpdateStatus");
  EXPECT_EQ(Back("lblCapReady"), ButtonFace());
  EXPECT_EQ(Back("lblCapTrig"), AlarmRed());
  EXPECT_EQ(device.ReadAddresses(), (std::vector<int>{0x3C, 0x38, 0x36}));
  EXPECT_EQ(sim.session->capture.CaptCfgSnapshot, 0x1234);
  EXPECT_EQ(sim.session->capture.SmplPrdSnapshot, 0x0042);
}

TEST_F(MonitorWidgetTest, ArmTogglesAndConfigIsRefusedWhileArmed) {
  int config_requests = 0;
  QObject::connect(monitor.get(), &MonitorWidget::CaptureConfigRequested,
                   [&] { ++config_requests; });
  sim.session->capture.SelectTrigger(0x40);
  device.Set(kAlmCtrl, 0x0A03);
  Click("cmdCapArm");
  EXPECT_EQ(device.Writes(kCommand), (std::vector<uint16_t>{0x0100}));
  EXPECT_EQ(device.Writes(kAlmCtrl), (std::vector<uint16_t>{0x0A43}));
  Click("cmdCaptConfig");
  EXPECT_EQ(sim.notifier.texts, QStringList{"Cannot Configure Capture while Capture is Armed"});
  EXPECT_EQ(config_requests, 0);

  Click("cmdCapArm");  // disarms
  EXPECT_EQ(device.Writes(kAlmCtrl), (std::vector<uint16_t>{0x0A43, 0x0A03}));
  EXPECT_EQ(Back("lblCapReady"), ButtonFace());
  Click("cmdCaptConfig");
  EXPECT_EQ(config_requests, 1);

  device.Set(kAlmCtrl, 0x0A13);  // bit 4 set: armed by someone else, disarmed at once
  device.ClearSent();
  Click("cmdCapArm");
  EXPECT_TRUE(device.Writes(kCommand).empty());
  EXPECT_EQ(device.Writes(kAlmCtrl), (std::vector<uint16_t>{0x0A03}));

  sim.session->capture.SelectTrigger(0);  // nothing chosen: message, no write
  device.ClearSent();
  Click("cmdCapArm");
  EXPECT_TRUE(device.Writes(kAlmCtrl).empty());
  EXPECT_EQ(sim.notifier.texts.last(),
            "Capture Trigger Source is disabled.\r\nOpen the Capture Configuration window.\r\n"
            "press the 'Config' button in the Event Capture Frame.");
}

TEST_F(MonitorWidgetTest, CaptureDisplayButtonsAskForTheirBufferOnlyWithAnInterface) {
  std::vector<int> requested;
  QObject::connect(monitor.get(), &MonitorWidget::CaptureDisplayRequested,
                   [&](int buffer) { requested.push_back(buffer); });
  sim.link().InterfaceType = link::kInterfaceNone;
  Click("cmdDisplayCapt0");
  EXPECT_TRUE(requested.empty());
  sim.link().InterfaceType = link::kInterfaceUsb;
  Click("cmdDisplayCapt1");
  Click("cmdDisplayCapt0");
  EXPECT_EQ(requested, (std::vector<int>{1, 0}));
}

TEST_F(MonitorWidgetTest, PowerDownWritesTheCorrectedTimeInHalfSeconds) {
  QLineEdit* time = Find<QLineEdit>("txtPowerDown");
  time->setText("abc");
  emit time->editingFinished();
  EXPECT_EQ(time->text(), "0.0");
  sim.events.on_events = [this] { sim.Advance(0.5); };
  for (const char* seconds : {"127.5", "0.7", "0"}) {
    time->setText(QString::fromLatin1(seconds));
    Click("cmdPowerDown");
  }
  EXPECT_EQ(device.Writes(registers::kSlpCnt), (std::vector<uint16_t>{255, 1, 0}));
  EXPECT_EQ(LabelText("lblPDElapsed"), "0.7");  // the end of the 0.7 s count; 0 s shows nothing

  AtYield(sim.events.calls + 2, [this] { monitor.reset(); });  // the program ends meanwhile
  time->setText("10");
  monitor->PowerDown()->cmdPowerDown_Click();
  EXPECT_EQ(monitor, nullptr);
}

// Faults of the link while continuous reading runs: the loop stops at the first pass that does not
// reach the sensor, after one message, and no box, flag or chart point shows a value that was not
// read.
struct LinkFault {
  const char* name;
  test::SimWiring wiring;
  std::function<void(test::SimSession&)> inject;
};

class MonitorLinkFaultTest : public ::testing::TestWithParam<LinkFault> {
 protected:
  MonitorLinkFaultTest() : sim(1, GetParam().wiring), monitor(*sim.session) {
    QObject::connect(monitor.OutputRegisters(), &OutputRegistersWidget::SamplesRead,
                     [this] { ++passes; });
  }
  QStringList Texts() const {
    QStringList texts;
    for (int row = 1; row <= kRowCount; ++row) {
      texts << monitor.findChild<QLineEdit*>(QStringLiteral("txtReadReg%1").arg(row))->text();
    }
    for (const StatusFlag& flag : kStatusFlags) {
      texts << monitor.findChild<QLabel*>(QString::fromLatin1(flag.flag_name))->text();
    }
    return texts;
  }

  test::SimSession sim;
  MonitorWidget monitor;
  int passes = 0;
};

TEST_P(MonitorLinkFaultTest, LoopStopsAfterOneMessageAndShowsNothingUnread) {
  monitor.findChild<QAbstractButton*>(QStringLiteral("ckLoop"))->click();
  QStringList shown_at_fault;
  int passes_at_fault = 0;
  // Yields: 1 the click's, 2 pass 1's, 3 pass 2's: the fault strikes there, between pass 2's reads
  // of the rows and its status read.
  sim.events.on_events = [&] {
    if (sim.events.calls != 3) return;
    shown_at_fault = Texts();
    passes_at_fault = passes + 1;  // pass 2 plots what it read before the fault
    GetParam().inject(sim);
  };
  monitor.findChild<QAbstractButton*>(QStringLiteral("cmdReadData"))->click();

  EXPECT_FALSE(monitor.LoopRunning());
  EXPECT_EQ(common::WithoutMnemonic(
                monitor.findChild<QAbstractButton*>(QStringLiteral("cmdReadData"))->text()),
            "Read");
  EXPECT_EQ(sim.notifier.texts.size(), 1) << sim.notifier.texts.join(u'|').toStdString();
  EXPECT_EQ(passes, passes_at_fault);
  EXPECT_EQ(monitor.DataPlot()->Chart()->Chart().X(), passes_at_fault);
  const QStringList shown = Texts();
  EXPECT_EQ(shown.mid(0, kRowCount), shown_at_fault.mid(0, kRowCount));  // boxes as they were
  for (const QString& flag : shown.mid(kRowCount)) EXPECT_EQ(flag, "");  // flags not known
  EXPECT_FALSE(monitor.findChild<QLabel*>(QStringLiteral("lblReadProblem"))->text().isEmpty());

  // The card plugged in and picked again, or the port set up again: Read reads at once.
  if (GetParam().wiring == test::SimWiring::kUsbCard) {
    sim.usb.Replug(0);
    sim.session->ezusb.UsbSelectFirstCard();
  } else {
    QString error;
    ASSERT_TRUE(sim.session->OpenParallelPort(error)) << error.toStdString();
  }
  sim.events.on_events = nullptr;
  monitor.findChild<QAbstractButton*>(QStringLiteral("ckLoop"))->click();
  monitor.findChild<QAbstractButton*>(QStringLiteral("cmdReadData"))->click();
  EXPECT_EQ(sim.notifier.texts.size(), 1) << sim.notifier.texts.join(u'|').toStdString();
  EXPECT_EQ(passes, passes_at_fault + 1);
  EXPECT_TRUE(monitor.findChild<QLabel*>(QStringLiteral("lblReadProblem"))->text().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MonitorLinkFaultTest,
    ::testing::Values(
        LinkFault{"CardUnplugged", test::SimWiring::kUsbCard,
                  [](test::SimSession& sim) { sim.usb.Unplug(0); }},
        LinkFault{"CardReadFails", test::SimWiring::kUsbCard,
                  [](test::SimSession& sim) { sim.usb.FailNextBulkRead(0); }},
        LinkFault{"CardWriteFails", test::SimWiring::kUsbCard,
                  [](test::SimSession& sim) { sim.usb.FailNextBulkWrite(0); }},
        LinkFault{"CardHanging", test::SimWiring::kUsbCard,
                  [](test::SimSession& sim) { sim.usb.Hang(0); }},
        LinkFault{"TransferStall", test::SimWiring::kUsbCard,
                  [](test::SimSession& sim) { sim.usb.StallNextBulkTransfer(0); }},
        LinkFault{"ParallelPortAccessFails", test::SimWiring::kParallelPort,
                  [](test::SimSession& sim) {
                    dynamic_cast<sim::SimPort&>(*sim.link().lpt.port()).SetAccessFails(true);
                  }}),
    [](const ::testing::TestParamInfo<LinkFault>& info) { return info.param.name; });

// Without an interface no button sends anything or shows a new value; the values shown stay, as
// old ones (the flags neutral, since nothing says they still hold).
TEST_F(MonitorWidgetTest, WithoutInterfaceNoCommandSendsOrShowsAnything) {
  Click("cmdReadData");  // something to keep
  const QString supply = BoxText("txtReadReg1");
  const int chart_x = monitor->DataPlot()->Chart()->Chart().X();
  sim.link().InterfaceType = link::kInterfaceNone;
  device.ClearSent();
  Find<QLineEdit>("txtPowerDown")->setText("1");
  for (const char* button : {"cmdReadData", "cmdResetPK", "CmdUpdateStatus", "cmdClearAlarm",
                             "optSTON", "optSTOFF", "cmdPowerDown", "cmdCapArm"}) {
    Click(button);
  }
  EXPECT_TRUE(device.sent().empty());
  EXPECT_EQ(BoxText("txtReadReg1"), supply);
  EXPECT_EQ(monitor->DataPlot()->Chart()->Chart().X(), chart_x);
  EXPECT_EQ(LabelText("lblLowSupplyFlag"), "");
  EXPECT_EQ(Back("lblLowSupplyFlag"), ButtonFace());
  EXPECT_EQ(LabelText("lblPDElapsed"), "PDElapsed");
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
}

// A sensor that answers all ones (asleep, or its data line open) is no answer: the boxes are
// blanked, nothing is plotted, the flags are not known, and the window says why; the next good
// pass shows values again.
TEST_F(MonitorWidgetTest, SensorAnsweringAllOnesShowsNoAnswerInsteadOfValues) {
  Click("cmdReadData");
  const int chart_x = monitor->DataPlot()->Chart()->Chart().X();
  sim.usb.SetSpiWire([](uint16_t) { return uint16_t{0xFFFF}; });
  Click("cmdReadData");
  Click("CmdUpdateStatus");
  for (int row = 1; row <= kRowCount; ++row) {
    EXPECT_EQ(BoxText(QStringLiteral("txtReadReg%1").arg(row).toLatin1().constData()), "");
  }
  EXPECT_EQ(monitor->DataPlot()->Chart()->Chart().X(), chart_x);
  for (const StatusFlag& flag : kStatusFlags) EXPECT_EQ(LabelText(flag.flag_name), "");
  EXPECT_EQ(LabelText("lblReadProblem"), "The sensor does not answer: asleep or not connected.");

  sim.usb.SetSpiWire([this](uint16_t sent) { return device.Transfer(sent); });
  Click("cmdReadData");
  EXPECT_EQ(BoxText("txtReadReg1"), "3.300");
  EXPECT_EQ(LabelText("lblReadProblem"), "");
}

}  // namespace
}  // namespace talvix::monitor
