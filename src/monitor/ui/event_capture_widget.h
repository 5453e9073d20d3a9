// SPDX-License-Identifier: MIT
// The "Event Capture" frame: Arm (which toggles), Config, the Capt_0 / Capt_1 display buttons and
// the Ready / Trig'd indicators. Ready green is the program's record that capture is armed; a
// status read that then shows the chosen trigger's alarm bit marks the capture triggered and
// takes the CAPT_CFG and SMPL_PRD snapshots the capture read-out scales with.
#pragma once

#include "session/session.h"

#include <QGroupBox>

#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace talvix::monitor {

class EventCaptureWidget : public QGroupBox {
  Q_OBJECT

 public:
  explicit EventCaptureWidget(Session& session, QWidget* parent = nullptr);

  // Disarms when ALM_CTRL has a trigger source set; otherwise arms with CaptTrigSelect, or says
  // that no trigger source is chosen.
  void cmdCapArm_Click();
  // Asks for the capture configuration window, unless capture is armed.
  void cmdCaptConfig_Click();
  // Ask for the read-out of buffer 0 / 1 into its display window, unless capture is armed (the
  // sensor is refilling the buffers).
  void cmdDisplayCapt0_Click();
  void cmdDisplayCapt1_Click();

  // After every status read (connected to StatusPanelWidget::StatusRead).
  void OnStatusRead(int32_t status);

  bool Armed() const { return session_.capture.Armed; }

 signals:
  void StatusUpdateRequested();
  void CaptureConfigRequested();
  void CaptureDisplayRequested(int buffer);
  // A click that could not act without an interface: `action` is the button's caption, for the
  // line under the Read button that says why.
  void Refused(const QString& action);

 private:
  void ConnectControls();
  // Config, Capt_0 and Capt_1 act only with an interface and while capture is not armed; the
  // message says why not while armed.
  bool MayUseCapture(const QPushButton* button, const QString& armed_message);
  // The Ready indicator follows the session's record of arming.
  void ShowArmed();
  void SetTriggered(bool triggered);

  Session& session_;
  QPushButton* cmdCapArm_;
  QPushButton* cmdCaptConfig_;
  QLabel* Label6_;
  QPushButton* cmdDisplayCapt0_;
  QPushButton* cmdDisplayCapt1_;
  QLabel* lblCapReady_;
  QLabel* lblCapTrig_;
  QLineEdit* txtCapIndex_;
};

}  // namespace talvix::monitor
