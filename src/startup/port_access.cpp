#include "startup/port_access.h"

namespace talvix::startup {

bool InstallPortDriver(Session& session) {
  const bool held_for_this_address =
      session.startup.PortDriverReady && session.ParallelPortOpen() &&
      session.OpenedPortAddress() == session.link.PortAddress;
  if (held_for_this_address) return true;

  QString why;
  session.startup.PortDriverReady = session.OpenParallelPort(why);
  if (!session.startup.PortDriverReady) {
    session.notifier().Message(QString::fromLatin1(kPortDriverErrorText) + u'\n' + why,
                               QString::fromLatin1(kErrorTitle));
  }
  return session.startup.PortDriverReady;
}

QString DetectOsName() { return QStringLiteral("Linux"); }

bool IsNtFamily(const QString& os_name) {
  return os_name == QLatin1String("WinXP") || os_name == QLatin1String("WinNT") ||
         os_name == QLatin1String("Linux");
}

}  // namespace talvix::startup
