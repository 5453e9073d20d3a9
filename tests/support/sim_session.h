// SPDX-License-Identifier: MIT
// A session on the simulated sensor, for tests that talk to it only through frames: the sensor
// sits behind the simulated parallel port at 0x378 (or behind a simulated USB SPI card at
// "Ezusb-0"), the clock is a ManualClock that moves only when the test says so, and the delay
// only records, so nothing waits.
#pragma once

#include "link/delay.h"
#include "link/register_access.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/notifier.h"
#include "session/session.h"
#include "sim/sim_sensor.h"
#include "sim/sim_usb_driver.h"
#include "simbench/simulated_bench.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace talvix::test {

enum class SimWiring { kParallelPort, kUsbCard };

class SimSession {
 public:
  explicit SimSession(uint32_t seed = 1, SimWiring wiring = SimWiring::kParallelPort);
  SimSession(const SimSession&) = delete;
  SimSession& operator=(const SimSession&) = delete;

  link::RegisterAccess& link() { return session->link; }

  // ReadReg(index); returns RegRaw (the code after masking or sign extension).
  int32_t Read(int16_t index);
  // ReadReg(index); returns RegValue.
  float ReadValue(int16_t index);
  // ReadReg(index); returns the whole 16-bit word that came back, flag bits included.
  uint16_t ReadWord(int16_t index);
  void Write(int16_t index, int32_t value) { link().WriteReg(index, value); }
  void Command(uint16_t command) { Write(registers::kCommand, command); }
  void Advance(double seconds) { clock.Advance(seconds); }

  platform::ManualClock clock;
  platform::RecordingNotifier notifier;
  platform::CallbackEventPump events;
  simbench::SimulatedBench bench;
  sim::SimSensor& sensor = bench.sensor;
  sim::SimUsbDriver& usb = bench.usb;
  link::RecordingDelay* delay = nullptr;  // owned by the session
  std::unique_ptr<Session> session;
  // Why the interface could not be brought up; empty when it is ready.
  QString setup_error;
};

}  // namespace talvix::test
