// SPDX-License-Identifier: MIT
// The nine rows of the "Output  Registers" frame: which register each row reads, how its value is
// shown, and the colour rule of the supply row. One reading pass reads the rows in order.
#pragma once

#include "link/register_access.h"
#include "monitor/strip_chart.h"
#include "registers/register_table.h"

#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>

namespace talvix::monitor {

struct OutputRow {
  int16_t register_index;
  const char* label_name;  // objectName of the caption label
  const char* caption;
};

// Row r (1..9) is kOutputRows[r - 1]. The RSS rows read RSS_XY and RSS_PEAK (12 and 13), not the
// null registers 8 and 9.
inline constexpr int kRowCount = 9;
inline constexpr std::array<OutputRow, kRowCount> kOutputRows{{
    {registers::kSupply, "lblReadReg1", "Power Supply (V)"},
    {registers::kXAccl, "lblReadReg2", "X_Accel (g)"},
    {registers::kYAccl, "lblReadReg3", "Y_Accel (g)"},
    {registers::kAuxAdc, "lblReadReg4", "AUX_ADC (lsb)"},
    {registers::kTemperature, "lblReadReg5", "Temp (degC)"},
    {registers::kXPeak, "lblReadReg6", "X_Accel_Pk (g)"},
    {registers::kYPeak, "lblReadReg7", "Y_Accel_Pk (g)"},
    {registers::kRssXy, "Label3", "RSS (g)"},
    {registers::kRssPeak, "Label2", "RSS_Pk (g)"},
}};

// What one reading pass got from the sensor.
enum class PassResult {
  kRead,        // every row was read: the values are the sensor's
  kNoAnswer,    // every row answered all ones: the sensor is asleep or not connected
  kNotReached,  // a read did not reach the sensor (no interface, or the link failed)
};

struct OutputPass {
  PassResult result = PassResult::kNotReached;
  link::LinkStatus status = link::LinkStatus::kNoInterface;  // of the read that failed
  // Element r holds row r's RegValue when the result is kRead; elements 0 and 10..14 stay 0.
  SampleVector samples{};
};

// One pass over the device: ReadReg of the nine rows in order, stopping at the first read that
// does not reach the sensor; with Fast read-out on the USB SPI card, the nine rows in one batch
// (link/batched_readout.h).
OutputPass ReadOutputRows(link::RegisterAccess& link);

// The text shown in place of the values when a pass got nothing from the sensor.
QString PassProblemText(const OutputPass& pass);

// A row's text: "0.000", with the locale's decimal separator.
QString RowText(float value, const QLocale& locale = QLocale());

// The supply box's background after a reading, judged on the number as shown: below 2.6 V low
// (red), above it normal (white), exactly 2.600 leaves the colour as it was.
enum class SupplyShade { kLow, kNormal, kUnchanged };
inline constexpr double kSupplyLimitVolts = 2.6;
SupplyShade SupplyShadeOf(const QString& shown, const QLocale& locale = QLocale());

}  // namespace talvix::monitor
