// SPDX-License-Identifier: MIT
#include "sim/sim_port.h"

#include "link/lpt_spi.h"

#include <gtest/gtest.h>

namespace talvix::sim {
namespace {

// The program's own bit patterns against the simulated port's pin-level decoder.
class SimPortTest : public ::testing::Test {
 protected:
  SimPortTest() : delay(clock), lpt(interface_type, port_address, raw_word, delay) {
    lpt.SetPort(&port);
  }
  platform::ManualClock clock;
  SimSensor sensor{clock};
  SimPort port{sensor, 0x378};
  link::RecordingDelay delay;
  int16_t interface_type = 1;
  int16_t port_address = 0x378;
  int32_t raw_word = 0;
  link::LptSpi lpt;
};

TEST_F(SimPortTest, DecodesFramesMostSignificantBitFirst) {
  for (uint16_t word : {0x9112, 0x8000, 0x0001, 0xFFFF, 0x0000}) lpt.LptSendWord(word);
  EXPECT_EQ(sensor.trace().SentWords(),
            (std::vector<uint16_t>{0x9112, 0x8000, 0x0001, 0xFFFF, 0x0000}));
  EXPECT_EQ(port.data_register(), 0);  // lines at rest between frames
}

TEST_F(SimPortTest, AnswersAReadFrameDuringTheNextFrame) {
  lpt.LptSendWord(0xA112);  // ALM_MAG1 upper byte (address 0x21)
  lpt.LptSendWord(0xA034);  // lower byte (address 0x20)
  int16_t address = 0x20;
  EXPECT_EQ(lpt.LptReadWord(address), 0x1234);
  const std::vector<TracedFrame>& frames = sensor.trace().frames();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[2], (TracedFrame{0x2000, 0x0000}));
  EXPECT_EQ(frames[3], (TracedFrame{0x0000, 0x1234}));
}

TEST_F(SimPortTest, ChipSelectDroppedEarlyLosesTheFrame) {
  port.Out(0x378, 5);
  for (int i = 0; i < 3; ++i) {
    port.Out(0x378, 7);
    port.Out(0x378, 1);
  }
  port.Out(0x378, 0);
  EXPECT_TRUE(sensor.trace().frames().empty());
  EXPECT_EQ(port.incomplete_frames(), 1);
}

TEST_F(SimPortTest, OtherAddressesAreNotThePort) {
  port.Out(0x278, 5);
  port.Out(0x379, 5);  // the status register ignores writes
  EXPECT_EQ(port.data_register(), 0);
  uint8_t status = 0;
  EXPECT_TRUE(port.In(0x278, status));
  EXPECT_EQ(status, 0xFF);
}

}  // namespace
}  // namespace talvix::sim
