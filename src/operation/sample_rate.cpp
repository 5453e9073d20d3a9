// SPDX-License-Identifier: MIT
#include "operation/sample_rate.h"

#include "common/number_text.h"
#include "registers/register_bits.h"

#include <algorithm>

namespace talvix::operation {

double SampleRate(int32_t smpl_prd) {
  const double time_base =
      (smpl_prd & registers::kSmplPrdSlowTimeBase) != 0 ? kSlowTimeBase : kFastTimeBase;
  const int ns = smpl_prd & registers::kSmplPrdMultiplierBits;
  return 1.0 / (time_base * (ns + 1));
}

QString SampleRateText(int32_t smpl_prd, const QLocale& locale) {
  return common::FormatPattern(SampleRate(smpl_prd), u"##0.0", locale);
}

uint16_t SmplPrdForRate(double rate) {
  rate = std::clamp(rate, kLowestRate, kHighestRate);
  const bool slow = rate < kSlowTimeBaseBelow;
  const double time_base = slow ? kSlowTimeBase : kFastTimeBase;
  const double ns = common::RoundHalfEven(1.0 / rate / time_base - 1.0);
  const int multiplier = std::clamp(static_cast<int>(ns), 1, 127);
  return static_cast<uint16_t>(multiplier | (slow ? registers::kSmplPrdSlowTimeBase : 0));
}

BoxEntry SampleRateEntry(const QString& text, const common::FilledCode& filled,
                         const QLocale& locale) {
  if (const std::optional<int32_t> code = filled.Unchanged(text)) {
    return {text, static_cast<uint16_t>(*code)};
  }
  BoxEntry entry{text, 0};
  if (!common::IsLocaleNumeric(text, locale)) {
    entry.text = common::FormatPattern(kHighestRate, u"##0.0", locale);
  }
  entry.code = SmplPrdForRate(common::LocaleLeadingNumber(entry.text, locale));
  return entry;
}

}  // namespace talvix::operation
