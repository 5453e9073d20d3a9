// Numbers the user types into the operational control window's boxes.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace talvix::operation {

// True when the whole text is one number written with the locale's decimal separator or a point
// ("99,9" and "99.9" in a decimal-comma locale; only "99.9" where the separator is a point).
bool IsLocaleNumeric(QStringView text, const QLocale& locale = QLocale());

// A box's text after the Update's corrections, and the register code to write for it.
struct BoxEntry {
  QString text;
  uint16_t code = 0;
};

}  // namespace talvix::operation
