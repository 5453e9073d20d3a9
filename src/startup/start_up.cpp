// SPDX-License-Identifier: MIT
#include "startup/start_up.h"

namespace talvix::startup {

void StartUp(Session& session, const QString& config_path) {
  SetDefaults(session);
  ConfigSettings settings = CurrentConfig(session);
  QString error;
  session.startup.config_unreadable = !ReadConfig(config_path, settings, &error);
  ApplyConfig(settings, session);
  if (session.startup.config_unreadable) session.notifier().Message(error, common::MessageTitle());
}

void SetDefaults(Session& session) {
  session.link.InterfaceType = link::kInterfaceNone;
  session.startup.FactoryFlag = 0;
  session.startup.configured_interface = link::kInterfaceNone;
  session.startup.config_unreadable = false;
  session.startup.PortDriverReady = false;
  session.usb.SpiInPolarity = true;
  session.usb.SpiChan = 1;
  session.usb.SpiStaticBits = 120;
  session.usb.SpiWordDelay = 25;
}

ConfigSettings CurrentConfig(const Session& session) {
  return {session.startup.configured_interface, session.link.PortAddress,
          session.startup.FactoryFlag};
}

void ApplyConfig(const ConfigSettings& settings, Session& session) {
  session.link.InterfaceType = settings.InterfaceType;
  // A value that names no interface is none, as the load step treats it.
  const bool known = settings.InterfaceType == link::kInterfaceParallel ||
                     settings.InterfaceType == link::kInterfaceUsb;
  session.startup.configured_interface =
      known ? settings.InterfaceType : static_cast<int16_t>(link::kInterfaceNone);
  session.link.PortAddress = settings.PortAddress;
  session.startup.FactoryFlag = settings.FactoryFlag;
}

bool SaveConfig(const Session& session, const QString& config_path, QString& error) {
  if (session.startup.config_unreadable) return true;
  return WriteConfig(config_path, CurrentConfig(session), error);
}

QString MainWindowTitle() {
  return QStringLiteral("Morvane - Talvix Evaluation Software Rev_%1").arg(kMajorVersion);
}

}  // namespace talvix::startup
