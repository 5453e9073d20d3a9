// SPDX-License-Identifier: MIT
// One value kept from run to run in an INI file of the user's own configuration folder
// ("~/.config/talvix/..."), read and replaced safely: only a regular file (or a link to one) is
// read, a file over 1 MB is taken for no settings file of this program, and a write replaces the
// file whole or leaves it as it was.
#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace talvix::common {

// "~/.config/talvix/<file_name>". Under QStandardPaths' test mode it lies in the test folder
// instead, so that tests never touch the user's own settings.
QString UserSettingsPath(const QString& file_name);

// The value under `key` in the file at `path`; nothing when there is no such file, when it cannot
// be read as one, or when it holds no such key.
std::optional<QVariant> ReadUserSetting(const QString& path, const QString& key);

// Keeps `value` under `key` in the file at `path`, making its folder when needed. False, with the
// reason in `why`, when it could not be written.
bool WriteUserSetting(const QString& path, const QString& key, const QVariant& value, QString& why);

}  // namespace talvix::common
