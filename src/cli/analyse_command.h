// SPDX-License-Identifier: MIT
// talvix-cli analyse: the statistics and strongest frequencies of a capture file, or of any file
// holding one column of codes or values, as the capture display windows show them. Works on the
// file alone: nothing is sent to the sensor.
#pragma once

#include "registers/register_table.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

namespace talvix::cli {

struct AnalyseOptions {
  QString file;
  double sample_period_seconds = 0.0;  // from --period-ms or --sps
  int source = 0;  // --source: the codes' data source; 0 leaves them as they are
};

// The words after "analyse": FILE first, then --period-ms P or --sps N (one of them), and
// optionally --source NAME. Nothing, with the reason in `error`, when they are not valid.
std::optional<AnalyseOptions> ParseAnalyseOptions(const QStringList& operands,
                                                  const registers::RegisterTable& table,
                                                  QString& error);

QString AnalyseHelpText();

// Reads the file and prints its analysis (capture/capture_analysis.h) on `out`. kExitUsage, with
// the file and what is wrong with it in `error`, when it cannot be read or holds no samples.
int RunAnalyse(const AnalyseOptions& options, const registers::RegisterTable& table,
               QTextStream& out, QString& error);

}  // namespace talvix::cli
