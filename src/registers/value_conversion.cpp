// SPDX-License-Identifier: MIT
#include "registers/value_conversion.h"

#include "common/number_text.h"

namespace talvix::registers {

namespace {

constexpr int16_t kSourceRegisters[] = {-1,           kSupply, kXAccl, kYAccl, kAuxAdc,
                                        kTemperature, kXPeak,  kYPeak, kRssXy, kRssPeak};

bool IsSigned14(int16_t source) {
  return source == kSourceX || source == kSourceY || source == kSourceXPeak ||
         source == kSourceYPeak;
}

struct Limits {
  const char* low;
  const char* high;
};

// Accepted threshold ranges, as the texts that replace an out-of-range entry. The X upper limit
// is 8191 codes (140.271375 g, rounded up), since 8192 would be the code of -140.288 g in the
// 14-bit field. RSS and its peak are unsigned 14-bit codes: 0 .. 16383 x 0.017125 g.
Limits SourceLimits(int16_t source) {
  switch (source) {
    case kSourceSupply:
      return {"0", "4.9959"};
    case kSourceX:
      return {"-140.288", "140.2714"};
    case kSourceY:
      return {"-68.1828", "68.861737"};
    case kSourceAuxAdc:
      return {"0", "2.5"};
    case kSourceTemperature:
      return {"-336.43", "625.66"};
    case kSourceXPeak:
    case kSourceYPeak:
      return {"-20.66", "20.66"};
    default:
      return {"0", "280.5604"};  // RSS and RSS peak
  }
}

}  // namespace

std::optional<int16_t> SourceRegister(int16_t source) {
  if (source < kSourceSupply || source > kSourceRssPeak) return std::nullopt;
  return kSourceRegisters[source];
}

DecodedWord ApplyReadRule(const RegisterEntry& entry, int32_t word) {
  DecodedWord decoded;
  const int length = entry.ReadLen;
  if (length <= 0) return decoded;  // an empty slot has no field
  if (entry.TwosCompl) {
    const int32_t sign = int32_t{1} << (length - 1);
    decoded.RegRaw = (word & (sign - 1)) - (word & sign);
  } else {
    const int64_t mask = (int64_t{1} << length) - 1;
    decoded.RegRaw = static_cast<int32_t>(word & mask);
  }
  decoded.RegValue =
      static_cast<float>(static_cast<double>(decoded.RegRaw) * static_cast<double>(entry.RegScale) +
                         static_cast<double>(entry.RegOffset));
  return decoded;
}

std::optional<float> RawToUnits(const RegisterTable& table, int16_t source, double& raw) {
  const std::optional<int16_t> reg = SourceRegister(source);
  if (!reg) return std::nullopt;
  if (IsSigned14(source) && raw > 8191) raw -= 16384;
  if (source == kSourceAuxAdc && raw > 4095) raw = 4095;
  const RegisterEntry& entry = table.at(*reg);
  // Single precision throughout, as the stored thresholds were always shown.
  const float code = static_cast<float>(raw);
  const float scaled = code * entry.RegScale;
  return scaled + entry.RegOffset;
}

std::optional<double> UnitsToRaw(const RegisterTable& table, int16_t source, QString& value) {
  const std::optional<int16_t> reg = SourceRegister(source);
  if (!reg) return std::nullopt;

  const Limits limits = SourceLimits(source);
  double v = common::LeadingNumber(value);
  const double low = common::LeadingNumber(QString::fromLatin1(limits.low));
  const double high = common::LeadingNumber(QString::fromLatin1(limits.high));
  if (v < low) {
    value = QLatin1String(limits.low);
    v = low;
  } else if (v > high) {
    value = QLatin1String(limits.high);
    v = high;
  }

  const double scale = static_cast<double>(table.at(*reg).RegScale);
  switch (source) {
    case kSourceAuxAdc:
      return common::RoundHalfEven(v / (2.5 / 4095.0));
    case kSourceTemperature:
      // The temperature is rounded, not the code: the result is generally not whole.
      return common::RoundHalfEven(v - 625.66) / scale;
    default: {
      double code = common::RoundHalfEven(v / scale);
      // Only a code that is really negative takes the two's-complement offset: a tiny negative
      // value that rounds to code 0 stays 0 instead of becoming 16384.
      if (IsSigned14(source) && code < 0) code += 16384;
      return code;
    }
  }
}

}  // namespace talvix::registers
