#include "bench_support.h"

#include <QApplication>

namespace talvix::bench {

int32_t CalibratedLoopsPer10us() {
  static const int32_t loops = [] {
    platform::SystemClock clock;
    link::Delay delay(clock);
    delay.CalibrateDelay();
    return delay.LoopsPer10us;
  }();
  return loops;
}

void EnsureApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "talvix_bench";
  static char* argv[] = {name, nullptr};
  static QApplication application(argc, argv);
}

std::unique_ptr<link::Delay> CalibratedDelay(platform::Clock& clock) {
  auto delay = std::make_unique<link::Delay>(clock);
  delay->LoopsPer10us = CalibratedLoopsPer10us();
  delay->DelayCalibrated = true;
  return delay;
}

SimulatedUsbRig::SimulatedUsbRig() {
  session = std::make_unique<Session>(
      Platform{clock, notifier, events, rig.usb, rig.PortOpener(), CalibratedDelay(clock)});
  session->link.InterfaceType = link::kInterfaceUsb;
  session->ezusb.UsbSelectFirstCard();
}

SimulatedParallelRig::SimulatedParallelRig() {
  auto delay = CalibratedDelay(clock);
  sim::SimSensor* s = &sensor;
  session = std::make_unique<Session>(Platform{
      clock, notifier, events, usb,
      [s](uint16_t base, QString&) { return std::make_unique<sim::SimPort>(*s, base); },
      std::move(delay)});
  session->link.InterfaceType = link::kInterfaceParallel;
  session->link.PortAddress = 0x378;
  QString error;
  session->OpenParallelPort(error);
}

PauseReport::~PauseReport() {
  const double elapsed_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
  const double per_op_ms = elapsed_ms / static_cast<double>(state_.iterations());
  state_.counters["measured_ms"] = per_op_ms;
  state_.counters["mandated_ms"] = mandated_ms_;
  state_.counters["ratio"] = per_op_ms / mandated_ms_;
}

}  // namespace talvix::bench
