// SPDX-License-Identifier: MIT
#include "link/ezusb.h"

#include "link/usb_spi_card.h"
#include "platform/ezusb_protocol.h"

#include <algorithm>
#include <vector>

namespace talvix::link {

namespace {

constexpr int kMaxPipe = platform::kMaxPipes - 1;  // pipes 0..16
// Up to and including the product id.
constexpr uint32_t kDescriptorBytesNeeded = platform::kDescriptorProductIdAt + 2;

QString None() {
  return QStringLiteral("None");
}
QString ErrorTitle() {
  return QStringLiteral("Error");
}

uint16_t Le16(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

QString CardTypeOf(const platform::UsbCardIds& ids, uint16_t product_id) {
  if (product_id == ids.pellow_product_id) return QStringLiteral("Pellow");
  if (product_id == ids.quarn_product_id) return QStringLiteral("Quarn");
  return None();
}

}  // namespace

std::unique_ptr<platform::UsbDevice> EzUsb::UsbOpenCard(const UsbCardInfo& card) {
  if (card.DevName.isEmpty()) return nullptr;
  return driver_.Open(card.DevName);
}

int EzUsb::UsbPipeTransfer(platform::UsbDevice* handle, int pipe, uint8_t* buffer, uint32_t& length,
                           int repeats) {
  if (handle == nullptr) return -2;
  const uint32_t capacity = length;
  length = 0;
  if (pipe < 0 || pipe > kMaxPipe || (buffer == nullptr && capacity > 0)) return 0;
  // Without the pipe information the direction of the pipe is unknown: sending on an IN pipe,
  // or reading where a write was meant, would only do harm.
  std::array<uint8_t, platform::kPipeInfoBlockSize> block{};
  if (!UsbGetPipeInfo(handle, block)) return 0;
  const std::array<uint8_t, 4> pipe_number = platform::PipeNumberBlock(static_cast<uint32_t>(pipe));

  if (block[platform::PipeEntryAt(pipe) + platform::kPipeEndpointAt] > platform::kInEndpointAbove) {
    // Each further read asks for as many bytes as the one before it returned, but never more
    // than the buffer has room for.
    uint32_t offset = 0;
    uint32_t asked = capacity;
    for (int i = 0; i <= std::max(repeats, 0); ++i) {
      asked = std::min(asked, capacity - offset);
      uint32_t returned = 0;
      const bool ok = handle->IoControl(platform::kIoctlBulkRead, pipe_number,
                                        std::span<uint8_t>(buffer + offset, asked), returned);
      length = std::min(returned, asked);
      if (!ok) return 0;
      offset += length;
      asked = length;
    }
    return 1;
  }

  uint32_t sent = 0;
  const bool ok = handle->IoControl(platform::kIoctlBulkWrite, pipe_number,
                                    std::span<uint8_t>(buffer, capacity), sent);
  length = std::min(sent, capacity);
  return ok ? 1 : 0;
}

bool EzUsb::UsbGetPipeInfo(platform::UsbDevice* handle,
                           std::array<uint8_t, platform::kPipeInfoBlockSize>& block) {
  if (handle == nullptr) return false;
  block.fill(0);
  uint32_t returned = 0;
  return handle->IoControl(platform::kIoctlGetPipeInfo, block, block, returned);
}

int EzUsb::UsbPipeMaxPacket(platform::UsbDevice* handle, int pipe) {
  if (pipe < 0 || pipe > kMaxPipe) return 0;
  std::array<uint8_t, platform::kPipeInfoBlockSize> block{};
  if (!UsbGetPipeInfo(handle, block)) return 0;
  return Le16(block, platform::PipeEntryAt(pipe) + platform::kPipeMaxPacketAt);
}

// Asked twice: once for the first 4 bytes, whose first byte is the descriptor's total length,
// then for the whole descriptor.
QString EzUsb::UsbGetString(platform::UsbDevice* handle, uint8_t index) {
  if (handle == nullptr) return None();
  const std::array<uint8_t, 5> request = {index, 0, 0, 0, platform::kStringDescriptorRequestTail};
  std::array<uint8_t, 4> head{};
  uint32_t returned = 0;
  if (!handle->IoControl(platform::kIoctlGetStringDescriptor, request, head, returned) ||
      returned < 1 || head[0] < 2) {
    return None();
  }
  std::vector<uint8_t> descriptor(head[0]);
  if (!handle->IoControl(platform::kIoctlGetStringDescriptor, request, descriptor, returned)) {
    return None();
  }
  const size_t valid = std::min<size_t>(descriptor.size(), returned);
  QString text;
  for (size_t i = 2; i < valid; i += 2) {
    text.append(QChar(QLatin1Char(static_cast<char>(descriptor[i]))));
  }
  return text;
}

void EzUsb::UsbReadBoardInfo(platform::UsbDevice* handle, UsbCardInfo& card) {
  if (!card.Present || handle == nullptr) return;
  const auto fail = [&] {
    notifier_.Message(QStringLiteral("Error getting Board Info"), ErrorTitle());
    card.Present = false;
  };
  card.Descriptor0 = UsbGetString(handle, 1);
  if (card.Descriptor0 == None()) return fail();
  card.Descriptor1 = UsbGetString(handle, 2);
  if (card.Descriptor1 == None()) return fail();

  uint8_t command = kCardCmdBoardInfo;
  uint32_t length = 1;
  if (UsbPipeTransfer(handle, kCommandPipe, &command, length) != 1 || length != 1) return fail();
  std::array<uint8_t, 2> answer{};
  length = answer.size();
  if (UsbPipeTransfer(handle, kAnswerPipe, answer.data(), length) != 1 || length != answer.size()) {
    return fail();
  }
  card.FirmwareRev = static_cast<float>(answer[0]) + static_cast<float>(answer[1]) / 10.0f;

  const int size = UsbPipeMaxPacket(handle, kSpeedPipe);
  if (size == 0) return fail();
  card.UsbSpeed = size <= 64 ? QStringLiteral("1.1") : QStringLiteral("2");
}

void EzUsb::UsbScanCards() {
  UsbCardCount = 0;
  for (UsbCardInfo& card : UsbCards) card = UsbCardInfo{};
  if (!card_ids_.ids) return;
  const platform::UsbCardIds& ids = *card_ids_.ids;
  for (int i = 0; i < static_cast<int>(UsbCards.size()); ++i) {
    const QString name = platform::EzusbName(i);
    const std::unique_ptr<platform::UsbDevice> handle = driver_.Open(name);
    if (!handle) continue;
    std::array<uint8_t, platform::kDeviceDescriptorBufferSize> buffer{};
    uint32_t returned = 0;
    if (!handle->IoControl(platform::kIoctlGetDeviceDescriptor, buffer, buffer, returned) ||
        returned < kDescriptorBytesNeeded) {
      notifier_.Message(QStringLiteral("Error getting Board Info"), ErrorTitle());
      continue;
    }
    if (Le16(buffer, platform::kDescriptorVendorIdAt) != ids.vendor_id) continue;
    const QString type = CardTypeOf(ids, Le16(buffer, platform::kDescriptorProductIdAt));
    if (type == None()) continue;
    ++UsbCardCount;
    UsbCardInfo& card = UsbCards[i];
    card.Present = true;
    card.DevName = name;
    card.CardType = type;
    UsbReadBoardInfo(handle.get(), card);
  }
}

void EzUsb::UsbSelectFirstCard() {
  CurrentCard.Present = false;
  UsbCardIndex = -1;
  if (!card_ids_.ids) {
    UsbScanCards();  // forgets the cards of an earlier scan
    notifier_.Message(platform::NoUsbCardIdsText(card_ids_), ErrorTitle());
    return;
  }
  UsbScanCards();
  if (UsbCardCount == 0) {
    notifier_.Message(QStringLiteral("No USB Buffers Found, Please Verify Setup and Restart"),
                      ErrorTitle());
    return;
  }
  for (int i = 0; i < static_cast<int>(UsbCards.size()); ++i) {
    if (!UsbCards[i].Present) continue;
    CurrentCard = UsbCards[i];
    CurrentCard.Present = true;
    UsbCardIndex = static_cast<int16_t>(i);
    return;
  }
  notifier_.Message(QStringLiteral("No Valid USB Buffers Found, Please Verify Setup and Restart"),
                    ErrorTitle());
}

}  // namespace talvix::link
