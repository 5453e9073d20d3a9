// SPDX-License-Identifier: MIT
// The "Self Test" frame: ON and OFF switch MISC_CTRL bit 8. Neither is chosen until the user
// clicks one; the program does not read the state back.
#pragma once

#include "session/session.h"

#include <QGroupBox>

class QLabel;
class QRadioButton;

namespace talvix::monitor {

class SelfTestWidget : public QGroupBox {
  Q_OBJECT

 public:
  explicit SelfTestWidget(Session& session, QWidget* parent = nullptr);

  void optSTON_Click();
  void optSTOFF_Click();

 signals:
  // A click that could not act without an interface: `action` is the control's caption, for the
  // line under the Read button that says why.
  void Refused(const QString& action);

 private:
  void ConnectControls();

  Session& session_;
  QLabel* Label22_;
  QRadioButton* optSTON_;
  QRadioButton* optSTOFF_;
};

}  // namespace talvix::monitor
