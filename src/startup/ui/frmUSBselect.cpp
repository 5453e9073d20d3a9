// SPDX-License-Identifier: MIT
#include "startup/ui/frmUSBselect.h"

#include "common/ui/window_placement.h"
#include "link/card_selection.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace talvix::startup {

namespace {

QLineEdit* MakeCell(const QString& name, int width, QWidget* parent) {
  auto* cell = new QLineEdit(parent);
  cell->setObjectName(name);
  cell->setReadOnly(true);
  cell->setMinimumWidth(width);
  return cell;
}

}  // namespace

frmUSBselect::frmUSBselect(Session& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      optUsbPort_(new QButtonGroup(this)),
      cmdFindEzUsb_(new QPushButton(QStringLiteral("&Search"), this)),
      cmdDebugUsb_(new QPushButton(QStringLiteral("&Debug"), this)),
      cmdExit_(new QPushButton(QStringLiteral("&OK"), this)) {
  setObjectName(QStringLiteral("frmUSBselect"));
  setWindowTitle(QStringLiteral("USB SPI Card Selection"));
  setModal(true);

  auto* frame = new QGroupBox(QStringLiteral("Buffer Select"), this);
  frame->setObjectName(QStringLiteral("frameBufferSetup"));
  auto* grid = new QGridLayout(frame);
  grid->addWidget(new QLabel(QStringLiteral("Descriptor0"), frame), 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Rev"), frame), 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("Speed"), frame), 0, 3);
  for (int i = 0; i <= kCards; ++i) {
    const QString caption =
        i == kNoneIndex ? QStringLiteral("None") : QStringLiteral("EzUsb%1").arg(i);
    options_[i] = new QRadioButton(caption, frame);
    options_[i]->setObjectName(QStringLiteral("optUsbPort%1").arg(i));
    optUsbPort_->addButton(options_[i], i);
    grid->addWidget(options_[i], i + 1, 0);
    if (i == kNoneIndex) continue;
    txtDescript0_[i] = MakeCell(QStringLiteral("txtDescript0%1").arg(i), 140, frame);
    txtDriverRev_[i] = MakeCell(QStringLiteral("txtDriverRev%1").arg(i), 40, frame);
    txtSpeed_[i] = MakeCell(QStringLiteral("txtSpeed%1").arg(i), 40, frame);
    grid->addWidget(txtDescript0_[i], i + 1, 1);
    grid->addWidget(txtDriverRev_[i], i + 1, 2);
    grid->addWidget(txtSpeed_[i], i + 1, 3);
  }
  grid->setColumnStretch(1, 1);

  cmdFindEzUsb_->setObjectName(QStringLiteral("cmdFindEzUsb"));
  cmdFindEzUsb_->setToolTip(QStringLiteral("Look for USB SPI cards again"));
  cmdDebugUsb_->setObjectName(QStringLiteral("cmdDebugUsb"));
  cmdDebugUsb_->setToolTip(QStringLiteral("Exercise the card's SPI transfers by hand"));
  cmdExit_->setObjectName(QStringLiteral("cmdExit"));
  cmdExit_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdFindEzUsb_);
  buttons->addWidget(cmdDebugUsb_);
  buttons->addStretch(1);
  buttons->addWidget(cmdExit_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addLayout(buttons);
  ConnectControls();

  common::PlaceBesideMainWindow(this, parent);
}

void frmUSBselect::ConnectControls() {
  connect(cmdFindEzUsb_, &QPushButton::clicked, this, &frmUSBselect::cmdFindEzUsb_Click);
  connect(cmdDebugUsb_, &QPushButton::clicked, this, &frmUSBselect::DebugRequested);
  connect(cmdExit_, &QPushButton::clicked, this, &frmUSBselect::cmdExit_Click);
  // Only the user's clicks select a card; a search marks the current one without re-selecting.
  connect(optUsbPort_, &QButtonGroup::idClicked, this, &frmUSBselect::optUsbPort_Click);
}

void frmUSBselect::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  cmdFindEzUsb_Click();
}

void frmUSBselect::cmdFindEzUsb_Click() {
  for (int i = 0; i < kCards; ++i) {
    options_[i]->setEnabled(false);
    txtDescript0_[i]->clear();
    txtDriverRev_[i]->clear();
    txtSpeed_[i]->clear();
  }
  link::EzUsb& ezusb = session_.ezusb;
  ezusb.UsbSelectFirstCard();
  for (int i = 0; i < kCards; ++i) {
    const link::UsbCardRow row = link::CardRow(ezusb.UsbCards[i]);
    if (!row.selectable) continue;
    options_[i]->setEnabled(true);
    if (ezusb.UsbCardIndex == i) options_[i]->setChecked(true);
    txtDescript0_[i]->setText(row.descriptor0);
    txtDriverRev_[i]->setText(row.firmware);
    txtSpeed_[i]->setText(row.speed);
  }
  if (ezusb.UsbCardIndex == -1) options_[kNoneIndex]->setChecked(true);
}

void frmUSBselect::optUsbPort_Click(int index) {
  link::EzUsb& ezusb = session_.ezusb;
  if (index == kNoneIndex) {
    link::SelectNoCard(ezusb);
    // Without a card no loop may go on sending (the card setup window's transfer loop among them).
    session_.loops.StopAll();
    return;
  }
  link::SelectCard(session_.usb, index, link::CardSettingsOrder::kDelayThenBits);
}

void frmUSBselect::cmdExit_Click() {
  hide();
  accept();
}

}  // namespace talvix::startup
