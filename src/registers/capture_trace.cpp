// SPDX-License-Identifier: MIT
#include "registers/capture_trace.h"

#include "common/number_text.h"
#include "registers/register_bits.h"
#include "registers/register_index.h"

#include <cmath>

namespace talvix::registers {

namespace {

// Time bases of SMPL_PRD bit 7, in ms.
constexpr double kFastTimeBaseMs = 0.12207;
constexpr double kSlowTimeBaseMs = 3.784;

// Source 10 records the digital line levels: a plain number (the register table's slot 22 has
// scale 1).
constexpr int kSourceDigitalLines = 10;
constexpr int kDigitalLinesScaleSlot = 22;

// Search start values of the range: any sample replaces them.
constexpr double kSearchMax = -9999999.0;
constexpr double kSearchMin = 10000000.0;

}  // namespace

std::optional<CaptureSourceInfo> CaptureSource(const RegisterTable& table, int source) {
  struct Row {
    const char* title;
    const char* units;
    int16_t reg;
  };
  static constexpr Row kRows[] = {
      {"Power Supply", "Volts", kSupply},
      {"X_Acceleration", "G", kXAccl},
      {"Y_Acceleration", "G", kYAccl},
      {"Aux_Dac", "V", kAuxAdc},
      {"Temperature", "degC", kTemperature},
      {"Peak_X", "G", kXPeak},
      {"Peak_Y", "G", kYPeak},
      {"RSS", "G", kRssXy},
      {"Peak_RSS", "G", kRssPeak},
      {"GPIO", "L", kDigitalLinesScaleSlot},
  };
  if (source < kSourceSupply || source > kSourceDigitalLines) return std::nullopt;
  const Row& row = kRows[source - 1];
  const RegisterEntry& entry = table.at(row.reg);
  CaptureSourceInfo info;
  info.Title = QString::fromLatin1(row.title);
  info.Units = QString::fromLatin1(row.units);
  info.scale = static_cast<double>(entry.RegScale);
  // Only the temperature has a code offset; the other sources start at 0.
  info.offset = source == kSourceTemperature ? static_cast<double>(entry.RegOffset) : 0.0;
  return info;
}

double SamplePeriodMs(uint16_t smpl_prd) {
  const double base = (smpl_prd & kSmplPrdSlowTimeBase) ? kSlowTimeBaseMs : kFastTimeBaseMs;
  return ((smpl_prd & kSmplPrdMultiplierBits) + 1) * base;
}

std::optional<int> CaptureLength(uint16_t capt_cfg) {
  const int code = CaptLengthCode(capt_cfg);
  if (code > kMaxCaptLengthCode) return std::nullopt;
  return 1 << code;
}

TraceRange RangeOf(const std::vector<double>& values, int length) {
  TraceRange range{kSearchMax, kSearchMin};
  for (int i = 1; i <= length && i < static_cast<int>(values.size()); ++i) {
    range.YMax = std::max(range.YMax, values[i]);
    range.YMin = std::min(range.YMin, values[i]);
  }
  if (range.YMax == range.YMin) {
    // Flat: range by the magnitude, so that a flat negative trace is not drawn upside down.
    range.YMin = range.YMax == 0.0 ? -1.0 : 0.0;
    range.YMax = 1.1 * std::fabs(range.YMax);
  }
  if (std::fabs(range.YMax) > std::fabs(range.YMin)) range.YMin = -range.YMax;
  if (std::fabs(range.YMin) > std::fabs(range.YMax)) range.YMax = -range.YMin;
  range.YMax *= 1.1;
  range.YMin *= 1.1;
  return range;
}

CaptTrace PlotCaptTrace(const RegisterTable& table, int buffer, uint16_t capt_cfg,
                        uint16_t smpl_prd, const std::vector<double>& samples,
                        const CaptTrace& previous, const QLocale& locale) {
  CaptTrace trace;
  trace.length = CaptureLength(capt_cfg).value_or(0);
  trace.TrigPos = 1 << CaptPreTriggerCode(capt_cfg);
  trace.sample_period_ms = SamplePeriodMs(smpl_prd);

  const std::optional<CaptureSourceInfo> source =
      CaptureSource(table, CaptSource(capt_cfg, buffer));
  trace.Title = source ? source->Title : previous.Title;
  trace.Units = source ? source->Units : previous.Units;
  const double scale = source ? source->scale : 0.0;
  const double offset = source ? source->offset : 0.0;

  trace.Values.assign(trace.length + 1, 0.0);
  for (int i = 1; i <= trace.length && i < static_cast<int>(samples.size()); ++i) {
    trace.Values[i] = samples[i] * scale + offset;
  }
  const TraceRange range = RangeOf(trace.Values, trace.length);
  trace.YMax = range.YMax;
  trace.YMin = range.YMin;

  trace.caption = QStringLiteral("Capt_%1     %2").arg(buffer == 1 ? 1 : 0).arg(trace.Title);
  trace.sample_period_text =
      common::FormatPattern(trace.sample_period_ms, u"0.000", locale) + QStringLiteral(" msec");
  trace.length_text = QString::number(trace.length);
  trace.full_scale_text = common::FormatPattern(trace.YMax, u"####", locale);
  trace.min_scale_text = common::FormatPattern(trace.YMin, u"####0", locale);
  return trace;
}

}  // namespace talvix::registers
