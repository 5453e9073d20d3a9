// SPDX-License-Identifier: MIT
// The strip chart of the main window's "Data Plot" frame, without any drawing: the chart state
// kept between reading passes and, for each pass, the description of what to draw.
//
// Chart coordinates: x is the sample column, 0 at the left edge to 350 at the right edge; y is
// the value, from the range's top to its bottom (30 to -30 by default; g for the accelerations,
// the other series share the same scale in their own units). Every reading pass moves the cursor
// one column to the right and wraps to column 0 after column 350, so the chart shows the latest
// 351 passes.
#pragma once

#include "monitor/chart_range.h"

#include <QLocale>
#include <QString>

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

namespace talvix::monitor {

// Series i is row i of the "Output  Registers" frame: 2 X_Accel, 3 Y_Accel, 4 AUX_ADC, 5 Temp,
// 6 X_Accel_Pk, 7 Y_Accel_Pk, 8 RSS, 9 RSS_Pk. Row 1 (supply) is never plotted.
inline constexpr int kFirstSeries = 2;
inline constexpr int kLastSeries = 9;
inline constexpr int kSeriesCount = kLastSeries - kFirstSeries + 1;

// One reading pass: elements 1..9 hold the rows' values, 0 and 10..14 stay 0.
inline constexpr int kSampleVectorSize = 15;
using SampleVector = std::array<float, kSampleVectorSize>;

// Chart width in columns.
inline constexpr int kChartRight = 350;  // last column; 351 columns in all
inline constexpr int kColumnCount = kChartRight + 1;

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The chart's background, to which each pass clears the band ahead of the newest sample, and the
// cursor line drawn one column ahead of the newest sample.
inline constexpr Rgb kChartBackground{255, 255, 255};
inline constexpr Rgb kCursorColour{215, 215, 215};

// Line colour of a series in the chart and colour of its swatch (Shape2..Shape9) beside its
// check box. `series` must be 2..9.
Rgb SeriesLineColour(int series);
Rgb SeriesSwatchColour(int series);

// Which series are drawn: the state of the check boxes ckG2..ckG9.
class SeriesSelection {
 public:
  static SeriesSelection All();

  // Series outside 2..9 read as unchecked and are ignored when set.
  bool IsChecked(int series) const;
  void SetChecked(int series, bool checked);

  friend bool operator==(const SeriesSelection&, const SeriesSelection&) = default;

 private:
  std::uint16_t bits_ = 0;  // bit i for series i
};

struct ChartPoint {
  double x = 0.0;  // column
  double y = 0.0;  // value
  friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};

// One polyline piece of one series, from its previous sample to its new one.
struct ChartSegment {
  int series = 0;
  Rgb colour;
  ChartPoint from;
  ChartPoint to;
};

// What one pass draws, in this order: clear the band from column band_left to band_right over the
// full height to kChartBackground; draw the cursor line at column cursor_x over the full height in
// kCursorColour, 1 pixel wide; draw the segments, 1 pixel wide, in order of series.
struct ChartUpdate {
  int band_left = 0;
  int band_right = 0;
  int cursor_x = 0;
  std::vector<ChartSegment> segments;  // checked series only, at most kSeriesCount
};

// The chart state of the main window, kept for the window's lifetime: the cursor, each series'
// latest value, the passes still on the chart (one per column) and the vertical range.
class StripChart {
 public:
  // One reading pass: advances the cursor one column (wrapping to column 0 past column 350),
  // describes the drawing for the series checked in `checked`, and remembers every series' new
  // value, checked or not, so a series checked later joins its line from its latest value. Under
  // "Auto" the range is then fitted again (see NextAutoRange). The description stays valid until
  // its column is drawn again.
  const ChartUpdate& PlotDataPoints2(const SampleVector& samples, const SeriesSelection& checked);

  // A pass while the chart is paused: only the series' latest values move on, so that the first
  // pass after the pause joins each line from the latest value, as re-checking a series does.
  void KeepLatest(const SampleVector& samples);

  // Column of the newest sample (0 before the first pass).
  int X() const { return x_; }
  // Column the next segments start from.
  int PreviousColumn() const { return previous_column_; }
  // Value the next segment of `series` (2..9) starts from.
  float PreviousValue(int series) const;

  // The range choice and the range the chart is drawn at. Choosing "Auto" fits the series checked
  // in `checked` over the columns on the chart at once.
  void SetRangeChoice(RangeChoice choice, const SeriesSelection& checked);
  RangeChoice Choice() const { return choice_; }
  const ChartRange& Range() const { return range_; }

  // The pass that drew column `column` (0..350) and is still on the chart, or nullptr.
  const ChartUpdate* PassAtColumn(int column) const;
  // The passes still on the chart, oldest first: drawn again in this order they give the chart.
  std::vector<const ChartUpdate*> PassesOnScreen() const;
  // Lowest and highest value drawn for the series checked in `checked` at the columns on the
  // chart; nothing when there is none. Values that are not numbers are left out.
  std::optional<ValueExtent> ExtentOnScreen(const SeriesSelection& checked) const;

 private:
  int x_ = 0;
  int previous_column_ = 0;
  std::array<float, kSeriesCount> previous_value_{};
  std::array<ChartUpdate, kColumnCount> passes_{};  // indexed by column
  std::bitset<kColumnCount> drawn_;                 // columns drawn since the window opened
  RangeChoice choice_ = RangeChoice::kPlusMinus30;
  ChartRange range_;
};

// Texts of the y-axis labels lblpFS2, lblmidS2 and lblnFS2: top, middle and bottom of the range,
// in general format ("30", "0", "-30" for the default range).
struct YAxisTexts {
  QString top;
  QString middle;
  QString bottom;
};
YAxisTexts YAxisLabelTexts(const ChartRange& range = ChartRange());

// Texts of the x-axis tick labels lblPlotX0..lblPlotX4; each stands at the column of its value.
inline constexpr std::array<int, 5> kXAxisTicks{0, 85, 175, 260, 350};
QString XAxisTickText(int tick_index);

// The mouse read-out under the chart: lblCurSam2 shows x rounded to a whole number, lblCurVal2
// shows y rounded to one decimal, both rounding halves to even, as plain numbers with the
// locale's decimal separator ("174", "12.5", "-0.2", "0").
struct ReadoutTexts {
  QString sample;
  QString value;
};
ReadoutTexts MouseReadout(double x, double y, const QLocale& locale = QLocale());

}  // namespace talvix::monitor
