// SPDX-License-Identifier: MIT
// The power-down count's Elapsed label while a Read loop, started during the count, holds the
// count inside its yield: each reading pass moves the label on, up to the end of the count.
#include "monitor/ui/monitor_widget.h"

#include "monitor/ui/output_registers_widget.h"
#include "support/sim_session.h"
#include "support/ui/window_probe.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace talvix::monitor {
namespace {

TEST(PowerDownElapsedTest, KeepsCountingDuringAReadLoopAndShowsTheEnd) {
  test::SimSession sim{1, test::SimWiring::kUsbCard};
  MonitorWidget monitor(*sim.session);
  monitor.PrepareAtLoad();  // Loop ticked
  const auto control = [&monitor](const char* name) {
    return test::Control<QWidget>(&monitor, QString::fromLatin1(name));
  };
  auto* elapsed = static_cast<QLabel*>(control("lblPDElapsed"));
  static_cast<QLineEdit*>(control("txtPowerDown"))->setText("2");

  QStringList after_passes;
  QObject::connect(monitor.OutputRegisters(), &OutputRegistersWidget::StatusReadDue,
                   [&] { after_passes << elapsed->text(); });
  const int base = sim.events.calls;
  sim.events.on_events = [&] {
    sim.Advance(0.5);
    const int yield = sim.events.calls - base;
    if (yield == 1) static_cast<QAbstractButton*>(control("cmdReadData"))->click();  // Read
    if (yield == 6) static_cast<QAbstractButton*>(control("cmdReadData"))->click();  // STOP
  };
  static_cast<QAbstractButton*>(control("cmdPowerDown"))->click();

  // The Read click's own yield and the loop's first three passes: 1.5 s, 2 s, then the end.
  ASSERT_GE(after_passes.size(), 3);
  EXPECT_EQ(after_passes.mid(0, 3), (QStringList{"1.5", "2.0", "2.0"}));
  for (const QString& shown : after_passes) EXPECT_LE(shown.toDouble(), 2.0);
  EXPECT_EQ(elapsed->text(), "2.0");
  EXPECT_FALSE(monitor.LoopRunning());
}

}  // namespace
}  // namespace talvix::monitor
