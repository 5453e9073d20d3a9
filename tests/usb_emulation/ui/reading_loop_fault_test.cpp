// SPDX-License-Identifier: MIT
// The main window's reading loop on the real USB path (libusb, usbfs and an emulated card), with
// the card failing part-way: the loop stops at the pass the fault strikes, after one message, and
// neither the boxes nor the chart take a value that was not read.
#include "emulated_card_session.h"
#include "monitor/output_rows.h"
#include "monitor/ui/data_plot_widget.h"
#include "monitor/ui/monitor_widget.h"
#include "monitor/ui/output_registers_widget.h"
#include "monitor/ui/strip_chart_widget.h"
#include "startup/port_access.h"
#include "usb_emulator/fault_plan.h"

#include <QAbstractButton>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>

namespace talvix::usb_emulator {
namespace {

class ReadingLoopFaultTest : public ::testing::TestWithParam<FaultKind> {
 protected:
  QStringList Boxes() const {
    QStringList texts;
    for (int row = 1; row <= monitor::kRowCount; ++row) {
      texts << monitor_->findChild<QLineEdit*>(QStringLiteral("txtReadReg%1").arg(row))->text();
    }
    return texts;
  }

  EmulatedCardSession rig_;
  std::unique_ptr<monitor::MonitorWidget> monitor_;
};

TEST_P(ReadingLoopFaultTest, LoopStopsAtTheFaultWithOneMessageAndNoInventedValues) {
  QString error;
  ASSERT_TRUE(rig_.Start(error)) << error.toStdString();
  // Bringing the card up takes 4 bulk transfers, each register read 2: a reading pass (nine rows
  // and the status) takes 20, so the fault strikes in the third pass.
  rig_.emulator->PlanFault(FaultPlan{GetParam(), 50});
  ASSERT_TRUE(startup::BringUpUsbCard(*rig_.session))
      << rig_.notifier.texts.join(u'|').toStdString();
  rig_.session->link.InterfaceType = link::kInterfaceUsb;
  monitor_ = std::make_unique<monitor::MonitorWidget>(*rig_.session);

  int passes = 0;
  QStringList shown_before_fault;
  QObject::connect(monitor_->OutputRegisters(), &monitor::OutputRegistersWidget::SamplesRead, [&] {
    ++passes;
    shown_before_fault = Boxes();
  });
  monitor_->findChild<QAbstractButton*>(QStringLiteral("ckLoop"))->click();
  monitor_->findChild<QAbstractButton*>(QStringLiteral("cmdReadData"))->click();

  EXPECT_FALSE(monitor_->LoopRunning());
  EXPECT_EQ(rig_.notifier.texts.size(), 1) << rig_.notifier.texts.join(u'|').toStdString();
  EXPECT_EQ(passes, 2);
  EXPECT_EQ(monitor_->DataPlot()->Chart()->Chart().X(), 2);
  EXPECT_EQ(Boxes(), shown_before_fault);
  EXPECT_FALSE(rig_.session->usb.CardReady());
}

INSTANTIATE_TEST_SUITE_P(Faults, ReadingLoopFaultTest,
                         ::testing::Values(FaultKind::kUnplug, FaultKind::kHang, FaultKind::kStall),
                         [](const ::testing::TestParamInfo<FaultKind>& info) {
                           return FaultName(info.param).toStdString();
                         });

}  // namespace
}  // namespace talvix::usb_emulator
