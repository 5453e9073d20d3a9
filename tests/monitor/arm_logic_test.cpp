// SPDX-License-Identifier: MIT
// The arming record (CaptureState) changed through arm_logic, each change with its device steps,
// on a simulated USB card whose SPI line goes to a register file that answers or stays silent.
#include "monitor/arm_logic.h"

#include "support/register_file_sensor.h"
#include "support/sim_session.h"

#include <gtest/gtest.h>

namespace talvix::monitor {
namespace {

class ArmRecordTest : public ::testing::TestWithParam<bool> {  // the sensor answers
 protected:
  ArmRecordTest() {
    sim.usb.SetSpiWire(
        [this](uint16_t sent) { return GetParam() ? device.Transfer(sent) : 0xFFFF; });
    device.Set(registers::kAlmCtrl, 0x0A03);
    device.Set(registers::kCaptCfg, 0x1234);
    device.Set(registers::kSmplPrd, 0x0042);
    capture().MarkTriggered(CaptureSnapshots{0x0213, 0x0001});  // an earlier capture's
    capture().SelectTrigger(0x40);
  }
  CaptureState& capture() { return sim.session->capture; }

  test::RegisterFileSensor device;
  test::SimSession sim{1, test::SimWiring::kUsbCard};
};

TEST_P(ArmRecordTest, ArmAndTriggerChangeTheRecordAsFarAsTheSensorAnswered) {
  const bool answering = GetParam();
  EXPECT_EQ(Arm(sim.link(), *sim.session->delay, capture()), answering);
  EXPECT_EQ(capture().Armed, answering);
  EXPECT_FALSE(capture().TriggerSeen);  // the sensor refills the buffers
  // The trigger waited for cannot change while armed.
  EXPECT_EQ(capture().SelectTrigger(0x10), !answering);

  EXPECT_EQ(RecordTrigger(sim.link(), capture()), answering);
  EXPECT_FALSE(capture().Armed);
  EXPECT_EQ(capture().TriggerSeen, answering);
  EXPECT_EQ(capture().CaptCfgSnapshot, answering ? 0x1234 : 0x0213);
  EXPECT_EQ(capture().SmplPrdSnapshot, answering ? 0x0042 : 0x0001);
}

INSTANTIATE_TEST_SUITE_P(Sensor, ArmRecordTest, ::testing::Bool());

}  // namespace
}  // namespace talvix::monitor
