// SPDX-License-Identifier: MIT
// Settings file reader on arbitrary text. Invariants:
//  - the reader gives either settings or problems, never both, and at most kMostProblems of them;
//  - no problem carries a control character from the file (they are shown in a terminal);
//  - settings it accepts are words every register can hold, and written out as a settings file
//    they read back the same.
#include "fuzz_support.h"
#include "regaccess/device_settings.h"
#include "regaccess/settings_file.h"

#include <QChar>

namespace {

bool Printable(const QString& text) {
  for (const QChar c : text) {
    if (c.category() == QChar::Other_Control) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace regaccess = talvix::regaccess;
  const talvix::registers::RegisterTable& table = talvix::fuzz::BuiltRegisterTable();
  const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

  const regaccess::ParsedSettings parsed = regaccess::ParseSettingsFile(text, table);
  TALVIX_FUZZ_CHECK(parsed.settings.has_value() == parsed.problems.isEmpty());
  TALVIX_FUZZ_CHECK(parsed.problems.size() <= regaccess::kMostProblems);
  for (const QString& problem : parsed.problems) TALVIX_FUZZ_CHECK(Printable(problem));
  if (!parsed.settings) return 0;

  for (const int16_t index : regaccess::SettingsRegisters()) {
    TALVIX_FUZZ_CHECK(
        regaccess::SettingWordProblem(table, index, regaccess::SettingWord(*parsed.settings, index))
            .isEmpty());
  }
  const regaccess::ParsedSettings again =
      regaccess::ParseSettingsFile(regaccess::SettingsFileText(table, *parsed.settings), table);
  TALVIX_FUZZ_CHECK(again.settings == parsed.settings);
  return 0;
}
