// SPDX-License-Identifier: MIT
// The faults a link to the sensor can meet while a window or loop works, for tests that run one
// window over all of them: the card pulled out, its firmware hung, a transfer stalled, a sensor
// that answers all ones, and a parallel port whose access fails. Each comes with the session it
// strikes (the card, or the port at 0x378 for the port fault), how to inject it and how the user
// gets going again (plugging the card back in and picking it, waking the sensor, setting the port
// up again).
#pragma once

#include "session/session.h"
#include "sim/sim_port.h"
#include "support/sim_session.h"

#include <gtest/gtest.h>

#include <string>

namespace talvix::test {

enum class LinkFault { kCardUnplugged, kCardHanging, kTransferStall, kSensorAllOnes, kPortFails };

inline SimWiring WiringFor(LinkFault fault) {
  return fault == LinkFault::kPortFails ? SimWiring::kParallelPort : SimWiring::kUsbCard;
}

inline void Inject(SimSession& sim, LinkFault fault) {
  switch (fault) {
    case LinkFault::kCardUnplugged:
      sim.usb.Unplug(0);
      return;
    case LinkFault::kCardHanging:
      sim.usb.Hang(0);
      return;
    case LinkFault::kTransferStall:
      sim.usb.StallNextBulkTransfer(0);
      return;
    case LinkFault::kSensorAllOnes:
      sim.sensor.SetAnswering(false);
      return;
    case LinkFault::kPortFails:
      if (auto* port = dynamic_cast<sim::SimPort*>(sim.link().lpt.port())) {
        port->SetAccessFails(true);
      }
      return;
  }
}

// What the user does after the fault: the card plugged in again and picked with Interface > Usb,
// the sensor woken, or the port set up again with Interface > Parallel. False when the interface
// did not come back.
inline bool Recover(SimSession& sim, LinkFault fault) {
  switch (fault) {
    case LinkFault::kCardUnplugged:
    case LinkFault::kCardHanging:
    case LinkFault::kTransferStall:
      if (sim::SimUsbCard* card = sim.usb.Card(0)) card->stall_next = false;  // not struck yet
      sim.usb.Replug(0);
      sim.session->ezusb.UsbSelectFirstCard();
      return sim.session->usb.CardReady();
    case LinkFault::kSensorAllOnes:
      sim.sensor.SetAnswering(true);
      return true;
    case LinkFault::kPortFails: {
      QString error;
      return sim.session->OpenParallelPort(error);
    }
  }
  return false;
}

// A fault the link itself notices and reports (all ones is an answer, only the reader can tell).
inline bool LinkReports(LinkFault fault) {
  return fault != LinkFault::kSensorAllOnes;
}

inline const auto kAllLinkFaults =
    ::testing::Values(LinkFault::kCardUnplugged, LinkFault::kCardHanging, LinkFault::kTransferStall,
                      LinkFault::kSensorAllOnes, LinkFault::kPortFails);

inline std::string LinkFaultName(const ::testing::TestParamInfo<LinkFault>& info) {
  switch (info.param) {
    case LinkFault::kCardUnplugged:
      return "CardUnplugged";
    case LinkFault::kCardHanging:
      return "CardHanging";
    case LinkFault::kTransferStall:
      return "TransferStall";
    case LinkFault::kSensorAllOnes:
      return "SensorAllOnes";
    case LinkFault::kPortFails:
      return "PortAccessFails";
  }
  return "Unknown";
}

}  // namespace talvix::test
