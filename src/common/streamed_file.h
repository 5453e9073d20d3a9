// A file written as it grows that still takes the place of the old one whole or not at all (the
// command-line log): the bytes go to a temporary file beside the target as they come, and only
// Commit renames it over the target. Until then, and whenever a step fails, the old file is as it
// was; a temporary file given up is removed.
//
// As for WriteWholeFile, only a regular file is replaced: a symbolic link is followed when it
// leads to a regular file (the link stays a link), and a link to anything else, a folder, a named
// pipe, a device or a socket is refused by Open without being opened. The reasons returned are
// short phrases for messages that name the file ("No space left on device").
#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include <memory>

namespace talvix::common {

class StreamedFile {
 public:
  StreamedFile() = default;
  StreamedFile(const StreamedFile&) = delete;
  StreamedFile& operator=(const StreamedFile&) = delete;

  // Makes the temporary file for `path`.
  bool Open(const QString& path, QString& why);
  bool Write(const QByteArray& bytes, QString& why);
  // Puts what was written so far out of the program's buffers into the temporary file.
  bool Flush(QString& why);
  // Puts the file in place of the old one.
  bool Commit(QString& why);
  bool IsOpen() const { return file_ != nullptr; }

 private:
  // The reason of a failed step, and the file given up.
  bool Fail(QString& why);

  std::unique_ptr<QSaveFile> file_;
};

}  // namespace talvix::common
