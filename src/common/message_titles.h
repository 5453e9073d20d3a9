// SPDX-License-Identifier: MIT
// Titles of the program's message boxes.
#pragma once

#include <QString>

namespace talvix::common {

// The title of the program's message boxes, and its application name.
inline QString MessageTitle() {
  return QStringLiteral("Talvix Evaluation Software");
}

// The title of a message that reports an error the user must act on (port access, for example).
inline QString ErrorTitle() {
  return QStringLiteral("Error");
}

}  // namespace talvix::common
