// SPDX-License-Identifier: MIT
#include "usb_emulator/card_function.h"

#include "platform/ezusb_protocol.h"

#include <algorithm>
#include <array>
#include <cerrno>

namespace talvix::usb_emulator {

namespace {

constexpr size_t kDeviceDescriptorLength = platform::kDeviceDescriptorLength;
constexpr size_t kPipeEntryOffset = platform::kPipeEntryOffset;
constexpr size_t kPipeEntrySize = platform::kPipeEntrySize;
constexpr size_t kMaxStringDescriptor = 255;
constexpr uint16_t kFullSpeedMaxPacket = 64;  // bytes; full-speed bulk endpoints go no higher

// Standard requests (USB 2.0, chapter 9).
constexpr uint8_t kDeviceToHost = 0x80;
constexpr uint8_t kHostToDevice = 0x00;
constexpr uint8_t kGetStatus = 0;
constexpr uint8_t kGetDescriptor = 6;
constexpr uint8_t kGetConfiguration = 8;
constexpr uint8_t kSetConfiguration = 9;
constexpr uint8_t kDescriptorDevice = 1;
constexpr uint8_t kDescriptorConfiguration = 2;
constexpr uint8_t kDescriptorString = 3;
constexpr uint8_t kDescriptorInterface = 4;
constexpr uint8_t kDescriptorEndpoint = 5;
constexpr uint8_t kConfigurationValue = 1;
constexpr uint8_t kBusPowered = 0x80;
constexpr uint8_t kMaxPower100mA = 50;  // in 2 mA units

uint16_t Le16(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint32_t Le32(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
         static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

size_t PipeCount(std::span<const uint8_t> block) {
  if (block.size() < kPipeEntryOffset) return 0;
  const size_t room = (block.size() - kPipeEntryOffset) / kPipeEntrySize;
  return std::min<size_t>({Le32(block, platform::kPipeInfoPipeCountAt),
                           static_cast<size_t>(platform::kMaxPipes), room});
}

QString DecodeString(std::span<const uint8_t> descriptor) {
  QString text;
  const size_t length = std::min<size_t>(descriptor.empty() ? 0 : descriptor[0], descriptor.size());
  for (size_t i = 2; i + 1 < length; i += 2) text.append(QChar(Le16(descriptor, i)));
  return text;
}

Completion Answer(std::vector<uint8_t> bytes, size_t asked) {
  if (bytes.size() > asked) bytes.resize(asked);
  return {0, std::move(bytes)};
}

Completion Stall() {
  return {-EPIPE, {}};
}

}  // namespace

std::vector<uint8_t> ConfigurationFromPipeInfo(std::span<const uint8_t> block) {
  const size_t pipes = PipeCount(block);
  std::vector<uint8_t> config = {
      9, kDescriptorConfiguration, 0, 0, 1, kConfigurationValue, 0, kBusPowered, kMaxPower100mA};
  const auto byte_at = [&](size_t at) -> uint8_t { return block.size() > at ? block[at] : 0; };
  const uint8_t number = byte_at(platform::kPipeInfoInterfaceAt);
  const uint8_t alternate = byte_at(platform::kPipeInfoAlternateAt);
  const uint8_t class_code = byte_at(platform::kPipeInfoClassAt);
  const uint8_t subclass = byte_at(platform::kPipeInfoSubclassAt);
  const uint8_t protocol = byte_at(platform::kPipeInfoProtocolAt);
  config.insert(config.end(), {9, kDescriptorInterface, number, alternate,
                               static_cast<uint8_t>(pipes), class_code, subclass, protocol, 0});
  for (size_t p = 0; p < pipes; ++p) {
    const size_t at = platform::PipeEntryAt(static_cast<int>(p));
    const uint16_t max_packet = Le16(block, at + platform::kPipeMaxPacketAt);
    config.insert(config.end(),
                  {7, kDescriptorEndpoint, block[at + platform::kPipeEndpointAt],
                   static_cast<uint8_t>(Le32(block, at + platform::kPipeTypeAt) & 0x03),
                   static_cast<uint8_t>(max_packet), static_cast<uint8_t>(max_packet >> 8),
                   block[at + platform::kPipeIntervalAt]});
  }
  config[2] = static_cast<uint8_t>(config.size());
  config[3] = static_cast<uint8_t>(config.size() >> 8);
  return config;
}

CardFunction::CardFunction(sim::SimUsbDriver& driver, int slot) : driver_(driver), slot_(slot) {}

bool CardFunction::Request(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                           uint32_t& returned) {
  returned = 0;
  return driver_.Request(slot_, code, in, out, returned);
}

std::optional<CardDescriptors> CardFunction::Describe(QString& error) {
  CardDescriptors result;
  std::vector<uint8_t> buffer(platform::kDeviceDescriptorBufferSize);
  uint32_t returned = 0;
  if (!Request(platform::kIoctlGetDeviceDescriptor, {}, buffer, returned) ||
      returned < kDeviceDescriptorLength) {
    error = QStringLiteral("the simulated card in slot %1 gives no device descriptor").arg(slot_);
    return std::nullopt;
  }
  result.device.assign(buffer.begin(), buffer.begin() + kDeviceDescriptorLength);

  std::vector<uint8_t> block(platform::kPipeInfoBlockSize);
  if (!Request(platform::kIoctlGetPipeInfo, block, block, returned) ||
      returned < platform::kPipeInfoBlockSize) {
    error = QStringLiteral("the simulated card in slot %1 gives no pipe information").arg(slot_);
    return std::nullopt;
  }
  pipe_info_ = block;
  configuration_ = ConfigurationFromPipeInfo(block);
  result.configuration = configuration_;
  result.high_speed = false;
  for (size_t p = 0; p < PipeCount(block); ++p) {
    const size_t at = platform::PipeEntryAt(static_cast<int>(p));
    if (Le16(block, at + platform::kPipeMaxPacketAt) > kFullSpeedMaxPacket) {
      result.high_speed = true;
    }
  }
  for (const auto& [at, text] :
       {std::pair{platform::kDescriptorManufacturerIndexAt, &result.manufacturer},
        std::pair{platform::kDescriptorProductIndexAt, &result.product}}) {
    const uint8_t index = result.device[at];
    if (index == 0) continue;
    if (const std::optional<std::vector<uint8_t>> descriptor = StringDescriptor(index)) {
      *text = DecodeString(*descriptor);
    }
  }
  return result;
}

std::optional<std::vector<uint8_t>> CardFunction::StringDescriptor(uint8_t index) {
  const std::array<uint8_t, 5> request = {index, 0, 0, 0, platform::kStringDescriptorRequestTail};
  std::vector<uint8_t> descriptor(kMaxStringDescriptor);
  uint32_t returned = 0;
  if (!Request(platform::kIoctlGetStringDescriptor, request, descriptor, returned)) {
    return std::nullopt;
  }
  descriptor.resize(returned);
  return descriptor;
}

Completion CardFunction::Control(std::span<const uint8_t> setup) {
  if (setup.size() < 8) return Stall();
  const uint8_t request_type = setup[0];
  const uint8_t request = setup[1];
  const uint16_t value = Le16(setup, 2);
  const size_t length = Le16(setup, 6);

  if (request_type == kDeviceToHost && request == kGetDescriptor) {
    const uint8_t type = static_cast<uint8_t>(value >> 8);
    const uint8_t index = static_cast<uint8_t>(value);
    if (type == kDescriptorDevice) {
      std::vector<uint8_t> buffer(platform::kDeviceDescriptorBufferSize);
      uint32_t returned = 0;
      if (!Request(platform::kIoctlGetDeviceDescriptor, {}, buffer, returned)) return Stall();
      buffer.resize(std::min<size_t>(returned, kDeviceDescriptorLength));
      return Answer(std::move(buffer), length);
    }
    if (type == kDescriptorConfiguration && index == 0 && !configuration_.empty()) {
      return Answer(configuration_, length);
    }
    if (type == kDescriptorString) {
      std::optional<std::vector<uint8_t>> descriptor = StringDescriptor(index);
      if (!descriptor) return Stall();
      return Answer(std::move(*descriptor), length);
    }
    return Stall();
  }
  if (request_type == kDeviceToHost && request == kGetStatus) return Answer({0, 0}, length);
  if (request_type == kDeviceToHost && request == kGetConfiguration) {
    return Answer({kConfigurationValue}, length);
  }
  if (request_type == kHostToDevice && request == kSetConfiguration &&
      (value == kConfigurationValue || value == 0)) {
    return {};
  }
  return Stall();
}

std::optional<uint32_t> CardFunction::PipeOf(uint8_t endpoint) const {
  for (size_t p = 0; p < PipeCount(pipe_info_); ++p) {
    if (pipe_info_[platform::PipeEntryAt(static_cast<int>(p)) + platform::kPipeEndpointAt] ==
        endpoint) {
      return static_cast<uint32_t>(p);
    }
  }
  return std::nullopt;
}

int CardFunction::BulkOut(uint8_t endpoint, std::span<const uint8_t> packet) {
  const std::optional<uint32_t> pipe = PipeOf(endpoint);
  if (!pipe) return -EPIPE;
  std::vector<uint8_t> bytes(packet.begin(), packet.end());
  uint32_t returned = 0;
  return Request(platform::kIoctlBulkWrite, platform::PipeNumberBlock(*pipe), bytes, returned)
             ? 0
             : -EPIPE;
}

// The card model keeps at most one answer waiting (for pipe 1) and may be told to fail its next
// read. A read request that fails without touching either found nothing for this endpoint: the
// card NAKs, as a real one does until its firmware has something to send.
std::optional<Completion> CardFunction::BulkIn(uint8_t endpoint, size_t length) {
  const std::optional<uint32_t> pipe = PipeOf(endpoint);
  const sim::SimUsbCard* card = driver_.Card(slot_);
  if (!pipe || card == nullptr) return std::nullopt;
  const bool had_answer = card->answer.has_value();
  const bool had_fault = card->fail_next_read;
  if (!had_answer && !had_fault) return std::nullopt;
  const size_t waiting = had_answer ? card->answer->size() : 0;

  std::vector<uint8_t> bytes(length);
  uint32_t returned = 0;
  if (Request(platform::kIoctlBulkRead, platform::PipeNumberBlock(*pipe), bytes, returned)) {
    bytes.resize(std::min<size_t>(returned, length));
    return Completion{0, std::move(bytes)};
  }
  if (card->answer.has_value() == had_answer && card->fail_next_read == had_fault) {
    return std::nullopt;
  }
  return Completion{!had_fault && waiting > length ? -EOVERFLOW : -EPIPE, {}};
}

int CardFunction::InterfaceCount() const {
  return configuration_.size() > 4 ? configuration_[4] : 0;
}

}  // namespace talvix::usb_emulator
