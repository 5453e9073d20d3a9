// SPDX-License-Identifier: MIT
#include "cli/analyse_command.h"

#include "capture/capture_analysis.h"
#include "capture/capture_config.h"
#include "capture/capture_setup.h"
#include "cli/capture_command.h"
#include "cli/cli_app.h"
#include "cli/command_words.h"

#include <QDir>

namespace talvix::cli {

namespace {

// The sample rates the option takes: the sensor's own run from 2.06 to 8192 per second; a file
// from elsewhere may have been sampled far faster or slower.
constexpr double kMinSamplesPerSecond = 1e-6;
constexpr double kMaxSamplesPerSecond = 1e9;

bool ParsePeriod(const CommandWords& words, AnalyseOptions& options, QString& error) {
  const QString period_key = QStringLiteral("--period-ms");
  const QString sps_key = QStringLiteral("--sps");
  const bool period_given = words.values.contains(period_key);
  if (period_given == words.values.contains(sps_key)) {
    error = QStringLiteral(
        "analyse: give the sample period as --period-ms P or the rate as "
        "--sps N (one of them)");
    return false;
  }
  const QString key = period_given ? period_key : sps_key;
  const QString text = words.values.value(key);
  double number = 0.0;
  const double samples_per_second = ParseDecimal(text, false, number) && number > 0.0
                                        ? (period_given ? 1000.0 / number : number)
                                        : 0.0;
  if (!(samples_per_second >= kMinSamplesPerSecond && samples_per_second <= kMaxSamplesPerSecond)) {
    error = QStringLiteral("analyse: bad %1 \"%2\": give a number above 0 (%3)")
                .arg(key, text,
                     period_given ? QStringLiteral("milliseconds between samples, as 0.244")
                                  : QStringLiteral("samples per second, as 4096"));
    return false;
  }
  options.sample_period_seconds = 1.0 / samples_per_second;
  return true;
}

}  // namespace

std::optional<AnalyseOptions> ParseAnalyseOptions(const QStringList& operands,
                                                  const registers::RegisterTable& table,
                                                  QString& error) {
  if (operands.isEmpty() || operands.front().startsWith(QLatin1Char('-'))) {
    error = QStringLiteral("analyse: name the file first, as analyse CapDat_0.csv --sps 4096");
    return std::nullopt;
  }
  AnalyseOptions options;
  options.file = operands.front();
  CommandWords words;
  if (!SplitCommandWords(
          QStringLiteral("analyse"), operands.mid(1),
          {QStringLiteral("--period-ms"), QStringLiteral("--sps"), QStringLiteral("--source")}, {},
          words, error) ||
      !ParsePeriod(words, options, error)) {
    return std::nullopt;
  }
  if (words.values.contains(QStringLiteral("--source"))) {
    const QString name = words.values.value(QStringLiteral("--source"));
    const std::optional<int> source = capture::FindCaptureSource(name);
    QString unit;
    if (!source || !capture::InSourceUnits(table, *source, {}, unit)) {
      error = QStringLiteral("analyse: unknown or empty --source \"%1\"; the sources are %2")
                  .arg(name, capture::SourceListTexts().mid(1).join(QStringLiteral(", ")));
      return std::nullopt;
    }
    options.source = *source;
  }
  return options;
}

QString AnalyseHelpText() {
  return QStringLiteral(
      "usage: talvix-cli analyse FILE --period-ms P | --sps N [--source NAME]\n"
      "Prints the statistics and the three strongest spectral peaks of the samples in\n"
      "FILE: a capture file (lines \"i,code\") or any file of one column of codes or\n"
      "values (a first line that is not numbers is skipped as a header). Nothing is\n"
      "sent to the sensor.\n"
      "  --period-ms P  the time between samples, in ms (the capture's sample period)\n"
      "  --sps N        or the samples per second\n"
      "  --source NAME  the codes' data source (as X_Acceleration): the values are\n"
      "                 shown in its unit, as the capture windows show them\n"
      "The lines are tab-separated: samples, period_ms, unit, minimum, maximum, mean,\n"
      "rms (offset included), peak_to_peak, bin_hz (the spectrum's resolution), and\n"
      "\"peak RANK HZ AMPLITUDE\" for each peak, strongest first. The spectrum has the\n"
      "mean removed and a Hann window; a sine of amplitude A reads A at its peak.\n"
      "exit status: 0 done; 2 bad command line, or a file that cannot be read or holds\n"
      "no samples\n");
}

int RunAnalyse(const AnalyseOptions& options, const registers::RegisterTable& table,
               QTextStream& out, QString& error) {
  QString why;
  std::optional<std::vector<double>> values = capture::ReadSampleFile(options.file, why);
  QString unit;
  if (values && options.source != 0) {
    values = capture::InSourceUnits(table, options.source, *values, unit);
  }
  if (!values) {
    error = QStringLiteral("analyse: cannot analyse %1: %2")
                .arg(QDir::toNativeSeparators(options.file), why);
    return kExitUsage;
  }
  const capture::Analysis analysis = capture::Analyse(*values, options.sample_period_seconds);
  out << capture::AnalysisText(analysis, options.sample_period_seconds, unit);
  return kExitOk;
}

}  // namespace talvix::cli
