// SPDX-License-Identifier: MIT
#include "datalog/datalog_sample.h"

#include "link/batched_readout.h"

#include <algorithm>
#include <vector>

namespace talvix::datalog {

namespace {

// The longest wait between two yields during the sample delay.
constexpr double kPauseSliceMs = 100.0;

QString WithoutBlanks(const QString& text) {
  QString kept;
  for (const QChar c : text) {
    if (!c.isSpace()) kept += c;
  }
  return kept;
}

}  // namespace

double MandatedSampleMs(const Selection& selection, double delay_ms) {
  const auto reads = std::count(selection.begin(), selection.end(), true);
  return static_cast<double>(reads) * kReadPauseMs + delay_ms;
}

QString ColumnName(const registers::RegisterTable& table, int column) {
  return WithoutBlanks(table.at(kColumns[column].register_index).Label);
}

std::optional<int> FindColumn(const registers::RegisterTable& table, const QString& name) {
  const QString wanted = WithoutBlanks(name);
  if (wanted.isEmpty()) return std::nullopt;
  for (int column = 0; column < kColumnCount; ++column) {
    if (ColumnName(table, column).compare(wanted, Qt::CaseInsensitive) == 0 ||
        QString::fromLatin1(kColumns[column].caption)
                .compare(name.trimmed(), Qt::CaseInsensitive) == 0) {
      return column;
    }
  }
  return std::nullopt;
}

namespace {

// The sample with Fast read-out: the selected values in one batch, each word judged by the same
// rule as a single read's.
bool ReadDatalogSampleBatched(link::RegisterAccess& device, const Selection& selection,
                              float* values, int& count, int* failed_column) {
  std::vector<int16_t> indices;
  std::vector<int> columns;
  for (int column = 0; column < kColumnCount; ++column) {
    if (!selection[column]) continue;
    indices.push_back(kColumns[column].register_index);
    columns.push_back(column);
  }
  std::vector<link::RegisterRead> reads;
  const link::LinkStatus status = link::ReadRegsBatched(device, indices, reads);
  count = 0;
  for (size_t i = 0; i < indices.size(); ++i) {
    if (i >= reads.size() || !link::Answered(status, reads[i].RawWord)) {
      if (failed_column != nullptr) *failed_column = columns[i];
      return false;
    }
    values[count++] = reads[i].RegValue;
  }
  return true;
}

}  // namespace

bool ReadDatalogSample(link::RegisterAccess& device, const Selection& selection, float* values,
                       int& count, int* failed_column) {
  if (link::BatchedReadout(device)) {
    return ReadDatalogSampleBatched(device, selection, values, count, failed_column);
  }
  // None of the eight registers can answer all ones as data: SUPPLY and TEMPERA hold 12 data bits
  // whose bits 12-13 always read 0, and the 14-bit registers would need their data code 0x3FFF
  // and both flag bits at once, which the idle data line of a sensor that is gone gives for every
  // read. Such a word is taken as no answer, as everywhere else in the program.
  count = 0;
  for (int column = 0; column < kColumnCount; ++column) {
    if (!selection[column]) continue;
    if (!link::Answered(device.ReadReg(kColumns[column].register_index), device.RawWord)) {
      if (failed_column != nullptr) *failed_column = column;
      return false;
    }
    values[count++] = device.RegValue;
  }
  return true;
}

bool PauseAfterSample(platform::Clock& clock, link::Delay& delay, double delay_ms,
                      const std::function<bool()>& yield, const std::function<bool()>& cancelled) {
  const double start = clock.MonotonicSeconds();
  double waited_ms = 0;
  const auto done_ms = [&] {
    return std::max(waited_ms, (clock.MonotonicSeconds() - start) * 1000.0);
  };
  for (;;) {
    const double left_ms = delay_ms - done_ms();
    if (left_ms > 0) {
      const double slice_ms = std::min(kPauseSliceMs, left_ms);
      delay.DelayMs(slice_ms);
      waited_ms += slice_ms;
    }
    if (!yield()) return false;
    if (cancelled() || done_ms() >= delay_ms) return true;
  }
}

}  // namespace talvix::datalog
