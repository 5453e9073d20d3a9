// SPDX-License-Identifier: MIT
#include "monitor/chart_settings.h"

#include "common/user_settings_file.h"

#include <optional>

namespace talvix::monitor {

namespace {

const QString kRangeKey = QStringLiteral("Chart/Range");

}  // namespace

QString DefaultChartSettingsPath() {
  return common::UserSettingsPath(QStringLiteral("chart.ini"));
}

RangeChoice LoadRangeChoice(const QString& path) {
  const std::optional<QVariant> kept = common::ReadUserSetting(path, kRangeKey);
  if (!kept) return RangeChoice::kPlusMinus30;
  return RangeChoiceFromKey(kept->toString()).value_or(RangeChoice::kPlusMinus30);
}

bool SaveRangeChoice(const QString& path, RangeChoice choice, QString& why) {
  return common::WriteUserSetting(path, kRangeKey, RangeChoiceKey(choice), why);
}

QString RangeNotKeptMessage(const QString& path, const QString& why) {
  return QStringLiteral(
             "The chart range could not be kept in %1: %2. The chart keeps it until "
             "the program ends.")
      .arg(path, why);
}

}  // namespace talvix::monitor
