// SPDX-License-Identifier: MIT
#include "link/card_selection.h"

#include "support/sim_session.h"

#include <gtest/gtest.h>

#include <vector>

namespace talvix::link {
namespace {

using Packets = std::vector<std::vector<uint8_t>>;

// Simulated cards at "Ezusb-0" (current after the scan) and "Ezusb-2".
class SelectCardTest : public ::testing::TestWithParam<CardSettingsOrder> {
 protected:
  SelectCardTest() {
    sim.usb.PlaceCard(2);
    sim.session->ezusb.UsbSelectFirstCard();
  }
  Packets Sent(int card) { return sim.usb.ReceivedPackets(card); }

  test::SimSession sim{1, test::SimWiring::kUsbCard};
};

TEST_P(SelectCardTest, MakesTheCardCurrentAndSendsBothSettingsInTheGivenOrder) {
  const size_t before = Sent(2).size();
  EXPECT_TRUE(SelectCard(sim.session->usb, 2, GetParam()));

  EXPECT_EQ(sim.session->ezusb.CurrentCard.DevName, "Ezusb-2");
  EXPECT_EQ(sim.session->ezusb.UsbCardIndex, 0);  // the scan's choice is kept
  const Packets bits_then_delay = {{12, 120}, {11, 25}};
  const Packets delay_then_bits = {{11, 25}, {12, 120}};
  const Packets sent = Sent(2);
  EXPECT_EQ(Packets(sent.begin() + static_cast<std::ptrdiff_t>(before), sent.end()),
            GetParam() == CardSettingsOrder::kBitsThenDelay ? bits_then_delay : delay_then_bits);
}

TEST_P(SelectCardTest, AnIndexWithoutAReadyCardChangesNothing) {
  const Packets before = Sent(0);
  for (int index : {-1, 1, 3, 4}) {
    EXPECT_FALSE(SelectCard(sim.session->usb, index, GetParam())) << index;
  }
  EXPECT_EQ(sim.session->ezusb.CurrentCard.DevName, "Ezusb-0");
  EXPECT_TRUE(sim.session->usb.CardReady());
  EXPECT_EQ(Sent(0), before);
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
}

TEST_P(SelectCardTest, AFailedFirstSettingLeavesTheCardNotReady) {
  sim.usb.FailNextBulkWrite(2);
  EXPECT_FALSE(SelectCard(sim.session->usb, 2, GetParam()));
  EXPECT_FALSE(sim.session->usb.CardReady());
  EXPECT_EQ(sim.notifier.texts, QStringList{GetParam() == CardSettingsOrder::kBitsThenDelay
                                                ? QStringLiteral("Error Setting SPI Bits")
                                                : QStringLiteral("Error Setting up SPI")});
}

INSTANTIATE_TEST_SUITE_P(BothOrders, SelectCardTest,
                         ::testing::Values(CardSettingsOrder::kBitsThenDelay,
                                           CardSettingsOrder::kDelayThenBits),
                         [](const ::testing::TestParamInfo<CardSettingsOrder>& info) {
                           return info.param == CardSettingsOrder::kBitsThenDelay ? "BitsThenDelay"
                                                                                  : "DelayThenBits";
                         });

}  // namespace
}  // namespace talvix::link
