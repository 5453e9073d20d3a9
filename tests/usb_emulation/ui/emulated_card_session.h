// SPDX-License-Identifier: MIT
// A session on the real USB path for the window tests: one emulated Pellow card at "Ezusb-0",
// wired to a simulated sensor, reached through libusb (usbfs and umockdev); the clock moves only
// when a test says so, and the delay only records.
#pragma once

#include "link/delay.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/libusb_driver.h"
#include "platform/notifier.h"
#include "session/session.h"
#include "sim/placeholder_usb_ids.h"
#include "sim/sim_sensor.h"
#include "sim/sim_usb_driver.h"
#include "usb_emulator/card_list.h"
#include "usb_emulator/usb_card_emulator.h"

#include <QString>

#include <memory>

namespace talvix::usb_emulator {

struct EmulatedCardSession {
  // Plugs the card in and makes the session; false with the reason in `error`.
  bool Start(QString& error) {
    EmulatedDevice card;
    card.setup.product_id = sim::kPlaceholderPellowProductId;
    emulator = UsbCardEmulator::Start(cards, {card}, error);
    if (!emulator) return false;
    libusb = std::make_unique<platform::LibUsbDriver>(sim::kPlaceholderVendorId);
    session =
        std::make_unique<Session>(Platform{.clock = clock,
                                           .notifier = notifier,
                                           .events = events,
                                           .usb = *libusb,
                                           .delay = std::make_unique<link::RecordingDelay>(clock),
                                           .usb_card_ids = sim::PlaceholderUsbCardIdsSetting()});
    return true;
  }

  platform::ManualClock clock;
  sim::SimSensor sensor{clock, 5};
  sim::SimUsbDriver cards{[this](uint16_t sent) { return sensor.Transfer(sent); }};
  platform::RecordingNotifier notifier;
  platform::CallbackEventPump events;
  std::unique_ptr<UsbCardEmulator> emulator;
  std::unique_ptr<platform::LibUsbDriver> libusb;
  std::unique_ptr<Session> session;
};

}  // namespace talvix::usb_emulator
