// SPDX-License-Identifier: MIT
#include "startup/port_access.h"

#include "support/sim_session.h"

#include <gtest/gtest.h>

#include <vector>

namespace talvix::startup {
namespace {

using Packets = std::vector<std::vector<uint8_t>>;

TEST(BringUpUsbCardTest, SendsTheBitsThenTheDelayToTheNamedCard) {
  test::SimSession sim{1, test::SimWiring::kUsbCard};
  sim.usb.PlaceCard(2);
  ASSERT_TRUE(BringUpUsbCard(*sim.session, 2));
  EXPECT_EQ(sim.session->ezusb.CurrentCard.DevName, "Ezusb-2");
  const Packets sent = sim.usb.ReceivedPackets(2);
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(Packets(sent.end() - 2, sent.end()), (Packets{{12, 120}, {11, 25}}));
}

TEST(BringUpUsbCardTest, ANamedDeviceWithoutACardLeavesNoCardReady) {
  test::SimSession sim{1, test::SimWiring::kUsbCard};
  EXPECT_FALSE(BringUpUsbCard(*sim.session, 3));
  EXPECT_FALSE(sim.session->usb.CardReady());
}

}  // namespace
}  // namespace talvix::startup
