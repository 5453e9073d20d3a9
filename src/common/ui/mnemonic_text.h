// SPDX-License-Identifier: MIT
// Captions carry their keyboard mnemonic as an "&" before a character ("&Read" is pressed with
// Alt+R); "&&" stands for a literal "&". Code and tests that compare captions compare what the
// caption reads, without the marker.
#pragma once

#include <QChar>
#include <QString>

namespace talvix::common {

// "&Read" -> "Read", "R&&D" -> "R&D".
QString WithoutMnemonic(const QString& caption);

// The character marked as the mnemonic, lower case; a null QChar when the caption has none.
QChar MnemonicOf(const QString& caption);

}  // namespace talvix::common
