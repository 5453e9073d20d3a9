// SPDX-License-Identifier: MIT
// What the capture configuration window shows and writes: the load decisions from the register
// words it reads, and the words its four steps write. The window (capture/ui/frmCaptConfig) only
// moves these between the device and its controls.
#pragma once

#include "link/delay.h"
#include "link/register_access.h"
#include "registers/register_table.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace talvix::capture {

// The source lists' texts, in source-index order ("Disabled" .. "Peak_RSS").
QStringList SourceListTexts();
// "8" .. "1024" (length code n at position n - 3) and "1" .. "1024" (pre-trigger code m at m).
QStringList LengthListTexts();
QStringList PreTriggerListTexts();
// "Less Than", "Greater Than".
QStringList PolarityListTexts();
// The list entry for a source index the list has no text for (10..15): "unknown (10)".
QString UnknownSourceText(int source);

inline constexpr int kLengthCodeMin = 3;   // "8"
inline constexpr int kLengthCodeMax = 10;  // "1024"
inline constexpr int kPreTriggerCodeMax = 10;
inline constexpr int kGreaterThanPosition = 1;  // of the polarity lists
inline constexpr int kTemperatureSource = 5;

// Step 3's choices, in the order of the option buttons.
enum class TriggerOption { kNone = -1, kTrigger1 = 0, kTrigger2 = 1, kDisabled = 2 };
TriggerOption TriggerOptionFor(int16_t capt_trig_select);
// The CaptTrigSelect pattern of an option (0x10, 0x40, 0); nothing for kNone.
std::optional<int16_t> CaptTrigSelectFor(TriggerOption option);

// One level box as the load filled it: a Step 2 that finds the box's text and its buffer's
// source unchanged writes back `code` instead of converting the text again, which for the AUX
// source would not give the same code.
struct FilledLevel {
  QString text;
  int source = 0;
  int32_t code = 0;  // bits 0-13 of the magnitude word read
};

// The words the load step reads, each with whether the sensor answered it.
struct CaptConfigWords {
  int32_t alm_ctrl = 0;
  int32_t capt_cfg = 0;
  std::array<int32_t, 2> alm_mag{};
  int32_t misc_ctrl = 0;
  bool answered = true;  // every read reached the sensor and the sensor answered it
};

// Reads ALM_CTRL, CAPT_CFG, ALM_MAG1, ALM_MAG2 and MISC_CTRL, in this order, stopping at the first
// that brings no word of the register's. A word of all ones is the register's when STATUS answers
// right after it (link::ReadConfirmed): ALM_MAG1 and ALM_MAG2 may well hold 0xFFFF ("Greater
// Than" at the top level), which a silent sensor also gives.
CaptConfigWords ReadCaptConfigWords(link::RegisterAccess& link);

// What the window shows after its load.
struct CaptConfigView {
  // The sensor did not answer (or a comparator source field above 9): the message is shown once
  // and the lists open at "Disabled", "8", "1" with empty level boxes.
  bool no_communication = false;
  std::array<int, 2> source{};   // 0..9, or 10..15 shown as UnknownSourceText
  int length_position = 0;       // 0..7; codes outside 3..10 select the nearest entry
  int pre_trigger_position = 0;  // 0..10; codes above 10 select "1024"
  std::array<int, 2> polarity{kGreaterThanPosition, kGreaterThanPosition};
  std::array<FilledLevel, 2> level;  // empty text for a source with no unit
  bool store_to_flash = false;
  TriggerOption trigger = TriggerOption::kNone;
  bool temperature_warning = false;
};

CaptConfigView DecideCaptConfigLoad(const registers::RegisterTable& table,
                                    const CaptConfigWords& words, int16_t capt_trig_select,
                                    const QLocale& locale = QLocale());

// The no-communication message of the load (CR LF line breaks).
QString NoCommunicationMessage();

// The temperature warning shows while either buffer's source is the temperature.
bool TemperatureWarning(int source0, int source1);

// Step 1: CAPT_CFG from the choices; a pre-trigger position below 1 counts as 1 ("2"), which
// the window then selects.
int PreTriggerPositionForStep1(int position);
uint16_t CaptCfgForStep1(int source0, int source1, int length_position, int pre_trigger_position);

// Step 2: the magnitude word of one buffer. The text is read as a number in `locale` (a point
// counts too), converted to the source's code, rounded halves to even, clamped to the source's
// range, and cut to bits 0-13; bit 15 set for "Greater Than" (or no selection). A source with no
// unit gives code 0. An unchanged box (see FilledLevel) gives its filled code.
uint16_t MagnitudeWordForStep2(const registers::RegisterTable& table, int source,
                               const QString& text, int polarity_position,
                               const FilledLevel& filled, const QLocale& locale = QLocale());

// Step 4: MISC_CTRL with bit 11 set or cleared, every other bit kept.
uint16_t MiscCtrlForStep4(int32_t misc_ctrl, bool store_to_flash);

// The waits after Steps 1 and 2, in ms.
inline constexpr double kStep1WaitMs = 100.0;
inline constexpr double kStep2WaitMs = 150.0;

// The device side of the steps. Each stops at the first operation that does not reach the
// sensor (nothing is written from a word that was not read) and returns whether all did.
// Step 1: CAPT_CFG, 100 ms, ALM_CTRL read and written with the two sources, 100 ms.
bool WriteStep1(link::RegisterAccess& link, link::Delay& delay, uint16_t capt_cfg, int source0,
                int source1);
// Step 2: ALM_MAG1, ALM_MAG2, 150 ms.
bool WriteStep2(link::RegisterAccess& link, link::Delay& delay, uint16_t alm_mag1,
                uint16_t alm_mag2);
// Step 4: MISC_CTRL read, bit 11 set or cleared, written.
bool WriteStep4(link::RegisterAccess& link, bool store_to_flash);

}  // namespace talvix::capture
