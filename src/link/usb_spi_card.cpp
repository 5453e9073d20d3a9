// SPDX-License-Identifier: MIT
#include "link/usb_spi_card.h"

#include <algorithm>
#include <array>
#include <span>

namespace talvix::link {

namespace {

constexpr uint8_t kFirstChannel = 1;
constexpr uint8_t kLastChannel = 5;
constexpr uint8_t kStaticBitsMask = 0x78;  // bits 3..6: the lines CS2..CS5
constexpr size_t kTransferHeader = 3;      // command, channel, word count

// Sends the whole packet on the command pipe; a short write is a failed one.
bool SendPacket(EzUsb& ezusb, platform::UsbDevice* handle, std::span<uint8_t> packet) {
  uint32_t length = static_cast<uint32_t>(packet.size());
  return ezusb.UsbPipeTransfer(handle, kCommandPipe, packet.data(), length) == 1 &&
         length == packet.size();
}

// Reads the card's answer from the answer pipe; fewer bytes than expected is a failed read, so
// that no stale byte of the buffer is taken for part of the answer.
bool ReadAnswer(EzUsb& ezusb, platform::UsbDevice* handle, std::span<uint8_t> answer) {
  uint32_t length = static_cast<uint32_t>(answer.size());
  return ezusb.UsbPipeTransfer(handle, kAnswerPipe, answer.data(), length) == 1 &&
         length == answer.size();
}

}  // namespace

void UsbSpiCard::LoadWords(std::span<const uint16_t> words) {
  const size_t count = std::min<size_t>(words.size(), kMaxSpiWords);
  for (size_t i = 0; i < count; ++i) SpiData[i + 1][0] = words[i];
  SpiWordCount = static_cast<uint8_t>(count);
}

void UsbSpiCard::Fail(const QString& message) {
  ezusb_.notifier().Message(message, QStringLiteral("Error"));
  ezusb_.CurrentCard.Present = false;
}

void UsbSpiCard::UsbSpiTransfer(uint8_t& count) {
  if (!CardReady()) return;
  if (SpiChan < kFirstChannel) SpiChan = kFirstChannel;
  if (SpiChan > kLastChannel) SpiChan = kLastChannel;
  if (count == 0) return;
  if (count > kMaxSpiWords) count = kMaxSpiWords;
  SpiWordCount = count;  // `count` may be SpiWordCount itself
  const uint8_t words = count;

  std::unique_ptr<platform::UsbDevice> handle = ezusb_.UsbOpenCard(ezusb_.CurrentCard);
  std::array<uint8_t, kTransferHeader + 2 * kMaxSpiWords> packet{};
  packet[0] = SpiInPolarity ? kCardCmdTransfer : kCardCmdTransferInverted;
  packet[1] = SpiChan;
  packet[2] = words;
  for (int i = 1; i <= words; ++i) {
    packet[2 * i + 1] = static_cast<uint8_t>(SpiData[i][0] >> 8);
    packet[2 * i + 2] = static_cast<uint8_t>(SpiData[i][0]);
  }
  if (!SendPacket(ezusb_, handle.get(), std::span(packet).first(kTransferHeader + 2 * words))) {
    handle.reset();
    Fail(QStringLiteral("Error Writing SPI"));
    return;
  }
  const std::span<uint8_t> answer = std::span(packet).first(2 * words);
  if (!ReadAnswer(ezusb_, handle.get(), answer)) {
    handle.reset();
    Fail(QStringLiteral("Error Reading SPI"));
    return;
  }
  for (int k = 1; k <= words; ++k) SpiData[k][1] = answer[2 * k - 2] * 256 + answer[2 * k - 1];
}

void UsbSpiCard::UsbSpiGetSetup() {
  if (!CardReady()) return;
  const std::unique_ptr<platform::UsbDevice> handle = ezusb_.UsbOpenCard(ezusb_.CurrentCard);
  std::array<uint8_t, 1> command = {kCardCmdGetSetup};
  if (!SendPacket(ezusb_, handle.get(), command)) Fail(QStringLiteral("Error Setting up SPI"));
  // The answer is asked for even after a failed command. Without one, the settings the program
  // last sent stay as they are: a delay of 0 would be no reading of the card, and the next card
  // chosen would be sent it (as 1).
  std::array<uint8_t, 2> answer{};
  if (ReadAnswer(ezusb_, handle.get(), answer)) {
    SpiWordDelay = answer[0];
    SpiStaticBits = answer[1] & kStaticBitsMask;
  } else {
    Fail(QStringLiteral("Error Reading SPI"));
  }
}

void UsbSpiCard::UsbSpiSetDelay(uint8_t& delay) {
  if (!CardReady()) return;
  if (delay == 0) delay = 1;
  SpiWordDelay = delay;
  const std::unique_ptr<platform::UsbDevice> handle = ezusb_.UsbOpenCard(ezusb_.CurrentCard);
  std::array<uint8_t, 2> packet = {kCardCmdSetDelay, delay};
  if (!SendPacket(ezusb_, handle.get(), packet)) Fail(QStringLiteral("Error Setting up SPI"));
}

void UsbSpiCard::UsbSpiSetBits(uint8_t& bits) {
  if (!CardReady()) return;
  const std::unique_ptr<platform::UsbDevice> handle = ezusb_.UsbOpenCard(ezusb_.CurrentCard);
  SpiStaticBits = bits;
  std::array<uint8_t, 2> packet = {kCardCmdSetBits, bits};
  if (!SendPacket(ezusb_, handle.get(), packet)) Fail(QStringLiteral("Error Setting SPI Bits"));
}

}  // namespace talvix::link
