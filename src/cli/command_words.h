// SPDX-License-Identifier: MIT
// The words after a command: options of the form "--name VALUE" or "--name=VALUE", and flags
// "--name". Each may be given once; anything else is refused with a message naming it. Numbers are
// read strictly: plain decimal digits with an optional point (and sign where a sign is allowed),
// no blanks, no exponent, no locale forms.
#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace talvix::cli {

struct CommandWords {
  QHash<QString, QString> values;  // by option name ("--samples")
  QSet<QString> flags;             // the flags given ("--above")
};

// Splits `operands` of `command` into the options of `with_value` and the flags of `flags`.
bool SplitCommandWords(const QString& command, const QStringList& operands,
                       const QStringList& with_value, const QStringList& flags, CommandWords& words,
                       QString& error);

// A whole number from `minimum` to `maximum`, digits only.
bool ParseWholeNumber(const QString& text, int64_t minimum, int64_t maximum, int64_t& value);

// A decimal number ("12", "0.5", ".5", "-3.25" when `allow_sign`), without exponent.
bool ParseDecimal(const QString& text, bool allow_sign, double& value);

}  // namespace talvix::cli
