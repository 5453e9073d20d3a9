// SPDX-License-Identifier: MIT
// The settings file: the sensor's settings (device_settings.h) as JSON, one register a line.
//
//   {
//     "format": "talvix-settings",
//     "version": 1,
//     "registers": [
//       {"label": "XACCL_NULL", "word": "FFF0", "value": "-0.274 g"},
//       ...
//     ]
//   }
//
// "word" is what is written: 1 to 4 hexadecimal digits. "value" says what the word means; it may
// be left out, but when it is given it must be what the word means, so that a value edited
// without its word is caught rather than silently ignored. The file names every settings
// register exactly once.
#pragma once

#include "regaccess/device_settings.h"
#include "registers/register_table.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace talvix::regaccess {

inline constexpr char kSettingsFormat[] = "talvix-settings";
inline constexpr int kSettingsVersion = 1;
// A settings file is about 1.5 KB; anything much larger is not one.
inline constexpr qint64 kLargestSettingsFile = 64 * 1024;

// The file's text for `settings`.
QByteArray SettingsFileText(const registers::RegisterTable& table, const DeviceSettings& settings);

// What reading a settings file found: the settings when every check passed, else every problem,
// each naming its line and register where it has them ("line 7: XACCL_NULL: ...").
struct ParsedSettings {
  std::optional<DeviceSettings> settings;
  QStringList problems;
};

// Reads and checks a settings file's text. Never throws, whatever the text; at most
// kMostProblems problems are listed, the last one saying how many more there were.
inline constexpr int kMostProblems = 30;
ParsedSettings ParseSettingsFile(const QByteArray& text, const registers::RegisterTable& table);

// Reads and checks the settings file at `path`. A file that cannot be read gives one problem
// naming the file and the reason.
ParsedSettings ReadSettingsFile(const QString& path, const registers::RegisterTable& table);

}  // namespace talvix::regaccess
