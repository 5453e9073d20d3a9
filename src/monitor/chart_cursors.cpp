// SPDX-License-Identifier: MIT
#include "monitor/chart_cursors.h"

#include <vector>

namespace talvix::monitor {

namespace {

constexpr double kSecondsPerDay = 86400.0;

}  // namespace

std::optional<int> CursorSeries(const SeriesSelection& checked) {
  for (int series = kFirstSeries; series <= kLastSeries; ++series) {
    if (checked.IsChecked(series)) return series;
  }
  return std::nullopt;
}

std::optional<double> SeriesValueAt(const StripChart& chart, int series, int column) {
  const ChartUpdate* pass = chart.PassAtColumn(column);
  if (pass == nullptr) return std::nullopt;
  for (const ChartSegment& segment : pass->segments) {
    if (segment.series == series) return segment.to.y;
  }
  return std::nullopt;
}

common::CursorPair StartingCursors(const StripChart& chart) {
  common::CursorPair cursors;
  cursors.Reset(0, kChartRight);
  const int newest = chart.X();
  int oldest = newest;
  // The oldest pass on the chart is the first drawn column right of the newest, wrapping round.
  for (int step = 1; step <= kColumnCount; ++step) {
    const int column = (newest + step) % kColumnCount;
    if (chart.PassAtColumn(column) != nullptr) {
      oldest = column;
      break;
    }
  }
  cursors.Place(common::Cursor::kB, newest);
  cursors.Place(common::Cursor::kA, oldest);
  return cursors;
}

common::CursorReadout ChartCursorReadout(const StripChart& chart, const ChartTimes& times,
                                         int series, const common::CursorPair& cursors) {
  common::CursorReadout readout;
  readout.a = cursors.a();
  readout.b = cursors.b();
  if (chart.PassAtColumn(readout.a) != nullptr && chart.PassAtColumn(readout.b) != nullptr) {
    double seconds = times.SecondsAt(readout.b) - times.SecondsAt(readout.a);
    // The clock counts from midnight: a span across it is the short way round.
    if (seconds > kSecondsPerDay / 2) seconds -= kSecondsPerDay;
    if (seconds < -kSecondsPerDay / 2) seconds += kSecondsPerDay;
    readout.delta_ms = seconds * 1000.0;
  }
  const std::optional<double> at_a = SeriesValueAt(chart, series, readout.a);
  const std::optional<double> at_b = SeriesValueAt(chart, series, readout.b);
  if (at_a && at_b) readout.delta_value = *at_b - *at_a;
  std::vector<double> values;
  for (int column = cursors.Left(); column <= cursors.Right(); ++column) {
    if (const std::optional<double> value = SeriesValueAt(chart, series, column)) {
      values.push_back(*value);
    }
  }
  readout.statistics = common::StatisticsOf(values);
  return readout;
}

}  // namespace talvix::monitor
