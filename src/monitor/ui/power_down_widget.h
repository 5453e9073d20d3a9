// SPDX-License-Identifier: MIT
// The "Powerdown" frame: the sleep time in seconds (0 to 127.5 in half-second steps), Run, and
// the elapsed time counted while the sensor sleeps. The count yields to the window system on
// every round, so the rest of the window keeps working during it.
#pragma once

#include "session/cooperative_loop.h"
#include "session/session.h"

#include <QGroupBox>

#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace talvix::monitor {

class PowerDownWidget : public QGroupBox {
  Q_OBJECT

 public:
  explicit PowerDownWidget(Session& session, QWidget* parent = nullptr);

  // Corrects the time box when editing it is finished and before Run.
  void txtPowerDown_Change();
  // SLP_CNT = whole half-seconds of the time, then the count, then 200 ms.
  void cmdPowerDown_Click();

  // The load step: time "0", elapsed "0.0".
  void PrepareAtLoad();
  // Ends a running count at its next yield, without the closing pause.
  void StopLoops() { count_loop_.Abort(); }

  // Shows the elapsed time of a running count from the clock; nothing when none runs. The count
  // shows it itself on every round, but a Read loop started during the count runs inside the
  // count's yield and holds it there until it stops: each of its passes calls this, so the label
  // keeps counting, up to the end of the count.
  void ShowElapsed();

 signals:
  // A click that could not act without an interface: `action` is the control's caption, for the
  // line under the Read button that says why.
  void Refused(const QString& action);

 private:
  void ConnectControls();
  void ShowElapsedSeconds(double elapsed);

  Session& session_;
  QLabel* Label13_;
  QLineEdit* txtPowerDown_;
  QLabel* Label21_;
  QPushButton* cmdPowerDown_;
  QLabel* Label14_;
  QLabel* lblPDElapsed_;
  QLabel* Label12_;
  // The running count: its start on the monotonic clock and its length, in seconds.
  bool counting_ = false;
  double count_start_ = 0.0;
  double count_seconds_ = 0.0;
  // The count; registered with the session so that the exit path can stop it.
  CooperativeLoop count_loop_;
};

}  // namespace talvix::monitor
