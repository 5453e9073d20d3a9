// SPDX-License-Identifier: MIT
#include "startup/ui/frmPort.h"

#include "common/hex_text.h"
#include "common/number_text.h"
#include "common/ui/window_placement.h"
#include "startup/port_access.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace talvix::startup {

frmPort::frmPort(Session& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      lblPrompt_(new QLabel(QStringLiteral("Select the Parallel Port Address"), this)),
      Label1_(new QLabel(QStringLiteral("Port Address (Hex)"), this)),
      txtUser_(new QLineEdit(this)),
      cmdOK_(new QPushButton(QStringLiteral("&OK"), this)),
      cmdCancel_(new QPushButton(QStringLiteral("&Cancel"), this)) {
  setObjectName(QStringLiteral("frmPort"));
  setWindowTitle(QStringLiteral("Parallel Port Setup"));
  setModal(true);
  Label1_->setObjectName(QStringLiteral("Label1"));
  txtUser_->setObjectName(QStringLiteral("txtUser"));
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));

  // Up to four hexadecimal digits; the conversion would ignore anything else anyway.
  txtUser_->setMaxLength(4);
  txtUser_->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,4}")), txtUser_));
  txtUser_->setToolTip(QStringLiteral("Base address of the parallel port, for example 378"));
  cmdOK_->setDefault(true);
  Label1_->setBuddy(txtUser_);

  auto* layout = new QGridLayout(this);
  layout->addWidget(lblPrompt_, 0, 0, 1, 2);
  layout->addWidget(Label1_, 1, 0);
  layout->addWidget(txtUser_, 1, 1);
  layout->addWidget(cmdOK_, 2, 0);
  layout->addWidget(cmdCancel_, 2, 1);
  ConnectControls();

  common::PlaceBesideMainWindow(this, parent);
}

void frmPort::ConnectControls() {
  connect(cmdOK_, &QPushButton::clicked, this, &frmPort::cmdOK_Click);
  connect(cmdCancel_, &QPushButton::clicked, this, &frmPort::cmdCancel_Click);
}

void frmPort::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Form_Activate();
}

void frmPort::Form_Activate() {
  txtUser_->setText(common::HexText(session_.link.PortAddress & 0xFFFF));
  txtUser_->selectAll();
  txtUser_->setFocus();
}

void frmPort::cmdOK_Click() {
  if (txtUser_->text().isEmpty()) return;
  session_.link.PortAddress = common::HexToInt(txtUser_->text());
  txtUser_->setText(common::HexText(session_.link.PortAddress & 0xFFFF));
  session_.link.InterfaceType = link::kInterfaceParallel;
  if (IsNtFamily(session_.startup.OsName)) BringUpParallelPort(session_);
  hide();
  accept();
}

void frmPort::cmdCancel_Click() {
  hide();
  reject();
}

}  // namespace talvix::startup
