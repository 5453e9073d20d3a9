// SPDX-License-Identifier: MIT
#include "session/cooperative_loop.h"

#include <algorithm>

namespace talvix {

void LoopRegistry::StopAll() {
  // Aborting runs only the loops' own callbacks, which do not register or unregister loops; a copy
  // keeps the walk safe all the same.
  const std::vector<CooperativeLoop*> loops = loops_;
  for (CooperativeLoop* loop : loops) loop->Abort();
}

bool LoopRegistry::AnyActive() const {
  return std::any_of(loops_.begin(), loops_.end(),
                     [](const CooperativeLoop* loop) { return loop->Depth() > 0; });
}

void LoopRegistry::Remove(CooperativeLoop* loop) {
  loops_.erase(std::remove(loops_.begin(), loops_.end(), loop), loops_.end());
}

CooperativeLoop::CooperativeLoop(LoopRegistry& registry, platform::EventPump& events,
                                 std::function<void()> on_abort)
    : registry_(registry),
      events_(events),
      on_abort_(std::move(on_abort)),
      self_(std::make_shared<CooperativeLoop*>(this)) {
  registry_.Add(this);
}

CooperativeLoop::~CooperativeLoop() {
  registry_.Remove(this);
}

void CooperativeLoop::Abort() {
  ++generation_;
  running_ = false;
  if (on_abort_) on_abort_();
}

CooperativeLoop::Run::Run(CooperativeLoop& loop, bool counted)
    : owner_(loop.self_), generation_(loop.generation_), counted_(counted) {
  if (counted_) ++loop.depth_;
}

CooperativeLoop::Run::Run(Run&& other) noexcept
    : owner_(std::move(other.owner_)), generation_(other.generation_), counted_(other.counted_) {
  other.counted_ = false;
  other.owner_.reset();
}

CooperativeLoop::Run::~Run() {
  if (!counted_) return;
  if (const std::shared_ptr<CooperativeLoop*> loop = owner_.lock()) --(*loop)->depth_;
}

bool CooperativeLoop::Run::Alive() const {
  const std::shared_ptr<CooperativeLoop*> loop = owner_.lock();
  return loop && (*loop)->generation_ == generation_;
}

bool CooperativeLoop::Run::Continue() const {
  // Alive() holds the loop only while it is asked; the loop is not destroyed in between.
  return Alive() && (*owner_.lock())->running_;
}

bool CooperativeLoop::Run::Yield() {
  std::shared_ptr<CooperativeLoop*> loop = owner_.lock();
  if (!loop || (*loop)->generation_ != generation_) return false;
  platform::EventPump& events = (*loop)->events_;
  loop.reset();  // the owner may be destroyed during the yield; only the weak reference remains
  events.ProcessEvents();
  return Alive();
}

}  // namespace talvix
