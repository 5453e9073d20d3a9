// SPDX-License-Identifier: MIT
// SMPL_PRD and the sample rate: bits 0-6 NS, the period multiplier less one; bit 7 TB, the time
// base. Sample period = time base x (NS + 1) s, sample rate = 1 / period in samples per second:
// 8192.02 SPS (TB 0, NS 0) down to 2.0646 SPS (TB 1, NS 127).
#pragma once

#include "common/filled_code.h"
#include "operation/typed_number.h"

#include <QLocale>
#include <QString>

#include <cstdint>

namespace talvix::operation {

inline constexpr double kFastTimeBase = 0.00012207;  // s, TB clear
inline constexpr double kSlowTimeBase = 0.003784;    // s, TB set
// The rates an Update writes: 2.06 SPS (TB 1, NS 127) up to 4096 SPS (TB 0, NS 1); NS 0 of the
// fast time base is never written.
inline constexpr double kLowestRate = 2.06;
inline constexpr double kHighestRate = 4096.0;
// Requested rates below this use the slow time base.
inline constexpr double kSlowTimeBaseBelow = 64.0;

// Samples per second of a SMPL_PRD code (its low 8 bits).
double SampleRate(int32_t smpl_prd);

// The rate of a SMPL_PRD code as the window shows it, "##0.0" ("99.9", "4096.0", "99,9" in a
// decimal-comma locale).
QString SampleRateText(int32_t smpl_prd, const QLocale& locale = QLocale());

// The SMPL_PRD code for a requested rate: clamped to 2.06 .. 4096 SPS, slow time base below
// 64 SPS, NS = period / time base - 1 rounded halves to even (1 .. 127 within the clamp).
uint16_t SmplPrdForRate(double rate);

// The sample-rate Update: a text that is not a number becomes "4096.0" (in the locale's format);
// the rate is read with the locale's decimal separator or a point. A box whose text is still what
// the window filled it with writes back the code it was filled from, so that an untouched box
// keeps the device's setting (66.1 shown for 0x83 would otherwise write 0x7B, and the 8192.0 of
// 0x00 would be clamped to 0x01).
BoxEntry SampleRateEntry(const QString& text, const common::FilledCode& filled,
                         const QLocale& locale = QLocale());

}  // namespace talvix::operation
