// SPDX-License-Identifier: MIT
// What the About window shows: the program's version, and the sensor's identification from its
// three product registers (RevDate, MonthYear, ProcudtID). The window (about/ui/frmAbout) only
// puts these texts into its labels.
#pragma once

#include "link/register_access.h"

#include <QLocale>
#include <QString>

#include <cstdint>

namespace talvix::about {

// The program's title and version, as the About window names them.
inline constexpr int kVersionMajor = 3;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 0;
QString ProgramTitle();        // "Talvix_Eval_Rev_3"
QString AboutCaption();        // "About Talvix_Eval_Rev_3"
QString ProgramVersionText();  // "3.0.0"

// Written to KeyCode (lower byte first) to unlock the product registers for reading.
inline constexpr int32_t kProductKey = 0x05A7;
// How long the sensor needs after the unlock before the product registers read, in ms.
inline constexpr double kUnlockSettleMs = 100.0;

// The codes of the three product registers.
struct ProductWords {
  int32_t RevDate = 0;    // day of month (bits 15-8), revision in tenths (bits 7-0), both BCD
  int32_t MonthYear = 0;  // year within the century (bits 15-8), month (bits 7-0), both BCD
  int32_t ProcudtID = 0;  // product number
};

// The identification decoded from the product words.
struct ProductIdentity {
  float DeviceRevision = 0.0f;
  int32_t ProductDay = 0;
  int32_t ProductMonth = 0;
  int32_t ProductYear = 2000;
  QString ProductIdText;
};

// Two 4-bit digit groups (bits 7-4 tens, 3-0 units) of `byte` as a number: tens x 10 + units.
// The groups are not checked, so a group holding 0xF counts as 15.
int32_t TwoDigits(int32_t byte);

ProductIdentity DecodeProductWords(const ProductWords& words);

// The revision as "0.0" with the locale's decimal separator ("1.2", "1,2").
QString RevisionText(float revision, const QLocale& locale = QLocale());
// Month/day/year, each in plain decimal: "3/15/2006".
QString ProductDateText(const ProductIdentity& identity);

// Shown in place of the identification when the sensor gave none.
QString NoAnswerText();

// The outcome of the product read-out.
struct ProductRead {
  bool answered = false;  // every read reached the sensor and not all three words were all ones
  ProductWords words;
};

// Unlocks the product registers (KeyCode), waits for them, reads RevDate, MonthYear and
// ProcudtID, then writes 0 to ProcudtID (table index 35) to end the read-out. Without an interface
// nothing is sent and nothing is waited for.
ProductRead ReadProductWords(link::RegisterAccess& link);

}  // namespace talvix::about
