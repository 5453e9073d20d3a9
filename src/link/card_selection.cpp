// SPDX-License-Identifier: MIT
#include "link/card_selection.h"

#include "common/number_text.h"

namespace talvix::link {

bool SelectCard(UsbSpiCard& card, int index, CardSettingsOrder order) {
  EzUsb& ezusb = card.ezusb();
  if (index < 0 || index >= static_cast<int>(ezusb.UsbCards.size()) ||
      !ezusb.UsbCards[index].Present) {
    return false;
  }
  ezusb.CurrentCard = ezusb.UsbCards[index];
  if (order == CardSettingsOrder::kBitsThenDelay) {
    card.UsbSpiSetBits(card.SpiStaticBits);
    card.UsbSpiSetDelay(card.SpiWordDelay);
  } else {
    card.UsbSpiSetDelay(card.SpiWordDelay);
    card.UsbSpiSetBits(card.SpiStaticBits);
  }
  return card.CardReady();
}

void SelectNoCard(EzUsb& ezusb) {
  ezusb.CurrentCard.Present = false;
}

UsbCardRow CardRow(const UsbCardInfo& card) {
  UsbCardRow row;
  row.device = QStringLiteral("None");
  if (!card.Present) return row;
  row.selectable = true;
  row.device = card.CardType + QStringLiteral(" - 0");
  row.descriptor0 = card.Descriptor0;
  row.descriptor1 = card.Descriptor1;
  row.firmware = common::FormatPattern(card.FirmwareRev, u"0.0");
  row.speed = common::FormatPattern(card.UsbSpeed.toDouble(), u"0.0");
  return row;
}

}  // namespace talvix::link
