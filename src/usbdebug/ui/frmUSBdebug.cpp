// SPDX-License-Identifier: MIT
#include "usbdebug/ui/frmUSBdebug.h"

#include "common/message_titles.h"
#include "common/number_text.h"
#include "common/ui/mnemonic_text.h"
#include "common/ui/named_widgets.h"
#include "common/ui/window_placement.h"
#include "link/card_selection.h"
#include "usbdebug/transfer_words.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <vector>

namespace talvix::usbdebug {

namespace {

using common::MakeLabel;
using common::Named;

constexpr int kWordsPerColumn = 8;  // the sixteen word rows stand in two columns of eight

QLineEdit* MakeCell(const QString& name, int width, QWidget* parent) {
  auto* cell = Named(new QLineEdit(parent), name);
  cell->setReadOnly(true);
  cell->setFocusPolicy(Qt::ClickFocus);
  cell->setFixedWidth(width);
  return cell;
}

// Buttons of this window never act on Enter typed in a box: Enter in the delay box sets the delay,
// and nothing else.
QPushButton* MakeButton(const QString& caption, const char* name, const QString& tip,
                        QWidget* parent) {
  auto* button = Named(new QPushButton(caption, parent), name);
  button->setAutoDefault(false);
  button->setToolTip(tip);
  return button;
}

QString PleaseSelectABuffer() {
  return QStringLiteral("Please Select a Buffer first");
}

// The captions that change with the state, each with its mnemonic.
QString PolarityCaption(bool positive) {
  return positive ? QStringLiteral("&Pos") : QStringLiteral("&Neg");
}
QString LoopCaption(bool running) {
  return running ? QStringLiteral("S&top") : QStringLiteral("&Loop");
}

}  // namespace

frmUSBdebug::frmUSBdebug(Session& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      card_(session.usb),
      loop_(session.loops, session.events(), [this] { ShowLoopRunning(false); }),
      optUsbPort_(new QButtonGroup(this)),
      optSpiChan_(new QButtonGroup(this)) {
  setObjectName(QStringLiteral("frmUSBdebug"));
  setWindowTitle(QStringLiteral("USB SPI Card Setup"));
  setModal(true);

  auto* note = MakeLabel(
      QStringLiteral("The channel, polarity and static bits set here stay in force for the main "
                     "window's reads."),
      "lblSettingsNote", this);
  note->setWordWrap(true);
  cmdExit_ = MakeButton(QStringLiteral("&OK"), "cmdExit",
                        QStringLiteral("Stop any loop and close this window"), this);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(note, 1);
  bottom->addWidget(cmdExit_, 0, Qt::AlignBottom);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeBufferFrame());
  layout->addWidget(MakeSetupFrame());
  layout->addWidget(MakeManualFrame());
  layout->addLayout(bottom);
  ConnectControls();

  // No card is chosen until the window searches.
  frameSPIsetup_->setEnabled(false);
  frameManual_->setEnabled(false);
  common::PlaceBesideMainWindow(this, parent);
}

QGroupBox* frmUSBdebug::MakeBufferFrame() {
  auto* frame = Named(new QGroupBox(QStringLiteral("Buffer Select"), this), "frameBufferSetup");
  auto* grid = new QGridLayout(frame);
  const QStringList columns = {QStringLiteral("Device"), QStringLiteral("Descriptor0"),
                               QStringLiteral("Descriptor1"), QStringLiteral("Rev"),
                               QStringLiteral("Speed")};
  for (int c = 0; c < columns.size(); ++c) grid->addWidget(new QLabel(columns[c], frame), 0, c + 1);
  for (int i = 0; i <= kCards; ++i) {
    const QString caption =
        i == kNoneIndex ? QStringLiteral("None") : QStringLiteral("EzUsb%1").arg(i);
    options_[i] = Named(new QRadioButton(caption, frame), QStringLiteral("optUsbPort%1").arg(i));
    optUsbPort_->addButton(options_[i], i);
    grid->addWidget(options_[i], i + 1, 0);
    if (i == kNoneIndex) continue;
    options_[i]->setEnabled(false);
    txtUsbPort_[i] = MakeCell(QStringLiteral("txtUsbPort%1").arg(i), 110, frame);
    txtDescript0_[i] = MakeCell(QStringLiteral("txtDescript0%1").arg(i), 130, frame);
    txtDescript1_[i] = MakeCell(QStringLiteral("txtDescript1%1").arg(i), 130, frame);
    txtDriverRev_[i] = MakeCell(QStringLiteral("txtDriverRev%1").arg(i), 50, frame);
    txtSpeed_[i] = MakeCell(QStringLiteral("txtSpeed%1").arg(i), 50, frame);
    int column = 1;
    for (QLineEdit* cell :
         {txtUsbPort_[i], txtDescript0_[i], txtDescript1_[i], txtDriverRev_[i], txtSpeed_[i]}) {
      grid->addWidget(cell, i + 1, column++);
    }
  }
  cmdFindEzUsb_ = MakeButton(QStringLiteral("&Search"), "cmdFindEzUsb",
                             QStringLiteral("Look for USB SPI cards again"), frame);
  grid->addWidget(cmdFindEzUsb_, kNoneIndex + 1, 4, 1, 2);
  grid->setColumnStretch(6, 1);
  return frame;
}

QGroupBox* frmUSBdebug::MakeSetupFrame() {
  frameSPIsetup_ = Named(new QGroupBox(QStringLiteral("SPI Setup"), this), "frameSPIsetup");

  auto* statics =
      Named(new QGroupBox(QStringLiteral("Static Bits"), frameSPIsetup_), "frameSpiStatic");
  auto* static_grid = new QGridLayout(statics);
  for (int i = 0; i < kStaticBoxes; ++i) {
    const int box = kFirstStaticBox + i;
    chkStaticBits_[i] = Named(new QCheckBox(QStringLiteral("CS%1").arg(box), statics),
                              QStringLiteral("chkStaticBits%1").arg(box));
    chkStaticBits_[i]->setToolTip(QStringLiteral("Chip-select line CS%1: bit 0x%2 of the static "
                                                 "bits")
                                      .arg(box)
                                      .arg(StaticBitOfBox(box), 2, 16, QLatin1Char('0')));
    static_grid->addWidget(chkStaticBits_[i], i / 2, i % 2);
  }
  cmdReadBits_ = MakeButton(QStringLiteral("&Read"), "cmdReadBits",
                            QStringLiteral("Read the card's static bits"), statics);
  cmdSetSpiBits_ =
      MakeButton(QStringLiteral("Set &Bits"), "cmdSetSpiBits",
                 QStringLiteral("Set the card's static bits to the ticked lines"), statics);
  static_grid->addWidget(cmdReadBits_, 2, 0);
  static_grid->addWidget(cmdSetSpiBits_, 2, 1);

  auto* channels =
      Named(new QGroupBox(QStringLiteral("Csel Channel"), frameSPIsetup_), "frameSpiChan");
  auto* channel_grid = new QGridLayout(channels);
  for (int k = 1; k <= kChannels; ++k) {
    channels_[k] = Named(new QRadioButton(QStringLiteral("Chan%1").arg(k), channels),
                         QStringLiteral("optSpiChan%1").arg(k));
    channels_[k]->setToolTip(QStringLiteral("Send the words on chip-select channel %1").arg(k));
    optSpiChan_->addButton(channels_[k], k);
    channel_grid->addWidget(channels_[k], (k - 1) / 2, (k - 1) % 2);
  }

  txtLoopDelay_ = Named(new QLineEdit(QStringLiteral("10"), frameSPIsetup_), "txtLoopDelay");
  txtLoopDelay_->setMaximumWidth(60);
  txtLoopDelay_->setToolTip(
      QStringLiteral("Microseconds between words, 1 to 255: press Enter to set it on the card"));
  cmdReadDelay_ = MakeButton(QStringLiteral("R&ead"), "cmdReadDelay",
                             QStringLiteral("Read the card's delay between words"), frameSPIsetup_);
  cmdPolarity_ = MakeButton(PolarityCaption(true), "cmdPolarity",
                            QStringLiteral("The edge the card reads the sensor's data on: click "
                                           "to switch between Pos and Neg"),
                            frameSPIsetup_);
  auto* timing = new QGridLayout;
  timing->addWidget(
      MakeLabel(QStringLiteral("Delay between words (uS)"), "lblLoopDelay", frameSPIsetup_), 0, 0,
      1, 2);
  timing->addWidget(txtLoopDelay_, 1, 0);
  timing->addWidget(cmdReadDelay_, 1, 1, Qt::AlignLeft);
  timing->addWidget(MakeLabel(QStringLiteral("Data Input Polarity"), "lblPolarity", frameSPIsetup_),
                    2, 0, 1, 2);
  timing->addWidget(cmdPolarity_, 3, 0);

  auto* layout = new QHBoxLayout(frameSPIsetup_);
  layout->addWidget(statics);
  layout->addWidget(channels);
  layout->addLayout(timing);
  layout->addStretch(1);
  return frameSPIsetup_;
}

QGroupBox* frmUSBdebug::MakeManualFrame() {
  frameManual_ = Named(new QGroupBox(QStringLiteral("Manual Setup"), this), "frameManual");
  txtNumWords_ = Named(new QLineEdit(QStringLiteral("1"), frameManual_), "txtNumWords");
  txtNumWords_->setMaximumWidth(60);
  txtNumWords_->setToolTip(QStringLiteral("How many of the words below to send, 1 to 16"));
  auto* count = new QHBoxLayout;
  count->addWidget(MakeLabel(QStringLiteral("# Words to Write"), "lblNumWords", frameManual_));
  count->addWidget(txtNumWords_);
  count->addStretch(1);

  auto* words = new QGridLayout;
  for (int column = 0; column < 2; ++column) {
    const int base = column * 4;
    words->addWidget(new QLabel(QStringLiteral("Write (hex)"), frameManual_), 0, base + 1);
    words->addWidget(new QLabel(QStringLiteral("Readback"), frameManual_), 0, base + 2);
  }
  words->setColumnMinimumWidth(3, 24);  // a gap between the two columns of words
  words->setColumnStretch(7, 1);
  for (int i = 1; i <= kWords; ++i) {
    const int row = 1 + (i - 1) % kWordsPerColumn;
    const int base = (i - 1) / kWordsPerColumn * 4;
    txtWriteSpi_[i] = Named(new QLineEdit(QStringLiteral("0"), frameManual_),
                            QStringLiteral("txtWriteSpi%1").arg(i));
    txtWriteSpi_[i]->setMaximumWidth(70);
    txtWriteSpi_[i]->setToolTip(QStringLiteral("Word %1 to send, in hexadecimal").arg(i));
    txtReadSpi_[i] = MakeCell(QStringLiteral("txtReadSpi%1").arg(i), 70, frameManual_);
    txtReadSpi_[i]->setToolTip(QStringLiteral("The word the sensor sent back while word %1 went "
                                              "out")
                                   .arg(i));
    words->addWidget(new QLabel(QString::number(i), frameManual_), row, base,
                     Qt::AlignRight | Qt::AlignVCenter);
    words->addWidget(txtWriteSpi_[i], row, base + 1);
    words->addWidget(txtReadSpi_[i], row, base + 2);
  }

  cmdWriteSpi_ =
      MakeButton(QStringLiteral("&Write"), "cmdWriteSpi",
                 QStringLiteral("Send the words once and show the answers"), frameManual_);
  cmdLoop_ = MakeButton(LoopCaption(false), "cmdLoop",
                        QStringLiteral("Send the words again and again until Stop"), frameManual_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdWriteSpi_);
  buttons->addWidget(cmdLoop_);
  buttons->addStretch(1);

  auto* layout = new QVBoxLayout(frameManual_);
  layout->addLayout(count);
  layout->addLayout(words);
  layout->addLayout(buttons);
  return frameManual_;
}

void frmUSBdebug::ConnectControls() {
  connect(cmdFindEzUsb_, &QPushButton::clicked, this, &frmUSBdebug::cmdFindEzUsb_Click);
  // Only the user's clicks run a choice; the window's own selections call the steps directly.
  connect(optUsbPort_, &QButtonGroup::idClicked, this, &frmUSBdebug::optUsbPort_Click);
  connect(optSpiChan_, &QButtonGroup::idClicked, this, &frmUSBdebug::optSpiChan_Click);
  connect(cmdReadBits_, &QPushButton::clicked, this, &frmUSBdebug::cmdReadBits_Click);
  connect(cmdSetSpiBits_, &QPushButton::clicked, this, &frmUSBdebug::cmdSetSpiBits_Click);
  connect(cmdReadDelay_, &QPushButton::clicked, this, &frmUSBdebug::cmdReadDelay_Click);
  connect(txtLoopDelay_, &QLineEdit::returnPressed, this, &frmUSBdebug::txtLoopDelay_Enter);
  // Enter in the word count or a word to send does what Write does.
  connect(txtNumWords_, &QLineEdit::returnPressed, cmdWriteSpi_, &QPushButton::click);
  for (int i = 1; i <= kWords; ++i) {
    connect(txtWriteSpi_[i], &QLineEdit::returnPressed, cmdWriteSpi_, &QPushButton::click);
  }
  connect(cmdPolarity_, &QPushButton::clicked, this, &frmUSBdebug::cmdPolarity_Click);
  connect(cmdWriteSpi_, &QPushButton::clicked, this, &frmUSBdebug::cmdWriteSpi_Click);
  connect(cmdLoop_, &QPushButton::clicked, this, &frmUSBdebug::cmdLoop_Click);
  connect(cmdExit_, &QPushButton::clicked, this, &frmUSBdebug::cmdExit_Click);
}

void frmUSBdebug::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window restored from the task bar is shown again by the window system: no new search.
  if (!event->spontaneous()) Form_Activate();
}

void frmUSBdebug::Form_Activate() {
  cmdFindEzUsb_Click();
  if (card_.SpiChan >= 1 && card_.SpiChan <= kChannels) channels_[card_.SpiChan]->setChecked(true);
  cmdPolarity_->setText(PolarityCaption(card_.SpiInPolarity));
}

void frmUSBdebug::cmdFindEzUsb_Click() {
  for (int i = 0; i < kCards; ++i) {
    txtUsbPort_[i]->setText(QStringLiteral("None"));
    options_[i]->setEnabled(false);
    for (QLineEdit* cell : {txtDescript0_[i], txtDescript1_[i], txtDriverRev_[i], txtSpeed_[i]}) {
      cell->clear();
    }
  }
  link::EzUsb& ezusb = session_.ezusb;
  ezusb.UsbSelectFirstCard();
  for (int i = 0; i < kCards; ++i) {
    const link::UsbCardRow row = link::CardRow(ezusb.UsbCards[i]);
    if (!row.selectable) continue;
    txtUsbPort_[i]->setText(row.device);
    txtDescript0_[i]->setText(row.descriptor0);
    txtDescript1_[i]->setText(row.descriptor1);
    txtDriverRev_[i]->setText(row.firmware);
    txtSpeed_[i]->setText(row.speed);
    options_[i]->setEnabled(true);
  }
  // The card the search made current is selected as a click would select it: its frames open and
  // it gets this window's settings.
  if (ezusb.UsbCardIndex >= 0 && ezusb.UsbCardIndex < kCards) {
    options_[ezusb.UsbCardIndex]->setChecked(true);
    optUsbPort_Click(ezusb.UsbCardIndex);
  } else {
    SelectNone();
  }
}

void frmUSBdebug::optUsbPort_Click(int index) {
  link::EzUsb& ezusb = session_.ezusb;
  if (index < 0 || index >= kCards) {
    frameSPIsetup_->setEnabled(false);
    frameManual_->setEnabled(false);
    link::SelectNoCard(ezusb);
    StopLoop();
    return;
  }
  frameSPIsetup_->setEnabled(true);
  frameManual_->setEnabled(true);
  if (const int channel = optSpiChan_->checkedId(); channel >= 1) {
    card_.SpiChan = static_cast<uint8_t>(channel);
  }
  // A card that failed has said so; it is not asked again.
  if (!link::SelectCard(card_, index, link::CardSettingsOrder::kBitsThenDelay)) {
    SelectNone();
    return;
  }
  cmdReadDelay_Click();
  if (card_.CardReady()) cmdReadBits_Click();
}

void frmUSBdebug::optSpiChan_Click(int channel) {
  card_.SpiChan = static_cast<uint8_t>(channel);
}

void frmUSBdebug::cmdReadBits_Click() {
  if (!CardReadyOrSay()) {
    ShowDelay();
    return;
  }
  card_.UsbSpiGetSetup();
  // Without an answer the boxes keep what they showed: they are no reading of the card.
  if (card_.CardReady()) ShowStaticBits();
  SelectNoneUnlessReady();
}

void frmUSBdebug::cmdSetSpiBits_Click() {
  if (!CardReadyOrSay()) {
    SelectNone();
    return;
  }
  StaticBoxes boxes{};
  for (int i = 0; i < kStaticBoxes; ++i) boxes[i] = chkStaticBits_[i]->isChecked();
  uint8_t bits = StaticBitsOfBoxes(boxes);
  card_.UsbSpiSetBits(bits);
  SelectNoneUnlessReady();
}

void frmUSBdebug::cmdReadDelay_Click() {
  if (CardReadyOrSay()) {
    card_.UsbSpiGetSetup();
    SelectNoneUnlessReady();
  }
  ShowDelay();
}

void frmUSBdebug::txtLoopDelay_Enter() {
  if (CardReadyOrSay()) {
    uint8_t delay = DelayEntry(txtLoopDelay_->text());
    card_.UsbSpiSetDelay(delay);
    SelectNoneUnlessReady();
  }
  ShowDelay();
}

void frmUSBdebug::cmdPolarity_Click() {
  const bool positive = common::WithoutMnemonic(cmdPolarity_->text()) != QLatin1String("Pos");
  card_.SpiInPolarity = positive;
  cmdPolarity_->setText(PolarityCaption(positive));
}

void frmUSBdebug::cmdWriteSpi_Click() {
  if (!CardReadyOrSay()) {
    SelectNone();
    return;
  }
  if (const std::optional<uint8_t> count = WordCountEntry(txtNumWords_->text())) {
    card_.SpiWordCount = *count;
  }
  // A count never set in this run (0) is the least one, as a typed 0 is.
  if (card_.SpiWordCount < 1) card_.SpiWordCount = 1;
  txtNumWords_->setText(QString::number(card_.SpiWordCount));
  std::vector<uint16_t> words;
  for (int i = 1; i <= kWords; ++i) {
    if (i <= card_.SpiWordCount) {
      words.push_back(WordOfWriteBox(txtWriteSpi_[i]->text()));
      txtWriteSpi_[i]->setText(common::HexText(words.back()));
    } else {
      txtWriteSpi_[i]->clear();
    }
    txtReadSpi_[i]->clear();
  }
  card_.LoadWords(words);
  TransferPass();
}

bool frmUSBdebug::TransferPass() {
  const std::optional<QStringList> readback = TransferWords(card_);
  if (!readback) {
    // The card has said what failed; the boxes keep what they showed, no answer came.
    SelectNone();
    return false;
  }
  ShowReadback(*readback);
  return true;
}

void frmUSBdebug::cmdLoop_Click() {
  if (loop_.Running()) {
    StopLoop();
    return;
  }
  CooperativeLoop::Run passes = loop_.Start();
  loop_.SetRunning(true);
  ShowLoopRunning(true);
  cmdWriteSpi_Click();
  while (passes.Continue()) {
    if (!TransferPass()) break;
    if (!passes.Yield()) return;  // aborted (OK, the exit path) or the window is gone
  }
  if (!passes.Alive()) return;
  // The outermost run puts the window back; a run started inside another's yield leaves that to it.
  if (loop_.Depth() == 1) {
    loop_.SetRunning(false);
    ShowLoopRunning(false);
  }
}

void frmUSBdebug::cmdExit_Click() {
  accept();
}

void frmUSBdebug::done(int result) {
  StopLoop();
  loop_.Abort();  // a pass under way ends at its yield, with no further transfer
  QDialog::done(result);
}

bool frmUSBdebug::CardReadyOrSay() {
  if (card_.CardReady()) return true;
  session_.notifier().Message(PleaseSelectABuffer(), common::MessageTitle());
  return false;
}

void frmUSBdebug::SelectNone() {
  options_[kNoneIndex]->setChecked(true);
  optUsbPort_Click(kNoneIndex);
}

void frmUSBdebug::SelectNoneUnlessReady() {
  if (!card_.CardReady()) SelectNone();
}

void frmUSBdebug::ShowDelay() {
  txtLoopDelay_->setText(QString::number(card_.SpiWordDelay));
}

void frmUSBdebug::ShowStaticBits() {
  const StaticBoxes boxes = BoxesOfStaticBits(card_.SpiStaticBits);
  for (int i = 0; i < kStaticBoxes; ++i) chkStaticBits_[i]->setChecked(boxes[i]);
}

void frmUSBdebug::ShowReadback(const QStringList& readback) {
  for (int i = 1; i <= readback.size() && i <= kWords; ++i)
    txtReadSpi_[i]->setText(readback[i - 1]);
}

void frmUSBdebug::ShowLoopRunning(bool running) {
  cmdLoop_->setText(LoopCaption(running));
  cmdFindEzUsb_->setEnabled(!running);
  cmdWriteSpi_->setEnabled(!running);
  txtLoopDelay_->setEnabled(!running);
  // No other card while the words go out; afterwards the rows the last search found open again.
  for (int i = 0; i < kCards; ++i) {
    options_[i]->setEnabled(!running && session_.ezusb.UsbCards[i].Present);
  }
  options_[kNoneIndex]->setEnabled(!running);
}

void frmUSBdebug::StopLoop() {
  loop_.SetRunning(false);
  cmdLoop_->setText(LoopCaption(false));
}

}  // namespace talvix::usbdebug
