// SPDX-License-Identifier: MIT
// Which USB SPI card is current: the one place that makes a scanned card current (sending it the
// static bits and the delay between words it must have before its first transfer) or makes none
// current. Windows, the start-up steps and talvix-cli choose cards only through these.
#pragma once

#include "link/ezusb.h"
#include "link/usb_spi_card.h"

#include <QString>

namespace talvix::link {

// The order in which a card just made current gets its two settings, SpiStaticBits (command 12)
// and SpiWordDelay (command 11). The card takes each on its own, so either order leaves it set up
// alike; each place that selects a card keeps the order it has always sent: bringing the card
// into service at load (and the debug window) sends the bits first, the selection window the
// delay first.
enum class CardSettingsOrder { kBitsThenDelay, kDelayThenBits };

// Makes the scanned card at "Ezusb-<index>" current (UsbCardIndex stays as the scan set it) and
// sends it the two settings in `order`. Does nothing and returns false when the scan found no
// ready card at that index; otherwise returns whether the card is still ready after the two
// settings (a failed setting shows its message and marks the card not ready).
bool SelectCard(UsbSpiCard& card, int index, CardSettingsOrder order);

// No card is current: every card operation sends nothing until a card is selected again.
void SelectNoCard(EzUsb& ezusb);

// What a card window shows in the row of one scanned card; empty texts for a card that is not
// there or did not answer.
struct UsbCardRow {
  bool selectable = false;  // a ready card: its option button may be clicked
  QString device;           // "Pellow - 0", or "None"
  QString descriptor0;
  QString descriptor1;
  QString firmware;  // "2.5"
  QString speed;     // "1.1" or "2.0"
};
UsbCardRow CardRow(const UsbCardInfo& card);

}  // namespace talvix::link
