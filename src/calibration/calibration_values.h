// SPDX-License-Identifier: MIT
// What the calibration window shows and writes for the four calibration registers (X and Y
// offset, X and Y scale): codes <-> texts in acceleration units by the axis's weight per code (the
// RegScale of XACCL or YACCL), the corrections of a typed entry, and the device steps behind the
// window's buttons. The window (calibration/ui/fmCalibration) only moves these into its controls.
#pragma once

#include "common/filled_code.h"
#include "link/delay.h"
#include "link/flash_store.h"
#include "link/register_access.h"
#include "registers/register_table.h"

#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace talvix::calibration {

// The window's rows, top to bottom.
enum class CalRow { kXOffset = 0, kYOffset = 1, kXScale = 2, kYScale = 3 };
inline constexpr std::array<CalRow, 4> kCalRows = {CalRow::kXOffset, CalRow::kYOffset,
                                                   CalRow::kXScale, CalRow::kYScale};

struct CalRowTraits {
  int16_t index;       // the calibration register
  int16_t axis_index;  // XACCL or YACCL: its RegScale is the row's weight per code
  // The entry limits, the 12-bit code range -0x800..0x7FF times the axis's weight, as plain text.
  const char* lowest;
  const char* highest;
  bool offset;        // the offset rows show their values with "##0.0#######"
  const char* title;  // the row's caption, used in messages
};
const CalRowTraits& TraitsOf(CalRow row);

// The row's weight per code (g per code), single precision as in the register table.
float CalFactor(const registers::RegisterTable& table, CalRow row);

// The box text after a read: weight x RegValue in single precision as its shortest text (at most
// seven significant digits); an offset row then with "##0.0#######". Code 58 on the X offset row
// shows 0.99325.
QString ReadText(const registers::RegisterTable& table, CalRow row, float reg_value,
                 const QLocale& locale = QLocale());

// The box text after a write: code x weight in double precision from the single-precision weight,
// to fifteen significant digits; an offset row then with "##0.0#######". Code 100 shows
// 1.71249993 on the X offset row and 1.71249993145466 on the X scale row.
QString WrittenText(const registers::RegisterTable& table, CalRow row, int32_t code,
                    const QLocale& locale = QLocale());

// A register code in the "Register Contents" column: upper-case hexadecimal without leading zeros
// for a positive code, the four-digit 16-bit two's complement for a negative one (-16: FFF0).
QString CodeHex(int32_t code);

// The entry limits of a row, for its tooltip: "-35.072 to 35.054875".
QString RangeText(CalRow row, const QLocale& locale = QLocale());

// What an Update writes for the box's text.
struct CalEntry {
  // The text the box shows before the write: "0" for a text that is not a number, the limit for
  // a value beyond it, else the text as typed.
  QString text;
  int32_t code = 0;  // -0x800..0x7FF; written as its 16-bit two's complement word
};

// Steps 1 to 3 of an Update. A box whose text is still what the window filled it with writes
// that code back unchanged; any other text is read as a number in `locale` (a point counts too),
// limited to the axis's range and divided by the weight, rounded halves to even. Nothing when
// the box was never filled from the device and is still empty: no value was read or typed, and
// writing 0 would wipe the register's calibration.
std::optional<CalEntry> EntryFor(const registers::RegisterTable& table, CalRow row,
                                 const QString& text, const common::FilledCode& filled,
                                 const QLocale& locale = QLocale());

// One register as read from the device.
struct CalReading {
  int32_t RegRaw = 0;
  float RegValue = 0.0f;
};

// ReadCalRegisters' device side: the four registers in row order. A row is empty when its read
// did not reach the sensor or came back all ones.
struct CalReadout {
  std::array<std::optional<CalReading>, 4> rows;
  bool link_reported = false;  // a card or port failed on the way and has said so itself
  bool complete() const;
};
CalReadout ReadCalRegisters(link::RegisterAccess& link);

// What became of an Update's write.
enum class CalWrite {
  kNotWritten,   // the write did not reach the sensor
  kNotReadBack,  // written, but the read-back did not reach the sensor or came back all ones
  kReadBack,     // written and read back
};
struct CalWriteResult {
  CalWrite outcome = CalWrite::kNotWritten;
  int32_t read_back = 0;  // RegRaw of the read-back, for kReadBack
  bool link_reported = false;
};

// The pause between an Update's write and its read-back, in ms.
inline constexpr double kUpdateWaitMs = 300.0;

// The device side of an Update: writes the code, waits 300 ms, reads the register back.
CalWriteResult WriteCalRegister(link::RegisterAccess& link, link::Delay& delay, CalRow row,
                                int32_t code);

// The three Run buttons.
enum class CalCommand { kAutoNull, kFactoryCal, kFlashUpdate };
struct CalCommandTraits {
  uint16_t command;  // the COMMAND word
  double wait_ms;    // the pause after it (for the flash update, the time to write the flash)
  bool refresh;      // the four rows are read again afterwards
  const char* title;
};
const CalCommandTraits& TraitsOf(CalCommand command);

// Auto Null and Restore Factory Calibration: writes the command and waits; false when the write
// did not reach the sensor.
bool RunCalCommand(link::RegisterAccess& link, link::Delay& delay, CalCommand command);
// FLASH Memory Update: link::StoreToFlash with its 200 ms, so that a failed store is seen.
link::FlashOutcome RunFlashUpdate(link::RegisterAccess& link, link::Delay& delay);

// Messages (CR LF line breaks).
QString ReadFailedMessage();
QString WriteFailedMessage(CalRow row);
QString ReadBackFailedMessage(CalRow row);
QString NothingToWriteMessage(CalRow row);
QString CommandFailedMessage(CalCommand command);
// What FLASH Memory Update came to.
QString FlashMessage(link::FlashOutcome outcome);

}  // namespace talvix::calibration
