// SPDX-License-Identifier: MIT
#include "startup/link_failure.h"

#include "common/advice_texts.h"
#include "platform/libusb_driver.h"
#include "platform/usb_card_ids.h"
#include "session/session.h"
#include "startup/port_access.h"

#include <QStringList>

namespace talvix::startup {

QString CardName(int device) {
  return QStringLiteral("Ezusb-%1").arg(device);
}

QString LinkFailure(link::LinkStatus status, const Session& session,
                    const platform::LibUsbDriver* libusb) {
  const link::RegisterAccess& link = session.link;
  const QString again = QStringLiteral("then run the command again.");
  const QString port = QString::number(static_cast<uint16_t>(link.PortAddress), 16).toUpper();
  const QString card = session.ezusb.CurrentCard.DevName;
  switch (link.InterfaceType) {
    case link::kInterfaceUsb:
      if (status == link::LinkStatus::kLinkFailed && libusb && !libusb->LastError().isEmpty()) {
        return libusb->LastError();  // says what happened to the transfer and what to do
      }
      return QStringLiteral("the USB SPI card %1 %2. Check its cable, unplug and replug it, %3")
          .arg(card,
               status == link::LinkStatus::kLinkFailed ? QStringLiteral("failed during a transfer")
                                                       : QStringLiteral("is not ready"),
               again);
    case link::kInterfaceParallel:
      return QStringLiteral(
                 "%1 the parallel port at %2. Check that the port (or its adapter) is still there "
                 "and that no other program has claimed it, %3")
          .arg(status == link::LinkStatus::kLinkFailed ? QStringLiteral("an access failed on")
                                                       : QStringLiteral("nothing is open at"),
               port, again);
    default:
      return QStringLiteral("no interface is chosen.");
  }
}

QString NoValueCause(const Session& session, const platform::LibUsbDriver* libusb) {
  const link::LinkStatus status = session.link.LastStatus;
  if (!link::Reached(status)) return LinkFailure(status, session, libusb);
  return QStringLiteral(
             "the sensor did not answer (it read all ones). %1 Then run the command "
             "again.")
      .arg(common::CheckConnectionsAdvice());
}

QString UsbOpenFailure(int device, const link::EzUsb& ezusb, const QString& driver_error) {
  const QString name = CardName(device);
  const bool named = device >= 0 && device < static_cast<int>(ezusb.UsbCards.size()) &&
                     !ezusb.UsbCards[device].DevName.isEmpty();
  if (named) {
    // Found, but it failed while its board information was read or while it was set up.
    return QStringLiteral("the USB SPI card %1 (%2) was found but did not answer: %3")
        .arg(name, ezusb.UsbCards[device].CardType,
             driver_error.isEmpty()
                 ? QStringLiteral("unplug and replug it, then run the command again.")
                 : driver_error);
  }
  if (!driver_error.isEmpty()) {
    return QStringLiteral("cannot reach the USB SPI card %1: %2").arg(name, driver_error);
  }
  QStringList found;
  int first_found = -1;
  for (int i = 0; i < static_cast<int>(ezusb.UsbCards.size()); ++i) {
    const link::UsbCardInfo& card = ezusb.UsbCards[i];
    if (card.DevName.isEmpty()) continue;
    found << QStringLiteral("%1 (%2)").arg(card.DevName, card.CardType);
    if (first_found < 0) first_found = i;
  }
  if (found.isEmpty()) {
    return QStringLiteral(
               "no USB SPI card found (asked for %1). Check that the card is plugged in and "
               "powered, its cable, that its ids are the ones set (lsusb shows them), and that "
               "the udev rule of talvix-cli udev-rules is installed.")
        .arg(name);
  }
  return QStringLiteral("there is no USB SPI card at %1; found %2. Name one of these, as usb:%3.")
      .arg(name, found.join(QStringLiteral(", ")))
      .arg(first_found);
}

bool ConnectUsbCard(Session& session, int device, platform::LibUsbDriver* libusb, QString& error) {
  session.link.InterfaceType = link::kInterfaceUsb;
  if (!session.ezusb.card_ids().ids) {  // nothing to look for: no scan
    error = platform::NoUsbCardIdsText(session.ezusb.card_ids());
    return false;
  }
  if (!startup::BringUpUsbCard(session, device)) {
    error = UsbOpenFailure(device, session.ezusb, libusb ? libusb->LastError() : QString());
    return false;
  }
  // The scan may have failed to open other cards: only failures from here on are this run's.
  if (libusb) libusb->ClearLastError();
  return true;
}

}  // namespace talvix::startup
