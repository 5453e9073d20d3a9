// SPDX-License-Identifier: MIT
// talvix-cli log: the datalog window's values, sampled as its run samples them (the same reads in
// the same order, the same pause after each sample), written as CSV (datalog/sample_log.h) to
// standard output or a file, with progress on a terminal and a clean end on a signal.
#pragma once

#include "cli/log_output.h"
#include "datalog/datalog_format.h"
#include "registers/register_table.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cstdint>
#include <functional>
#include <optional>

namespace talvix {
class Session;
namespace platform {
class LibUsbDriver;
}  // namespace platform
}  // namespace talvix

namespace talvix::cli {

struct LogOptions {
  datalog::Selection selection{};  // every value unless --values says otherwise
  int64_t samples = 1000;
  double delay_ms = 0;
  QString output;  // "-" or empty: standard output
  // --status jsonl: one JSON object a second on standard error, and one at the end.
  bool status_jsonl = false;
};

inline constexpr int64_t kMaxLogSamples = 1000000000;

// The words after "log"; nothing, with the reason in `error`, when they are not valid.
std::optional<LogOptions> ParseLogOptions(const QStringList& operands,
                                          const registers::RegisterTable& table, QString& error);

QString LogHelpText(const registers::RegisterTable& table);

struct LogHooks {
  // Read between samples and during the pause: true ends the run after the sample under way, as
  // a completed run ends.
  std::function<bool()> stop_requested = [] { return false; };
  // Samples done and samples per second, rewritten in place about four times a second; nullptr
  // for none.
  QTextStream* progress = nullptr;
  // Standard error, for the account of the samples at the end of a run that took any
  // (SampleAccount::Summary), or with --status jsonl for the status objects; nullptr for none.
  QTextStream* account = nullptr;
};

// Runs the log on `session`, whose interface is up, into `output` (opened). Returns kExitOk when
// every sample was taken or a stop was requested, kExitDeviceError when a read did not bring a
// value (no row for that sample; the rows before it are kept) or the output could not be written;
// `error` then says why. `libusb` as for RunCommand.
int RunLog(const LogOptions& options, Session& session, const platform::LibUsbDriver* libusb,
           LogOutput& output, const LogHooks& hooks, QString& error);

}  // namespace talvix::cli
