// SPDX-License-Identifier: MIT
// A box that a window filled with the text of a device code. When the user has not changed the
// text, the code it was filled from is written back as it was: converting the shown text again
// would not always give the same code (rounding to the shown places, conversions that are not
// each other's inverse, a code cut to its whole part).
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace talvix::common {

struct FilledCode {
  QString text;  // what the window put in the box
  int32_t code = 0;
  bool filled = false;  // false until the window has filled the box from a code it read

  void Fill(const QString& shown, int32_t from_code) {
    text = shown;
    code = from_code;
    filled = true;
  }
  // The code to write for the box's present text: the filled code while the text is unchanged,
  // otherwise nothing (the caller converts the text).
  std::optional<int32_t> Unchanged(const QString& now) const {
    if (filled && now == text) return code;
    return std::nullopt;
  }
};

}  // namespace talvix::common
