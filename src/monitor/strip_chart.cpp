// SPDX-License-Identifier: MIT
#include "monitor/strip_chart.h"

#include "common/number_text.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace talvix::monitor {

namespace {

struct SeriesColours {
  Rgb line;
  Rgb swatch;
};

// Indexed by series - kFirstSeries. The swatches are the brighter shade of the line colour, except
// for the two RSS series whose greys are already light.
constexpr std::array<SeriesColours, kSeriesCount> kSeriesColours{{
    {{0, 0, 128}, {0, 0, 192}},          // 2 X_Accel
    {{0, 128, 0}, {0, 192, 0}},          // 3 Y_Accel
    {{0, 128, 128}, {0, 192, 192}},      // 4 AUX_ADC
    {{128, 0, 0}, {192, 0, 0}},          // 5 Temp
    {{128, 0, 128}, {192, 0, 192}},      // 6 X_Accel_Pk
    {{128, 128, 0}, {192, 192, 0}},      // 7 Y_Accel_Pk
    {{192, 192, 192}, {192, 192, 192}},  // 8 RSS
    {{128, 128, 128}, {128, 128, 128}},  // 9 RSS_Pk
}};

bool IsSeries(int series) {
  return series >= kFirstSeries && series <= kLastSeries;
}

const SeriesColours& ColoursOf(int series) {
  assert(IsSeries(series));
  return kSeriesColours[static_cast<std::size_t>(series - kFirstSeries)];
}

// Plain decimal text without group separators; -0 shows as "0".
QString PlainNumber(double value, QLocale locale) {
  locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
  return locale.toString(value + 0.0, 'f', QLocale::FloatingPointShortest);
}

}  // namespace

Rgb SeriesLineColour(int series) {
  return ColoursOf(series).line;
}

Rgb SeriesSwatchColour(int series) {
  return ColoursOf(series).swatch;
}

SeriesSelection SeriesSelection::All() {
  SeriesSelection all;
  for (int series = kFirstSeries; series <= kLastSeries; ++series) all.SetChecked(series, true);
  return all;
}

bool SeriesSelection::IsChecked(int series) const {
  return IsSeries(series) && (bits_ & (1u << series)) != 0;
}

void SeriesSelection::SetChecked(int series, bool checked) {
  if (!IsSeries(series)) return;
  const auto bit = static_cast<std::uint16_t>(1u << series);
  bits_ =
      checked ? static_cast<std::uint16_t>(bits_ | bit) : static_cast<std::uint16_t>(bits_ & ~bit);
}

const ChartUpdate& StripChart::PlotDataPoints2(const SampleVector& samples,
                                               const SeriesSelection& checked) {
  ++x_;
  if (x_ > kChartRight) {  // past the right edge: start again at the left edge
    x_ = 0;
    previous_column_ = 0;
  }

  // The column's earlier pass is overwritten in place, so its segment list keeps its storage.
  ChartUpdate& update = passes_[static_cast<std::size_t>(x_)];
  drawn_.set(static_cast<std::size_t>(x_));
  update.band_left = x_;
  update.band_right = x_ + 1;
  update.cursor_x = x_ + 1;
  update.segments.clear();
  update.segments.reserve(kSeriesCount);

  for (int series = kFirstSeries; series <= kLastSeries; ++series) {
    const auto slot = static_cast<std::size_t>(series - kFirstSeries);
    const float value = samples[static_cast<std::size_t>(series)];
    if (checked.IsChecked(series)) {
      update.segments.push_back({series,
                                 SeriesLineColour(series),
                                 {static_cast<double>(previous_column_), previous_value_[slot]},
                                 {static_cast<double>(x_), value}});
    }
    previous_value_[slot] = value;
  }
  previous_column_ = x_;
  if (choice_ == RangeChoice::kAuto) range_ = NextAutoRange(range_, ExtentOnScreen(checked));
  return update;
}

void StripChart::KeepLatest(const SampleVector& samples) {
  for (int series = kFirstSeries; series <= kLastSeries; ++series) {
    previous_value_[static_cast<std::size_t>(series - kFirstSeries)] =
        samples[static_cast<std::size_t>(series)];
  }
}

float StripChart::PreviousValue(int series) const {
  assert(IsSeries(series));
  return previous_value_[static_cast<std::size_t>(series - kFirstSeries)];
}

void StripChart::SetRangeChoice(RangeChoice choice, const SeriesSelection& checked) {
  choice_ = choice;
  range_ = choice == RangeChoice::kAuto ? NextAutoRange(range_, ExtentOnScreen(checked))
                                        : FixedRange(choice);
}

const ChartUpdate* StripChart::PassAtColumn(int column) const {
  if (column < 0 || column > kChartRight) return nullptr;
  const auto slot = static_cast<std::size_t>(column);
  return drawn_.test(slot) ? &passes_[slot] : nullptr;
}

std::vector<const ChartUpdate*> StripChart::PassesOnScreen() const {
  std::vector<const ChartUpdate*> passes;
  passes.reserve(drawn_.count());
  // The oldest column is the one just right of the newest.
  for (int step = 1; step <= kColumnCount; ++step) {
    if (const ChartUpdate* pass = PassAtColumn((x_ + step) % kColumnCount)) passes.push_back(pass);
  }
  return passes;
}

std::optional<ValueExtent> StripChart::ExtentOnScreen(const SeriesSelection& checked) const {
  std::optional<ValueExtent> extent;
  for (int column = 0; column < kColumnCount; ++column) {
    const ChartUpdate* pass = PassAtColumn(column);
    if (pass == nullptr) continue;
    for (const ChartSegment& segment : pass->segments) {
      // The column's own value: where the segment starts belongs to the column before it (or to
      // the chart's origin on the first pass, which was never read).
      const double value = segment.to.y;
      if (!checked.IsChecked(segment.series) || !std::isfinite(value)) continue;
      if (!extent) {
        extent = ValueExtent{value, value};
      } else {
        extent->low = std::min(extent->low, value);
        extent->high = std::max(extent->high, value);
      }
    }
  }
  return extent;
}

YAxisTexts YAxisLabelTexts(const ChartRange& range) {
  // The middle label is the midpoint of the range in general format.
  const double middle = (range.top - range.bottom) / 2.0 + range.bottom;
  return {QString::number(range.top + 0.0), QString::number(middle + 0.0),
          QString::number(range.bottom + 0.0)};
}

QString XAxisTickText(int tick_index) {
  assert(tick_index >= 0 && tick_index < static_cast<int>(kXAxisTicks.size()));
  return QString::number(kXAxisTicks[static_cast<std::size_t>(tick_index)]);
}

ReadoutTexts MouseReadout(double x, double y, const QLocale& locale) {
  const double sample = common::RoundHalfEven(x);
  const double value = common::RoundHalfEven(y * 10.0) / 10.0;
  return {PlainNumber(sample, locale), PlainNumber(value, locale)};
}

}  // namespace talvix::monitor
