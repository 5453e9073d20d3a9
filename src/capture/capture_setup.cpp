// SPDX-License-Identifier: MIT
#include "capture/capture_setup.h"

#include "capture/capture_config.h"
#include "registers/register_bits.h"
#include "registers/value_conversion.h"

#include <QLocale>
#include <QStringList>

namespace talvix::capture {

namespace {

QString Normalised(const QString& name) {
  return name.trimmed().toLower().replace(u' ', u'_');
}

// The limit that replaces `probe` (far beyond every source's range) for `source`.
QString RangeLimit(const registers::RegisterTable& table, int source, const char* probe) {
  QString text = QString::fromLatin1(probe);
  registers::UnitsToRaw(table, static_cast<int16_t>(source), text);
  return text;
}

}  // namespace

std::optional<int> FindCaptureSource(const QString& name) {
  const QStringList texts = SourceListTexts();
  for (int source = 0; source < texts.size(); ++source) {
    if (Normalised(texts[source]) == Normalised(name)) return source;
  }
  return std::nullopt;
}

QString LevelRangeProblem(const registers::RegisterTable& table, int source, const QString& level) {
  QString checked = level;
  registers::UnitsToRaw(table, static_cast<int16_t>(source), checked);
  if (checked == level) return {};
  return QStringLiteral("%1 is outside the range of %2, %3 to %4")
      .arg(level, SourceListTexts().at(source), RangeLimit(table, source, "-999999"),
           RangeLimit(table, source, "999999"));
}

SetupResult WriteCaptureSetup(Session& session, const CaptureSetup& setup) {
  link::RegisterAccess& link = session.link;
  link::Delay& delay = *session.delay;

  // What the configuration window reads when it opens: the other comparator's level is written
  // back as it was.
  const CaptConfigWords words = ReadCaptConfigWords(link);
  if (!words.answered) return {SetupEnd::kConfigNotRead};
  if (DecideCaptConfigLoad(session.table, words, session.capture.CaptTrigSelect).no_communication) {
    return {SetupEnd::kNoSense, words.alm_ctrl};
  }

  // Step 1: CAPT_CFG, and the comparators' sources in ALM_CTRL.
  const uint16_t capt_cfg = CaptCfgForStep1(
      setup.source[0], setup.source[1], setup.length_code - kLengthCodeMin, setup.pre_trigger_code);
  if (!WriteStep1(link, delay, capt_cfg, setup.source[0], setup.source[1])) {
    return {SetupEnd::kStep1Failed};
  }
  // Step 2: the level and direction of the chosen comparator.
  std::array<uint16_t, 2> magnitude = {static_cast<uint16_t>(words.alm_mag[0]),
                                       static_cast<uint16_t>(words.alm_mag[1])};
  const int trigger_buffer = setup.trigger - 1;
  magnitude[trigger_buffer] =
      MagnitudeWordForStep2(session.table, setup.source[trigger_buffer], setup.level,
                            setup.above ? kGreaterThanPosition : 0, FilledLevel{}, QLocale::c());
  if (!WriteStep2(link, delay, magnitude[0], magnitude[1])) return {SetupEnd::kStep2Failed};
  // Step 3: the trigger source of the next Arm.
  session.capture.SelectTrigger(setup.trigger == 1 ? registers::kAlmCtrlTrigger1
                                                   : registers::kAlmCtrlTrigger2);
  return {SetupEnd::kDone};
}

}  // namespace talvix::capture
