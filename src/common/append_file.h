// SPDX-License-Identifier: MIT
// Adding text at the end of a file the user keeps (the datalog files, the command-line log),
// created when missing.
//
// Only regular files are appended to: a symbolic link is followed when it leads to a regular file;
// a link to anything else, a folder, a named pipe, a device or a socket is refused without being
// opened for blocking I/O, so nothing blocks and no device is touched.
//
// AppendingFile is for logs, whose rows must reach the disk while the run goes on: what is
// appended is kept in memory and written out when Sync is called (the caller does so at least
// once a second) or when a large amount is waiting; Sync also waits until the disk has it
// (fdatasync). A write that fails part-way (a full disk, a size limit) cuts the file back to the
// end of what the last successful write-out put there, so the file always ends with a whole
// append (a whole row), and later appends fail with the same reason.
//
// The reasons returned are short phrases for messages that name the file ("No space left on
// device", "it is a named pipe, not a file").
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace talvix::common {

class AppendingFile {
 public:
  enum class Create {
    kIfMissing,  // an existing file is appended to
    kNew,        // an existing file (or anything by that name) is refused: EEXIST
  };

  AppendingFile() = default;
  AppendingFile(const AppendingFile&) = delete;
  AppendingFile& operator=(const AppendingFile&) = delete;
  // Closes the file; what was appended since the last Sync is written out, unsynced.
  ~AppendingFile();

  bool Open(const QString& path, Create create, QString& why);
  // Keeps `bytes` for the next write-out (which happens here once 64 KiB are waiting).
  bool Append(const QByteArray& bytes, QString& why);
  // Writes out what is waiting and waits until the disk has it.
  bool Sync(QString& why);
  // Overwrites bytes already in the file (written out) at `offset`, without changing its length,
  // and syncs. For a field of a header that is filled in at the end of a block.
  bool Overwrite(int64_t offset, const QByteArray& bytes, QString& why);
  // Syncs and closes.
  bool Close(QString& why);

  bool IsOpen() const { return fd_ >= 0; }
  // Where the next append goes: the file's length with what is waiting counted.
  int64_t end() const { return on_disk_ + static_cast<int64_t>(waiting_.size()); }
  // Appends that were written out whole, since Open.
  int64_t appends_on_disk() const { return appends_on_disk_; }
  // The file's length at the last sync.
  int64_t synced() const { return synced_; }
  // What is waiting to be written out.
  int64_t waiting_bytes() const { return waiting_.size(); }

 private:
  bool WriteOut(QString& why);
  bool Failed(int error_number, QString& why);

  int fd_ = -1;
  QByteArray native_path_;
  int64_t on_disk_ = 0;  // length of the file up to the end of the last write-out
  int64_t synced_ = 0;   // length of the file at the last sync
  QByteArray waiting_;
  int64_t waiting_appends_ = 0;
  int64_t appends_on_disk_ = 0;
  QString failure_;  // set once a write failed: every later step fails with it
};

// Appends `block` to the file at `path`, creating it when missing, and syncs it. False, with the
// reason in `why`, when the block could not be written whole; the file then holds what it held
// before.
bool AppendToFile(const QString& path, const QByteArray& block, QString& why);

}  // namespace talvix::common
