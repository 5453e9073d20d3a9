// SPDX-License-Identifier: MIT
#include "monitor/output_rows.h"

#include "common/number_text.h"
#include "link/batched_readout.h"

#include <vector>

namespace talvix::monitor {

namespace {

// The pass with Fast read-out: the nine rows in one batch. Judged as the row-by-row pass is: a
// failed transfer leaves no value, nine words of all ones are a sensor that does not answer.
OutputPass ReadOutputRowsBatched(link::RegisterAccess& link) {
  std::array<int16_t, kRowCount> indices{};
  for (int row = 0; row < kRowCount; ++row) indices[row] = kOutputRows[row].register_index;
  std::vector<link::RegisterRead> reads;
  OutputPass pass;
  pass.status = link::ReadRegsBatched(link, indices, reads);
  if (!link::Reached(pass.status)) return pass;
  bool all_ones = true;
  for (int row = 1; row <= kRowCount; ++row) {
    all_ones = all_ones && reads[row - 1].RawWord == link::kNoAnswerWord;
    pass.samples[row] = reads[row - 1].RegValue;
  }
  pass.result = all_ones ? PassResult::kNoAnswer : PassResult::kRead;
  if (all_ones) pass.samples = {};
  return pass;
}

}  // namespace

OutputPass ReadOutputRows(link::RegisterAccess& link) {
  if (link::BatchedReadout(link)) return ReadOutputRowsBatched(link);
  OutputPass pass;
  bool all_ones = true;
  for (int row = 1; row <= kRowCount; ++row) {
    const link::LinkStatus status = link.ReadReg(kOutputRows[row - 1].register_index);
    if (!link::Reached(status)) {
      pass.status = status;
      pass.samples = {};
      return pass;
    }
    all_ones = all_ones && link.RawWord == link::kNoAnswerWord;
    pass.samples[row] = link.RegValue;
  }
  pass.status = link::LinkStatus::kDone;
  pass.result = all_ones ? PassResult::kNoAnswer : PassResult::kRead;
  if (all_ones) pass.samples = {};
  return pass;
}

QString PassProblemText(const OutputPass& pass) {
  switch (pass.result) {
    case PassResult::kRead:
      return {};
    case PassResult::kNoAnswer:
      return QStringLiteral("The sensor does not answer: asleep or not connected.");
    case PassResult::kNotReached:
      break;
  }
  if (pass.status == link::LinkStatus::kLinkFailed) {
    return QStringLiteral("Not read: the interface failed. Choose it again in the Interface menu.");
  }
  return QStringLiteral("Not read: no interface is ready. Choose one in the Interface menu.");
}

QString RowText(float value, const QLocale& locale) {
  return common::FormatPattern(value, u"0.000", locale);
}

SupplyShade SupplyShadeOf(const QString& shown, const QLocale& locale) {
  // The text carries the locale's separator; read it back the same way, so that "2,599" is not
  // taken for 2.
  bool ok = false;
  double volts = locale.toDouble(shown, &ok);
  if (!ok) volts = common::LeadingNumber(shown);
  if (volts < kSupplyLimitVolts) return SupplyShade::kLow;
  if (volts > kSupplyLimitVolts) return SupplyShade::kNormal;
  return SupplyShade::kUnchanged;
}

}  // namespace talvix::monitor
