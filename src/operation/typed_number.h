// SPDX-License-Identifier: MIT
// Numbers the user types into the operational control window's boxes.
#pragma once

#include <QString>

#include <cstdint>

namespace talvix::operation {

// A box's text after the Update's corrections, and the register code to write for it.
struct BoxEntry {
  QString text;
  uint16_t code = 0;
};

}  // namespace talvix::operation
