// SPDX-License-Identifier: MIT
// Advice that the program's messages share, so that every window and talvix-cli give it in the
// same words.
#pragma once

#include <QString>

namespace talvix::common {

// The advice of a message that says the device did not answer or could not be reached. It is a
// whole sentence: a message adds it after its own, and a step to take afterwards follows it as a
// sentence of its own.
inline QString CheckConnectionsAdvice() {
  return QStringLiteral("Check the device's connections and power.");
}

}  // namespace talvix::common
