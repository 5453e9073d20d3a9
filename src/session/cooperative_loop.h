// SPDX-License-Identifier: MIT
// The long-running activities of the user-interface thread (continuous reading, the power-down
// count, the datalog run, the USB debug loop) are cooperative loops: each pass does its work and
// lets the window system handle what is pending exactly once, and clicks take effect only inside
// that one yield. This class keeps the bookkeeping every such loop needs, so that a window only
// writes its pass:
//   - running: the user wants the loop to go on (the button shows "STOP"); a stop request lets
//     the pass under way finish, and the loop then ends;
//   - abort: the exit path (or the owner) ends every run at its next yield, with no further pass
//     and no device traffic;
//   - nesting depth: a click handled inside a yield can start a run of its own, on top of the one
//     interrupted; the owner can ask how many are on the stack;
//   - owner-alive: the owner (a window) may be destroyed during a yield, and with it this object;
//     a run then returns at once without touching either.
// Every loop registers with the session's LoopRegistry, so that the exit path stops them all
// with one call.
#pragma once

#include "platform/event_pump.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace talvix {

class CooperativeLoop;

// Every live loop of the program. The exit path calls StopAll().
class LoopRegistry {
 public:
  LoopRegistry() = default;
  LoopRegistry(const LoopRegistry&) = delete;
  LoopRegistry& operator=(const LoopRegistry&) = delete;

  // Aborts every registered loop: each run ends at its next yield.
  void StopAll();
  // Loops registered now (each loop registers itself for its whole life).
  int Count() const { return static_cast<int>(loops_.size()); }
  // Some registered loop has a run on the stack.
  bool AnyActive() const;

 private:
  friend class CooperativeLoop;
  void Add(CooperativeLoop* loop) { loops_.push_back(loop); }
  void Remove(CooperativeLoop* loop);

  std::vector<CooperativeLoop*> loops_;
};

class CooperativeLoop {
 public:
  // `on_abort` runs when the loop is aborted (for example to put a button's caption back).
  CooperativeLoop(LoopRegistry& registry, platform::EventPump& events,
                  std::function<void()> on_abort = nullptr);
  ~CooperativeLoop();
  CooperativeLoop(const CooperativeLoop&) = delete;
  CooperativeLoop& operator=(const CooperativeLoop&) = delete;

  // One run of passes, kept on the caller's stack for as long as its passes go on.
  class Run {
   public:
    Run(Run&& other) noexcept;
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    Run& operator=(Run&&) = delete;
    ~Run();

    // The one yield of a pass: the window system handles what is pending. False when the loop
    // was aborted or destroyed meanwhile: the caller returns at once, touching nothing of its
    // owner.
    [[nodiscard]] bool Yield();
    // Neither aborted nor destroyed since the run began. For the steps after anything else that
    // may run the window system (a message box, a signal whose slots may yield).
    bool Alive() const;
    // Alive, and the user still wants the loop (no stop request): the test at the end of a pass.
    bool Continue() const;

   private:
    friend class CooperativeLoop;
    Run(CooperativeLoop& loop, bool counted);

    std::weak_ptr<CooperativeLoop*> owner_;
    uint64_t generation_;
    bool counted_;
  };

  // Starts a run of passes that counts toward the nesting depth.
  [[nodiscard]] Run Start() { return Run(*this, true); }
  // A single pass outside any run (it may still be aborted during its yield), not counted.
  [[nodiscard]] Run Single() { return Run(*this, false); }

  // The user wants the loop to go on (set when the loop starts, cleared by a stop request).
  bool Running() const { return running_; }
  void SetRunning(bool running) { running_ = running; }
  // Runs of this loop on the stack now.
  int Depth() const { return depth_; }

  // Ends every run at its next yield, without another pass; clears Running.
  void Abort();

 private:
  LoopRegistry& registry_;
  platform::EventPump& events_;
  std::function<void()> on_abort_;
  // Points to this object while it lives; runs hold a weak reference to it.
  std::shared_ptr<CooperativeLoop*> self_;
  uint64_t generation_ = 0;
  bool running_ = false;
  int depth_ = 0;
};

}  // namespace talvix
