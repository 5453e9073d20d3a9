// SPDX-License-Identifier: MIT
// The desktop's side of the platform seams: message boxes and the window system's event loop.
#pragma once

#include "platform/event_pump.h"
#include "platform/notifier.h"

class QMessageBox;

namespace talvix::app {

// A message box is as wide as its text: a short text under a long title would cut the title off.
// This widens `box` to show its whole title.
void WidenForTitle(QMessageBox& box);

// A modal message box with an OK button, over the active window (or the main window while none
// is active), wide enough for its title.
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
