// SPDX-License-Identifier: MIT
// A capture buffer's samples in engineering units, with everything its display window shows: the
// caption, the unit, the sample period, the length, the vertical range and its label texts, and
// the trigger marker. The main window's Capt_0 / Capt_1 read-out prepares it once (full mode);
// the display window redraws from it as often as it is painted, with no device traffic.
#pragma once

#include "registers/register_table.h"

#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace talvix::registers {

// The longest buffer the sensor records and a trace holds: 2^10 samples.
inline constexpr int kMaxCaptLengthCode = 10;
inline constexpr int kMaxCaptLength = 1 << kMaxCaptLengthCode;

// What a capture source records, and how its codes become engineering values.
struct CaptureSourceInfo {
  QString Title;  // "X_Acceleration"
  QString Units;  // "G"
  double scale = 0.0;
  double offset = 0.0;
};

// Sources 1..9 as the register table scales them, and 10, the two digital line levels; nothing
// for 0 and 11..15, which record no quantity.
std::optional<CaptureSourceInfo> CaptureSource(const RegisterTable& table, int source);

// The sample period in ms from a SMPL_PRD word: (bits 0-6 + 1) x 0.12207 ms, or x 3.784 ms when
// bit 7 is set (0x01 -> 0.244, 0x81 -> 7.568, 0x7F -> 15.625).
double SamplePeriodMs(uint16_t smpl_prd);

// The number of samples a CAPT_CFG word's length code asks for, or nothing for a code above 10
// (as all ones from a sensor that does not answer), which no buffer holds.
std::optional<int> CaptureLength(uint16_t capt_cfg);

// The vertical range of a trace: symmetric about 0, 10 % beyond its largest magnitude m (1.1 m
// to -1.1 m). A flat trace at c != 0 is shown from 1.21 |c| to -1.21 |c|, one at 0 from 1.1 to
// -1.1; a flat negative trace is ranged by its magnitude too, so that the top stays above the
// bottom.
struct TraceRange {
  double YMax = 0.0;
  double YMin = 0.0;
};
TraceRange RangeOf(const std::vector<double>& values, int length);

struct CaptTrace {
  // Samples in engineering units at 1..length; index 0 is unused.
  std::vector<double> Values;
  double YMax = 0.0;
  double YMin = 0.0;
  QString Title;  // the recorded quantity; kept from the last trace when the source has none
  QString Units;
  int TrigPos = 0;  // x of the trigger marker: the pre-trigger length
  // The layout the trace was read with, kept with it: a redraw never consults a newer CAPT_CFG.
  int length = 0;
  double sample_period_ms = 0.0;
  // The display window's texts.
  QString caption;             // "Capt_0     X_Acceleration"
  QString sample_period_text;  // "0.244 msec"
  QString length_text;         // "8"
  QString full_scale_text;     // YMax as "####": empty below 0.5
  QString min_scale_text;      // YMin as "####0"

  bool Prepared() const { return length > 0; }
};

// The full preparation of buffer 0 or 1's trace from the raw sample codes read out (indices
// 1..length of `samples`) and the CAPT_CFG and SMPL_PRD words they were captured with. `previous`
// is the buffer's last trace, whose Title and Units stay for a source that records none (whose
// values are then all 0). The CAPT_CFG length code must be 10 or less, and `samples` must hold
// that many samples.
CaptTrace PlotCaptTrace(const RegisterTable& table, int buffer, uint16_t capt_cfg,
                        uint16_t smpl_prd, const std::vector<double>& samples,
                        const CaptTrace& previous, const QLocale& locale = QLocale());

}  // namespace talvix::registers
