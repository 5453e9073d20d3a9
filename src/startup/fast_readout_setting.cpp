// SPDX-License-Identifier: MIT
#include "startup/fast_readout_setting.h"

#include "common/user_settings_file.h"

namespace talvix::startup {

namespace {
const QString kFastReadoutKey = QStringLiteral("Interface/FastReadout");
}  // namespace

QString DefaultFastReadoutPath() {
  return common::UserSettingsPath(QStringLiteral("interface.ini"));
}

bool LoadFastReadout(const QString& path) {
  const std::optional<QVariant> kept = common::ReadUserSetting(path, kFastReadoutKey);
  return kept && kept->toString() == QLatin1String("true");
}

bool SaveFastReadout(const QString& path, bool on, QString& why) {
  return common::WriteUserSetting(path, kFastReadoutKey,
                                  on ? QStringLiteral("true") : QStringLiteral("false"), why);
}

QString FastReadoutNotKeptMessage(const QString& path, const QString& why) {
  return QStringLiteral(
             "The Fast read-out choice could not be kept in %1: %2. It holds until the program "
             "ends.")
      .arg(path, why);
}

}  // namespace talvix::startup
