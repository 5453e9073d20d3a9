#include "startup/port_access.h"

namespace talvix::startup {

bool ParallelPortReady(const Session& session) {
  return session.ParallelPortOpen() && session.OpenedPortAddress() == session.link.PortAddress;
}

bool InstallPortDriver(Session& session) {
  if (session.startup.PortDriverReady && ParallelPortReady(session)) return true;

  QString why;
  session.startup.PortDriverReady = session.OpenParallelPort(why);
  if (!session.startup.PortDriverReady) {
    session.notifier().Message(QString::fromLatin1(kPortDriverErrorText) + u'\n' + why,
                               QString::fromLatin1(kErrorTitle));
  }
  return session.startup.PortDriverReady;
}

bool BringUpParallelPort(Session& session) {
  if (!InstallPortDriver(session)) return false;
  session.link.lpt.LptReset();
  return true;
}

bool BringUpUsbCard(Session& session, int device) {
  link::EzUsb& ezusb = session.ezusb;
  ezusb.UsbSelectFirstCard();
  if (device >= 0 && device < static_cast<int>(ezusb.UsbCards.size()) &&
      device != ezusb.UsbCardIndex) {
    if (!ezusb.UsbCards[device].Present) {
      ezusb.CurrentCard.Present = false;
      return false;
    }
    ezusb.CurrentCard = ezusb.UsbCards[device];
  }
  link::UsbSpiCard& card = session.usb;
  if (!card.CardReady()) return false;
  card.UsbSpiSetBits(card.SpiStaticBits);
  card.UsbSpiSetDelay(card.SpiWordDelay);
  return card.CardReady();
}

QString DetectOsName() { return QStringLiteral("Linux"); }

bool IsNtFamily(const QString& os_name) {
  return os_name == QLatin1String("WinXP") || os_name == QLatin1String("WinNT") ||
         os_name == QLatin1String("Linux");
}

}  // namespace talvix::startup
