// SPDX-License-Identifier: MIT
#include "sim/sim_usb_driver.h"

#include "platform/ezusb_protocol.h"

#include <QLoggingCategory>

#include <algorithm>
#include <utility>

namespace talvix::sim {

namespace {

// Debug level: enable with QT_LOGGING_RULES="talvix.sim.usb.debug=true".
Q_LOGGING_CATEGORY(lcSimUsb, "talvix.sim.usb", QtInfoMsg)

constexpr uint32_t kCommandPipe = 0;
constexpr uint32_t kAnswerPipe = 1;
constexpr uint8_t kSpiChannelToSensor = 1;
constexpr uint16_t kIdleLine = 0xFFFF;  // an unselected or unwired data line reads all ones
constexpr int kMaxWordsPerTransfer = 16;
constexpr uint8_t kManufacturerString = 1;  // string descriptor indexes
constexpr uint8_t kProductString = 2;
constexpr uint8_t kBulkPipeType = 0x02;
constexpr uint8_t kVendorSpecificClass = 0xFF;

bool ValidIndex(int index) {
  return index >= 0 && index < SimUsbDriver::kMaxCards;
}

bool CopyAnswer(std::span<const uint8_t> answer, std::span<uint8_t> out, uint32_t& returned) {
  const size_t n = std::min(answer.size(), out.size());
  std::copy_n(answer.begin(), n, out.begin());
  returned = static_cast<uint32_t>(n);
  return true;
}

std::vector<uint8_t> DeviceDescriptor(const SimUsbCardSetup& setup) {
  using platform::kDescriptorProductIdAt;
  using platform::kDescriptorVendorIdAt;
  std::vector<uint8_t> descriptor(platform::kDeviceDescriptorLength, 0);
  descriptor[0] = platform::kDeviceDescriptorLength;
  descriptor[1] = 0x01;                                  // descriptor type: device
  descriptor[3] = 0x02;                                  // USB 2.00
  descriptor[4] = descriptor[5] = descriptor[6] = 0xFF;  // vendor-specific class
  descriptor[7] = 64;                                    // packet size of endpoint 0
  descriptor[kDescriptorVendorIdAt] = static_cast<uint8_t>(setup.vendor_id);
  descriptor[kDescriptorVendorIdAt + 1] = static_cast<uint8_t>(setup.vendor_id >> 8);
  descriptor[kDescriptorProductIdAt] = static_cast<uint8_t>(setup.product_id);
  descriptor[kDescriptorProductIdAt + 1] = static_cast<uint8_t>(setup.product_id >> 8);
  descriptor[13] = 0x01;  // device release 1.00
  descriptor[platform::kDescriptorManufacturerIndexAt] = kManufacturerString;
  descriptor[platform::kDescriptorProductIndexAt] = kProductString;
  descriptor[17] = 1;  // one configuration
  return descriptor;
}

// A string descriptor: total length, type 3, then the text in UTF-16LE (at most 126 units).
std::vector<uint8_t> StringDescriptor(const QString& text) {
  const qsizetype units = std::min<qsizetype>(text.size(), 126);
  std::vector<uint8_t> descriptor = {static_cast<uint8_t>(2 + 2 * units), 0x03};
  for (qsizetype i = 0; i < units; ++i) {
    const char16_t unit = text.at(i).unicode();
    descriptor.push_back(static_cast<uint8_t>(unit));
    descriptor.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return descriptor;
}

}  // namespace

// An open simulated card: hands every request to the driver.
class SimUsbDevice final : public platform::UsbDevice {
 public:
  SimUsbDevice(SimUsbDriver& driver, int index) : driver_(driver), index_(index) {
    ++driver_.open_devices_;
  }
  ~SimUsbDevice() override { --driver_.open_devices_; }

  bool IoControl(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                 uint32_t& returned) override {
    return driver_.Request(index_, code, in, out, returned);
  }

 private:
  SimUsbDriver& driver_;
  int index_;
};

SimUsbDriver::SimUsbDriver(SpiWire wire) : wire_(std::move(wire)) {}

SimUsbCard* SimUsbDriver::PlaceCard(int index, const SimUsbCardSetup& setup) {
  if (!ValidIndex(index)) return nullptr;
  SimUsbCard card;
  card.setup = setup;
  card.word_delay = setup.word_delay;
  card.static_bits = setup.static_bits;
  cards_[index] = std::move(card);
  return &*cards_[index];
}

void SimUsbDriver::RemoveCard(int index) {
  if (ValidIndex(index)) cards_[index].reset();
}

SimUsbCard* SimUsbDriver::Card(int index) {
  return ValidIndex(index) && cards_[index] ? &*cards_[index] : nullptr;
}

const SimUsbCard* SimUsbDriver::Card(int index) const {
  return ValidIndex(index) && cards_[index] ? &*cards_[index] : nullptr;
}

void SimUsbDriver::FailNextBulkWrite(int index) {
  if (SimUsbCard* card = Card(index)) card->fail_next_write = true;
}

void SimUsbDriver::FailNextBulkRead(int index) {
  if (SimUsbCard* card = Card(index)) card->fail_next_read = true;
}

void SimUsbDriver::Hang(int index) {
  if (SimUsbCard* card = Card(index)) card->hung = true;
}

void SimUsbDriver::StallNextBulkTransfer(int index) {
  if (SimUsbCard* card = Card(index)) card->stall_next = true;
}

void SimUsbDriver::Unplug(int index) {
  if (SimUsbCard* card = Card(index)) card->plugged = false;
}

void SimUsbDriver::Replug(int index) {
  SimUsbCard* card = Card(index);
  if (card == nullptr) return;
  card->plugged = true;
  card->hung = false;
  card->answer.reset();
}

std::vector<std::vector<uint8_t>> SimUsbDriver::ReceivedPackets(int index) const {
  const SimUsbCard* card = Card(index);
  return card ? card->received : std::vector<std::vector<uint8_t>>{};
}

std::unique_ptr<platform::UsbDevice> SimUsbDriver::Open(const QString& dev_name) {
  const std::optional<int> index = platform::EzusbIndex(dev_name);
  const SimUsbCard* card = index ? Card(*index) : nullptr;
  if (card == nullptr || !card->plugged) {
    qCDebug(lcSimUsb).noquote() << "Open" << dev_name << "-> no such card";
    return nullptr;
  }
  qCDebug(lcSimUsb).noquote() << "Open" << dev_name << "-> ok";
  return std::make_unique<SimUsbDevice>(*this, *index);
}

bool SimUsbDriver::Request(int index, uint32_t code, std::span<const uint8_t> in,
                           std::span<uint8_t> out, uint32_t& returned) {
  returned = 0;
  SimUsbCard* card = Card(index);
  const bool ok = card != nullptr && card->plugged && Serve(*card, code, in, out, returned);
  if (!ok) returned = 0;
  qCDebug(lcSimUsb).noquote() << platform::EzusbName(index)
                              << platform::DescribeUsbRequest(code, in, out, returned, ok);
  return ok;
}

bool SimUsbDriver::Serve(SimUsbCard& card, uint32_t code, std::span<const uint8_t> in,
                         std::span<uint8_t> out, uint32_t& returned) {
  switch (code) {
    case platform::kIoctlGetPipeInfo: {
      if (out.size() < platform::kPipeInfoBlockSize) return false;
      platform::UsbInterface interface;
      interface.class_code = kVendorSpecificClass;
      for (uint8_t address : kPipeEndpoints) {
        platform::UsbPipe pipe;
        pipe.address = address;
        pipe.attributes = kBulkPipeType;
        pipe.max_packet = card.setup.max_packet;
        interface.pipes.push_back(pipe);
      }
      platform::BuildPipeInfoBlock(interface, out.first<platform::kPipeInfoBlockSize>());
      returned = platform::kPipeInfoBlockSize;
      return true;
    }
    case platform::kIoctlGetDeviceDescriptor:
      if (out.size() < platform::kDeviceDescriptorLength) return false;
      return CopyAnswer(DeviceDescriptor(card.setup), out, returned);
    case platform::kIoctlGetStringDescriptor: {
      if (in.empty()) return false;
      if (in[0] == 0) return CopyAnswer(std::vector<uint8_t>{4, 0x03, 0x09, 0x04}, out, returned);
      const auto text = card.setup.strings.find(in[0]);
      if (text == card.setup.strings.end()) return false;
      return CopyAnswer(StringDescriptor(text->second), out, returned);
    }
    case platform::kIoctlBulkRead: {
      const std::optional<uint32_t> pipe = platform::PipeNumber(in);
      return pipe && BulkRead(card, *pipe, out, returned);
    }
    case platform::kIoctlBulkWrite: {
      const std::optional<uint32_t> pipe = platform::PipeNumber(in);
      return pipe && BulkWrite(card, *pipe, out, returned);
    }
    default:
      return false;
  }
}

// Only pipe 1 ever carries an answer. With nothing waiting the real card would let the read
// time out; an answer longer than the buffer is an overflow and is lost.
bool SimUsbDriver::BulkRead(SimUsbCard& card, uint32_t pipe, std::span<uint8_t> out,
                            uint32_t& returned) {
  if (pipe != kAnswerPipe) return false;
  std::optional<std::vector<uint8_t>> answer = std::exchange(card.answer, std::nullopt);
  if (std::exchange(card.stall_next, false)) return false;
  if (std::exchange(card.fail_next_read, false) || card.hung) return false;
  if (!answer || answer->size() > out.size()) return false;
  return CopyAnswer(*answer, out, returned);
}

bool SimUsbDriver::BulkWrite(SimUsbCard& card, uint32_t pipe, std::span<const uint8_t> packet,
                             uint32_t& returned) {
  if (pipe != kCommandPipe) return false;
  if (std::exchange(card.stall_next, false)) return false;
  if (std::exchange(card.fail_next_write, false)) return false;
  card.received.emplace_back(packet.begin(), packet.end());
  Spend(timing_.transfer_seconds);
  if (!card.hung) Execute(card, packet);
  returned = static_cast<uint32_t>(packet.size());
  return true;
}

// The card's firmware: commands 0 and 1 leave a 2-byte answer, 11 and 12 remember a setting,
// 13 and 14 clock N words out on a chip-select channel and answer the N words clocked in. A
// malformed or unknown packet is ignored, so no answer waits for the next read.
void SimUsbDriver::Execute(SimUsbCard& card, std::span<const uint8_t> packet) {
  if (packet.empty()) return;
  switch (packet[0]) {
    case 0:
      card.answer = {card.setup.firmware_major, card.setup.firmware_tenths};
      return;
    case 1:
      card.answer = {card.word_delay, card.static_bits};
      return;
    case 11:
      if (packet.size() >= 2) card.word_delay = packet[1];
      return;
    case 12:
      if (packet.size() >= 2) card.static_bits = packet[1];
      return;
    case 13:
    case 14: {
      // Both polarities sample the simulated sensor's data line the same way.
      if (packet.size() < 3) return;
      const uint8_t channel = packet[1];
      const size_t words = packet[2];
      if (words == 0 || words > kMaxWordsPerTransfer || packet.size() < 3 + 2 * words) return;
      std::vector<uint8_t> answer;
      for (size_t k = 0; k < words; ++k) {
        if (k > 0) Spend(card.word_delay * 1e-6);
        const uint16_t sent = static_cast<uint16_t>(packet[3 + 2 * k] << 8 | packet[4 + 2 * k]);
        const uint16_t got = Frame(channel, sent);
        answer.push_back(static_cast<uint8_t>(got >> 8));
        answer.push_back(static_cast<uint8_t>(got));
      }
      card.answer = std::move(answer);
      return;
    }
    default:
      return;
  }
}

void SimUsbDriver::Spend(double seconds) {
  if (timing_.spend && seconds > 0.0) timing_.spend(seconds);
}

uint16_t SimUsbDriver::Frame(uint8_t channel, uint16_t sent) {
  if (channel != kSpiChannelToSensor || !wire_) return kIdleLine;
  return wire_(sent);
}

}  // namespace talvix::sim
