// Event capture from end to end on the simulated sensor, as a user does it: configure trigger 1 on
// X above 2 g, arm, a shock triggers, Capt_0 shows the trace, Write File writes the pair.
#include "app/frmForm1.h"

#include "capture/ui/frmCapDisplay.h"
#include "capture/ui/frmCaptConfig.h"
#include "common/ui/indicator_colours.h"
#include "monitor/ui/monitor_widget.h"
#include "support/ui/startup_fixture.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::app {
namespace {

class CaptureFlowTest : public ::testing::Test, public test::StartupFixture {
 protected:
  CaptureFlowTest() : window(*session, dir.filePath("CommPort.cfg")) {
    session->data_folder = dir.path();
    session->link.InterfaceType = link::kInterfaceUsb;
    session->startup.configured_interface = link::kInterfaceUsb;
    window.Form_Load();
  }
  void Click(const char* name) {
    window.monitor()->findChild<QPushButton*>(QString::fromLatin1(name))->click();
  }
  QColor Back(const char* name) {
    return common::Background(window.monitor()->findChild<QLabel*>(QString::fromLatin1(name)),
                              QPalette::Window);
  }
  // Trigger 1 on X above 2 g into 64 samples, 16 of them before the trigger.
  void ConfigureTriggerOnX() {
    Click("cmdCaptConfig");
    capture::frmCaptConfig* config = window.CaptureConfig();
    ASSERT_NE(config, nullptr);
    const auto combo = [config](const char* name) {
      return config->findChild<QComboBox*>(QString::fromLatin1(name));
    };
    const auto click = [config](const char* name) {
      config->findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
    };
    combo("ComboSourceBuff1")->setCurrentIndex(2);    // X_Acceleration
    combo("ComboSourceBuff2")->setCurrentIndex(3);    // Y_Acceleration
    combo("ComboBuffLength")->setCurrentIndex(3);     // 64
    combo("ComboPreTrigLength")->setCurrentIndex(4);  // 16
    click("cmdCapt_CFG");
    config->findChild<QLineEdit*>("txtTrigLevelBuff1")->setText("2");
    combo("ComboPolBuff1")->setCurrentIndex(1);  // Greater Than
    click("cmdTrig_Mag");
    click("Option_A1");
    click("cmdALM_CTRL");
    config->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // closing discards it
  }

  QTemporaryDir dir;
  frmForm1 window;
};

TEST_F(CaptureFlowTest, AShockIsCapturedShownAndWrittenAsAPair) {
  ConfigureTriggerOnX();
  Click("cmdCapArm");
  EXPECT_EQ(Back("lblCapReady"), common::OkGreen());
  rig.sensor.AddShock({clock.monotonic + 0.01, 4.0, 0.0, 0.02});
  clock.Advance(0.5);
  Click("CmdUpdateStatus");
  ASSERT_EQ(Back("lblCapTrig"), common::AlarmRed());
  EXPECT_EQ(session->capture.CaptCfgSnapshot & 0xFFFF, 0x3246);

  Click("cmdDisplayCapt0");
  capture::frmCapDisplay* display = window.CaptureDisplay(0);
  ASSERT_NE(display, nullptr);
  EXPECT_TRUE(display->isVisible());
  EXPECT_EQ(display->windowTitle(), "Capt_0     X_Acceleration");
  const registers::CaptTrace& trace = session->capture.CaptTrace[0];
  ASSERT_EQ(trace.length, 64);
  EXPECT_EQ(trace.TrigPos, 16);
  EXPECT_LT(trace.Values[16], 2.0);  // the last sample before the trigger
  EXPECT_GT(trace.Values[17], 2.0);  // the trigger sample

  display->findChild<QPushButton*>("cmdWriteFile")->click();
  for (int buffer = 0; buffer < 2; ++buffer) {
    QFile file(QDir(dir.path()).filePath(QStringLiteral("CapDat_%1.csv").arg(buffer)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << buffer;
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 65) << buffer;  // 64 lines, each ended by CR LF
    EXPECT_TRUE(lines.last().isEmpty());
    for (int i = 0; i < 64; ++i) {
      EXPECT_TRUE(lines[i].startsWith(QByteArray::number(i + 1) + ',')) << lines[i].constData();
      EXPECT_TRUE(lines[i].endsWith('\r')) << i;
    }
    if (buffer == 0) {
      const int code = lines[16].split(',')[1].trimmed().toInt();
      EXPECT_NEAR(code * 0.017125, trace.Values[17], 1e-4);
    }
  }
  EXPECT_TRUE(notifier.texts.isEmpty()) << notifier.texts.join('|').toStdString();
}

TEST_F(CaptureFlowTest, WhileArmedConfigAndTheDisplaysAreRefused) {
  ConfigureTriggerOnX();
  Click("cmdCapArm");
  notifier.texts.clear();
  Click("cmdCaptConfig");
  Click("cmdDisplayCapt0");
  EXPECT_EQ(window.CaptureConfig(), nullptr);
  EXPECT_EQ(window.CaptureDisplay(0), nullptr);
  EXPECT_EQ(notifier.texts.size(), 2);
}

TEST_F(CaptureFlowTest, AnUnplugDuringTheReadOutGivesOneMessageAndNoTrace) {
  session->capture.MarkTriggered(CaptureSnapshots{0x0228, 0});  // 256 samples of X
  rig.usb.FailNextBulkRead(0);
  notifier.texts.clear();
  Click("cmdDisplayCapt0");
  EXPECT_EQ(notifier.texts.size(), 1);
  EXPECT_EQ(window.CaptureDisplay(0), nullptr);
  EXPECT_FALSE(session->capture.CaptTrace[0].Prepared());
}

}  // namespace
}  // namespace talvix::app
