// SPDX-License-Identifier: MIT
// "Save Chart..." of the "Data Plot" frame, without the drawing: which files it writes and the
// values file. The picture is saved as PNG and the values of the columns on the chart as CSV,
// side by side under one name ("Chart.png" and "Chart.csv").
#pragma once

#include "monitor/strip_chart.h"

#include <QByteArray>
#include <QString>

#include <array>

namespace talvix::monitor {

struct ChartFiles {
  QString picture;  // .png
  QString values;   // .csv
};

// The name offered in the save dialog, in `folder`.
QString SuggestedChartPath(const QString& folder);

// The two files for the name chosen in the save dialog: its ".png" (or ".csv") ending, in any
// case, is replaced; a name without one gets both endings added ("run" -> "run.png", "run.csv").
ChartFiles ChartFilesFor(const QString& chosen);

// The values of the columns on the chart, in order of column: a heading line, then per column
// "column,X_Accel,Y_Accel,AUX_ADC,Temp,X_Accel_Pk,Y_Accel_Pk,RSS,RSS_Pk", each value as read
// (up to seven significant digits, point as decimal separator), empty where that series was not
// drawn at that column. Columns the chart has not drawn yet have no line. Lines end in CR LF.
QByteArray ChartValuesCsv(const StripChart& chart);

// When each column on the chart was read, for the time span the saved picture gives.
class ChartTimes {
 public:
  // The pass drawn at `column` (0..350) was read at `seconds` since midnight.
  void Record(int column, double seconds);
  // When the pass at `column` was read, in seconds since midnight (0 before it was).
  double SecondsAt(int column) const;
  // "14:02:11 to 14:03:40 (89 s) on screen" over the columns still on `chart`, or "Nothing read
  // yet" before the first pass.
  QString SpanText(const StripChart& chart) const;

 private:
  std::array<double, kColumnCount> seconds_{};
};

// The message for a chart file that could not be written, with the reason.
QString ChartNotSavedMessage(const QString& path, const QString& why);

}  // namespace talvix::monitor
