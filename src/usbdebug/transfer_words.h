// SPDX-License-Identifier: MIT
// One pass of the USB SPI card setup window's transfer loop, which is also the one transfer of its
// Write: the words loaded by the last Write go out again on the current card, and the words the
// sensor shifted out meanwhile come back. Kept apart from the window so that a test runs it on a
// simulated card.
#pragma once

#include "link/usb_spi_card.h"

#include <QStringList>

#include <optional>

namespace talvix::usbdebug {

// Sends SpiData rows 1..SpiWordCount (column 0) on the current card and returns the words received
// (column 1), one per word sent, as the "Readback" boxes show them: upper-case hexadecimal without
// prefix. Nothing when the card did not carry them (not ready, or it failed on the way: it has said
// why): no box may show a word that was not received.
std::optional<QStringList> TransferWords(link::UsbSpiCard& card);

}  // namespace talvix::usbdebug
