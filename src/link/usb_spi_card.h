// SPDX-License-Identifier: MIT
// The USB SPI card's command set: SPI word transfers through the shared word table SpiData, and
// the card settings (chip-select channel, static bits, delay between words, input polarity).
// Every operation does nothing while the current card is not ready, opens the card at its start
// and closes it before it returns; a failed request shows its message and marks the card not
// ready.
#pragma once

#include "link/ezusb.h"

#include <cstdint>
#include <span>

namespace talvix::link {

// Card commands: the first byte of a packet on pipe 0.
inline constexpr uint8_t kCardCmdBoardInfo = 0;
inline constexpr uint8_t kCardCmdGetSetup = 1;
inline constexpr uint8_t kCardCmdSetDelay = 11;
inline constexpr uint8_t kCardCmdSetBits = 12;
inline constexpr uint8_t kCardCmdTransfer = 13;          // data input polarity true
inline constexpr uint8_t kCardCmdTransferInverted = 14;  // data input polarity false
inline constexpr int kMaxSpiWords = 16;

class UsbSpiCard {
 public:
  explicit UsbSpiCard(EzUsb& ezusb) : ezusb_(ezusb) {}

  // Puts `words` (at most 16) in SpiData rows 1.. of column 0, to be sent by the next transfer,
  // and makes their number SpiWordCount.
  void LoadWords(std::span<const uint16_t> words);
  // Sends SpiData rows 1..count of column 0 on channel SpiChan and fills rows 1..count of
  // column 1 with the words the sensor shifted out meanwhile. count is 1..16.
  void UsbSpiTransfer(uint8_t& count);
  // Reads the card's delay between words and static bits into SpiWordDelay and SpiStaticBits;
  // both keep their values when the card does not answer.
  void UsbSpiGetSetup();
  // Sets the card's delay between words (microseconds); 0 becomes 1, in `delay` too.
  void UsbSpiSetDelay(uint8_t& delay);
  // Sets the card's static output bits (bits 3..6 are the lines CS2..CS5).
  void UsbSpiSetBits(uint8_t& bits);

  bool CardReady() const { return ezusb_.CurrentCard.Present; }
  EzUsb& ezusb() { return ezusb_; }

  // Rows 0..16, columns 0 (to send) and 1 (received); row 0 is not used.
  int32_t SpiData[kMaxSpiWords + 1][2] = {};
  uint8_t SpiWordCount = 0;
  uint8_t SpiChan = 1;           // chip-select channel 1..5
  uint8_t SpiStaticBits = 0x78;  // start-up default 120
  uint8_t SpiWordDelay = 25;     // microseconds between words
  bool SpiInPolarity = true;     // selects command 13 (true) or 14 (false)

 private:
  // Shows `message` and marks the current card not ready.
  void Fail(const QString& message);

  EzUsb& ezusb_;
};

}  // namespace talvix::link
