// The desktop's side of the platform seams: message boxes and the window system's event loop.
#pragma once

#include "platform/event_pump.h"
#include "platform/notifier.h"

namespace talvix::app {

// A modal message box with an OK button, over the active window.
class MessageBoxNotifier : public platform::Notifier {
 public:
  void Message(const QString& text, const QString& title) override;
};

// Lets the window system handle what is pending (clicks, repaints), then returns.
class QtEventPump : public platform::EventPump {
 public:
  void ProcessEvents() override;
};

}  // namespace talvix::app
