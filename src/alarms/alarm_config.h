// SPDX-License-Identifier: MIT
// What the alarm window shows and writes: the view it shows from the words of ALM_MAG1, ALM_MAG2
// and ALM_CTRL, the words its Update buttons write, and the device steps behind its buttons.
// The window (alarms/ui/frmAlarms) only moves these between the device and its controls.
#pragma once

#include "common/filled_code.h"
#include "link/delay.h"
#include "link/flash_store.h"
#include "link/register_access.h"
#include "registers/register_table.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace talvix::alarms {

// The texts of both source lists, in source-index order ("Disabled" .. "RSS_PK").
QStringList SourceListTexts();
inline constexpr int kTemperatureSource = 5;

// The words of one read of the alarm setup.
struct AlarmWords {
  std::array<int32_t, 2> alm_mag{};  // ALM_MAG1, ALM_MAG2
  int32_t alm_ctrl = 0;
};

// Reads ALM_MAG1, ALM_MAG2 and ALM_CTRL, in this order. Nothing when one of them does not reach
// the sensor or comes back all ones; the reads stop there.
std::optional<AlarmWords> ReadAlarmSetup(link::RegisterAccess& link);

// The digital alarm indicator, ALM_CTRL bits 0-2.
struct Indicator {
  bool enabled = false;
  bool line1 = false;  // DI/O1 (false: DI/O0)
  bool high = false;   // active high (false: low)
};

// What one alarm group shows.
struct AlarmShown {
  int source = 0;  // list position; a source field above 9 shows as "Disabled"
  bool greater_than = false;
  QString magnitude;  // bits 0-13 of the magnitude word in upper-case hex ("1F4")
  QString level;      // the level in the source's unit, "#0.000"; empty for "Disabled"
  int32_t code = 0;   // bits 0-13 of the magnitude word
  bool temperature_warning = false;
};

struct AlarmView {
  std::array<AlarmShown, 2> alarm;
  Indicator indicator;
};

AlarmView DecideAlarmView(const registers::RegisterTable& table, const AlarmWords& words,
                          const QLocale& locale = QLocale());

// A level box's text after a new source was picked: the stored code's value under that source in
// the single-precision default form (up to seven significant digits) with the locale's decimal
// separator; empty for "Disabled".
QString SourceChangeLevelText(const registers::RegisterTable& table, int source, int32_t code,
                              const QLocale& locale = QLocale());

// A level box as the window last filled it, with the source its text stands for.
struct FilledLevel {
  common::FilledCode box;
  int source = 0;
};

// The magnitude word of one alarm. "Disabled" has level code 0. A box whose text and source are
// those it was filled with gives back its filled code; any other text is read as a number in
// `locale` (a point counts too; no number counts 0), limited to the source's range, converted to
// the source's code, rounded halves to even and cut to bits 0-13. Bit 15 set for "Greater than".
uint16_t MagnitudeWord(const registers::RegisterTable& table, int source, const QString& text,
                       bool greater_than, const FilledLevel& filled,
                       const QLocale& locale = QLocale());

// ALM_CTRL with bits 0-2 from the indicator options, every other bit kept.
uint16_t IndicatorWord(int32_t alm_ctrl, const Indicator& indicator);

// The wait after the sources are written (before the magnitudes), and the wait for the flash to be
// written after the store command (link::StoreToFlash).
inline constexpr double kSourceWaitMs = 150.0;
inline constexpr double kFlashWaitMs = 200.0;

// The device steps. Each stops at the first operation that does not reach the sensor (nothing is
// written from a word that was not read) and returns whether all did.
// ALM_CTRL read, bits 8-15 replaced by the two sources and written, 150 ms, ALM_MAG1, ALM_MAG2.
bool WriteAlarmSetup(link::RegisterAccess& link, link::Delay& delay, int source1, int source2,
                     uint16_t alm_mag1, uint16_t alm_mag2);
// ALM_CTRL read, bits 0-2 replaced and written; no wait.
bool WriteIndicator(link::RegisterAccess& link, const Indicator& indicator);

// The window's messages (CR LF line breaks).
QString LoadFailedMessage();
QString ReadBackFailedMessage();
QString LevelReadFailedMessage(int alarm);
QString WriteFailedMessage(const QString& registers);
// What "Flash Memory Register Update" came to.
QString FlashMessage(link::FlashOutcome outcome);

}  // namespace talvix::alarms
