// SPDX-License-Identifier: MIT
// One datalog sample and the pause after it, as the datalog window's run takes them and as
// talvix-cli log takes them: the selected values read one after another in column order, then the
// sample delay waited in slices.
#pragma once

#include "datalog/datalog_format.h"
#include "link/delay.h"
#include "link/register_access.h"
#include "platform/clock.h"
#include "registers/register_table.h"

#include <QString>

#include <functional>
#include <optional>

namespace talvix::datalog {

// The pause ReadReg makes after every read, in ms: a sample of n values takes at least n of them.
inline constexpr double kReadPauseMs = 0.1;

// The pauses a sample must make: one per selected value, plus the sample delay.
double MandatedSampleMs(const Selection& selection, double delay_ms);

// The name a column goes by on a command line and in a header row: its register's Label without
// blanks (SUPPLY, XACCL, YACCL, TEMPERA, RSS_XY, X_PEAK, Y_PEAK, RSS_PEAK).
QString ColumnName(const registers::RegisterTable& table, int column);

// The column `name` stands for: its ColumnName or its register's Label (blanks and case do not
// matter), or the caption beside its box ("Peak Y acceleration", case does not matter).
std::optional<int> FindColumn(const registers::RegisterTable& table, const QString& name);

// Reads the selected values, in column order with nothing between them, into `values` (`count`
// of them). False at the first read that does not bring a value: it did not reach the sensor, or
// it came back all ones, which none of the eight registers gives as data (see the .cpp); then
// `failed_column` (when given) is the column whose read failed, and no value of it is kept. With
// Fast read-out on the USB SPI card the values come in one batch (link/batched_readout.h).
bool ReadDatalogSample(link::RegisterAccess& device, const Selection& selection, float* values,
                       int& count, int* failed_column = nullptr);

// The wait after a sample: `delay_ms` in slices of at most 0.1 s, with a yield after each; with
// no delay, exactly one yield. It ends when either the slices waited or the clock (which also
// counts the time the yields took) reach the delay, or as soon as `cancelled` says so after a
// yield. False when a yield says that the run must end at once.
bool PauseAfterSample(platform::Clock& clock, link::Delay& delay, double delay_ms,
                      const std::function<bool()>& yield, const std::function<bool()>& cancelled);

}  // namespace talvix::datalog
