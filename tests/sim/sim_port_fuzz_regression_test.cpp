// SPDX-License-Identifier: MIT
#include "sim/sim_port.h"

#include "link/lpt_spi.h"

#include <gtest/gtest.h>

namespace talvix::sim {
namespace {

// A port typed as FFFF: the program's status address is the 16-bit base + 1, which wraps to 0.
TEST(SimPortFuzzRegression, PortAtTheTopOfTheIoSpaceShowsItsStatusAtAddressZero) {
  platform::ManualClock clock;
  SimSensor sensor{clock};
  SimPort port{sensor, 0xFFFF};
  link::RecordingDelay delay(clock);
  const int16_t interface_type = 1;
  const int16_t port_address = -1;  // 0xFFFF as the session holds it
  int32_t raw_word = 0;
  link::LptSpi lpt(interface_type, port_address, raw_word, delay);
  lpt.SetPort(&port);

  uint8_t status = 0;
  EXPECT_TRUE(port.In(0x0000, status));
  EXPECT_EQ(status & ~link::kLptDataIn, 0x87);
  lpt.LptSendWord(0xA112);  // ALM_MAG1 upper byte
  lpt.LptSendWord(0xA034);  // lower byte
  int16_t address = 0x20;
  EXPECT_EQ(lpt.LptReadWord(address), 0x1234);
}

}  // namespace
}  // namespace talvix::sim
