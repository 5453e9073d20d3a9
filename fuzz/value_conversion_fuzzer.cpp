// SPDX-License-Identifier: MIT
// Threshold conversions of the alarm and capture sources, on every source index and typed text.
// Invariants, for sources 1..9:
//  - UnitsToRaw's code is finite and fits the source register's field (0 .. 2^ReadLen - 1; the
//    signed 14-bit sources after the +16384 step, AUX 0..4095); it is whole except for the
//    temperature;
//  - the text is left alone when its leading number is within the source's limits, else it is
//    replaced by the limit it passed (the texts UnitsToRaw gives for -1e300 and 1e300), and a
//    replaced text converts to the same code without changing again;
//  - RawToUnits of that code is within half a code of the limited value for the invertible
//    sources, within half a degree for the temperature (rounded in degrees);
//  - RawToUnits of any field code agrees with the read rule for that register, except AUX
//    (codes above 4095 are limited, not sign-extended).
// Other indices convert to nothing and leave the text alone.
#include "common/number_text.h"
#include "fuzz_support.h"
#include "registers/register_table.h"
#include "registers/value_conversion.h"

#include <cmath>

namespace {

using namespace talvix::registers;

const RegisterTable& Table() {
  return talvix::fuzz::BuiltRegisterTable();
}

QString LimitText(int16_t source, double beyond) {
  QString text = QString::number(beyond);
  TALVIX_FUZZ_CHECK(UnitsToRaw(Table(), source, text).has_value());
  return text;
}

void CheckUnitsToRaw(int16_t source, const QString& typed) {
  const RegisterEntry& entry = Table().at(*SourceRegister(source));
  const QString low_text = LimitText(source, -1e300);
  const QString high_text = LimitText(source, 1e300);
  const double low = talvix::common::LeadingNumber(low_text);
  const double high = talvix::common::LeadingNumber(high_text);
  TALVIX_FUZZ_CHECK(low < high);

  QString text = typed;
  const std::optional<double> code = UnitsToRaw(Table(), source, text);
  TALVIX_FUZZ_CHECK(code.has_value() && std::isfinite(*code));
  const double top = source == kSourceAuxAdc ? 4095.0 : std::ldexp(1.0, entry.ReadLen) - 1;
  TALVIX_FUZZ_CHECK(*code >= 0 && *code <= top);
  if (source != kSourceTemperature) TALVIX_FUZZ_CHECK(*code == std::floor(*code));

  const double typed_value = talvix::common::LeadingNumber(typed);
  double limited = typed_value;
  if (typed_value < low) {
    TALVIX_FUZZ_CHECK(text == low_text);
    limited = low;
  } else if (typed_value > high) {
    TALVIX_FUZZ_CHECK(text == high_text);
    limited = high;
  } else {
    TALVIX_FUZZ_CHECK(text == typed);
  }
  if (text != typed) {
    QString again = text;
    TALVIX_FUZZ_CHECK(UnitsToRaw(Table(), source, again) == code && again == text);
  }

  double raw = *code;
  const std::optional<float> units = RawToUnits(Table(), source, raw);
  TALVIX_FUZZ_CHECK(units.has_value() && std::isfinite(*units));
  const double shown = *units;
  const double scale = std::fabs(static_cast<double>(entry.RegScale));
  // Single-precision products: a few units in the last place of the value on top of rounding.
  const double float_slack = (std::fabs(limited) + 1.0) * 4e-7;
  if (source == kSourceTemperature) {
    TALVIX_FUZZ_CHECK(std::fabs(shown - limited) <= 0.5 + float_slack + 1e-4);
  } else if (source != kSourceAuxAdc) {
    TALVIX_FUZZ_CHECK(std::fabs(shown - limited) <= 0.5 * scale + float_slack);
  }
}

void CheckRawToUnits(int16_t source, uint32_t bits) {
  const RegisterEntry& entry = Table().at(*SourceRegister(source));
  const int32_t field = static_cast<int32_t>(bits & ((uint32_t{1} << entry.ReadLen) - 1));
  double raw = field;
  const std::optional<float> units = RawToUnits(Table(), source, raw);
  TALVIX_FUZZ_CHECK(units.has_value() && std::isfinite(*units));
  if (source == kSourceAuxAdc) {
    TALVIX_FUZZ_CHECK(raw == std::min(field, 4095));
    return;
  }
  const DecodedWord decoded = ApplyReadRule(entry, field);
  TALVIX_FUZZ_CHECK(raw == decoded.RegRaw);
  if (entry.RegOffset == 0.0f) {
    TALVIX_FUZZ_CHECK(*units == decoded.RegValue);
  } else {
    // Scaled and offset in single precision: one more rounding than the read rule's, of the
    // size of the terms rather than of their (possibly cancelling) sum.
    const double terms = std::fabs(raw * entry.RegScale) + std::fabs(entry.RegOffset);
    TALVIX_FUZZ_CHECK(std::fabs(*units - decoded.RegValue) <= terms * 2.4e-7);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  talvix::fuzz::ByteReader input(data, size);
  // Mostly sources 1..9, with the indices just outside them.
  const int16_t source = static_cast<int16_t>(input.Byte() % 12 - 1);
  const uint32_t bits = input.U32();
  const QString typed = input.RestAsText();

  if (!SourceRegister(source)) {
    QString text = typed;
    double raw = bits;
    TALVIX_FUZZ_CHECK(!UnitsToRaw(Table(), source, text) && text == typed);
    TALVIX_FUZZ_CHECK(!RawToUnits(Table(), source, raw) && raw == bits);
    return 0;
  }
  CheckUnitsToRaw(source, typed);
  CheckRawToUnits(source, bits);
  return 0;
}
