// SPDX-License-Identifier: MIT
// talvix-cli settings: the sensor's user-settable configuration saved to a file and restored.
//
//   talvix-cli settings save FILE
//   talvix-cli settings load FILE [--dry-run]
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace talvix {
class Session;
}  // namespace talvix

namespace talvix::cli {

// `operands` are the words after "settings" (e.g. {"load", "FILE", "--dry-run"}); returns the exit
// status (kExitOk, kExitDeviceError, kExitUsage from cli_app.h); messages for the user in `error`.
int RunSettingsCommand(const QStringList& operands, Session& session, QTextStream& out,
                       QString& error);

// The help text of `talvix-cli settings --help`.
QString SettingsHelpText();

}  // namespace talvix::cli
