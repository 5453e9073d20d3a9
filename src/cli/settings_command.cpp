// SPDX-License-Identifier: MIT
#include "cli/settings_command.h"

#include "cli/cli_app.h"
#include "common/file_target.h"
#include "common/number_text.h"
#include "regaccess/settings_file.h"
#include "regaccess/settings_transfer.h"
#include "session/session.h"

namespace talvix::cli {

namespace {

// The program's messages are written for message boxes (CR LF); a terminal takes LF.
QString ForTerminal(QString text) {
  return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

void PrintLines(QTextStream& out, const QStringList& lines) {
  for (const QString& line : lines) out << line << '\n';
}

int Save(const QString& path, Session& session, QTextStream& out, QString& error) {
  // A name that cannot take the file is refused before anything is read.
  QString target;
  QString why;
  if (common::Resolve(path, target, why) == common::Target::kRefused) {
    error = QStringLiteral("%1: cannot be written: %2; nothing was read").arg(path, why);
    return kExitUsage;
  }
  regaccess::DeviceSettings saved{};
  if (!regaccess::SaveSettings(session.link, path, saved, error)) {
    error = ForTerminal(error);
    return kExitDeviceError;
  }
  const registers::RegisterTable& table = session.link.table();
  for (const int16_t index : regaccess::SettingsRegisters()) {
    out << regaccess::SettingLabel(table, index) << '\t'
        << common::Hex4(regaccess::SettingWord(saved, index)) << '\t'
        << regaccess::SettingValueText(table, saved, index) << '\n';
  }
  return kExitOk;
}

int Load(const QString& path, bool dry_run, Session& session, QTextStream& out, QString& error) {
  const registers::RegisterTable& table = session.link.table();
  const regaccess::ParsedSettings parsed = regaccess::ReadSettingsFile(path, table);
  if (!parsed.settings) {
    error = ForTerminal(regaccess::RefusedFileMessage(parsed.problems));
    return kExitUsage;
  }
  if (dry_run) {
    PrintLines(out, regaccess::PlanLines(table, *parsed.settings));
    return kExitOk;
  }
  const regaccess::LoadReport report = regaccess::LoadSettings(session, *parsed.settings);
  switch (report.result) {
    case regaccess::LoadReport::Result::kRefused:
      error = ForTerminal(report.error);
      return kExitUsage;
    case regaccess::LoadReport::Result::kNotReached:
      error = ForTerminal(report.error);
      return kExitDeviceError;
    case regaccess::LoadReport::Result::kDiffers:
      PrintLines(out, regaccess::LoadedLines(table, *parsed.settings, report));
      error = QStringLiteral("these registers read back differently from what was written:\n") +
              regaccess::DifferingLines(table, *parsed.settings, report).join(u'\n');
      return kExitDeviceError;
    case regaccess::LoadReport::Result::kLoaded:
      PrintLines(out, regaccess::LoadedLines(table, *parsed.settings, report));
      return kExitOk;
  }
  return kExitDeviceError;
}

}  // namespace

int RunSettingsCommand(const QStringList& operands, Session& session, QTextStream& out,
                       QString& error) {
  if (operands.contains(QStringLiteral("--help")) || operands.contains(QStringLiteral("-h"))) {
    out << SettingsHelpText();
    return kExitOk;
  }
  QStringList words = operands;
  const bool dry_run = words.removeAll(QStringLiteral("--dry-run")) > 0;
  const QString action = words.value(0);
  if (action != QLatin1String("save") && action != QLatin1String("load")) {
    error = action.isEmpty()
                ? QStringLiteral("settings: say save or load")
                : QStringLiteral("settings: unknown action \"%1\"; say save or load").arg(action);
    return kExitUsage;
  }
  if (words.size() != 2 || words[1].isEmpty() ||
      (words[1].startsWith(u'-') && words[1] != QLatin1String("-"))) {
    error =
        QStringLiteral("settings %1: give exactly one FILE (and --dry-run for load)").arg(action);
    return kExitUsage;
  }
  if (words[1] == QLatin1String("-")) {
    error = QStringLiteral("settings %1: FILE must be a file, not standard input or output")
                .arg(action);
    return kExitUsage;
  }
  if (action == QLatin1String("save")) {
    if (dry_run) {
      error = QStringLiteral("settings save: --dry-run is for load");
      return kExitUsage;
    }
    return Save(words[1], session, out, error);
  }
  return Load(words[1], dry_run, session, out, error);
}

QString SettingsHelpText() {
  return QStringLiteral(
      "usage: talvix-cli [--interface ...] settings save FILE\n"
      "       talvix-cli [--interface ...] settings load FILE [--dry-run]\n"
      "\n"
      "Saves the sensor's user-settable configuration to FILE, or loads it from FILE: the X and\n"
      "Y nulls and scales (XACCL_NULL, YACCL_NULL, XACC_SCALE, YACC_SCALE), the alarm levels and\n"
      "control (ALM_MAG1, ALM_MAG2, ALM_CTRL), the auxiliary DAC (AUX_DAC), the digital lines\n"
      "and miscellaneous control (GPIO_CTRL, MISC_CTRL), the sample period (SMPL_PRD) and the\n"
      "capture set-up (CAPT_CFG).\n"
      "\n"
      "FILE is JSON with one register a line: its label, its word in hexadecimal (what is\n"
      "written) and what the word means, for example\n"
      "  {\"label\": \"SMPL_PRD\", \"word\": \"0001\", \"value\": \"4096.0 SPS\"}\n"
      "\"value\" may be left out; when it is given it must be what the word means. ALM_CTRL\n"
      "bits 4-7 (a capture armed) are not a setting: they are saved clear and loaded clear.\n"
      "\n"
      "  save FILE   reads every register, then writes FILE whole: an existing FILE is replaced\n"
      "              only by a complete one. Prints one line per register: label, word, meaning.\n"
      "  load FILE   checks the whole of FILE, then writes the registers in an order the sensor\n"
      "              takes (both alarms off first, ALM_CTRL last, COMMAND 0004 after AUX_DAC),\n"
      "              reads every register back and prints one line per register: label, word\n"
      "              before, word now, meaning. The settings are not stored in the sensor's\n"
      "              flash.\n"
      "  --dry-run   checks FILE and prints the writes a load would make, in order: label,\n"
      "              word, what it does. Nothing is sent.\n"
      "\n"
      "Exit status:\n"
      "  0  saved; loaded, with every register reading back as written; or a dry run's FILE\n"
      "     is good\n"
      "  1  a read or write did not reach the sensor (save then writes no file), FILE could\n"
      "     not be written, or a register read back differently from what was written (each\n"
      "     is named)\n"
      "  2  bad command line, or FILE cannot be read or has a problem: an unknown label, a\n"
      "     read-only register, a value out of range, a malformed or duplicate entry, a\n"
      "     missing register (each is named with its line); nothing was sent\n");
}

}  // namespace talvix::cli
