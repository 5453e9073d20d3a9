// SPDX-License-Identifier: MIT
// Reading and replacing the small files the program keeps from run to run (the configuration,
// the simulated sensor's flash).
//
// Only regular files are read or written. A symbolic link is followed when it leads to a regular
// file, and then the link stays a link and its target is replaced; a link to anything else, a
// folder, a named pipe, a device or a socket is refused without being opened, so nothing blocks
// and no device is touched. A write goes to a temporary file beside the target that is renamed
// over it only when every byte is on disk: on failure the old file is left as it was.
//
// The reasons returned are short phrases for messages that name the file ("No space left on
// device", "it is a named pipe, not a file").
#pragma once

#include <QByteArray>
#include <QString>

namespace talvix::common {

enum class FileRead {
  kMissing,  // nothing by that name (a link that leads nowhere is not "missing": it is refused)
  kRead,
  kFailed,  // there is something by that name, but it cannot be read as a file
};

// Reads at most `limit` bytes from the start of the file at `path` into `contents`. On kFailed
// the reason is in `why`.
FileRead ReadRegularFile(const QString& path, qint64 limit, QByteArray& contents, QString& why);

// Replaces the file at `path` with `contents`, or creates it. False, with the reason in `why`,
// when it could not be written whole; the old file is then unchanged.
bool WriteWholeFile(const QString& path, const QByteArray& contents, QString& why);

}  // namespace talvix::common
