// SPDX-License-Identifier: MIT
// The simulated parallel port in front of the simulated sensor, driven at pin level: arbitrary
// bytes to the data register and to other addresses, status reads, clock steps, and clean
// frames bit-banged the way the program clocks them. Invariants:
//  - only the data register takes writes;
//  - the status register shows the idle lines (bits 0-2, 7 high; 3-5 low) whatever happens, so
//    only bit 6, the sensor's complemented data, ever moves;
//  - a clean frame, whatever state the lines were left in, reaches the sensor as one frame with
//    the word clocked in, and the 16 bits read off status bit 6 are the word the sensor answered
//    for that frame, which is the answer it announced when chip select rose.
#include "fuzz_support.h"
#include "platform/clock.h"
#include "sim/sim_port.h"
#include "sim/sim_sensor.h"

namespace {

constexpr uint8_t kChipSelect = 0x01;
constexpr uint8_t kClock = 0x02;
constexpr uint8_t kDataLine = 0x04;    // complemented
constexpr uint8_t kSensorData = 0x40;  // status bit 6, complemented
constexpr uint8_t kIdleStatus = 0x87;

// One frame in the order the program's own patterns use: chip select up with the data line at
// rest, then per bit (most significant first) clock up (the sensor's bit is read off status
// bit 6), data set while the clock is high, clock down (the sensor takes our bit), data back to
// rest; chip select down. Returns the word read.
uint16_t CleanFrame(talvix::sim::SimPort& port, uint16_t base, uint16_t word) {
  uint16_t read = 0;
  port.Out(base, kDataLine);
  port.Out(base, kChipSelect | kDataLine);
  for (int bit = 15; bit >= 0; --bit) {
    const uint8_t data = (word >> bit & 1) ? 0 : kDataLine;
    port.Out(base, kChipSelect | kClock | kDataLine);
    uint8_t status = 0;
    port.In(static_cast<uint16_t>(base + 1), status);
    read = static_cast<uint16_t>(read << 1 | ((status & kSensorData) ? 0 : 1));
    port.Out(base, kChipSelect | kClock | data);
    port.Out(base, kChipSelect | data);
    port.Out(base, kChipSelect | kDataLine);
  }
  port.Out(base, 0);
  return read;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  talvix::fuzz::ByteReader input(data, size);
  talvix::platform::ManualClock clock;
  talvix::sim::SimSensor sensor(clock, input.Byte());
  const uint16_t base = input.Word();
  talvix::sim::SimPort port(sensor, base);

  while (!input.empty()) {
    const uint8_t op = input.Byte();
    switch (op & 0x07) {
      default: {  // the data register, any byte
        const uint8_t value = input.Byte();
        port.Out(base, value);
        TALVIX_FUZZ_CHECK(port.data_register() == value);
        break;
      }
      case 4: {  // any other address
        const uint16_t elsewhere = static_cast<uint16_t>(base + 1 + input.Byte());
        const uint8_t before = port.data_register();
        const size_t frames = sensor.trace().frames().size();
        port.Out(elsewhere, input.Byte());
        TALVIX_FUZZ_CHECK(port.data_register() == before);
        TALVIX_FUZZ_CHECK(sensor.trace().frames().size() == frames);
        break;
      }
      case 5: {
        uint8_t status = 0;
        port.In(static_cast<uint16_t>(base + 1), status);
        TALVIX_FUZZ_CHECK((status & ~kSensorData) == kIdleStatus);
        break;
      }
      case 6: {
        const uint16_t word = input.Word();
        port.Out(base, 0);  // ends whatever frame the lines were left in
        const size_t frames = sensor.trace().frames().size();
        const uint16_t announced = sensor.PendingAnswer();
        const uint16_t read = CleanFrame(port, base, word);
        TALVIX_FUZZ_CHECK(sensor.trace().frames().size() == frames + 1);
        const talvix::sim::TracedFrame& frame = sensor.trace().frames().back();
        TALVIX_FUZZ_CHECK(frame.sent == word);
        TALVIX_FUZZ_CHECK(frame.answered == announced);
        TALVIX_FUZZ_CHECK(read == announced);
        break;
      }
      case 7:
        clock.Advance((op >> 3) * 1e-4);
        break;
    }
  }
  return 0;
}
