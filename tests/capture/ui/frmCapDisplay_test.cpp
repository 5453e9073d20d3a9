// SPDX-License-Identifier: MIT
// The capture display window on a simulated card wired to a register file: layout, pointer
// read-out, redraws from the trace as it was read, and Write File.
#include "capture/ui/frmCapDisplay.h"

#include "capture/capture_readout.h"
#include "capture/ui/capt_trace_plot.h"
#include "support/register_file_sensor.h"
#include "support/sim_session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::capture {
namespace {

class FrmCapDisplayTest : public ::testing::Test {
 protected:
  FrmCapDisplayTest() {
    sim.usb.SetSpiWire([this](uint16_t sent) {
      if (++transfers == unplug_at) sim.usb.Unplug(0);
      return device.Transfer(sent);
    });
    sim.session->data_folder = dir.path();
  }

  // Reads buffer 0 out as the main window's Capt_0 does, with CAPT_CFG `capt_cfg` seen at a
  // trigger, every sample answering `code`.
  void ReadOut(uint16_t capt_cfg, uint16_t code) {
    sim.session->capture.MarkTriggered(CaptureSnapshots{static_cast<int16_t>(capt_cfg), 0});
    device.Set(registers::kCaptBuf0, code);
    ASSERT_TRUE(ReadOutForDisplay(*sim.session, 0).ok);
  }
  template <typename T = QWidget>
  T* Find(const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
  }
  QString Text(const char* name) { return Find<QLabel>(name)->text(); }
  // The rightmost column of the plot holding a pixel of the trace's colour.
  int RightmostTracePixel() {
    const QImage image = Find("Picture1")->grab().toImage();
    for (int x = image.width() - 1; x >= 0; --x) {
      for (int y = 0; y < image.height(); ++y) {
        if (image.pixelColor(x, y) == CaptTracePlot::TraceColour()) return x;
      }
    }
    return -1;
  }

  test::RegisterFileSensor device;
  test::SimSession sim{1, test::SimWiring::kUsbCard};
  QTemporaryDir dir;
  int transfers = 0;
  int unplug_at = -1;
  std::unique_ptr<frmCapDisplay> window = std::make_unique<frmCapDisplay>(*sim.session, 0);
};

TEST_F(FrmCapDisplayTest, ShowsTheTraceItsLabelsAndKeepsTheMinimumSize) {
  ReadOut(0x0213, 100);  // X, pre-trigger 2, 8 samples of 1.7125 g
  window->Form_Load(QRect(0, 0, 1000, 600), 300);
  window->ShowTrace();
  window->show();
  EXPECT_EQ(window->objectName(), "frmCapDisplay0");
  EXPECT_EQ(window->windowTitle(), "Capt_0     X_Acceleration");
  EXPECT_EQ(Text("LblYunits"), "G");
  EXPECT_EQ(Text("lblBuffLength"), "8");
  EXPECT_EQ(Text("LblFullScale"), "2");
  EXPECT_EQ(Text("LblMinScale"), "-2");
  EXPECT_EQ(Text("LblSample"), "0");

  window->resize(100, 50);  // below 3200 x 1500 twips (213 x 100 pixels at 96 dpi)
  QCoreApplication::processEvents();
  EXPECT_GE(window->width(), 213);
  EXPECT_GE(window->height(), 100);
  window->resize(900, 400);
  QCoreApplication::processEvents();
  // The scale lines follow the plot: bottom, (top + height) / 2, top + 20 twips.
  const QRect plot = Find("Picture1")->geometry();
  const int bottom = plot.y() + plot.height();
  EXPECT_NEAR(Find<QFrame>("Line1")->geometry().center().y(), bottom, 1);
  EXPECT_NEAR(Find<QFrame>("Line2")->geometry().center().y(), bottom / 2.0, 1);
  EXPECT_NEAR(Find<QFrame>("Line3")->geometry().center().y(), plot.y() + 1, 1);
  EXPECT_EQ(plot.height(), 400 - 60);  // 900 twips less than the window
}

TEST_F(FrmCapDisplayTest, PointerReadOutGivesTheSampleAndValueUnderIt) {
  ReadOut(0x0213, 100);
  window->ShowTrace();
  window->resize(900, 400);
  window->show();
  QWidget* plot = Find("Picture1");
  // x = 5.5 samples of the 10 across, y = 0 halfway down.
  const QPointF at(plot->width() * 5.5 / 10.0, plot->height() / 2.0);
  QMouseEvent move(QEvent::MouseMove, at, plot->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(plot, &move);
  EXPECT_EQ(Text("LblSample"), "5");
  EXPECT_EQ(Text("LblValue"), ".0");
}

TEST_F(FrmCapDisplayTest, RedrawUsesTheLengthTheTraceWasReadWithNotANewerConfiguration) {
  ReadOut(0x0213, 100);
  window->ShowTrace();
  window->resize(900, 400);
  window->show();
  const int right = RightmostTracePixel();
  // A new trigger on a 1024-sample configuration, not read out into this window.
  sim.session->capture.CaptCfgSnapshot = 0x021A;
  window->update();
  EXPECT_EQ(RightmostTracePixel(), right);
  EXPECT_LT(right, Find("Picture1")->width() * 9 / 10);  // sample 8 of the 10 across
}

TEST_F(FrmCapDisplayTest, WriteFileWritesBothFilesAndSaysWhere) {
  ReadOut(0x0213, 0x3FFF);  // -1
  Find<QPushButton>("cmdWriteFile")->click();
  for (const char* name : {"CapDat_0.csv", "CapDat_1.csv"}) {
    QFile file(QDir(dir.path()).filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    EXPECT_EQ(file.readAll().count("\r\n"), 8) << name;
  }
  EXPECT_TRUE(Find<QLabel>("lblFilesWritten")->toolTip().contains(dir.path()));
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
}

// A later Write File that cannot act replaces the earlier success: the line never reads as if the
// files had been written again.
TEST_F(FrmCapDisplayTest, WriteFileThatCannotActReplacesTheEarlierSuccess) {
  ReadOut(0x0213, 7);
  Find<QPushButton>("cmdWriteFile")->click();
  ASSERT_TRUE(Find<QLabel>("lblFilesWritten")->toolTip().startsWith("Wrote CapDat_0"));
  sim.session->link.InterfaceType = link::kInterfaceNone;
  Find<QPushButton>("cmdWriteFile")->click();
  const QString line =
      QStringLiteral("Not written: no interface is ready. Choose one in the Interface menu.");
  EXPECT_EQ(Find<QLabel>("lblFilesWritten")->toolTip(), line);
}

// A narrow window shortens the folder in the middle, on every resize; the tool tip has it whole.
TEST_F(FrmCapDisplayTest, TheFolderIsShortenedInTheMiddleToTheWindowsWidth) {
  ReadOut(0x0213, 7);
  window->resize(2000, 400);
  window->show();
  Find<QPushButton>("cmdWriteFile")->click();
  auto* line = Find<QLabel>("lblFilesWritten");
  const QString whole = line->toolTip();
  EXPECT_EQ(line->text(), whole);
  window->resize(600, 400);
  EXPECT_NE(line->text(), whole);
  EXPECT_TRUE(line->text().startsWith("Wrote CapDat_0") && line->text().contains(QChar(0x2026)))
      << line->text().toStdString();
  EXPECT_LE(line->fontMetrics().horizontalAdvance(line->text()), line->width());
  EXPECT_EQ(line->toolTip(), whole);
}

// An unplug at the first, the middle or the last transfer of the two buffers' read-out.
class WriteFileUnplugTest : public FrmCapDisplayTest, public ::testing::WithParamInterface<int> {};

TEST_P(WriteFileUnplugTest, GivesOneMessageAndWritesNeitherFile) {
  ReadOut(0x0213, 7);
  transfers = 0;
  unplug_at = GetParam();
  Find<QPushButton>("cmdWriteFile")->click();
  EXPECT_EQ(sim.notifier.texts.size(), 1);
  EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath("CapDat_0.csv")));
  EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath("CapDat_1.csv")));
}

INSTANTIATE_TEST_SUITE_P(ReadOutOfEitherBuffer, WriteFileUnplugTest, ::testing::Values(1, 20, 60));

TEST_F(FrmCapDisplayTest, WriteFileWhileArmedIsRefusedWithoutTraffic) {
  ReadOut(0x0213, 7);
  sim.session->capture.MarkArmed();
  const size_t sent = device.sent().size();
  Find<QPushButton>("cmdWriteFile")->click();
  EXPECT_EQ(device.sent().size(), sent);
  EXPECT_EQ(sim.notifier.texts, QStringList{ReadOutWhileArmedMessage()});
}

}  // namespace
}  // namespace talvix::capture
