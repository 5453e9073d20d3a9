// SPDX-License-Identifier: MIT
#include "monitor/chart_range.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace talvix::monitor {

namespace {

struct ChoiceTraits {
  RangeChoice choice;
  const char* key;
  double full_scale;  // g; 0 for Auto
};

constexpr std::array<ChoiceTraits, kRangeChoices.size()> kChoiceTraits{{
    {RangeChoice::kPlusMinus30, "30", 30.0},
    {RangeChoice::kPlusMinus10, "10", 10.0},
    {RangeChoice::kPlusMinus5, "5", 5.0},
    {RangeChoice::kPlusMinus2, "2", 2.0},
    {RangeChoice::kPlusMinus1, "1", 1.0},
    {RangeChoice::kAuto, "auto", 0.0},
}};

const ChoiceTraits& TraitsOf(RangeChoice choice) {
  return kChoiceTraits[static_cast<std::size_t>(choice)];
}

// Margin around the values, as a share of their spread on each side.
constexpr double kMarginShare = 0.25;
// Least margin of a flat line: a share of its magnitude, and an absolute floor in its unit.
constexpr double kFlatMarginShare = 0.05;
constexpr double kFlatMarginFloor = 0.05;

// The smallest step of 1, 2 or 5 times a power of ten that is at least `least` (> 0).
double ReadableStep(double least) {
  const double decade = std::pow(10.0, std::floor(std::log10(least)));
  for (const double mantissa : {1.0, 2.0, 5.0, 10.0}) {
    if (mantissa * decade >= least * (1.0 - 1e-12)) return mantissa * decade;
  }
  return 10.0 * decade;
}

}  // namespace

QString RangeChoiceText(RangeChoice choice) {
  if (choice == RangeChoice::kAuto) return QStringLiteral("Auto");
  return QStringLiteral("\u00B1%1 g").arg(TraitsOf(choice).full_scale);
}

QString RangeChoiceKey(RangeChoice choice) {
  return QString::fromLatin1(TraitsOf(choice).key);
}

std::optional<RangeChoice> RangeChoiceFromKey(QStringView key) {
  for (const ChoiceTraits& traits : kChoiceTraits) {
    if (key.trimmed().compare(QLatin1String(traits.key), Qt::CaseInsensitive) == 0) {
      return traits.choice;
    }
  }
  return std::nullopt;
}

ChartRange FixedRange(RangeChoice choice) {
  assert(choice != RangeChoice::kAuto);
  const double full_scale = TraitsOf(choice).full_scale;
  return {full_scale, -full_scale};
}

ChartRange FitRange(ValueExtent extent) {
  const double magnitude = std::max(std::abs(extent.low), std::abs(extent.high));
  const double margin = std::max(
      {(extent.high - extent.low) * kMarginShare, magnitude * kFlatMarginShare, kFlatMarginFloor});
  const double low = extent.low - margin;
  const double high = extent.high + margin;

  // Between two and four steps from bottom to top.
  const double step = ReadableStep((high - low) / 2.0);
  double bottom_steps = std::floor(low / step + 1e-9);
  double top_steps = std::ceil(high / step - 1e-9);
  if (static_cast<long long>(top_steps - bottom_steps) % 2 != 0) {
    // One more step on the side where the values come nearer the edge.
    if (top_steps * step - high < low - bottom_steps * step) {
      top_steps += 1.0;
    } else {
      bottom_steps -= 1.0;
    }
  }
  return {top_steps * step, bottom_steps * step};
}

ChartRange NextAutoRange(const ChartRange& shown, const std::optional<ValueExtent>& extent) {
  if (!extent) return shown;
  const ChartRange fitted = FitRange(*extent);
  // The values with their margin still fit, and the range is not twice as tall as it need be.
  const bool inside = shown.Contains(fitted.top) && shown.Contains(fitted.bottom);
  if (inside && fitted.Span() > shown.Span() / 2.0) return shown;
  return fitted;
}

}  // namespace talvix::monitor
