// SPDX-License-Identifier: MIT
// Event capture from end to end on the simulated sensor, as a user does it: configure trigger 1 on
// X above 2 g, arm, a shock triggers, Capt_0 shows the trace, Write File writes the pair.
#include "app/frmForm1.h"

#include "capture/spectrum_view.h"
#include "capture/ui/capt_spectrum_plot.h"
#include "capture/ui/capt_trace_plot.h"
#include "capture/ui/frmCapDisplay.h"
#include "capture/ui/frmCaptConfig.h"
#include "common/ui/indicator_colours.h"
#include "monitor/ui/monitor_widget.h"
#include "support/ui/startup_fixture.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cmath>

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
  // Trigger 1 on X above `level` g into 64 samples (or the length at `length_position` of the
  // list), 16 of them before the trigger.
  void ConfigureTriggerOnX(const char* level = "2", int length_position = 3) {
    Click("cmdCaptConfig");
    capture::frmCaptConfig* config = window.CaptureConfig();
    ASSERT_NE(config, nullptr);
    const auto combo = [config](const char* name) {
      return config->findChild<QComboBox*>(QString::fromLatin1(name));
    };
    const auto click = [config](const char* name) {
      config->findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
    };
    combo("ComboSourceBuff1")->setCurrentIndex(2);  // X_Acceleration
    combo("ComboSourceBuff2")->setCurrentIndex(3);  // Y_Acceleration
    combo("ComboBuffLength")->setCurrentIndex(length_position);
    combo("ComboPreTrigLength")->setCurrentIndex(4);  // 16
    click("cmdCapt_CFG");
    config->findChild<QLineEdit*>("txtTrigLevelBuff1")->setText(QString::fromLatin1(level));
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

// A 200 Hz sine of 1 g on X, captured at the sensor's default 4096 samples per second into 1024
// samples (50 whole periods, 4 Hz bins): the spectrum's strongest peak is the sine, and the
// cursors over the whole buffer read its RMS and peak-to-peak.
TEST_F(CaptureFlowTest, ACapturedSineShowsInTheSpectrumAndTheCursorStatistics) {
  rig.sensor.SetTilt(0);
  rig.sensor.SetVibration(0, 7);
  rig.sensor.SetNoise(0);
  rig.sensor.AddVibration({.frequency_hz = 200, .amplitude_g = 1, .on_x = true, .on_y = false});
  ConfigureTriggerOnX("0.5", 7);  // 1024 samples
  Click("cmdCapArm");
  clock.Advance(0.5);
  Click("CmdUpdateStatus");
  ASSERT_EQ(Back("lblCapTrig"), common::AlarmRed());
  Click("cmdDisplayCapt0");
  capture::frmCapDisplay* display = window.CaptureDisplay(0);
  ASSERT_NE(display, nullptr);
  ASSERT_EQ(session->capture.CaptTrace[0].length, 1024);

  display->findChild<QPushButton*>("cmdSpectrum")->click();
  const auto* spectrum = display->findChild<capture::CaptSpectrumPlot*>("picSpectrum");
  ASSERT_TRUE(spectrum->isVisible());
  EXPECT_NEAR(spectrum->spectrum().bin_hz, 4.0, 0.001);  // 1 / (1024 x 0.24414 ms)
  ASSERT_TRUE(spectrum->Strongest());
  EXPECT_NEAR(spectrum->Strongest()->frequency_hz, 200.0, 4.0);
  EXPECT_NEAR(spectrum->Strongest()->amplitude, 1.0, 0.05);

  display->findChild<QPushButton*>("cmdSpectrum")->click();  // back to the trace
  auto* plot = display->findChild<capture::CaptTracePlot*>("Picture1");
  ASSERT_TRUE(plot->isVisible());
  // B by the right button near the last sample, then the End key takes it to the very last.
  const QPointF near_end(plot->width() - 3, plot->height() / 2);
  QMouseEvent press(QEvent::MouseButtonPress, near_end, plot->mapToGlobal(near_end),
                    Qt::RightButton, Qt::RightButton, Qt::NoModifier);
  QCoreApplication::sendEvent(plot, &press);
  EXPECT_EQ(plot->cursors().active(), common::Cursor::kB);
  EXPECT_GT(plot->cursors().b(), 1000);
  QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
  QCoreApplication::sendEvent(plot, &end);
  ASSERT_EQ(plot->cursors().a(), 1);
  ASSERT_EQ(plot->cursors().b(), 1024);
  const common::CursorReadout readout =
      capture::TraceCursorReadout(session->capture.CaptTrace[0], plot->cursors());
  ASSERT_TRUE(readout.statistics);
  EXPECT_NEAR(readout.statistics->rms, 1.0 / std::sqrt(2.0), 0.02 / std::sqrt(2.0));
  EXPECT_NEAR(readout.statistics->peak_to_peak, 2.0, 0.04);
  ASSERT_TRUE(readout.delta_ms);
  EXPECT_NEAR(*readout.delta_ms, 1023 * 0.24414, 1e-3);
  const QString shown = display->findChild<QLabel*>("lblCursors")->text();
  EXPECT_TRUE(
      shown.contains(QStringLiteral("RMS %1").arg(common::ReadoutNumber(readout.statistics->rms))))
      << shown.toStdString();
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
