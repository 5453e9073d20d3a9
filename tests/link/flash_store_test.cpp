// The flash store against a sensor that is a register file on a simulated USB card: the test sets
// STATUS before the store command and what STATUS becomes once the command has arrived.
#include "link/flash_store.h"

#include "support/register_file_sensor.h"
#include "support/sim_session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace talvix::link {
namespace {

using registers::kCommand;
using registers::kStatus;
using Words = std::vector<uint16_t>;

constexpr uint16_t kStoreCommandLowByteFrame = 0xBE08;  // COMMAND's lower byte (0x3E) = 0x08

struct StoreCase {
  std::string name;
  bool answers_before;
  uint16_t status_before;
  uint16_t status_after;  // STATUS from the command on
  bool answers_after;
  FlashOutcome outcome;
};

class FlashStoreTest : public ::testing::TestWithParam<StoreCase> {
 protected:
  FlashStoreTest() {
    sim.usb.SetSpiWire([this](uint16_t sent) {
      const uint16_t answer = device.Transfer(sent);
      if (sent == kStoreCommandLowByteFrame) {
        device.Set(kStatus, GetParam().status_after);
        answering = GetParam().answers_after;
      }
      return answering ? answer : uint16_t{0xFFFF};
    });
  }

  test::RegisterFileSensor device;
  bool answering = true;
  test::SimSession sim{1, test::SimWiring::kUsbCard};
};

TEST_P(FlashStoreTest, ReadsStatusAroundTheCommandAndSaysHowTheStoreWent) {
  const StoreCase& c = GetParam();
  device.Set(kStatus, c.status_before);
  answering = c.answers_before;
  const int64_t waited = sim.delay->total_units;
  EXPECT_EQ(StoreToFlash(sim.link(), *sim.delay, 250.0), c.outcome);
  if (c.outcome == FlashOutcome::kNotSent) {
    EXPECT_EQ(device.Writes(kCommand), Words{});
  } else {
    EXPECT_EQ(device.Writes(kCommand), Words{0x0008});
    EXPECT_GE(sim.delay->total_units - waited, 25000);  // 250 ms in 10 us units
  }
}

INSTANTIATE_TEST_SUITE_P(
    Status, FlashStoreTest,
    ::testing::Values(
        StoreCase{"Stored", true, 0x0000, 0x0000, true, FlashOutcome::kStored},
        // Supply and alarm flags say nothing about the flash.
        StoreCase{"OtherFlagsSet", true, 0x0301, 0x0301, true, FlashOutcome::kStored},
        StoreCase{"FlashFailed", true, 0x0000, 0x0004, true, FlashOutcome::kFlashFailed},
        StoreCase{"FailedBefore", true, 0x0004, 0x0004, true, FlashOutcome::kUnconfirmed},
        StoreCase{"SilentSensor", false, 0x0000, 0x0000, false, FlashOutcome::kNotSent},
        StoreCase{"SilentAfterCommand", true, 0x0000, 0x0000, false, FlashOutcome::kNoAnswerAfter}),
    [](const ::testing::TestParamInfo<StoreCase>& info) { return info.param.name; });

}  // namespace
}  // namespace talvix::link
