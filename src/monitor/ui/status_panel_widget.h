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
  void CmdUpdateStatus_Click();
  // COMMAND 0x0010, then Read Status.
  void cmdClearAlarm_Click();

  // Shows a STATUS word on the seven flags.
  void ShowStatus(int32_t status);

 signals:
  // Every status read, after the flags show it.
  void StatusRead(int32_t status);

 private:
  void ConnectControls();

  Session& session_;
  QPushButton* CmdUpdateStatus_;
  QPushButton* cmdClearAlarm_;
  std::array<QLabel*, kStatusFlags.size()> captions_{};
  std::array<QLabel*, kStatusFlags.size()> flags_{};
};

}  // namespace talvix::monitor
