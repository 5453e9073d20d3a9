// SPDX-License-Identifier: MIT
// A fault the emulator injects into a card at a chosen moment, and the short text form the
// command line gives it:
//
//   FAULT = KIND "@" N
//   KIND  = "unplug"   the card leaves the bus: its transfers fail with "no device"
//         | "hang"     its firmware hangs: it takes packets but never answers, so the host's
//                      read waits until it gives up (a timeout)
//         | "stall"    the endpoint halts: the transfer, and every later one on that endpoint
//                      until the host clears the halt, fails with a stall (EPIPE)
//   N     = decimal digits: the number of bulk transfers, counted over all cards from the start,
//           that go through before the fault; it strikes the card of transfer N + 1
//
// Example: "unplug@50" lets 50 bulk transfers through and pulls the cable of the card that the
// 51st goes to, instead of carrying it.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace talvix::usb_emulator {

enum class FaultKind { kUnplug, kHang, kStall };

struct FaultPlan {
  FaultKind kind = FaultKind::kUnplug;
  uint32_t after_transfers = 0;
};

// The fault `text` describes, or nothing with the reason in `error`.
std::optional<FaultPlan> ParseFaultPlan(const QString& text, QString& error);

// "unplug", "hang" or "stall".
QString FaultName(FaultKind kind);

}  // namespace talvix::usb_emulator
