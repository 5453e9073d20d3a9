#include "monitor/output_rows.h"

#include "common/number_text.h"

namespace talvix::monitor {

SampleVector ReadOutputRows(link::RegisterAccess& link) {
  SampleVector samples{};
  for (int row = 1; row <= kRowCount; ++row) {
    link.ReadReg(kOutputRows[row - 1].register_index);
    samples[row] = link.RegValue;
  }
  return samples;
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
