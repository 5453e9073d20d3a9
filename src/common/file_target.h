// SPDX-License-Identifier: MIT
// What a path names, looked at without opening it, for the files the program reads, replaces and
// appends to: nothing, a regular file (or a symbolic link to one), or something refused with the
// reason (a folder, a named pipe, a device, a link that leads elsewhere).
#pragma once

#include <QString>

#include <sys/types.h>

namespace talvix::common {

// The system's text for an errno value.
QString ErrorText(int error_number);
// "a folder", "a named pipe", "a device", "a socket", or "not a regular file".
QString KindOf(mode_t mode);

enum class Target { kMissing, kRegularFile, kRefused };

// Finds the file that `path` names without opening anything: `path` itself, or the regular file
// that its symbolic link leads to (in `target`). kRefused gives the reason in `why`.
Target Resolve(const QString& path, QString& target, QString& why);

}  // namespace talvix::common
