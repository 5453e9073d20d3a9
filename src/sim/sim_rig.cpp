#include "sim/sim_rig.h"

#include "sim/sim_port.h"

namespace talvix::sim {

SimRig::SimRig(platform::Clock& clock, uint32_t seed)
    : sensor(clock, seed), usb([this](uint16_t sent) { return sensor.Transfer(sent); }) {
  usb.PlaceCard(0);
}

std::function<std::unique_ptr<platform::PortIo>(uint16_t, QString&)> SimRig::PortOpener() {
  return [this](uint16_t base_address, QString&) -> std::unique_ptr<platform::PortIo> {
    return std::make_unique<SimPort>(sensor, base_address);
  };
}

}  // namespace talvix::sim
