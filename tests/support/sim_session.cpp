// SPDX-License-Identifier: MIT
#include "support/sim_session.h"

namespace talvix::test {

SimSession::SimSession(uint32_t seed, SimWiring wiring)
    : bench(clock, {.seed = seed, .card_present = wiring == SimWiring::kUsbCard}) {
  auto recording = std::make_unique<link::RecordingDelay>(clock);
  delay = recording.get();
  session = bench.MakeSession(notifier, events, std::move(recording));
  if (wiring == SimWiring::kParallelPort) {
    link().InterfaceType = link::kInterfaceParallel;
    link().PortAddress = 0x378;
    session->OpenParallelPort(setup_error);
  } else {
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
