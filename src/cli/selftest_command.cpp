// SPDX-License-Identifier: MIT
#include "cli/selftest_command.h"

#include "about/about_texts.h"
#include "cli/cli_app.h"
#include "platform/libusb_driver.h"
#include "startup/link_failure.h"
#include "startup/port_access.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>

namespace talvix::cli {

using startup::SelfTestStep;
using startup::StepResult;

startup::SelfTestStep InterfaceStep(const QString& description, bool opened, const QString& why) {
  SelfTestStep step;
  step.name = QStringLiteral("interface");
  step.result = opened ? StepResult::kPass : StepResult::kFail;
  step.detail = opened ? description + QStringLiteral(" is open")
                       : QStringLiteral("%1 did not open: %2").arg(description, why);
  step.lost_sensor = !opened;
  return step;
}

QString OpenFailureText(const QString& error, const QStringList& messages) {
  if (!error.isEmpty()) return error;
  QStringList lines;
  for (const QString& message : messages) lines << message.split(u'\n');
  // The window's heading line ("The required I/O drivers could not be installed.") says nothing
  // the reason after it does not.
  lines.removeAll(QString::fromLatin1(startup::kPortDriverErrorText));
  return lines.join(u' ');
}

std::vector<SelfTestStep> RunSelfTestSteps(Session& session, bool open,
                                           const platform::LibUsbDriver* libusb) {
  startup::SelfTestHooks hooks;
  hooks.read_identity = [&session] {
    const about::ProductRead read = about::ReadProductWords(session.link);
    const about::ProductIdentity identity = about::DecodeProductWords(read.words);
    startup::IdentityRead result;
    result.answered = read.answered;
    result.all_zero =
        read.words.RevDate == 0 && read.words.MonthYear == 0 && read.words.ProcudtID == 0;
    result.text =
        QStringLiteral("product %1, revision %2, date %3")
            .arg(identity.ProductIdText, about::RevisionText(identity.DeviceRevision, QLocale::c()),
                 about::ProductDateText(identity));
    return result;
  };
  // The card's failure is told by the request that failed, which may be an earlier one than the
  // last operation (that found the card not ready).
  hooks.no_value_cause = [&session, libusb] {
    if (libusb && !libusb->LastError().isEmpty()) return libusb->LastError();
    return startup::NoValueCause(session, libusb);
  };
  return startup::RunSelfTest(session, hooks, open ? QString() : QStringLiteral("interface"));
}

int PrintSelfTest(const std::vector<SelfTestStep>& steps, bool jsonl, QTextStream& out) {
  QStringList failed;
  int passed = 0;
  int skipped = 0;
  for (const SelfTestStep& step : steps) {
    if (step.result == StepResult::kPass) ++passed;
    if (step.result == StepResult::kFail) failed << step.name;
    if (step.result == StepResult::kSkipped) ++skipped;
    if (jsonl) {
      QJsonObject line{{"step", step.name},
                       {"result", startup::ResultWord(step.result)},
                       {"detail", step.detail}};
      for (const auto& [name, value] : step.figures) line.insert(name, value);
      out << QJsonDocument(line).toJson(QJsonDocument::Compact) << '\n';
    } else {
      out << startup::ResultWord(step.result).leftJustified(8) << step.name.leftJustified(11) << ' '
          << step.detail << '\n';
    }
  }
  const bool all_passed = passed == static_cast<int>(steps.size());
  if (jsonl) {
    const QJsonObject summary{{"summary", all_passed ? "pass" : "fail"},
                              {"passed", passed},
                              {"failed", static_cast<int>(failed.size())},
                              {"skipped", skipped},
                              {"failed_steps", QJsonArray::fromStringList(failed)}};
    out << QJsonDocument(summary).toJson(QJsonDocument::Compact) << '\n';
  } else if (all_passed) {
    out << QStringLiteral("selftest passed: all %1 steps\n").arg(passed);
  } else {
    out << QStringLiteral("selftest failed: %1 passed, %2 failed (%3), %4 skipped\n")
               .arg(passed)
               .arg(failed.size())
               .arg(failed.join(QStringLiteral(", ")))
               .arg(skipped);
  }
  return all_passed ? kExitOk : kExitDeviceError;
}

QString SelfTestHelpText() {
  return QStringLiteral(
      "usage: talvix-cli [GLOBAL OPTIONS] selftest [--jsonl]\n"
      "Checks the interface and the sensor without changing anything that stays changed:\n"
      "  interface   the parallel port or USB SPI card opens (else the cause and the fix)\n"
      "  card        USB SPI card only: its type, descriptors, firmware and speed, and\n"
      "              that it reports the delay and static bits it was sent\n"
      "  product     the product words, unlocked with KeyCode as the About window does\n"
      "  status      STATUS answers\n"
      "  write-read  AUX_DAC written with some bits flipped, read back, and restored\n"
      "              (the DAC's output does not change)\n"
      "  timing      the time of one register read against the pauses it must make\n"
      "              (0.3 ms over the parallel port, 0.1 ms over the USB SPI card)\n"
      "  supply      SUPPLY within 3.0 to 3.6 V\n"
      "One line per step: pass, fail or skipped, the step and what was found, or why it\n"
      "failed and what to do. After a step that lost the sensor the others are skipped.\n"
      "  --jsonl     one JSON object per step (step, result, detail and the measured\n"
      "              figures), then a summary object\n"
      "exit status: 0 every step passed; 1 a step failed\n");
}

}  // namespace talvix::cli
