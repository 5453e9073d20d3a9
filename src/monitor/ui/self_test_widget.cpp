// SPDX-License-Identifier: MIT
#include "monitor/ui/self_test_widget.h"

#include "monitor/self_test.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>

namespace talvix::monitor {

SelfTestWidget::SelfTestWidget(Session& session, QWidget* parent)
    : QGroupBox(QStringLiteral("Self Test"), parent),
      session_(session),
      Label22_(new QLabel(QStringLiteral("Self-Test"), this)),
      optSTON_(new QRadioButton(QStringLiteral("ON"), this)),
      optSTOFF_(new QRadioButton(QStringLiteral("OFF"), this)) {
  setObjectName(QStringLiteral("frameSelfTest"));
  Label22_->setObjectName(QStringLiteral("Label22"));
  optSTON_->setObjectName(QStringLiteral("optSTON"));
  optSTOFF_->setObjectName(QStringLiteral("optSTOFF"));

  auto* row = new QHBoxLayout(this);
  row->addWidget(Label22_);
  row->addWidget(optSTON_);
  row->addWidget(optSTOFF_);
  row->addStretch(1);
  ConnectControls();
}

void SelfTestWidget::ConnectControls() {
  connect(optSTON_, &QRadioButton::clicked, this, &SelfTestWidget::optSTON_Click);
  connect(optSTOFF_, &QRadioButton::clicked, this, &SelfTestWidget::optSTOFF_Click);
}

void SelfTestWidget::optSTON_Click() {
  if (session_.link.InterfaceType == link::kInterfaceNone) {
    emit Refused(QStringLiteral("Self Test ON"));
    return;
  }
  SetSelfTest(session_.link, true);
}

void SelfTestWidget::optSTOFF_Click() {
  if (session_.link.InterfaceType == link::kInterfaceNone) {
    emit Refused(QStringLiteral("Self Test OFF"));
    return;
  }
  SetSelfTest(session_.link, false);
}

}  // namespace talvix::monitor
