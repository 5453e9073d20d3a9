// The program's start-up steps before the main window is shown, and the configuration file's
// link to the session.
#pragma once

#include "startup/config_file.h"
#include "session/session.h"

#include <QString>

namespace talvix::startup {

// The program's major version, shown in the title as "Rev_3".
inline constexpr int kMajorVersion = 3;

// In order: calibrate the delay loop (a few seconds of busy waiting), set the defaults, read the
// configuration file at `config_path`. The register table is already built with the session.
void StartUp(Session& session, const QString& config_path);

// The start-up defaults: no interface, factory level 0, the USB card's settings.
void SetDefaults(Session& session);

ConfigSettings CurrentConfig(const Session& session);
void ApplyConfig(const ConfigSettings& settings, Session& session);

// "Morvane - Talvix Evaluation Software Rev_3".
QString MainWindowTitle();
// The title of the program's message boxes and its application name.
QString MessageTitle();

}  // namespace talvix::startup
