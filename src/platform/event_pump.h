// SPDX-License-Identifier: MIT
// Lets pending window events run: the one yield per pass of the cooperative loops.
#pragma once

#include <functional>

namespace talvix::platform {

class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void ProcessEvents() = 0;
};

// Runs a callback instead (tests decide what "the user did meanwhile").
class CallbackEventPump : public EventPump {
 public:
  void ProcessEvents() override {
    ++calls;
    if (on_events) on_events();
  }
  std::function<void()> on_events;
  int calls = 0;
};

}  // namespace talvix::platform
