// SPDX-License-Identifier: MIT
// The Device Configuration windows from end to end on the simulated sensor, opened from the main
// window's menu as a user does: an alarm that fires as the part tilts, a sample rate the sensor
// then keeps, an auto-null that a flash store keeps through a restart.
#include "app/frmForm1.h"

#include "alarms/ui/frmAlarms.h"
#include "calibration/ui/fmCalibration.h"
#include "common/ui/indicator_colours.h"
#include "monitor/ui/monitor_widget.h"
#include "operation/ui/frmOperationalControl.h"
#include "support/ui/startup_fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace talvix::app {
namespace {

class DeviceConfigurationFlowTest : public ::testing::Test, public test::StartupFixture {
 protected:
  DeviceConfigurationFlowTest() : window(*session, dir.filePath("CommPort.cfg")) {
    session->link.InterfaceType = link::kInterfaceUsb;
    session->startup.configured_interface = link::kInterfaceUsb;
    window.Form_Load();
  }

  // Opens the window of menu item `item` and runs `use` on it while it is shown.
  template <typename T>
  void Use(const char* item, std::function<void(T*)> use) {
    bool used = false;
    test::WhenDialogShows<T>([&](T* dialog) {
      use(dialog);
      used = true;
      dialog->close();
    });
    window.findChild<QAction*>(QString::fromLatin1(item))->trigger();
    ASSERT_TRUE(used) << item;
  }
  template <typename T = QAbstractButton>
  static T* In(QWidget* dialog, const char* name) {
    T* control = dialog->findChild<T*>(QString::fromLatin1(name));
    if (control == nullptr) ADD_FAILURE() << "no control " << name;
    return control;
  }
  void ClickMain(const char* name) {
    window.monitor()->findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
  }
  QColor AlarmFlag() {
    return common::Background(window.monitor()->findChild<QLabel*>("lblAlarm1SetFlag"),
                              QPalette::Window);
  }
  // XACCL's new-data flag: a sample has been taken since XACCL was last read.
  bool NewSampleSinceLastRead() {
    session->link.ReadReg(registers::kXAccl);
    return (session->link.RawWord & 0x8000) != 0;
  }

  // Of `steps` 1 ms steps, how many brought a new sample.
  int StepsWithANewSample(int steps) {
    NewSampleSinceLastRead();
    int with_new = 0;
    for (int i = 0; i < steps; ++i) {
      clock.Advance(0.001);
      with_new += NewSampleSinceLastRead() ? 1 : 0;
    }
    return with_new;
  }

  QTemporaryDir dir;
  frmForm1 window;
};

TEST_F(DeviceConfigurationFlowTest, AnAlarmOnXAboveOneGFiresAsThePartTiltsAndClearResetsIt) {
  rig.sensor.SetTilt(1.5);  // X swings through +-1.5 g over 40 s
  Use<alarms::frmAlarms>("MnuAlarms", [](alarms::frmAlarms* alarms) {
    In<QComboBox>(alarms, "cmboAsource1")->setCurrentIndex(2);  // X_Acc
    In<QLineEdit>(alarms, "txtLevel1")->setText("1");
    In(alarms, "opTrigPol1_Greater")->click();
    In(alarms, "cmdWiteA1")->click();
  });
  ClickMain("cmdClearAlarm");
  ASSERT_EQ(AlarmFlag(), common::OkGreen());
  int seconds = 0;
  for (; seconds < 40 && AlarmFlag() != common::AlarmRed(); ++seconds) {
    clock.Advance(1.0);
    ClickMain("CmdUpdateStatus");
  }
  EXPECT_EQ(AlarmFlag(), common::AlarmRed()) << "no alarm within 40 s";
  clock.Advance(20.0);  // half a swing later X is well below 1 g
  ClickMain("cmdClearAlarm");
  EXPECT_EQ(AlarmFlag(), common::OkGreen());
}

TEST_F(DeviceConfigurationFlowTest, ASampleRateOf100SpsIsWhatTheSensorThenSamplesAt) {
  EXPECT_EQ(StepsWithANewSample(100), 100);  // 4096 SPS: a sample every 0.24 ms
  Use<operation::frmOperationalControl>(
      "mnuSampleRate", [](operation::frmOperationalControl* operation) {
        In<QLineEdit>(operation, "txtSampleRate")->setText("100");
        In(operation, "cmdWriteSmpl_prd")->click();
        EXPECT_EQ(In<QLabel>(operation, "lblSmpl_Prd")->text(), "51");
      });
  EXPECT_NEAR(StepsWithANewSample(100), 10, 1);  // 99.9 SPS: one every 10.01 ms
}

TEST_F(DeviceConfigurationFlowTest, AnAutoNullStoredInFlashSurvivesARestart) {
  const QString flash = dir.filePath("TalvixSimFlash.bin");
  const auto hold_still = [](sim::SimSensor& sensor) {
    sensor.SetTilt(0.0);
    sensor.SetVibration(0.0, 7.0);
    sensor.SetNoise(0.0);
    sensor.SetSteady(0.6, -0.4);
  };
  ASSERT_TRUE(rig.sensor.SetFlashFile(flash));
  hold_still(rig.sensor);
  Use<calibration::fmCalibration>("MnuCal", [](calibration::fmCalibration* calibration) {
    In(calibration, "cmdAutoNull")->click();
    In(calibration, "cmdFlashUpdate")->click();
  });
  clock.Advance(0.01);
  session->link.ReadReg(registers::kXAccl);
  EXPECT_NEAR(session->link.RegValue, 0.0, 0.02);
  session->link.ReadReg(registers::kYAccl);
  EXPECT_NEAR(session->link.RegValue, 0.0, 0.02);

  // The next run of the simulator reads the same flash file.
  simbench::SimulatedBench restarted(clock, {.seed = 9});
  ASSERT_TRUE(restarted.sensor.SetFlashFile(flash));
  hold_still(restarted.sensor);
  const auto next_session =
      restarted.MakeSession(notifier, events, std::make_unique<link::RecordingDelay>(clock));
  next_session->link.InterfaceType = link::kInterfaceParallel;
  next_session->link.PortAddress = 0x378;
  QString error;
  ASSERT_TRUE(next_session->OpenParallelPort(error)) << error.toStdString();
  clock.Advance(0.01);
  next_session->link.ReadReg(registers::kXAccl);
  EXPECT_NEAR(next_session->link.RegValue, 0.0, 0.02);
  next_session->link.ReadReg(registers::kYAccl);
  EXPECT_NEAR(next_session->link.RegValue, 0.0, 0.02);
}

}  // namespace
}  // namespace talvix::app
