// SPDX-License-Identifier: MIT
// The A/B cursors of the paused strip chart, without the drawing: where they start, and what they
// read on one series: the time between the passes under them (as measured when each pass was
// read, not from the loop delay), the value difference, and the statistics of the series' values
// drawn from one cursor's column to the other's.
#pragma once

#include "common/cursor_pair.h"
#include "common/range_statistics.h"
#include "monitor/chart_export.h"
#include "monitor/strip_chart.h"

#include <optional>

namespace talvix::monitor {

// The series the cursors read: the first checked one (X_Accel when it is), or nothing.
std::optional<int> CursorSeries(const SeriesSelection& checked);

// The value of `series` drawn at `column`, when the pass there drew it.
std::optional<double> SeriesValueAt(const StripChart& chart, int series, int column);

// A on the oldest pass on the chart, B on the newest; both on column 0 before the first pass.
common::CursorPair StartingCursors(const StripChart& chart);

// What the cursors read on `series`. Δt is the time from A's pass to B's (negative when B's is
// the older), nothing unless both columns hold a pass; ΔA is 0 unless both drew the series.
common::CursorReadout ChartCursorReadout(const StripChart& chart, const ChartTimes& times,
                                         int series, const common::CursorPair& cursors);

}  // namespace talvix::monitor
