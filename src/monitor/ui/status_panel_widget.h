// SPDX-License-Identifier: MIT
// The "Status Register" frame: seven STATUS flags, each "OK" on green or "Alarm" on red, the Read
// Status button (also run after every reading pass, by Arm and at load) and Clear.
#pragma once

#include "monitor/status_flags.h"
#include "session/session.h"

#include <QGroupBox>

#include <array>
#include <cstdint>

class QLabel;
class QPushButton;

namespace talvix::monitor {

class StatusPanelWidget : public QGroupBox {
  Q_OBJECT

 public:
  explicit StatusPanelWidget(Session& session, QWidget* parent = nullptr);

  // Read Status: ReadReg(STATUS), then the flags, then StatusRead for the capture indicators.
  // Without an interface nothing is sent and nothing changes but the line that says why; a read
  // that got nothing from the sensor turns the flags neutral and raises no StatusRead.
  void CmdUpdateStatus_Click();
  // COMMAND 0x0010, then Read Status; nothing without an interface.
  void cmdClearAlarm_Click();

  // Shows a STATUS word on the seven flags.
  void ShowStatus(int32_t status);
  // Every flag neutral, without text: the flags are not known.
  void ShowUnknown();

 signals:
  // Every status word read from the sensor, after the flags show it.
  void StatusRead(int32_t status);
  // A click that could not act without an interface: `action` is the button's caption, for the
  // line under the Read button that says why.
  void Refused(const QString& action);

 private:
  void ConnectControls();

  Session& session_;
  QPushButton* CmdUpdateStatus_;
  QPushButton* cmdClearAlarm_;
  std::array<QLabel*, kStatusFlags.size()> captions_{};
  std::array<QLabel*, kStatusFlags.size()> flags_{};
};

}  // namespace talvix::monitor
