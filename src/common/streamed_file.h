// SPDX-License-Identifier: MIT
// A file written as it grows that takes the place of the old one when it is complete (the
// command-line log): the bytes go to "<file>.part" beside the target as they come, synced to the
// disk whenever the caller asks (at least once a second), and Commit renames the part over the
// target. Until then the old file is as it was. A part that was given up (Discard, or the object
// destroyed before Commit) is removed; Keep leaves it, for rows that must not be lost.
//
// A part left by a run that crashed is never overwritten: Open refuses while one exists
// (part_left() tells), so that its rows wait for the user.
//
// As for WriteWholeFile, only a regular file is replaced: a symbolic link is followed when it
// leads to a regular file (the link stays a link, its target is replaced and the part goes beside
// the target), and a link to anything else, a folder, a named pipe, a device or a socket is
// refused by Open without being opened. The reasons returned are short phrases for messages that
// name the file ("No space left on device").
#pragma once

#include "common/append_file.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace talvix::common {

class StreamedFile {
 public:
  StreamedFile() = default;
  StreamedFile(const StreamedFile&) = delete;
  StreamedFile& operator=(const StreamedFile&) = delete;
  ~StreamedFile();

  // The part file for `path`: the path of what it names (a link's target) with ".part" added.
  static QString PartPath(const QString& path);

  // Makes the part file for `path`; false when something by its name exists (part_left()) or it
  // cannot be made.
  bool Open(const QString& path, QString& why);
  bool Write(const QByteArray& bytes, QString& why);
  // Puts what was written so far on the disk.
  bool Sync(QString& why);
  // Syncs and puts the part in place of the old file. On failure the part stays, with what
  // reached it, until Discard or Keep.
  bool Commit(QString& why);
  // Removes the part.
  void Discard();
  // Closes the part and leaves it where it is.
  void Keep();

  bool IsOpen() const { return file_.IsOpen(); }
  bool part_left() const { return part_left_; }
  const QString& part_path() const { return part_; }
  // Bytes of the part on the disk at the last sync.
  int64_t synced() const { return file_.synced(); }
  // Writes that are on the disk whole (Write calls since Open).
  int64_t writes_on_disk() const { return file_.appends_on_disk(); }

 private:
  AppendingFile file_;
  QString target_;
  QString part_;
  bool part_left_ = false;
  bool owns_part_ = false;  // made by Open, and neither committed nor kept yet
};

}  // namespace talvix::common
