// SPDX-License-Identifier: MIT
// The main window's reading loop and power-down count on the simulated sensor when the link
// fails: one message, nothing shown that was not read, and the next try after the user's remedy
// works.
#include "monitor/output_rows.h"
#include "monitor/status_flags.h"
#include "monitor/ui/data_plot_widget.h"
#include "monitor/ui/monitor_widget.h"
#include "monitor/ui/output_registers_widget.h"
#include "monitor/ui/strip_chart_widget.h"
#include "support/link_faults.h"
#include "support/ui/window_probe.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace talvix::monitor {
namespace {

using test::LinkFault;

QStringList Boxes(const MonitorWidget& monitor) {
  QStringList texts;
  for (int row = 1; row <= kRowCount; ++row) {
    texts << test::Control<QLineEdit>(&monitor, QStringLiteral("txtReadReg%1").arg(row))->text();
  }
  return texts;
}

int ChartX(const MonitorWidget& monitor) {
  return monitor.DataPlot()->Chart()->Chart().X();
}

// All ones is an answer the link cannot tell from data: the loop goes on, shows no value and no
// chart point while it lasts, says why under the Read button without a message box, and shows
// values again once the sensor answers.
TEST(ReadingLoopAllOnesTest, ShowsNoValueWhileSilentAndGoesOnWhenTheSensorAnswers) {
  test::SimSession sim(1, test::SimWiring::kUsbCard);
  MonitorWidget monitor(*sim.session);
  auto* read = test::Control<QAbstractButton>(&monitor, QStringLiteral("cmdReadData"));
  test::Control<QAbstractButton>(&monitor, QStringLiteral("ckLoop"))->click();
  int x_at_silence = -1;
  QStringList silent_boxes;
  QString silent_reason;
  // Yields: 1 the click's, then one in each pass between its reads of the rows and its status
  // read. Silent from pass 2's status read to pass 5's rows.
  sim.events.on_events = [&] {
    switch (sim.events.calls) {
      case 3:
        sim.sensor.SetAnswering(false);
        break;
      case 4:
        x_at_silence = ChartX(monitor);
        break;
      case 6:
        silent_boxes = Boxes(monitor);
        silent_reason = test::Control<QLabel>(&monitor, QStringLiteral("lblReadProblem"))->text();
        EXPECT_EQ(ChartX(monitor), x_at_silence);
        sim.sensor.SetAnswering(true);
        break;
      case 8:
        read->click();  // STOP: one more pass
        break;
      default:
        break;
    }
  };
  read->click();

  EXPECT_FALSE(monitor.LoopRunning());
  EXPECT_TRUE(sim.notifier.texts.isEmpty()) << sim.notifier.texts.join(u'|').toStdString();
  EXPECT_EQ(silent_boxes, QStringList(kRowCount, QString()));
  EXPECT_EQ(silent_reason, "The sensor does not answer: asleep or not connected.");
  EXPECT_GT(ChartX(monitor), x_at_silence);
  for (const QString& box : Boxes(monitor)) EXPECT_FALSE(box.isEmpty());
}

class PowerDownFaultTest : public ::testing::TestWithParam<LinkFault> {
 protected:
  PowerDownFaultTest() : sim(1, test::WiringFor(GetParam())), monitor(*sim.session) {
    monitor.PrepareAtLoad();
    sim.notifier.texts.clear();
    sim.events.on_events = [this] { sim.Advance(0.5); };
    test::Control<QLineEdit>(&monitor, QStringLiteral("txtPowerDown"))->setText("1");
  }
  void Run() { test::Control<QAbstractButton>(&monitor, QStringLiteral("cmdPowerDown"))->click(); }
  QString Elapsed() const {
    return test::Control<QLabel>(&monitor, QStringLiteral("lblPDElapsed"))->text();
  }

  test::SimSession sim;
  MonitorWidget monitor;
};

// A sleep command that did not reach the sensor counts no sleep; the link's one message says why.
// A silent sensor takes the write (no answer is expected of one), so the count runs on the
// program's own clock, without a message.
TEST_P(PowerDownFaultTest, FailedSleepCommandCountsNothingAndSaysSoOnce) {
  test::Inject(sim, GetParam());
  Run();
  if (test::LinkReports(GetParam())) {
    EXPECT_EQ(sim.notifier.texts.size(), 1) << sim.notifier.texts.join(u'|').toStdString();
    EXPECT_EQ(Elapsed(), "0.0");
  } else {
    EXPECT_TRUE(sim.notifier.texts.isEmpty());
    EXPECT_EQ(Elapsed(), "1.0");  // the end of the count
  }

  ASSERT_TRUE(test::Recover(sim, GetParam()));
  sim.notifier.texts.clear();
  test::Control<QLineEdit>(&monitor, QStringLiteral("txtPowerDown"))->setText("1.5");
  Run();
  EXPECT_TRUE(sim.notifier.texts.isEmpty()) << sim.notifier.texts.join(u'|').toStdString();
  EXPECT_EQ(Elapsed(), "1.5");
}

INSTANTIATE_TEST_SUITE_P(Faults, PowerDownFaultTest, test::kAllLinkFaults, test::LinkFaultName);

}  // namespace
}  // namespace talvix::monitor
