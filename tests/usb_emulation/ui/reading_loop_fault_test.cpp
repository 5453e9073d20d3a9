// The main window's reading loop on the real USB path (libusb, usbfs and an emulated card), with
// the card failing part-way: the loop stops at the pass the fault strikes, after one message, and
// neither the boxes nor the chart take a value that was not read.
#include "link/delay.h"
#include "monitor/output_rows.h"
#include "monitor/ui/data_plot_widget.h"
#include "monitor/ui/monitor_widget.h"
#include "monitor/ui/output_registers_widget.h"
#include "monitor/ui/strip_chart_widget.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/libusb_driver.h"
#include "platform/notifier.h"
#include "platform/usb_ids.h"
#include "session/session.h"
#include "sim/sim_sensor.h"
#include "sim/sim_usb_driver.h"
#include "startup/port_access.h"
#include "usb_emulator/card_list.h"
#include "usb_emulator/fault_plan.h"
#include "usb_emulator/usb_card_emulator.h"

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

  platform::ManualClock clock_;
  sim::SimSensor sensor_{clock_, 5};
  sim::SimUsbDriver cards_{[this](uint16_t sent) { return sensor_.Transfer(sent); }};
  platform::RecordingNotifier notifier_;
  platform::CallbackEventPump events_;
  std::unique_ptr<UsbCardEmulator> emulator_;
  std::unique_ptr<platform::LibUsbDriver> libusb_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<monitor::MonitorWidget> monitor_;
};

TEST_P(ReadingLoopFaultTest, LoopStopsAtTheFaultWithOneMessageAndNoInventedValues) {
  EmulatedDevice card;
  card.setup.product_id = platform::kPellowProductId;
  QString error;
  emulator_ = UsbCardEmulator::Start(cards_, {card}, error);
  ASSERT_NE(emulator_, nullptr) << error.toStdString();
  // Bringing the card up takes 4 bulk transfers, each register read 2: a reading pass (nine rows
  // and the status) takes 20, so the fault strikes in the third pass.
  emulator_->PlanFault(FaultPlan{GetParam(), 50});
  libusb_ = std::make_unique<platform::LibUsbDriver>();
  auto delay = std::make_unique<link::RecordingDelay>(clock_);
  session_ = std::make_unique<Session>(
      Platform{clock_, notifier_, events_, *libusb_, nullptr, std::move(delay)});
  ASSERT_TRUE(startup::BringUpUsbCard(*session_)) << notifier_.texts.join(u'|').toStdString();
  session_->link.InterfaceType = link::kInterfaceUsb;
  monitor_ = std::make_unique<monitor::MonitorWidget>(*session_);

  int passes = 0;
  QStringList shown_before_fault;
  QObject::connect(monitor_->OutputRegisters(), &monitor::OutputRegistersWidget::SamplesRead, [&] {
    ++passes;
    shown_before_fault = Boxes();
  });
  monitor_->findChild<QAbstractButton*>(QStringLiteral("ckLoop"))->click();
  monitor_->findChild<QAbstractButton*>(QStringLiteral("cmdReadData"))->click();

  EXPECT_FALSE(monitor_->LoopRunning());
  EXPECT_EQ(notifier_.texts.size(), 1) << notifier_.texts.join(u'|').toStdString();
  EXPECT_EQ(passes, 2);
  EXPECT_EQ(monitor_->DataPlot()->Chart()->Chart().X(), 2);
  EXPECT_EQ(Boxes(), shown_before_fault);
  EXPECT_FALSE(session_->usb.CardReady());
}

INSTANTIATE_TEST_SUITE_P(Faults, ReadingLoopFaultTest,
                         ::testing::Values(FaultKind::kUnplug, FaultKind::kHang, FaultKind::kStall),
                         [](const ::testing::TestParamInfo<FaultKind>& info) {
                           return FaultName(info.param).toStdString();
                         });

}  // namespace
}  // namespace talvix::usb_emulator
