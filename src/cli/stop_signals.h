// SPDX-License-Identifier: MIT
// Ctrl-C (SIGINT), SIGTERM and SIGHUP as a request to stop, for the commands that run until told
// otherwise (log, the wait of capture): while a StopSignals lives, these signals only set a flag
// that the command's loop reads between two samples or polls, so the command ends at a point of
// its choosing (rows written and flushed, the capture disarmed) instead of where the signal
// struck. The handler does nothing else: no I/O, no allocation.
#pragma once

namespace talvix::cli {

class StopSignals {
 public:
  // Catches the signals, with no request pending; the earlier actions come back at destruction.
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // A signal has come since construction.
  static bool Requested();
};

}  // namespace talvix::cli
