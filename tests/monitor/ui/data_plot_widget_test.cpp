// SPDX-License-Identifier: MIT
#include "monitor/ui/data_plot_widget.h"
#include "monitor/ui/strip_chart_widget.h"
#include "support/sim_session.h"
#include "support/ui/window_probe.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace talvix::monitor {
namespace {

QRgb LineColour(int series) {
  return ToQColor(SeriesLineColour(series)).rgb();
}

// Image row of `value` at a range of ±full_scale: 240 rows from top to bottom.
int Row(double value, double full_scale) {
  return static_cast<int>(std::lround((full_scale - value) * 240.0 / (2.0 * full_scale)));
}

class ChartControlsTest : public ::testing::Test {
 protected:
  std::unique_ptr<DataPlotWidget> MakeFrame() {
    auto frame = std::make_unique<DataPlotWidget>(*sim.session, nullptr, settings_path);
    frame->resize(frame->sizeHint());
    frame->SetSeriesChecked(2, true);
    return frame;
  }
  static void Plot(DataPlotWidget& frame, float x, float y = 0.0f) {
    SampleVector samples{};
    samples[2] = x;
    samples[3] = y;
    frame.PlotDataPoints2(samples);
  }
  static QString Labels(const DataPlotWidget& frame) {
    const auto text = [&](const char* name) {
      return test::Control<QLabel>(&frame, QString::fromLatin1(name))->text();
    };
    return text("lblpFS2") + u'|' + text("lblmidS2") + u'|' + text("lblnFS2");
  }
  static void Choose(DataPlotWidget& frame, const QString& text) {
    auto* combo = test::Control<QComboBox>(&frame, QStringLiteral("cmboRange"));
    combo->setCurrentIndex(combo->findText(text));
    frame.cmboRange_Click();
  }
  QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

  QTemporaryDir dir;
  QString settings_path = dir.filePath(QStringLiteral("config/talvix/chart.ini"));
  test::SimSession sim;
};

// "±2 g" draws the lines already on the chart again at the new range, 1 g a quarter from the top,
// and is still chosen when the program starts again.
TEST_F(ChartControlsTest, ARangeRedrawsTheChartAndSurvivesARestart) {
  {
    auto frame = MakeFrame();
    EXPECT_EQ(Labels(*frame), "30|0|-30");
    for (int pass = 0; pass < 10; ++pass) Plot(*frame, 1.0f);
    const QImage& image = frame->Chart()->Image();
    ASSERT_EQ(image.pixel(5, Row(1.0, 30.0)), LineColour(2));

    Choose(*frame, QStringLiteral("±2 g"));
    EXPECT_EQ(Labels(*frame), "2|0|-2");
    EXPECT_EQ(frame->Chart()->Image().pixel(5, 60), LineColour(2));
    EXPECT_NE(frame->Chart()->Image().pixel(5, Row(1.0, 30.0)), LineColour(2));
  }
  auto restarted = MakeFrame();
  EXPECT_EQ(test::Control<QComboBox>(restarted.get(), QStringLiteral("cmboRange"))->currentText(),
            "±2 g");
  EXPECT_EQ(Labels(*restarted), "2|0|-2");
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
}

TEST_F(ChartControlsTest, ARangeThatCannotBeKeptIsStillUsedAndSaysWhy) {
  ASSERT_TRUE(QDir(dir.path()).mkpath(settings_path));  // a folder where the file should be
  auto frame = MakeFrame();
  Choose(*frame, QStringLiteral("±5 g"));
  EXPECT_EQ(Labels(*frame), "5|0|-5");
  ASSERT_EQ(sim.notifier.texts.size(), 1);
  EXPECT_TRUE(sim.notifier.texts[0].contains(settings_path));
  EXPECT_TRUE(sim.notifier.texts[0].contains(QStringLiteral("folder")));
}

// Paused, the picture holds still while passes come in, and the read-out still follows the mouse;
// resumed, the next segment starts one column on from the latest value.
TEST_F(ChartControlsTest, PauseHoldsThePictureAndResumeJoinsFromTheLatestValue) {
  auto frame = MakeFrame();
  for (int pass = 0; pass < 5; ++pass) Plot(*frame, 0.0f);
  auto* pause = test::Control<QPushButton>(frame.get(), QStringLiteral("cmdPause"));
  pause->click();
  const QImage frozen = frame->Chart()->Image();
  for (int pass = 0; pass < 20; ++pass) Plot(*frame, 10.0f + static_cast<float>(pass));
  EXPECT_EQ(frame->Chart()->Image(), frozen);
  EXPECT_EQ(frame->Chart()->Chart().X(), 5);

  StripChartWidget* pic2 = frame->Chart();
  // The centre of image row 60, a quarter from the top: 15 at ±30 g.
  const QPointF at(pic2->width() / 2.0,
                   60.5 * pic2->height() / StripChartWidget::kImageHeight - 0.5);
  QMouseEvent move(QEvent::MouseMove, at, pic2->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(pic2, &move);
  EXPECT_EQ(test::Control<QLabel>(frame.get(), QStringLiteral("lblCurVal2"))->text(), "15");

  pause->click();
  Plot(*frame, 20.0f);
  EXPECT_EQ(frame->Chart()->Chart().X(), 6);
  EXPECT_EQ(frame->Chart()->Image().pixel(5, Row(29.0, 30.0)), LineColour(2));
  EXPECT_EQ(frame->Chart()->Image().pixel(6, Row(20.0, 30.0)), LineColour(2));
}

// While paused, the A/B cursors start on the oldest and newest pass and read the first checked
// series with the time between the passes as they were read; the keyboard moves them.
TEST_F(ChartControlsTest, PausedCursorsReadTheSeriesBetweenThem) {
  auto frame = MakeFrame();
  for (int pass = 1; pass <= 5; ++pass) {
    sim.Advance(pass == 3 ? 0.5 : 0.1);  // one slow pass
    Plot(*frame, static_cast<float>(pass));
  }
  auto* readout = test::Control<QLabel>(frame.get(), QStringLiteral("lblChartCursors"));
  EXPECT_TRUE(readout->isHidden());
  test::Control<QPushButton>(frame.get(), QStringLiteral("cmdPause"))->click();
  EXPECT_FALSE(readout->isHidden());
  EXPECT_EQ(readout->text(),
            "X_Accel: A 1  B 5  \u0394t 800.000 ms  \u0394A 4.000 g\n"
            "min 1.000  max 5.000  mean 3.000  RMS 3.317  p-p 4.000 g");
  for (const Qt::Key key : {Qt::Key_B, Qt::Key_Left, Qt::Key_Left}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(frame->Chart(), &press);
  }
  EXPECT_TRUE(readout->text().startsWith("X_Accel: A 1  B 3  \u0394t 600.000 ms"))
      << readout->text().toStdString();
  test::Control<QPushButton>(frame.get(), QStringLiteral("cmdPause"))->click();
  EXPECT_TRUE(readout->isHidden());
}

// "Save Chart..." after a full sweep: the picture of the chart at its size, showing the lines, and
// a row of values for each of the 351 columns, offered in the data folder.
TEST_F(ChartControlsTest, SaveChartWritesThePictureAndTheValuesOfAFullSweep) {
  sim.session->data_folder = dir.path();
  auto frame = MakeFrame();
  frame->SetSeriesChecked(3, true);
  for (int pass = 0; pass < kColumnCount; ++pass) {
    Plot(*frame, static_cast<float>(20.0 * std::sin(pass * 0.05)),
         static_cast<float>(-10.0 * std::cos(pass * 0.05)));
  }
  QString suggested;
  frame->ask_save_path = [&](const QString&, const QString& offered, const QString&) {
    suggested = offered;
    return Path("sweep");
  };
  test::Control<QPushButton>(frame.get(), QStringLiteral("cmdSaveChart"))->click();

  EXPECT_EQ(suggested, Path("Chart.png"));
  EXPECT_TRUE(sim.notifier.texts.isEmpty()) << sim.notifier.texts.join(' ').toStdString();
  const QImage picture(Path("sweep.png"));
  ASSERT_FALSE(picture.isNull());
  // The chart framed by what makes it readable alone: larger than the plot, with the scale labels,
  // the sample numbers and the legend at the places the layout gives them.
  const ChartPictureLayout layout = frame->PictureToSave().layout;
  EXPECT_EQ(picture.size(), layout.size);
  EXPECT_GT(picture.width(), frame->Chart()->width() + 20);
  EXPECT_GT(picture.height(), frame->Chart()->height() + 40);
  const auto inked = [&picture](const QRect& area) {
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) dark += qGray(picture.pixel(x, y)) < 100;
    }
    return dark;
  };
  for (const QRect& label : layout.scale_labels) EXPECT_GT(inked(label), 3);
  for (const QRect& label : layout.tick_labels) EXPECT_GT(inked(label), 3);
  EXPECT_GT(inked(layout.span), 20);
  ASSERT_EQ(layout.legend_swatches.size(), 2u);  // X_Accel and Y_Accel, in their line colours
  EXPECT_EQ(picture.pixel(layout.legend_swatches[0].center()), LineColour(2));
  EXPECT_EQ(picture.pixel(layout.legend_swatches[1].center()), LineColour(3));
  EXPECT_GT(inked(layout.legend_names[1]), 10);
  int x_pixels = 0;
  int y_pixels = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      x_pixels += picture.pixel(x, y) == LineColour(2) ? 1 : 0;
      y_pixels += picture.pixel(x, y) == LineColour(3) ? 1 : 0;
    }
  }
  EXPECT_GT(x_pixels, kChartRight);
  EXPECT_GT(y_pixels, kChartRight);

  QFile values(Path("sweep.csv"));
  ASSERT_TRUE(values.open(QIODevice::ReadOnly));
  EXPECT_EQ(values.readAll().count('\n'), 1 + kColumnCount);
}

TEST_F(ChartControlsTest, SaveChartIntoAMissingFolderNamesEachFileAndWritesNothing) {
  auto frame = MakeFrame();
  Plot(*frame, 1.0f);
  frame->ask_save_path = [&](const QString&, const QString&, const QString&) {
    return Path("gone/chart.png");
  };
  test::Control<QPushButton>(frame.get(), QStringLiteral("cmdSaveChart"))->click();
  ASSERT_EQ(sim.notifier.texts.size(), 1);
  EXPECT_TRUE(sim.notifier.texts[0].contains(Path("gone/chart.png")));
  EXPECT_TRUE(sim.notifier.texts[0].contains(Path("gone/chart.csv")));
  EXPECT_TRUE(sim.notifier.texts[0].contains(QStringLiteral("No such file or directory")));
  EXPECT_FALSE(QFileInfo::exists(Path("gone")));
}

}  // namespace
}  // namespace talvix::monitor
