// Adding a block of text at the end of a file the user keeps (the datalog files), created when
// missing.
//
// Only regular files are appended to: a symbolic link is followed when it leads to a regular file;
// a link to anything else, a folder, a named pipe, a device or a socket is refused without being
// opened for blocking I/O, so nothing blocks and no device is touched. A block goes in whole or
// not at all: when a write fails part-way (a full disk, a size limit), the file is cut back to the
// length it had before the block, so what was in it stays as it was and no half block remains.
//
// The reasons returned are short phrases for messages that name the file ("No space left on
// device", "it is a named pipe, not a file").
#pragma once

#include <QByteArray>
#include <QString>

namespace talvix::common {

// Appends `block` to the file at `path`, creating it when missing. False, with the reason in
// `why`, when the block could not be written whole; the file then holds what it held before.
bool AppendToFile(const QString& path, const QByteArray& block, QString& why);

}  // namespace talvix::common
