// SPDX-License-Identifier: MIT
#include "monitor/ui/strip_chart_widget.h"
#include "monitor/ui/data_plot_widget.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <cstdlib>

namespace talvix::monitor {
namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;

QRgb Colour(Rgb rgb) {
  return ToQColor(rgb).rgb();
}

// Image row of a value: 4 pixels per unit, 30 on row 0.
int Row(double value) {
  return static_cast<int>((30.0 - value) * 4.0);
}

class StripChartWidgetTest : public ::testing::Test {
 protected:
  // One pass with `value` on series `series` and 0 on the others.
  void Plot(int series, float value) {
    SampleVector samples{};
    samples[series] = value;
    chart.PlotDataPoints2(samples);
  }
  QRgb Pixel(int x, int y) const { return chart.Image().pixel(x, y); }
  int CountInColumn(int x, QRgb colour) const {
    int count = 0;
    for (int y = 0; y < chart.Image().height(); ++y) count += Pixel(x, y) == colour ? 1 : 0;
    return count;
  }

  StripChartWidget chart;
};

TEST_F(StripChartWidgetTest, TemperatureLandsAtItsShareOfTheHeight) {
  chart.SetSeriesChecked(5, true);
  Plot(5, 25.0f);
  const QRgb red = Colour(SeriesLineColour(5));
  EXPECT_EQ(Pixel(0, Row(0.0)), red);   // from column 0, value 0 (row 120)
  EXPECT_EQ(Pixel(1, Row(25.0)), red);  // to column 1, 25/30 of the way up (row 20)
  EXPECT_EQ(Pixel(1, Row(25.0) - 1), kWhite);
  EXPECT_EQ(CountInColumn(2, Colour(kCursorColour)), StripChartWidget::kImageHeight);
}

TEST_F(StripChartWidgetTest, ValuesBeyondTheRangeLeaveTheImageInsteadOfBeingHeldAtItsEdge) {
  chart.SetSeriesChecked(5, true);
  Plot(5, 40.0f);    // rises out through the top between columns 0 and 1
  Plot(5, 40.0f);    // columns 1..2 above the top
  Plot(5, 40.0f);    // columns 2..3 above the top
  Plot(5, -1.0e9f);  // falls through the whole height between columns 3 and 4
  const QRgb red = Colour(SeriesLineColour(5));
  EXPECT_GE(CountInColumn(0, red) + CountInColumn(1, red), Row(0.0) + 1);
  EXPECT_EQ(CountInColumn(2, red), 0);  // nothing pinned to the top row
  EXPECT_GE(CountInColumn(3, red) + CountInColumn(4, red), StripChartWidget::kImageHeight);
}

TEST_F(StripChartWidgetTest, LinesStayUntilTheCursorBandPassesOverThem) {
  chart.SetSeriesChecked(2, true);
  for (int pass = 1; pass <= 5; ++pass) Plot(2, 10.0f);
  chart.SetSeriesChecked(2, false);  // unchecking leaves what is drawn
  const QRgb blue = Colour(SeriesLineColour(2));
  const int row = Row(10.0);

  for (int pass = 6; pass <= 351; ++pass) Plot(2, 0.0f);  // the 351st pass wraps to column 0
  ASSERT_EQ(chart.Chart().X(), 0);
  EXPECT_EQ(Pixel(0, row), kWhite);  // band 0..1 cleared
  EXPECT_EQ(CountInColumn(1, Colour(kCursorColour)), StripChartWidget::kImageHeight);
  EXPECT_EQ(Pixel(2, row), blue);

  Plot(2, 0.0f);
  Plot(2, 0.0f);  // X = 2: band 2..3, cursor at 3
  EXPECT_EQ(Pixel(2, row), kWhite);
  EXPECT_EQ(Pixel(3, row), Colour(kCursorColour));
  EXPECT_EQ(Pixel(4, row), blue);
  EXPECT_EQ(Pixel(5, row), blue);
}

TEST_F(StripChartWidgetTest, FirstPieceAfterTheWrapIsVerticalAtColumnZero) {
  chart.SetSeriesChecked(2, true);
  chart.SetSeriesChecked(3, true);
  SampleVector samples{};
  samples[2] = 20.0f;  // steady: its piece at column 0 is a single point
  samples[3] = 10.0f;
  for (int pass = 1; pass <= 350; ++pass) chart.PlotDataPoints2(samples);
  samples[3] = -10.0f;
  chart.PlotDataPoints2(samples);
  const QRgb green = Colour(SeriesLineColour(3));
  EXPECT_EQ(Pixel(0, Row(20.0)), Colour(SeriesLineColour(2)));
  EXPECT_EQ(CountInColumn(0, green), Row(-10.0) - Row(10.0) + 1);
  EXPECT_EQ(Pixel(0, Row(-10.0)), green);
  EXPECT_EQ(Pixel(350, Row(10.0)), green);  // the previous sweep's end stays
  EXPECT_EQ(CountInColumn(1, green), 0);
}

// An enlarged chart is drawn again at its new size: the lines already on it stay, one device pixel
// wide and in their own colour, not stretched into wide blurred bands.
TEST_F(StripChartWidgetTest, ResizingRedrawsTheLinesOnePixelWide) {
  chart.SetSeriesChecked(2, true);
  for (int pass = 1; pass <= 200; ++pass) Plot(2, 15.0f);
  const QImage before = chart.Image();

  chart.resize(2 * StripChartWidget::kImageWidth, 2 * StripChartWidget::kImageHeight);
  const QImage shown = chart.grab().toImage();
  EXPECT_EQ(chart.Image(), before);
  // Column 100 at 15 is image pixel (100, 60): on the widget at twice that, and only there.
  const QColor line = shown.pixelColor(2 * 100, 2 * Row(15.0));
  EXPECT_EQ(line, chart.Image().pixelColor(100, Row(15.0)));
  EXPECT_NE(line, QColor(Qt::white));
  EXPECT_EQ(shown.pixelColor(2 * 100, 2 * Row(15.0) + 1), QColor(Qt::white));
  EXPECT_EQ(shown.pixelColor(2 * 100, 2 * Row(15.0) - 1), QColor(Qt::white));
  EXPECT_EQ(shown.pixelColor(2 * 100, 2 * Row(-15.0)), QColor(Qt::white));
}

TEST(DataPlotWidgetTest, FrameCarriesTheChartItsLabelsAndTheMouseReadout) {
  DataPlotWidget frame;
  frame.resize(frame.sizeHint());
  const auto text = [&](const char* name) {
    const QLabel* label = frame.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<missing>");
  };
  EXPECT_EQ(frame.title(), "Data Plot");
  EXPECT_EQ(text("lblpFS2") + text("lblmidS2") + text("lblnFS2"), "300-30");
  EXPECT_EQ(text("Label16") + text("lblUnits2"), "Accel.g");
  EXPECT_EQ(text("LblXaxis"), "Sample Number");
  EXPECT_EQ(text("Label5") + text("Label1"), "samplevalue");
  EXPECT_EQ(text("lblPlotX0") + text("lblPlotX2") + text("lblPlotX4"), "0175350");
  StripChartWidget* pic2 = frame.Chart();
  ASSERT_EQ(frame.findChild<StripChartWidget*>("pic2"), pic2);

  // The pointer at the centre of image pixel (175, 20) on a chart shown at twice the image size.
  pic2->resize(2 * StripChartWidget::kImageWidth, 2 * StripChartWidget::kImageHeight);
  const QPointF at(350.5, 40.5);
  QMouseEvent move(QEvent::MouseMove, at, pic2->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(pic2, &move);
  EXPECT_EQ(text("lblCurSam2"), "175");
  EXPECT_EQ(text("lblCurVal2"), "25");

  frame.SetSeriesChecked(6, true);
  SampleVector samples{};
  samples[6] = -15.0f;
  frame.PlotDataPoints2(samples);
  EXPECT_EQ(pic2->Image().pixel(1, Row(-15.0)), Colour(SeriesLineColour(6)));
}

}  // namespace
}  // namespace talvix::monitor
