// SPDX-License-Identifier: MIT
// The simulated USB SPI card, wired to the simulated sensor, driven through the driver requests
// the program uses: opening and closing by name, raw requests with arbitrary codes and blocks,
// command packets, SPI packets, fault injection, unplugging and clock steps. Invariants:
//  - a device opens only by the name of a plugged card, and OpenDevices() counts the open ones;
//  - a request that fails returns 0 bytes; one that succeeds never returns more than its buffer;
//  - an SPI packet on channel 1 that is taken and answered reaches the sensor as one frame per
//    word, in order, and its answer is the words the sensor shifted out, high byte first; on
//    any other channel the sensor sees nothing and the answer is all ones;
//  - a word delay set by command 11 is what command 1 reports, and command 0 the firmware
//    version of the card at the handle's name.
#include "fuzz_support.h"
#include "platform/clock.h"
#include "platform/libusb_driver.h"
#include "platform/usb_driver.h"
#include "sim/placeholder_usb_ids.h"
#include "sim/sim_sensor.h"
#include "sim/sim_usb_driver.h"

#include <array>
#include <memory>
#include <vector>

namespace {

using talvix::platform::UsbDevice;
using talvix::sim::SimUsbDriver;

constexpr uint32_t kCodes[] = {talvix::platform::kIoctlGetPipeInfo,
                               talvix::platform::kIoctlGetDeviceDescriptor,
                               talvix::platform::kIoctlGetStringDescriptor,
                               talvix::platform::kIoctlBulkRead, talvix::platform::kIoctlBulkWrite};

struct Handle {
  std::unique_ptr<UsbDevice> device;
  int index = -1;
};

std::array<uint8_t, 4> Pipe(uint32_t pipe) {
  return {static_cast<uint8_t>(pipe), static_cast<uint8_t>(pipe >> 8),
          static_cast<uint8_t>(pipe >> 16), static_cast<uint8_t>(pipe >> 24)};
}

bool Request(UsbDevice& device, uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
             uint32_t& returned) {
  returned = 0xDEADBEEF;
  const bool ok = device.IoControl(code, in, out, returned);
  TALVIX_FUZZ_CHECK(ok ? returned <= out.size() : returned == 0);
  return ok;
}

bool BulkWrite(UsbDevice& device, std::vector<uint8_t> packet) {
  uint32_t returned = 0;
  const bool ok = Request(device, talvix::platform::kIoctlBulkWrite, Pipe(0), packet, returned);
  if (ok) TALVIX_FUZZ_CHECK(returned == packet.size());
  return ok;
}

std::optional<std::vector<uint8_t>> BulkRead(UsbDevice& device, size_t capacity) {
  std::vector<uint8_t> answer(capacity);
  uint32_t returned = 0;
  if (!Request(device, talvix::platform::kIoctlBulkRead, Pipe(1), answer, returned)) {
    return std::nullopt;
  }
  answer.resize(returned);
  return answer;
}

talvix::sim::SimUsbCardSetup Setup(talvix::fuzz::ByteReader& input) {
  talvix::sim::SimUsbCardSetup setup;
  const uint8_t kind = input.Byte();
  if (kind & 1) setup.product_id = talvix::sim::kPlaceholderQuarnProductId;
  if (kind & 2) setup.vendor_id = input.Word();
  if (kind & 4) setup.max_packet = 64;
  if (kind & 8) setup.strings.erase(2);
  setup.firmware_major = input.Byte();
  setup.firmware_tenths = input.Byte();
  return setup;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  talvix::fuzz::ByteReader input(data, size);
  talvix::platform::ManualClock clock;
  talvix::sim::SimSensor sensor(clock, input.Byte());
  SimUsbDriver usb([&sensor](uint16_t sent) { return sensor.Transfer(sent); });
  usb.PlaceCard(0);
  std::array<Handle, 2> handles;  // closed before the driver goes

  while (!input.empty()) {
    const uint8_t op = input.Byte();
    Handle& handle = handles[op >> 7];
    const int card_index = op >> 4 & 0x07;  // 4..7 name no card
    switch (op & 0x07) {
      case 0: {
        const QString name = (op & 0x08) ? QString::fromLatin1(input.Bytes(input.Byte() % 10))
                                         : QStringLiteral("Ezusb-%1").arg(card_index);
        handle.device = usb.Open(name);
        const std::optional<int> index = talvix::platform::EzusbIndex(name);
        const talvix::sim::SimUsbCard* card = index ? usb.Card(*index) : nullptr;
        TALVIX_FUZZ_CHECK((handle.device != nullptr) == (card != nullptr && card->plugged));
        handle.index = index.value_or(-1);
        break;
      }
      case 1:
        handle.device.reset();
        break;
      case 2: {
        if (!handle.device) break;
        const uint8_t pick = input.Byte();
        const uint32_t code = pick % 6 < 5 ? kCodes[pick % 6] : input.U32();
        const QByteArray in_bytes = input.Bytes(input.Byte() % 9);
        std::vector<uint8_t> out(input.Word() % 600);
        const QByteArray fill = input.Bytes(out.size() < 40 ? out.size() : 40);
        std::copy(fill.begin(), fill.end(), out.begin());
        uint32_t returned = 0;
        Request(*handle.device, code,
                {reinterpret_cast<const uint8_t*>(in_bytes.data()),
                 static_cast<size_t>(in_bytes.size())},
                out, returned);
        break;
      }
      case 3: {  // one SPI packet and its answer
        if (!handle.device) break;
        const uint8_t channel_byte = input.Byte();
        const uint8_t channel = channel_byte < 0xC0 ? 1 : channel_byte;
        const size_t words = 1 + input.Byte() % 16;
        std::vector<uint8_t> packet = {static_cast<uint8_t>((op & 0x08) ? 14 : 13), channel,
                                       static_cast<uint8_t>(words)};
        std::vector<uint16_t> sent;
        for (size_t k = 0; k < words; ++k) {
          sent.push_back(input.Word());
          packet.push_back(static_cast<uint8_t>(sent.back() >> 8));
          packet.push_back(static_cast<uint8_t>(sent.back()));
        }
        const size_t frames_before = sensor.trace().frames().size();
        const bool taken = BulkWrite(*handle.device, packet);
        const size_t frames = sensor.trace().frames().size() - frames_before;
        TALVIX_FUZZ_CHECK(frames == (taken && channel == 1 ? words : 0));
        if (!taken) break;
        const std::optional<std::vector<uint8_t>> answer = BulkRead(*handle.device, 2 * words);
        if (!answer) break;
        TALVIX_FUZZ_CHECK(answer->size() == 2 * words);
        const auto& trace = sensor.trace().frames();
        for (size_t k = 0; k < words; ++k) {
          const uint16_t got = static_cast<uint16_t>((*answer)[2 * k] << 8 | (*answer)[2 * k + 1]);
          if (channel == 1) {
            const talvix::sim::TracedFrame& frame = trace[trace.size() - words + k];
            TALVIX_FUZZ_CHECK(frame.sent == sent[k] && frame.answered == got);
          } else {
            TALVIX_FUZZ_CHECK(got == 0xFFFF);
          }
        }
        break;
      }
      case 4: {  // command 11 then command 1
        if (!handle.device) break;
        const uint8_t delay = input.Byte();
        if (!BulkWrite(*handle.device, {11, delay}) || !BulkWrite(*handle.device, {1})) break;
        const std::optional<std::vector<uint8_t>> answer = BulkRead(*handle.device, 64);
        if (answer) TALVIX_FUZZ_CHECK(answer->size() == 2 && (*answer)[0] == delay);
        break;
      }
      case 5:
        switch (input.Byte() % 6) {
          case 0:
            usb.FailNextBulkWrite(card_index);
            break;
          case 1:
            usb.FailNextBulkRead(card_index);
            break;
          case 2:
            usb.Unplug(card_index);
            break;
          case 3:
            usb.Replug(card_index);
            break;
          case 4:
            usb.RemoveCard(card_index);
            break;
          default:
            usb.PlaceCard(card_index, Setup(input));
            break;
        }
        break;
      case 6:
        clock.Advance(input.Byte() * 1e-4);
        break;
      case 7: {  // command 0: the firmware version of the card behind the handle
        if (!handle.device || !BulkWrite(*handle.device, {0})) break;
        const std::optional<std::vector<uint8_t>> answer = BulkRead(*handle.device, 64);
        const talvix::sim::SimUsbCard* card = usb.Card(handle.index);
        if (answer && card) {
          TALVIX_FUZZ_CHECK(*answer == (std::vector<uint8_t>{card->setup.firmware_major,
                                                             card->setup.firmware_tenths}));
        }
        break;
      }
    }
    const int open = (handles[0].device ? 1 : 0) + (handles[1].device ? 1 : 0);
    TALVIX_FUZZ_CHECK(usb.OpenDevices() == open);
  }
  return 0;
}
