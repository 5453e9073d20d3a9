// SPDX-License-Identifier: MIT
// The program's start-up steps before the main window is shown, and the configuration file's
// link to the session.
#pragma once

#include "common/message_titles.h"
#include "session/session.h"
#include "startup/config_file.h"

#include <QString>

namespace talvix::startup {

// The program's major version, shown in the title as "Rev_3".
inline constexpr int kMajorVersion = 3;

// In order: set the defaults, read the configuration file at `config_path`. A file that exists
// but cannot be read is said through the session's notifier, and the defaults stay. The register
// table is already built with the session.
void StartUp(Session& session, const QString& config_path);

// The start-up defaults: no interface, factory level 0, the USB card's settings.
void SetDefaults(Session& session);

// The settings the configuration file keeps: the interface the user chose (not the one in
// service, which is 0 when the chosen one could not be brought up), the port address and the
// factory level.
ConfigSettings CurrentConfig(const Session& session);
// Takes the settings read from the file as the interface to bring up and as the user's choice.
void ApplyConfig(const ConfigSettings& settings, Session& session);
// The exit path's write of the configuration file: CurrentConfig, or nothing when the file could
// not be read at start (it is left as it is, as the start said). False, with the file's name and
// the reason in `error`, when the write failed.
bool SaveConfig(const Session& session, const QString& config_path, QString& error);

// "Morvane - Talvix Evaluation Software Rev_3".
QString MainWindowTitle();

}  // namespace talvix::startup
