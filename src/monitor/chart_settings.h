// SPDX-License-Identifier: MIT
// The strip chart's range choice, kept from run to run in a settings file of the user's own
// configuration folder ("~/.config/talvix/chart.ini"), never in CommPort.cfg, which holds the
// interface settings only.
#pragma once

#include "monitor/chart_range.h"

#include <QString>

namespace talvix::monitor {

// The settings file in the user's configuration folder. Under QStandardPaths' test mode it lies
// in the test folder instead, so that tests never touch the user's own settings.
QString DefaultChartSettingsPath();

// The choice kept in the file at `path`: "±30 g" when there is no file, when it cannot be read as
// a file (a folder, a named pipe) or when it names no choice.
RangeChoice LoadRangeChoice(const QString& path);

// Keeps `choice` in the file at `path`, making its folder when needed; the file is replaced whole
// or left as it was. False, with the reason in `why`, when it could not be written.
bool SaveRangeChoice(const QString& path, RangeChoice choice, QString& why);

// The message for a choice that could not be kept.
QString RangeNotKeptMessage(const QString& path, const QString& why);

}  // namespace talvix::monitor
