#include "monitor/strip_chart.h"

#include "common/number_text.h"

#include <cassert>

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

ChartUpdate StripChart::PlotDataPoints2(const SampleVector& samples,
                                        const SeriesSelection& checked) {
  ++x_;
  if (x_ > kChartRight) {  // past the right edge: start again at the left edge
    x_ = 0;
    previous_column_ = 0;
  }

  ChartUpdate update;
  update.band_left = x_;
  update.band_right = x_ + 1;
  update.cursor_x = x_ + 1;
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
  return update;
}

float StripChart::PreviousValue(int series) const {
  assert(IsSeries(series));
  return previous_value_[static_cast<std::size_t>(series - kFirstSeries)];
}

YAxisTexts YAxisLabelTexts() {
  // The range is fixed; the middle label is the midpoint of the range in general format.
  const double middle = (kChartTop - kChartBottom) / 2.0 + kChartBottom;
  return {QString::number(kChartTop), QString::number(middle + 0.0), QString::number(kChartBottom)};
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
