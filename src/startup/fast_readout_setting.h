// SPDX-License-Identifier: MIT
// The "Fast read-out" choice of the Interface menu, kept from run to run in the user's own
// settings ("~/.config/talvix/interface.ini"), never in CommPort.cfg, whose three lines stay as
// they are. Off unless the user turned it on.
#pragma once

#include <QString>

namespace talvix::startup {

QString DefaultFastReadoutPath();

// The choice kept in the file at `path`; off when there is none or the file cannot be read.
bool LoadFastReadout(const QString& path);

// Keeps the choice in the file at `path`. False, with the reason in `why`, when it could not.
bool SaveFastReadout(const QString& path, bool on, QString& why);

// The message for a choice that could not be kept.
QString FastReadoutNotKeptMessage(const QString& path, const QString& why);

}  // namespace talvix::startup
