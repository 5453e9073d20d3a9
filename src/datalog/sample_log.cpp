// SPDX-License-Identifier: MIT
#include "datalog/sample_log.h"

#include "datalog/datalog_sample.h"

#include <QLocale>

#include <array>

namespace talvix::datalog {

QByteArray SampleLogHeader(const registers::RegisterTable& table, const Selection& selection) {
  QByteArray header = "seconds";
  for (int column = 0; column < kColumnCount; ++column) {
    if (!selection[column]) continue;
    header += ',';
    header += ColumnName(table, column).toLatin1();
  }
  header += '\n';
  return header;
}

SampleLogResult RunSampleLog(Session& session, const SampleLogSettings& settings,
                             const SampleLogHooks& hooks) {
  SampleLogResult result;
  result.account = SampleAccount(settings.delay_ms);
  if (!hooks.write(SampleLogHeader(session.table, settings.selection))) {
    result.end = SampleLogEnd::kOutputFailed;
    return result;
  }
  platform::Clock& clock = session.clock();
  const QLocale c_locale = QLocale::c();
  const std::function<bool()> go_on = [] { return true; };  // no window events to let run
  std::array<float, kColumnCount> values{};
  QByteArray row;
  const double start = clock.MonotonicSeconds();
  for (int64_t sample = 1; sample <= settings.samples; ++sample) {
    if (hooks.stop_requested()) {
      result.end = SampleLogEnd::kStopped;
      return result;
    }
    const double at = clock.MonotonicSeconds() - start;
    int count = 0;
    if (!ReadDatalogSample(session.link, settings.selection, values.data(), count,
                           &result.failed_column)) {
      result.end = SampleLogEnd::kReadFailed;
      result.failed_sample = sample;
      return result;
    }
    result.account.Take(start + at, clock.MonotonicSeconds());
    if (hooks.row_values) hooks.row_values(at, values.data(), count);
    row = QByteArray::number(at, 'f', 6);
    for (int i = 0; i < count; ++i) {
      row += ',';
      row += DatalogNumber(values[i], c_locale).toLatin1();
    }
    row += '\n';
    if (!hooks.write(row)) {
      result.end = SampleLogEnd::kOutputFailed;
      return result;
    }
    ++result.rows;
    if (hooks.progress) hooks.progress(result.account, clock.MonotonicSeconds() - start);
    if (sample < settings.samples) {
      PauseAfterSample(clock, *session.delay, settings.delay_ms, go_on, hooks.stop_requested);
    }
  }
  return result;
}

}  // namespace talvix::datalog
