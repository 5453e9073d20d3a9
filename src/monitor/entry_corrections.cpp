// SPDX-License-Identifier: MIT
#include "monitor/entry_corrections.h"

#include "common/number_text.h"

#include <algorithm>

namespace talvix::monitor {

namespace {

constexpr double kMaxLoopDelayMs = 1000.0;
constexpr double kMaxPowerDownSeconds = 127.5;

// Not numeric -> `fallback`; then above `limit` -> `limit_text`; then below 0 -> `fallback`.
QString Corrected(const QString& text, double limit, const QString& limit_text,
                  const QString& fallback) {
  if (!common::IsNumeric(text)) return fallback;
  const double value = common::LeadingNumber(text);
  if (value > limit) return limit_text;
  if (value < 0.0) return fallback;
  return text;
}

double Limited(const QString& text, double limit) {
  return std::clamp(common::LeadingNumber(text), 0.0, limit);
}

}  // namespace

QString CorrectedLoopDelay(const QString& text) {
  return Corrected(text, kMaxLoopDelayMs, QStringLiteral("1000"), QStringLiteral("0"));
}

QString CorrectedPowerDownTime(const QString& text) {
  return Corrected(text, kMaxPowerDownSeconds, QStringLiteral("127.5"), QStringLiteral("0.0"));
}

float LoopDelayMs(const QString& text) {
  return static_cast<float>(Limited(text, kMaxLoopDelayMs));
}

double PowerDownSeconds(const QString& text) {
  return Limited(text, kMaxPowerDownSeconds);
}

}  // namespace talvix::monitor
