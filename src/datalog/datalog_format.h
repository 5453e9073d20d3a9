// SPDX-License-Identifier: MIT
// The datalog's settings and texts: the limits of the three numeric boxes, the eight values that
// can be recorded, the file names, and the text of a file's block (a header of seven lines, then
// one row per sample, CR LF ended). Columns are separated by commas in ".csv" files, or by tabs in
// ".txt" files where the locale writes numbers with a decimal comma; every header and data row
// ends with a separator after its last column.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

namespace talvix::datalog {

// One of the values a datalog can record: the caption beside its box, the title of its column,
// and the register read for it (index in the register table).
struct DatalogColumn {
  const char* caption;
  const char* title;
  int16_t register_index;
};

inline constexpr int kColumnCount = 8;
// In column order (the order of the CheckReg boxes).
extern const std::array<DatalogColumn, kColumnCount> kColumns;

using Selection = std::array<bool, kColumnCount>;

inline constexpr int kMaxSamplesPerFile = 65526;
inline constexpr int kMaxFilesPerSession = 2000;
inline constexpr int kMaxSampleDelayMs = 32000;

// The text a settings box must show for the text typed: the same text when it is a number within
// the box's limits, else the default (not a number, or empty) or the limit passed. Numbers are
// read with a point or the locale's decimal separator.
QString CorrectedSamplesPerFile(const QString& text, const QLocale& locale = QLocale());
QString CorrectedFilesPerSession(const QString& text, const QLocale& locale = QLocale());
QString CorrectedSampleDelay(const QString& text, const QLocale& locale = QLocale());

// How many samples a file takes and how many files a run writes: the run counts `For i = 1 To`
// the typed number, so only its whole part counts ("3.7" samples per file takes 3, "4.99" files
// writes 4); at least 1.
int SamplesPerFile(const QString& text, const QLocale& locale = QLocale());
int FilesPerSession(const QString& text, const QLocale& locale = QLocale());
// Milliseconds, 0..32000, fractions kept.
double SampleDelayMs(const QString& text, const QLocale& locale = QLocale());

struct DatalogFormat {
  QChar delimiter;    // ',' or a tab
  QString extension;  // ".csv" or ".txt"
};

// Tabs and ".txt" where `locale` writes 1.9 with a decimal comma, else commas and ".csv".
DatalogFormat DatalogFormatFor(const QLocale& locale);

// Why `name` cannot be the base of the datalog's file names (it must name a file in the data
// folder, not a path), for a message; empty when it can.
QString FileNameProblem(const QString& name);

// "<base>_<file number><extension>", for example DATALOG_1.csv.
QString DatalogFileName(const QString& base, int file_number, const DatalogFormat& format);

// A value as the file holds it: the shortest form of the single-precision value with at most seven
// significant digits, with the locale's decimal separator.
QString DatalogNumber(float value, const QLocale& locale);

// The date in the locale's short format, with the year always in four digits ("12/6/2026", not
// "12/6/26"; "06.12.2026" in German).
QString ShortDateText(const QDate& date, const QLocale& locale);

// The End Seconds field is this many characters wide, padded with blanks after the number, so
// that it can be filled in place when the block ends; until then it reads "unfinished".
inline constexpr int kEndSecondsWidth = 12;

// The End Seconds field: the number, or "unfinished" for none, padded to kEndSecondsWidth.
QByteArray EndSecondsField(std::optional<float> end_seconds, const QLocale& locale);

// The seven header lines of a block: file name (always "File Name," then the name), date and time
// of `written`, begin and end seconds, a line holding one space, and the column titles of the
// selected values.
QByteArray DatalogHeader(const QString& file_name, const QDateTime& written, float begin_seconds,
                         std::optional<float> end_seconds, const Selection& selection,
                         const DatalogFormat& format, const QLocale& locale);

// Where the End Seconds field starts in `header` (made by DatalogHeader), in bytes.
qsizetype EndSecondsOffset(const QByteArray& header);

// One data row: the sample number, then the values given (those of the selected columns, in
// order), each followed by the delimiter.
void AppendDatalogRow(QByteArray& rows, int sample, const float* values, int count,
                      const DatalogFormat& format, const QLocale& locale);

}  // namespace talvix::datalog
