// SPDX-License-Identifier: MIT
#include "monitor/chart_export.h"

#include "common/number_text.h"
#include "monitor/output_rows.h"
#include "monitor/stale_values.h"

#include <QDir>
#include <QStringList>

namespace talvix::monitor {

namespace {

constexpr char kLineEnd[] = "\r\n";

}  // namespace

QString SuggestedChartPath(const QString& folder) {
  return QDir(folder).filePath(QStringLiteral("Chart.png"));
}

ChartFiles ChartFilesFor(const QString& chosen) {
  QString base = chosen;
  for (const QString& ending : {QStringLiteral(".png"), QStringLiteral(".csv")}) {
    if (base.endsWith(ending, Qt::CaseInsensitive)) {
      base.chop(ending.size());
      break;
    }
  }
  return {base + QStringLiteral(".png"), base + QStringLiteral(".csv")};
}

QByteArray ChartValuesCsv(const StripChart& chart) {
  QStringList heading{QStringLiteral("Column")};
  for (int series = kFirstSeries; series <= kLastSeries; ++series) {
    heading << QString::fromLatin1(kOutputRows[static_cast<std::size_t>(series - 1)].caption);
  }
  QByteArray text = heading.join(u',').toLatin1() + kLineEnd;

  for (int column = 0; column <= kChartRight; ++column) {
    const ChartUpdate* pass = chart.PassAtColumn(column);
    if (pass == nullptr) continue;
    std::array<QString, kSeriesCount> cells;
    for (const ChartSegment& segment : pass->segments) {
      cells[static_cast<std::size_t>(segment.series - kFirstSeries)] =
          common::SingleText(static_cast<float>(segment.to.y));
    }
    text += QByteArray::number(column);
    for (const QString& cell : cells) text += ',' + cell.toLatin1();
    text += kLineEnd;
  }
  return text;
}

void ChartTimes::Record(int column, double seconds) {
  if (column < 0 || column > kChartRight) return;
  seconds_[static_cast<std::size_t>(column)] = seconds;
}

double ChartTimes::SecondsAt(int column) const {
  if (column < 0 || column > kChartRight) return 0.0;
  return seconds_[static_cast<std::size_t>(column)];
}

QString ChartTimes::SpanText(const StripChart& chart) const {
  const int newest = chart.X();
  if (chart.PassAtColumn(newest) == nullptr) return QStringLiteral("Nothing read yet");
  // The oldest column on the chart is the first drawn one right of the newest, wrapping round.
  int oldest = newest;
  for (int step = 1; step <= kColumnCount; ++step) {
    const int column = (newest + step) % kColumnCount;
    if (chart.PassAtColumn(column) != nullptr) {
      oldest = column;
      break;
    }
  }
  const double first = seconds_[static_cast<std::size_t>(oldest)];
  double last = seconds_[static_cast<std::size_t>(newest)];
  if (last < first) last += 24 * 60 * 60;  // past midnight
  return QStringLiteral("%1 to %2 (%3 s) on screen")
      .arg(ClockText(first), ClockText(last), QString::number(last - first, 'f', 1));
}

QString ChartNotSavedMessage(const QString& path, const QString& why) {
  return QStringLiteral(
             "The chart could not be saved to %1: %2. The file of that name was left "
             "as it was.")
      .arg(path, why);
}

}  // namespace talvix::monitor
