#include "support/sim_session.h"

#include "sim/sim_port.h"

namespace talvix::test {

SimSession::SimSession(uint32_t seed, SimWiring wiring)
    : sensor(clock, seed), usb([this](uint16_t sent) { return sensor.Transfer(sent); }) {
  auto recording = std::make_unique<link::RecordingDelay>(clock);
  recording->DelayCalibrated = true;
  delay = recording.get();
  session = std::make_unique<Session>(Platform{
      .clock = clock,
      .notifier = notifier,
      .events = events,
      .usb = usb,
      .open_port = [this](uint16_t base,
                          QString&) { return std::make_unique<sim::SimPort>(sensor, base); },
      .delay = std::move(recording)});
  if (wiring == SimWiring::kParallelPort) {
    link().InterfaceType = link::kInterfaceParallel;
    link().PortAddress = 0x378;
    session->OpenParallelPort(setup_error);
  } else {
    usb.PlaceCard(0);
    session->ezusb.UsbSelectFirstCard();
    link().InterfaceType = link::kInterfaceUsb;
    if (!session->ezusb.CurrentCard.Present) {
      setup_error = QStringLiteral("the simulated USB SPI card is not ready: %1")
                        .arg(notifier.texts.join(QStringLiteral("; ")));
    }
  }
}

int32_t SimSession::Read(int16_t index) {
  link().ReadReg(index);
  return link().RegRaw;
}

float SimSession::ReadValue(int16_t index) {
  link().ReadReg(index);
  return link().RegValue;
}

uint16_t SimSession::ReadWord(int16_t index) {
  link().ReadReg(index);
  return static_cast<uint16_t>(link().RawWord);
}

}  // namespace talvix::test
