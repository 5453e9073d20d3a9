// SPDX-License-Identifier: MIT
#include "bench_support.h"

#include <QApplication>

#include <algorithm>
#include <cstddef>
#include <ctime>

namespace talvix::bench {

namespace {
// Made by the first benchmark that needs widgets, ended by main() before the program's own
// static objects go: Qt's Gui objects must not outlive the library's.
std::unique_ptr<QApplication>& Application() {
  static std::unique_ptr<QApplication> application;
  return application;
}
}  // namespace

void EnsureApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "talvix_bench";
  static char* argv[] = {name, nullptr};
  Application() = std::make_unique<QApplication>(argc, argv);
}

void EndApplication() {
  Application().reset();
}

SimulatedUsbRig::SimulatedUsbRig() {
  session = rig.MakeSession(notifier, events);
  session->link.InterfaceType = link::kInterfaceUsb;
  session->ezusb.UsbSelectFirstCard();
}

SimulatedParallelRig::SimulatedParallelRig() {
  session = bench.MakeSession(notifier, events);
  session->link.InterfaceType = link::kInterfaceParallel;
  session->link.PortAddress = 0x378;
  QString error;
  session->OpenParallelPort(error);
}

double ProcessCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

PauseReport::~PauseReport() {
  if (laps_ms_.empty()) return;
  const auto middle = laps_ms_.begin() + static_cast<std::ptrdiff_t>(laps_ms_.size() / 2);
  std::nth_element(laps_ms_.begin(), middle, laps_ms_.end());
  const double per_op_ms = *middle;
  state_.counters["measured_ms"] = per_op_ms;
  state_.counters["mandated_ms"] = mandated_ms_;
  state_.counters["ratio"] = per_op_ms / mandated_ms_;
}

}  // namespace talvix::bench
