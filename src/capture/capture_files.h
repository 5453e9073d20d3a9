// SPDX-License-Identifier: MIT
// The two capture files, "CapDat_0" and "CapDat_1": the sensor's buffers as read at the moment of
// the write, one line "i,code" per sample (CR LF ended, no header), ".csv" with commas, or ".txt"
// with tabs where the locale writes numbers with a decimal comma.
#pragma once

#include "session/session.h"

#include <QByteArray>
#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <vector>

namespace talvix::capture {

struct CaptureFileFormat {
  QChar separator;    // ',' or a tab
  QString extension;  // ".csv" or ".txt"
};

// ".txt" with tabs when 1.2 shows with a decimal comma in `locale`, else ".csv" with commas.
CaptureFileFormat CaptureFileFormatFor(const QLocale& locale);

// The file's text: line i (1..N) is i, the separator and the whole-number code of sample i.
QByteArray CaptureFileText(const std::vector<double>& samples, QChar separator);

// "<folder>/CapDat_<buffer><extension>".
QString CaptureFilePath(const QString& folder, int buffer, const CaptureFileFormat& format);

struct CaptureFilesOutcome {
  QStringList written;  // full paths of the files written
  // What went wrong, for the user; empty when both were written, or when the interface has
  // already said why the read-out failed.
  QString message;
};

// Write File: reads both buffers afresh (with the layout of the last trigger, or read now), then
// writes both files into `folder`. A failure while reading either buffer writes neither; a file
// that cannot be written is named with the reason and left as it was, and the other file is still
// written.
CaptureFilesOutcome WriteCaptureFiles(Session& session, const QString& folder,
                                      const QLocale& locale = QLocale());

// Why Write File wrote nothing, for the line under the plot.
enum class NotWritten { kNoInterface, kArmed, kFailed };

// The line under the plot after a Write File: "Wrote CapDat_0.csv and CapDat_1.csv in FOLDER"
// (saying so when one of them failed), or why nothing was written, so that the line never keeps
// an earlier success that this click did not repeat.
QString FilesWrittenLine(const QStringList& written);
QString NotWrittenLine(NotWritten why);

}  // namespace talvix::capture
