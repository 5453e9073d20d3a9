// A session on the simulated bench for the start-up windows: the sensor behind a simulated port
// (whose opening can be made to fail) and a simulated card at "Ezusb-0"; nothing waits, and the
// end of the program is only recorded.
#pragma once

#include "link/delay.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/notifier.h"
#include "sim/sim_rig.h"
#include "session/session.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

namespace talvix::test {

class StartupFixture {
 public:
  StartupFixture() : rig(clock, 7) {
    auto delay = std::make_unique<link::RecordingDelay>(clock);
    delay->DelayCalibrated = true;
    auto opener = rig.PortOpener();
    session = std::make_unique<Session>(Platform{
        clock, notifier, events, rig.usb,
        [this, opener](uint16_t base, QString& why) -> std::unique_ptr<platform::PortIo> {
          ++port_opens;
          if (!port_failure.isEmpty()) {
            why = port_failure;
            return nullptr;
          }
          return opener(base, why);
        },
        std::move(delay), [this] { ++program_ends; }});
    session->startup.OsName = QStringLiteral("Linux");
  }

  platform::ManualClock clock;
  platform::RecordingNotifier notifier;
  platform::CallbackEventPump events;
  sim::SimRig rig;
  std::unique_ptr<Session> session;
  QString port_failure;  // when set, opening the port fails with this reason
  int port_opens = 0;
  int program_ends = 0;
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
