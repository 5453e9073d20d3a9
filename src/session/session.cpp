// SPDX-License-Identifier: MIT
#include "session/session.h"

#include "common/data_folder.h"
#include "common/message_titles.h"

namespace talvix {

namespace {
std::unique_ptr<link::Delay> DelayOrDefault(std::unique_ptr<link::Delay> delay,
                                            platform::Clock& clock) {
  return delay ? std::move(delay) : std::make_unique<link::Delay>(clock);
}
}  // namespace

Session::Session(Platform platform)
    : delay(DelayOrDefault(std::move(platform.delay), platform.clock)),
      ezusb(platform.usb, platform.notifier, std::move(platform.usb_card_ids)),
      usb(ezusb),
      link(table, *delay, usb),
      clock_(platform.clock),
      notifier_(platform.notifier),
      events_(platform.events),
      open_port_(std::move(platform.open_port)),
      end_program_(std::move(platform.end_program)) {
  table.BuildRegisterTable();
  link.on_port_failure = [this] { ParallelPortFailed(); };
}

void Session::ParallelPortFailed() {
  const int16_t address = opened_port_address_;
  CloseParallelPort();
  notifier_.Message(
      QStringLiteral("The parallel port at %1 stopped answering: a read or write of its registers "
                     "failed. Check the port, then set it up again with Interface > Parallel.")
          .arg(QString::number(static_cast<uint16_t>(address), 16).toUpper()),
      common::ErrorTitle());
}

void Session::EndProgram(int exit_status) {
  if (end_program_) end_program_(exit_status);
}

void Session::CloseParallelPort() {
  link.lpt.SetPort(nullptr);
  port_.reset();
  opened_port_address_ = 0;
  startup.PortDriverReady = false;
}

bool Session::OpenParallelPort(QString& error) {
  CloseParallelPort();
  if (!open_port_) {
    error = QStringLiteral("No parallel port access is available in this build.");
    return false;
  }
  port_ = open_port_(static_cast<uint16_t>(link.PortAddress), error);
  opened_port_address_ = port_ ? link.PortAddress : int16_t{0};
  link.lpt.SetPort(port_.get());
  return port_ != nullptr;
}

QString Session::DataFolder() const {
  return data_folder.isEmpty() ? common::DataFolder() : data_folder;
}

}  // namespace talvix
