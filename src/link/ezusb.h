// SPDX-License-Identifier: MIT
// Access to the USB SPI cards through the EZ-USB driver requests: finding the cards at
// "Ezusb-0" .. "Ezusb-3", reading their identity and board information, keeping a record of each,
// choosing the current card, and the two primitives the card's command set is built on (opening
// the current card and a bulk transfer on one of its pipes).
#pragma once

#include "platform/ezusb_protocol.h"
#include "platform/notifier.h"
#include "platform/usb_card_ids.h"
#include "platform/usb_driver.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <utility>

namespace talvix::link {

struct UsbCardInfo {
  QString DevName;               // "Ezusb-0" .. "Ezusb-3"; empty when no card
  bool Present = false;          // a known card answered and its board information was read
  QString CardType = "None";     // "Pellow", "Quarn" or "None"
  QString Descriptor0 = "None";  // string descriptor 1
  QString Descriptor1 = "None";  // string descriptor 2
  float FirmwareRev = 0.0f;      // major + tenths / 10
  QString UsbSpeed;              // "1.1" (full speed) or "2" (high speed)
};

// Pipes of the card: commands go out on 0, answers come back on 1, pipe 3's packet size tells
// the bus speed.
inline constexpr int kCommandPipe = 0;
inline constexpr int kAnswerPipe = 1;
inline constexpr int kSpeedPipe = 3;

class EzUsb {
 public:
  // `card_ids` are the installation's: without ids no device is opened and a scan finds none.
  EzUsb(platform::UsbDriver& driver, platform::Notifier& notifier,
        platform::UsbCardIdsSetting card_ids)
      : driver_(driver), notifier_(notifier), card_ids_(std::move(card_ids)) {}

  // Opens the card's device; nullptr when it cannot be opened. The device closes when the
  // returned handle is destroyed, so no handle outlives the operation that opened it.
  std::unique_ptr<platform::UsbDevice> UsbOpenCard(const UsbCardInfo& card);

  // Bulk transfer on `pipe` (0..16): an IN pipe (endpoint address above 0x80) reads up to
  // `length` bytes into `buffer`, any other pipe writes the first `length` bytes. `length` becomes
  // the number of bytes moved. Returns 1 on success, 0 on failure, -2 for an empty handle.
  int UsbPipeTransfer(platform::UsbDevice* handle, int pipe, uint8_t* buffer, uint32_t& length,
                      int repeats = 0);

  // Fills the 356-byte pipe information block; false when the request failed.
  bool UsbGetPipeInfo(platform::UsbDevice* handle,
                      std::array<uint8_t, platform::kPipeInfoBlockSize>& block);

  // Maximum packet size of `pipe`, or 0 for an empty handle or unreadable pipe information.
  int UsbPipeMaxPacket(platform::UsbDevice* handle, int pipe);

  // String descriptor `index` as text (low byte of each UTF-16 unit), or "None".
  QString UsbGetString(platform::UsbDevice* handle, uint8_t index);

  // Fills descriptors, firmware revision and speed of a present card, or clears its Present
  // flag with the message "Error getting Board Info".
  void UsbReadBoardInfo(platform::UsbDevice* handle, UsbCardInfo& card);

  // Rebuilds UsbCards and UsbCardCount from the devices attached now; finds none, opening no
  // device, while no card ids are set.
  void UsbScanCards();

  // Scans and makes the first ready card current, with a message when there is none (or, while
  // no card ids are set, where to set them).
  void UsbSelectFirstCard();

  platform::Notifier& notifier() { return notifier_; }
  // The installation's card ids, and where they came from.
  const platform::UsbCardIdsSetting& card_ids() const { return card_ids_; }

  std::array<UsbCardInfo, 4> UsbCards;
  UsbCardInfo CurrentCard;  // its Present flag is what "the current card is ready" means
  int16_t UsbCardIndex = -1;
  int16_t UsbCardCount = 0;

 private:
  platform::UsbDriver& driver_;
  platform::Notifier& notifier_;
  platform::UsbCardIdsSetting card_ids_;
};

}  // namespace talvix::link
