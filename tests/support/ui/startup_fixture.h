// SPDX-License-Identifier: MIT
// A session on the simulated bench for the start-up windows: the sensor behind a simulated port
// (whose opening can be made to fail) and a simulated card at "Ezusb-0"; nothing waits, and the
// end of the program is only recorded.
#pragma once

#include "link/delay.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/notifier.h"
#include "session/session.h"
#include "simbench/simulated_bench.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

namespace talvix::test {

class StartupFixture {
 public:
  StartupFixture()
      : rig(clock, {.seed = 7, .end_program = [this](int status) {
                      ++program_ends;
                      exit_status = status;
                    }}) {
    auto delay = std::make_unique<link::RecordingDelay>(clock);
    session = rig.MakeSession(notifier, events, std::move(delay));
    session->startup.OsName = QStringLiteral("Linux");
  }

  platform::ManualClock clock;
  platform::RecordingNotifier notifier;
  platform::CallbackEventPump events;
  simbench::SimulatedBench rig;
  std::unique_ptr<Session> session;
  QString& port_failure = rig.port_failure;  // when set, opening the port fails with this reason
  int& port_opens = rig.port_opens;
  int program_ends = 0;
  int exit_status = -1;  // of the last end of the program
};

// Runs `action` on the modal dialog of type T once it is shown (from inside its exec()).
template <typename T>
void WhenDialogShows(std::function<void(T*)> action) {
  QTimer::singleShot(0, [action] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<T*>(w); dialog && dialog->isVisible()) {
        action(dialog);
        return;
      }
    }
  });
}

}  // namespace talvix::test
