// SPDX-License-Identifier: MIT
// What the register window (regaccess/ui/frmManualReg) shows and sends: the register list and the
// texts of a chosen entry, the hexadecimal value typed for a write, the single-register read, the
// listing of registers 0..31 and the flash store. The window only moves these between the device
// and its controls.
#pragma once

#include "link/delay.h"
#include "link/flash_store.h"
#include "link/register_access.h"
#include "registers/register_table.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace talvix::regaccess {

// The register list: "None" at position 0, then the labels (as stored) of table indices 1 to 31,
// SUPPLY to COMMAND; a position is the register's table index.
inline constexpr int kLastListedIndex = 31;
QStringList RegisterListTexts(const registers::RegisterTable& table);

// The entry boxes and the state of "Read (Hex)" / "Write (Hex)" for a list position. Position 0
// ("None") or no choice: empty boxes, both buttons off.
struct EntryTexts {
  QString address;     // BaseAddr, upper-case hexadecimal without leading zeros ("3E")
  QString bytes;       // NumBytes in decimal
  QString read_flag;   // "True" / "False"
  QString write_flag;  // "True" / "False"
  bool read_enabled = false;
  bool write_enabled = false;
};
EntryTexts EntryTextsFor(const registers::RegisterTable& table, int position);

// The value typed for "Write (Hex)": 1 to 4 hexadecimal digits, blanks around them allowed, no
// prefix. Anything else gives nothing, and nothing may be written.
std::optional<int32_t> HexEntryValue(QStringView text);
QString HexEntryRefusedMessage(const QString& text);

// "Read (Hex)": the raw word at the register's address (SpiReadWord), then ReadReg for its
// engineering value. `answered` is false as soon as either read did not reach the sensor, or the
// sensor did not answer (link::ReadConfirmed: all ones count only when STATUS answers after
// them); the texts are then empty.
struct RegisterReading {
  bool answered = false;
  QString word;   // the 16-bit word, upper-case hexadecimal without leading zeros
  QString value;  // RegValue as a single-precision text (up to seven significant digits)
};
RegisterReading ReadRegister(link::RegisterAccess& link, int16_t index);

// One line of the listing: the label without trailing blanks, five spaces, a tab, BaseAddr in
// hexadecimal, a tab, the low 16 bits of the code as four hexadecimal digits (a negative code
// shows its two's complement), CR LF. A register that is not read (ReadFlag clear) has no code
// and shows "----".
QString ListingLine(const registers::RegisterEntry& entry, std::optional<int32_t> code);
// The two header lines, each ending CR LF.
QString ListingHeader();

// Reads registers 0..31 in table order (only those whose ReadFlag is set: 27 of them) and builds
// the 34-line listing. A register that reads all ones (ENDURANCE after 65535 stores, a null of -1)
// is listed when STATUS answers right after it (link::ReadConfirmed). Nothing when a read did not
// reach the sensor or the sensor did not answer: the listing stops at that read.
std::optional<QString> ReadListing(link::RegisterAccess& link);

// The listing with its tabs replaced by spaces up to its columns (name, address, setting), for a
// printout in a fixed-pitch font.
QString ListingInColumns(const QString& listing);
// The character columns the listing's tabs lead to: 8, 24, 36.
inline constexpr int kListingTabColumns[] = {8, 24, 36};

// "Update Flash" is offered from firmware revision 1.2 on (DeviceRevision, read by the About
// window; 0 until it has been opened).
bool OffersUpdateFlash(float device_revision);

// "Update Flash": link::StoreToFlash with 250 ms for the sensor to write its flash.
inline constexpr double kFlashWaitMs = 250.0;
link::FlashOutcome UpdateFlash(link::RegisterAccess& link, link::Delay& delay);
// What "Update Flash" came to; an empty text when the card or port has already reported its own
// failure.
QString UpdateFlashMessage(const link::RegisterAccess& link, link::FlashOutcome outcome);

// The message for an operation that did not reach the sensor, or an empty text when the card or
// port has already reported its own failure. `what` says what was not done ("XACCL was not
// read").
QString NotAnsweredMessage(const link::RegisterAccess& link, const QString& what);

// "Print" or "Save Listing..." before the listing has been read.
QString EmptyListingMessage();
// The listing file could not be written: names the file and the reason.
QString ListingNotSavedMessage(const QString& path, const QString& why);

}  // namespace talvix::regaccess
