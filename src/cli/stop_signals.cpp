// SPDX-License-Identifier: MIT
#include "cli/stop_signals.h"

#include <array>
#include <csignal>

namespace talvix::cli {

namespace {

constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};

// A signal handler may only touch a lock-free atomic or a volatile sig_atomic_t of static
// storage.
volatile std::sig_atomic_t g_stop_requested = 0;

std::array<struct sigaction, kStopSignals.size()> g_previous{};

extern "C" void OnStopSignal(int) {
  g_stop_requested = 1;
}

}  // namespace

StopSignals::StopSignals() {
  g_stop_requested = 0;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted reads and writes carry on; the loops see the flag at their next check.
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < kStopSignals.size(); ++i) {
    ::sigaction(kStopSignals[i], &action, &g_previous[i]);
  }
}

StopSignals::~StopSignals() {
  for (size_t i = 0; i < kStopSignals.size(); ++i) {
    ::sigaction(kStopSignals[i], &g_previous[i], nullptr);
  }
}

bool StopSignals::Requested() {
  return g_stop_requested != 0;
}

}  // namespace talvix::cli
