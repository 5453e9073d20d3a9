// SPDX-License-Identifier: MIT
#include "usb_emulator/fault_plan.h"

#include <QRegularExpression>

#include <array>

namespace talvix::usb_emulator {

namespace {

constexpr std::array<FaultKind, 3> kKinds = {FaultKind::kUnplug, FaultKind::kHang,
                                             FaultKind::kStall};

}  // namespace

QString FaultName(FaultKind kind) {
  switch (kind) {
    case FaultKind::kUnplug:
      return QStringLiteral("unplug");
    case FaultKind::kHang:
      return QStringLiteral("hang");
    case FaultKind::kStall:
      return QStringLiteral("stall");
  }
  return {};
}

std::optional<FaultPlan> ParseFaultPlan(const QString& text, QString& error) {
  // Digits only after the '@': no sign, blanks, base prefix or trailing characters.
  static const QRegularExpression kForm(QStringLiteral("^([A-Za-z]+)@([0-9]+)$"));
  const QRegularExpressionMatch match = kForm.match(text);
  if (!match.hasMatch()) {
    error = QStringLiteral("\"%1\" is not KIND@N (for example unplug@50)").arg(text);
    return std::nullopt;
  }
  FaultPlan plan;
  bool known = false;
  for (const FaultKind kind : kKinds) {
    if (match.captured(1).toLower() == FaultName(kind)) {
      plan.kind = kind;
      known = true;
    }
  }
  if (!known) {
    error =
        QStringLiteral("unknown fault \"%1\": give unplug, hang or stall").arg(match.captured(1));
    return std::nullopt;
  }
  bool in_range = false;
  plan.after_transfers = match.captured(2).toUInt(&in_range);
  if (!in_range) {
    error = QStringLiteral("%1 transfers is too many: give at most %2")
                .arg(match.captured(2))
                .arg(UINT32_MAX);
    return std::nullopt;
  }
  return plan;
}

}  // namespace talvix::usb_emulator
