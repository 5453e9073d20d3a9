// SPDX-License-Identifier: MIT
// A log of the datalog's values as one stream of CSV rows (talvix-cli log): a header row, then one
// row per sample, the first column the seconds since the first sample began (monotonic clock,
// microseconds), then the selected values in column order, with a point as the decimal
// separator. The samples are taken as the datalog run takes them (ReadDatalogSample, then
// PauseAfterSample), except that nothing follows the last one.
#pragma once

#include "datalog/datalog_format.h"
#include "datalog/sample_account.h"
#include "session/session.h"

#include <QByteArray>

#include <cstdint>
#include <functional>

namespace talvix::datalog {

struct SampleLogSettings {
  Selection selection{};
  int64_t samples = 1000;
  double delay_ms = 0;
};

struct SampleLogHooks {
  // Takes the header and each row as it is made; false ends the log (the output failed).
  std::function<bool(const QByteArray& text)> write;
  // Asked before each sample and during each pause: true ends the log after the sample under way.
  std::function<bool()> stop_requested = [] { return false; };
  // After each row: the account of the rows so far and the seconds since the first sample began.
  std::function<void(const SampleAccount& account, double seconds)> progress = nullptr;
  // With each row, before `write` takes its text: the seconds column and the `count` selected
  // values, as numbers (the Python module's log builds its array from them).
  std::function<void(double seconds, const float* values, int count)> row_values = nullptr;
};

enum class SampleLogEnd {
  kCompleted,     // every sample taken
  kStopped,       // stop_requested said so
  kReadFailed,    // a read brought no value: no row for that sample
  kOutputFailed,  // write said so
};

struct SampleLogResult {
  SampleLogEnd end = SampleLogEnd::kCompleted;
  int64_t rows = 0;           // rows written
  int64_t failed_sample = 0;  // kReadFailed: the sample (1..) whose read failed
  int failed_column = 0;      // and the column of that read
  SampleAccount account;      // of the samples that gave a row
};

// "seconds" and the selected columns' names (ColumnName), comma-separated, with its line end.
QByteArray SampleLogHeader(const registers::RegisterTable& table, const Selection& selection);

SampleLogResult RunSampleLog(Session& session, const SampleLogSettings& settings,
                             const SampleLogHooks& hooks);

}  // namespace talvix::datalog
