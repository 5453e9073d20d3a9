// The whole simulated bench: one sensor, a simulated parallel port that answers at whatever
// address it is opened for, and a simulated USB SPI card at "Ezusb-0" whose chip-select channel 1
// is wired to the same sensor. Used by `talvix --simulate`, `talvix-cli --interface sim-*` and
// the benchmarks.
#pragma once

#include "platform/clock.h"
#include "platform/port_io.h"
#include "sim/sim_sensor.h"
#include "sim/sim_usb_driver.h"

#include <QString>

#include <functional>
#include <memory>

namespace talvix::sim {

class SimRig {
 public:
  SimRig(platform::Clock& clock, uint32_t seed);
  SimRig(const SimRig&) = delete;
  SimRig& operator=(const SimRig&) = delete;

  // Opens a simulated parallel port at `base_address`, wired to the sensor; never fails.
  std::function<std::unique_ptr<platform::PortIo>(uint16_t base_address, QString& error)>
  PortOpener();

  SimSensor sensor;
  SimUsbDriver usb;
};

}  // namespace talvix::sim
