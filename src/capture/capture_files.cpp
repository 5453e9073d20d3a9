// SPDX-License-Identifier: MIT
#include "capture/capture_files.h"

#include <QFileInfo>

#include "capture/capture_readout.h"
#include "common/whole_file.h"

#include <QDir>

#include <array>

namespace talvix::capture {

CaptureFileFormat CaptureFileFormatFor(const QLocale& locale) {
  const QString shown = locale.toString(1.2, 'f', 1);
  if (shown.size() > 1 && shown.at(1) == QLatin1Char(',')) {
    return {QLatin1Char('\t'), QStringLiteral(".txt")};
  }
  return {QLatin1Char(','), QStringLiteral(".csv")};
}

QByteArray CaptureFileText(const std::vector<double>& samples, QChar separator) {
  QByteArray text;
  text.reserve(static_cast<qsizetype>(samples.size()) * 12);
  const char sep = static_cast<char>(separator.toLatin1());
  for (size_t i = 1; i < samples.size(); ++i) {
    text += QByteArray::number(static_cast<qlonglong>(i));
    text += sep;
    text += QByteArray::number(static_cast<qlonglong>(samples[i]));
    text += "\r\n";
  }
  return text;
}

QString CaptureFilePath(const QString& folder, int buffer, const CaptureFileFormat& format) {
  return QDir(folder).filePath(QStringLiteral("CapDat_%1%2").arg(buffer).arg(format.extension));
}

CaptureFilesOutcome WriteCaptureFiles(Session& session, const QString& folder,
                                      const QLocale& locale) {
  CaptureFilesOutcome outcome;
  if (session.capture.ReadOutRunning) return outcome;
  const std::optional<CaptureLayout> layout = LayoutForReadOut(session);
  if (!layout) {
    outcome.message = UnlessReported(session.link, NoLayoutMessage());
    return outcome;
  }
  // Both buffers first: the files are a pair, and a fault in either read writes neither.
  std::array<std::vector<double>, 2> samples;
  session.capture.ReadOutRunning = true;
  ReadOut read = ReadOut::kRead;
  for (int buffer = 0; buffer < 2 && read == ReadOut::kRead; ++buffer) {
    read = ReadCaptureBuffer(session.link, buffer, layout->capt_cfg, samples[buffer]);
  }
  session.capture.ReadOutRunning = false;
  switch (read) {
    case ReadOut::kInvalidLength:
      outcome.message = InvalidLengthMessage(layout->capt_cfg);
      return outcome;
    case ReadOut::kNotReached:
      outcome.message = UnlessReported(session.link, NotReachedMessage());
      return outcome;
    case ReadOut::kRead:
      break;
  }

  const CaptureFileFormat format = CaptureFileFormatFor(locale);
  QStringList failures;
  for (int buffer = 0; buffer < 2; ++buffer) {
    const QString path = CaptureFilePath(folder, buffer, format);
    QString why;
    if (common::WriteWholeFile(path, CaptureFileText(samples[buffer], format.separator), why)) {
      outcome.written << path;
    } else {
      failures << QStringLiteral(
                      "Could not write the capture file \"%1\": %2. The file of that "
                      "name was left as it was.")
                      .arg(path, why);
    }
  }
  outcome.message = failures.join(QStringLiteral("\r\n"));
  return outcome;
}

QString FilesWrittenLine(const QStringList& written) {
  if (written.isEmpty()) return NotWrittenLine(NotWritten::kFailed);
  QStringList names;
  for (const QString& path : written) names << QFileInfo(path).fileName();
  QString line =
      QStringLiteral("Wrote %1 in %2")
          .arg(names.join(QStringLiteral(" and ")), QFileInfo(written.front()).absolutePath());
  if (written.size() < 2) line += QStringLiteral("; the other file was not written");
  return line;
}

QString NotWrittenLine(NotWritten why) {
  switch (why) {
    case NotWritten::kNoInterface:
      return QStringLiteral(
          "Not written: no interface is ready. Choose one in the Interface menu.");
    case NotWritten::kArmed:
      return QStringLiteral("Not written: capture is armed.");
    case NotWritten::kFailed:
      break;
  }
  return QStringLiteral("Not written: the capture buffers could not be read or saved.");
}

}  // namespace talvix::capture
