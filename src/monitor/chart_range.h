// SPDX-License-Identifier: MIT
// The vertical range of the strip chart: the choice in the "Data Plot" frame ("±30 g" by default,
// fixed ranges down to "±1 g", or "Auto"), the range it gives, and how "Auto" fits the values on
// the chart. Every series is drawn against the same range in its own unit (g for the
// accelerations, degC for the temperature, the scaled code for AUX_ADC).
#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace talvix::monitor {

// The default range, top and bottom of the chart in g.
inline constexpr double kChartTop = 30.0;
inline constexpr double kChartBottom = -30.0;

// Values from `top` at the top edge of the chart to `bottom` at its bottom edge; top > bottom.
struct ChartRange {
  double top = kChartTop;
  double bottom = kChartBottom;

  double Span() const { return top - bottom; }
  // 0 at the top edge, 1 at the bottom edge; outside 0..1 for values off the chart.
  double FractionFromTop(double value) const { return (top - value) / Span(); }
  bool Contains(double value) const { return value >= bottom && value <= top; }

  friend bool operator==(const ChartRange&, const ChartRange&) = default;
};

enum class RangeChoice { kPlusMinus30, kPlusMinus10, kPlusMinus5, kPlusMinus2, kPlusMinus1, kAuto };

// The choices in the order of the list.
inline constexpr std::array<RangeChoice, 6> kRangeChoices{
    RangeChoice::kPlusMinus30, RangeChoice::kPlusMinus10, RangeChoice::kPlusMinus5,
    RangeChoice::kPlusMinus2,  RangeChoice::kPlusMinus1,  RangeChoice::kAuto};

// The text in the list: "±30 g" .. "±1 g", "Auto".
QString RangeChoiceText(RangeChoice choice);

// The word a choice is kept under in the user's settings ("30", "10", "5", "2", "1", "auto"), and
// back; nothing for a word that names no choice.
QString RangeChoiceKey(RangeChoice choice);
std::optional<RangeChoice> RangeChoiceFromKey(QStringView key);

// The range of a fixed choice, symmetric about 0. `choice` must not be kAuto.
ChartRange FixedRange(RangeChoice choice);

// The lowest and highest value on the chart.
struct ValueExtent {
  double low = 0.0;
  double high = 0.0;
};

// A readable range around `extent`: a margin of a quarter of the spread on each side (at least
// 5 % of the largest magnitude, and at least 0.05, for a flat line), with top and bottom on
// multiples of a step of 1, 2 or 5 times a power of ten and an even number of steps between them,
// so that the middle label is a multiple of the step too. 0.8..1.2 gives 0.5..1.5.
ChartRange FitRange(ValueExtent extent);

// "Auto" after a pass: the range shown so far, kept while the values on the chart with their
// margin (the fitted range) lie inside it and the fitted range is more than half as tall;
// otherwise the fitted range. So the range moves only when a value comes near an edge or leaves
// it, or when the chart could be drawn at twice the height. Without a value on the chart the
// range is kept.
ChartRange NextAutoRange(const ChartRange& shown, const std::optional<ValueExtent>& extent);

}  // namespace talvix::monitor
