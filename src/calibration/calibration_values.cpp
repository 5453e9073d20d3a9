// SPDX-License-Identifier: MIT
#include "calibration/calibration_values.h"

#include "common/advice_texts.h"
#include "common/number_text.h"
#include "registers/register_bits.h"
#include "registers/register_index.h"

namespace talvix::calibration {

namespace {

using registers::kXAccl;
using registers::kYAccl;

constexpr std::array<CalRowTraits, 4> kRowTraits = {{
    {registers::kXAcclNull, kXAccl, "-35.072", "35.054875", true, "X-Axis Offset"},
    {registers::kYAcclNull, kYAccl, "-17.217536", "17.209129", true, "Y-Axis Offset"},
    {registers::kXAccScale, kXAccl, "-35.072", "35.054875", false, "X-Axis Scale"},
    {registers::kYAccScale, kYAccl, "-17.217536", "17.209129", false, "Y-Axis Scale"},
}};

constexpr std::array<CalCommandTraits, 3> kCommandTraits = {{
    {registers::kCommandAutoNull, 250.0, true, "Auto Null"},
    {registers::kCommandFactoryCalibration, 250.0, true, "Restore Factory Calibration"},
    {registers::kCommandStoreFlash, 200.0, false, "FLASH Memory Update"},
}};

// Offsets show at least one and at most eight decimals.
constexpr char16_t kOffsetPattern[] = u"##0.0#######";

// A number text made with a point, shown with the locale's decimal separator. The texts here
// never have an exponent or grouping: every value lies within +-35.1 and is 0 or beyond +-0.008.
QString WithLocaleSeparator(QString text, const QLocale& locale) {
  text.replace(u'.', locale.decimalPoint());
  return text;
}

// The box text of a value first written as a point text (`point_text`): an offset row reformats
// the number of that text.
QString RowText(CalRow row, const QString& point_text, const QLocale& locale) {
  if (!TraitsOf(row).offset) return WithLocaleSeparator(point_text, locale);
  return common::FormatPattern(common::LeadingNumber(point_text), kOffsetPattern, locale);
}

bool LinkReported(const link::RegisterAccess& link) {
  return link.LastStatus == link::LinkStatus::kLinkFailed;
}

QString Title(const char* title) {
  return QString::fromLatin1(title);
}

}  // namespace

const CalRowTraits& TraitsOf(CalRow row) {
  return kRowTraits[static_cast<std::size_t>(row)];
}

const CalCommandTraits& TraitsOf(CalCommand command) {
  return kCommandTraits[static_cast<std::size_t>(command)];
}

float CalFactor(const registers::RegisterTable& table, CalRow row) {
  return table.at(TraitsOf(row).axis_index).RegScale;
}

QString ReadText(const registers::RegisterTable& table, CalRow row, float reg_value,
                 const QLocale& locale) {
  const float value = CalFactor(table, row) * reg_value;  // single precision
  return RowText(row, common::SingleText(value), locale);
}

QString WrittenText(const registers::RegisterTable& table, CalRow row, int32_t code,
                    const QLocale& locale) {
  const double value = code * static_cast<double>(CalFactor(table, row));
  return RowText(row, QString::number(value, 'g', 15), locale);
}

QString CodeHex(int32_t code) {
  return code < 0 ? common::Hex4(code) : common::HexText(code);
}

QString RangeText(CalRow row, const QLocale& locale) {
  return WithLocaleSeparator(QString::fromLatin1(TraitsOf(row).lowest), locale) +
         QStringLiteral(" to ") +
         WithLocaleSeparator(QString::fromLatin1(TraitsOf(row).highest), locale);
}

std::optional<CalEntry> EntryFor(const registers::RegisterTable& table, CalRow row,
                                 const QString& text, const common::FilledCode& filled,
                                 const QLocale& locale) {
  if (const std::optional<int32_t> code = filled.Unchanged(text)) return CalEntry{text, *code};
  if (!filled.filled && text.trimmed().isEmpty()) return std::nullopt;

  const CalRowTraits& traits = TraitsOf(row);
  CalEntry entry{text, 0};
  if (!common::IsLocaleNumeric(entry.text, locale)) entry.text = QStringLiteral("0");
  double value = common::LocaleLeadingNumber(entry.text, locale);
  const double lowest = common::LeadingNumber(QString::fromLatin1(traits.lowest));
  const double highest = common::LeadingNumber(QString::fromLatin1(traits.highest));
  if (value < lowest) {
    entry.text = WithLocaleSeparator(QString::fromLatin1(traits.lowest), locale);
    value = lowest;
  }
  if (value > highest) {
    entry.text = WithLocaleSeparator(QString::fromLatin1(traits.highest), locale);
    value = highest;
  }
  entry.code = static_cast<int32_t>(
      common::RoundHalfEven(value / static_cast<double>(CalFactor(table, row))));
  return entry;
}

bool CalReadout::complete() const {
  for (const std::optional<CalReading>& reading : rows) {
    if (!reading) return false;
  }
  return true;
}

CalReadout ReadCalRegisters(link::RegisterAccess& link) {
  CalReadout readout;
  for (CalRow row : kCalRows) {
    if (link::Answered(link.ReadReg(TraitsOf(row).index), link.RawWord)) {
      readout.rows[static_cast<std::size_t>(row)] = CalReading{link.RegRaw, link.RegValue};
    } else if (LinkReported(link)) {
      readout.link_reported = true;
    }
  }
  return readout;
}

CalWriteResult WriteCalRegister(link::RegisterAccess& link, link::Delay& delay, CalRow row,
                                int32_t code) {
  const int16_t index = TraitsOf(row).index;
  if (!link::Reached(link.WriteReg(index, code & 0xFFFF))) {
    return {CalWrite::kNotWritten, 0, LinkReported(link)};
  }
  delay.DelayMs(kUpdateWaitMs);
  if (!link::Answered(link.ReadReg(index), link.RawWord)) {
    return {CalWrite::kNotReadBack, 0, LinkReported(link)};
  }
  return {CalWrite::kReadBack, link.RegRaw, false};
}

bool RunCalCommand(link::RegisterAccess& link, link::Delay& delay, CalCommand command) {
  const CalCommandTraits& traits = TraitsOf(command);
  if (!link::Reached(link.WriteReg(registers::kCommand, traits.command))) return false;
  delay.DelayMs(traits.wait_ms);
  return true;
}

link::FlashOutcome RunFlashUpdate(link::RegisterAccess& link, link::Delay& delay) {
  return link::StoreToFlash(link, delay, TraitsOf(CalCommand::kFlashUpdate).wait_ms);
}

QString ReadFailedMessage() {
  return QStringLiteral(
             "The calibration registers could not all be read: the device did not answer.\r\n"
             "The rows that were not read are left as they were.\r\n") +
         common::CheckConnectionsAdvice();
}

QString WriteFailedMessage(CalRow row) {
  return QStringLiteral("%1 was not written: the device could not be reached.\r\n")
             .arg(Title(TraitsOf(row).title)) +
         common::CheckConnectionsAdvice();
}

QString ReadBackFailedMessage(CalRow row) {
  return QStringLiteral(
             "%1 was written, but the device did not answer when it was read back, so its "
             "register contents are not shown.\r\n")
             .arg(Title(TraitsOf(row).title)) +
         common::CheckConnectionsAdvice();
}

QString NothingToWriteMessage(CalRow row) {
  return QStringLiteral(
             "%1 has not been read from the device, so there is no value to write back.\r\n"
             "Type the value to write, then press Update.")
      .arg(Title(TraitsOf(row).title));
}

QString CommandFailedMessage(CalCommand command) {
  return QStringLiteral("%1 was not run: the device could not be reached.\r\n")
             .arg(Title(TraitsOf(command).title)) +
         common::CheckConnectionsAdvice();
}

QString FlashMessage(link::FlashOutcome outcome) {
  switch (outcome) {
    case link::FlashOutcome::kStored:
      return QStringLiteral(
          "FLASH Memory Update is done: the device has stored its settings, the calibration "
          "registers among them, in its FLASH memory.");
    case link::FlashOutcome::kFlashFailed:
      return QStringLiteral(
          "FLASH Memory Update failed: the device reports that it could not store its settings "
          "in its FLASH memory.\r\nThe calibration in use now will be lost when the device is "
          "switched off. Run FLASH Memory Update again.");
    case link::FlashOutcome::kNotSent:
      return CommandFailedMessage(CalCommand::kFlashUpdate);
    case link::FlashOutcome::kNoAnswerAfter:
      return QStringLiteral(
                 "FLASH Memory Update was sent, but the device did not answer afterwards: whether "
                 "the calibration is stored in its FLASH memory is not known.\r\n") +
             common::CheckConnectionsAdvice();
    case link::FlashOutcome::kUnconfirmed:
      return QStringLiteral(
          "FLASH Memory Update was sent, but the device already reported a failed FLASH store "
          "before it, so this one cannot be confirmed.\r\nClear the status flags in the main "
          "window, then run FLASH Memory Update again.");
  }
  return {};
}

}  // namespace talvix::calibration
