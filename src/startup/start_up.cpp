#include "startup/start_up.h"

namespace talvix::startup {

void StartUp(Session& session, const QString& config_path) {
  session.delay->DelayCalibrated = false;
  session.delay->CalibrateDelay();
  SetDefaults(session);
  ConfigSettings settings = CurrentConfig(session);
  ReadConfig(config_path, settings);
  ApplyConfig(settings, session);
}

void SetDefaults(Session& session) {
  session.link.InterfaceType = link::kInterfaceNone;
  session.startup.FactoryFlag = 0;
  session.startup.DebugLoopStop = true;
  session.startup.PortDriverReady = false;
  session.usb.SpiInPolarity = true;
  session.usb.SpiChan = 1;
  session.usb.SpiStaticBits = 120;
  session.usb.SpiWordDelay = 25;
}

ConfigSettings CurrentConfig(const Session& session) {
  return {session.link.InterfaceType, session.link.PortAddress, session.startup.FactoryFlag};
}

void ApplyConfig(const ConfigSettings& settings, Session& session) {
  session.link.InterfaceType = settings.InterfaceType;
  session.link.PortAddress = settings.PortAddress;
  session.startup.FactoryFlag = settings.FactoryFlag;
}

QString MainWindowTitle() {
  return QStringLiteral("Morvane - Talvix Evaluation Software Rev_%1").arg(kMajorVersion);
}

}  // namespace talvix::startup

namespace talvix::startup {

QString MessageTitle() { return QStringLiteral("Talvix Evaluation Software"); }

}  // namespace talvix::startup
