// SPDX-License-Identifier: MIT
// The flash store against a register file on a simulated USB card, whose STATUS the test sets
// before the store command and from the command on.
#include "link/flash_store.h"

#include "support/register_file_sensor.h"
#include "support/sim_session.h"

#include <gtest/gtest.h>

#include <vector>

namespace talvix::link {
namespace {

struct StoreCase {
  bool answers_before;
  uint16_t status_before;
  uint16_t status_after;
  bool answers_after;
  FlashOutcome outcome;
};

class FlashStoreTest : public ::testing::TestWithParam<StoreCase> {
 protected:
  test::RegisterFileSensor device;
  bool answering = GetParam().answers_before;
  test::SimSession sim{1, test::SimWiring::kUsbCard};
};

TEST_P(FlashStoreTest, ReadsStatusAroundTheCommandAndSaysHowTheStoreWent) {
  const StoreCase& c = GetParam();
  device.Set(registers::kStatus, c.status_before);
  sim.usb.SetSpiWire([&](uint16_t sent) {
    const uint16_t answer = device.Transfer(sent);
    if (sent == 0xBE08) {  // COMMAND's lower byte: 0x08
      device.Set(registers::kStatus, c.status_after);
      answering = c.answers_after;
    }
    return answering ? answer : uint16_t{0xFFFF};
  });
  EXPECT_EQ(StoreToFlash(sim.link(), *sim.delay, 250.0), c.outcome);
  const bool sent = c.outcome != FlashOutcome::kNotSent;
  EXPECT_EQ(device.Writes(registers::kCommand), std::vector<uint16_t>(sent ? 1 : 0, 8));
  EXPECT_GE(sim.delay->total_units, sent ? 25000 : 0);  // 250 ms in 10 us units
}

INSTANTIATE_TEST_SUITE_P(
    Status, FlashStoreTest,
    ::testing::Values(StoreCase{true, 0x0000, 0x0000, true, FlashOutcome::kStored},
                      StoreCase{true, 0x0301, 0x0301, true, FlashOutcome::kStored},  // not flash
                      StoreCase{true, 0x0000, 0x0004, true, FlashOutcome::kFlashFailed},
                      StoreCase{true, 0x0004, 0x0004, true, FlashOutcome::kUnconfirmed},
                      StoreCase{false, 0x0000, 0x0000, false, FlashOutcome::kNotSent},
                      StoreCase{true, 0x0000, 0x0000, false, FlashOutcome::kNoAnswerAfter}));

}  // namespace
}  // namespace talvix::link
