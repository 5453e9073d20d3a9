// SPDX-License-Identifier: MIT
#include "simbench/simulated_bench.h"

#include "sim/placeholder_usb_ids.h"
#include "sim/sim_port.h"

#include <QDebug>

#include <utility>

namespace talvix::simbench {

SimulatedBench::SimulatedBench(platform::Clock& clock, SimulatedBenchOptions options)
    : sensor(clock, options.seed),
      usb([this](uint16_t sent) { return sensor.Transfer(sent); }),
      clock_(clock),
      end_program_(std::move(options.end_program)) {
  if (options.card_present) usb.PlaceCard(0);
  SetUsbLatency(options.usb_latency_ms);
}

void SimulatedBench::SetUsbLatency(double ms) {
  if (!(ms > 0.0)) {
    usb.SetTiming({});
    return;
  }
  usb.SetTiming({.transfer_seconds = ms / 1000.0,
                 .spend = [this](double seconds) { platform::WaitFor(clock_, seconds); }});
}

std::unique_ptr<Session> SimulatedBench::MakeSession(platform::Notifier& notifier,
                                                     platform::EventPump& events,
                                                     std::unique_ptr<link::Delay> delay) {
  return std::make_unique<Session>(
      Platform{.clock = clock_,
               .notifier = notifier,
               .events = events,
               .usb = usb,
               .open_port = [this](uint16_t base_address,
                                   QString& error) { return OpenPort(base_address, error); },
               .delay = std::move(delay),
               .end_program = [this](int exit_status) { EndProgram(exit_status); },
               .usb_card_ids = sim::PlaceholderUsbCardIdsSetting()});
}

std::unique_ptr<platform::PortIo> SimulatedBench::OpenPort(uint16_t base_address, QString& error) {
  ++port_opens;
  if (!port_failure.isEmpty()) {
    error = port_failure;
    return nullptr;
  }
  return std::make_unique<sim::SimPort>(sensor, base_address);
}

void SimulatedBench::EndProgram(int exit_status) {
  // The end of the program may not return, so the trace file is made complete first. Nothing can
  // be shown any more; the reason goes to the log (standard error).
  QString error;
  if (!sensor.trace().Flush(error)) qWarning().noquote() << error;
  if (end_program_) end_program_(exit_status);
}

}  // namespace talvix::simbench
