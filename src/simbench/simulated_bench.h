// SPDX-License-Identifier: MIT
// The simulated bench: one sensor, a simulated parallel port that answers at whatever address it
// is opened for, and a simulated USB SPI card at "Ezusb-0" whose chip-select channel 1 is wired to
// the same sensor. Every simulated Session is built here (`talvix --simulate`, `talvix-cli
// --interface sim-*`, the tests, the benchmarks); only the clock, notifier, event pump and delay
// they run on differ, and the caller gives those.
#pragma once

#include "link/delay.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/notifier.h"
#include "session/session.h"
#include "sim/sim_sensor.h"
#include "sim/sim_usb_driver.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace talvix::simbench {

// The largest transfer cost the simulated card takes (--sim-usb-latency), in ms.
inline constexpr double kMaxSimUsbLatencyMs = 1000.0;

struct SimulatedBenchOptions {
  // The sensor's noise and motion: the same seed on the same clock gives the same frames.
  uint32_t seed = 1;
  // A card at "Ezusb-0"; without it a card scan finds none (until a test places one).
  bool card_present = true;
  // What each transfer of the simulated card costs, in ms, waited on the bench's clock (see
  // SetUsbLatency); 0 answers at once.
  double usb_latency_ms = 0.0;
  // The end of the program (see Platform::end_program), run after the frame trace is flushed.
  std::function<void(int exit_status)> end_program = nullptr;
};

class SimulatedBench {
 public:
  explicit SimulatedBench(platform::Clock& clock, SimulatedBenchOptions options = {});
  SimulatedBench(const SimulatedBench&) = delete;
  SimulatedBench& operator=(const SimulatedBench&) = delete;

  // A session on this bench and its clock. `delay` paces the link; when empty, the program's own
  // delay on the bench's clock. The bench must outlive the session.
  std::unique_ptr<Session> MakeSession(platform::Notifier& notifier, platform::EventPump& events,
                                       std::unique_ptr<link::Delay> delay = nullptr);

  // Makes every packet the simulated card takes cost `ms` milliseconds of USB scheduling (a
  // full-speed card's is about 1 ms) and spaces the frames of a transfer by the card's delay
  // between words, both waited on the bench's clock, which must be one that moves by itself (a
  // test on a ManualClock sets sim::SimUsbDriver::Timing itself). 0 turns the timing off: every
  // request is answered at once.
  void SetUsbLatency(double ms);

  sim::SimSensor sensor;
  sim::SimUsbDriver usb;
  // Fault injection: while not empty, opening the parallel port fails with this reason (what
  // failed and how to fix it, as the real port says it).
  QString port_failure;
  int port_opens = 0;  // attempts to open the parallel port, failed ones included

 private:
  std::unique_ptr<platform::PortIo> OpenPort(uint16_t base_address, QString& error);
  void EndProgram(int exit_status);

  platform::Clock& clock_;
  std::function<void(int exit_status)> end_program_;
};

}  // namespace talvix::simbench
