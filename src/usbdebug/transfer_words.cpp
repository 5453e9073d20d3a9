// SPDX-License-Identifier: MIT
#include "usbdebug/transfer_words.h"

#include "common/number_text.h"

namespace talvix::usbdebug {

std::optional<QStringList> TransferWords(link::UsbSpiCard& card) {
  card.UsbSpiTransfer(card.SpiWordCount);
  if (!card.CardReady()) return std::nullopt;
  QStringList readback;
  for (int i = 1; i <= card.SpiWordCount && i <= link::kMaxSpiWords; ++i) {
    readback << common::HexText(card.SpiData[i][1]);
  }
  return readback;
}

}  // namespace talvix::usbdebug
