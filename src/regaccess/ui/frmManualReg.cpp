// SPDX-License-Identifier: MIT
#include "regaccess/ui/frmManualReg.h"

#include "common/message_titles.h"
#include "common/ui/file_dialogs.h"
#include "common/ui/named_widgets.h"
#include "common/ui/window_placement.h"
#include "common/whole_file.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTextDocument>
#include <QTextOption>
#include <QVBoxLayout>

#include <algorithm>

namespace talvix::regaccess {

namespace {

using common::MakeLabel;
using common::Named;

// A box that only shows what the window puts there.
QLineEdit* MakeDisplay(const char* name, QWidget* parent) {
  auto* box = Named(new QLineEdit(parent), name);
  box->setReadOnly(true);
  return box;
}

QPushButton* MakeButton(const QString& caption, const char* name, QWidget* parent) {
  auto* button = Named(new QPushButton(caption, parent), name);
  // Return in the write box must not press a button: most of them talk to the device.
  button->setAutoDefault(false);
  return button;
}

QFont ListingFont() {
  return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

// The listing's tab stops, at its character columns in `font`.
QTextOption ListingTabs(const QTextOption& base, const QFont& font) {
  const QFontMetricsF metrics(font);
  const qreal char_width = metrics.horizontalAdvance(u'0');
  QList<QTextOption::Tab> tabs;
  for (int column : kListingTabColumns)
    tabs.append(QTextOption::Tab(column * char_width, QTextOption::LeftTab));
  QTextOption option = base;
  option.setTabs(tabs);
  return option;
}

QString RegisterName(const registers::RegisterEntry& entry) {
  return entry.Label.trimmed();
}

}  // namespace

frmManualReg::frmManualReg(Session& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      frameRegister_(
          Named(new QGroupBox(QStringLiteral("Register Read/Write"), this), "frameRegister")),
      lblRegister_(MakeLabel(QStringLiteral("Register"), "lblRegister", this)),
      cmboRegister_(Named(new QComboBox(this), "cmboRegister")),
      lblRegAddr_(MakeLabel(QStringLiteral("Base Addr (Hex)"), "lblRegAddr", this)),
      txtRegAddr_(MakeDisplay("txtRegAddr", this)),
      lblRegByte_(MakeLabel(QStringLiteral("Num Bytes"), "lblRegByte", this)),
      txtRegByte_(MakeDisplay("txtRegByte", this)),
      lblRegRead_(MakeLabel(QStringLiteral("Read Flag"), "lblRegRead", this)),
      txtRegRead_(MakeDisplay("txtRegRead", this)),
      lblRegWrite_(MakeLabel(QStringLiteral("Write Flag"), "lblRegWrite", this)),
      txtRegWrite_(MakeDisplay("txtRegWrite", this)),
      cmdRead_(MakeButton(QStringLiteral("&Read (Hex)"), "cmdRead", this)),
      txtRead_(MakeDisplay("txtRead", this)),
      lblRegVal_(MakeLabel(QStringLiteral("Deci. Value"), "lblRegVal", this)),
      txtRegVal_(MakeDisplay("txtRegVal", this)),
      cmdWrite_(MakeButton(QStringLiteral("&Write (Hex)"), "cmdWrite", this)),
      txtDataWrite_(Named(new QLineEdit(this), "txtDataWrite")),
      frameUserReg_(Named(new QGroupBox(QStringLiteral("User Registers (Hex Values)"), this),
                          "frameUserReg")),
      txtUserReg_(Named(new QPlainTextEdit(this), "txtUserReg")),
      cmdReadUserReg_(MakeButton(QStringLiteral("R&ead"), "cmdReadUserReg", this)),
      cmdSaveListing_(MakeButton(QStringLiteral("&Save Listing..."), "cmdSaveListing", this)),
      cmdPrint_(MakeButton(QStringLiteral("&Print"), "cmdPrint", this)),
      cmdUpdateFlash_(MakeButton(QStringLiteral("&Update Flash"), "cmdUpdateFlash", this)),
      cmdClose_(MakeButton(QStringLiteral("&Close Window"), "cmdClose", this)) {
  setObjectName(QStringLiteral("frmManualReg"));
  setWindowTitle(QStringLiteral("Register Information"));
  setModal(true);

  ask_save_path = [this](const QString& caption, const QString& suggested, const QString& filter) {
    return common::AskSaveFileName(this, caption, suggested, filter);
  };

  lblRegister_->setBuddy(cmboRegister_);
  lblRegAddr_->setBuddy(txtRegAddr_);
  lblRegByte_->setBuddy(txtRegByte_);
  lblRegRead_->setBuddy(txtRegRead_);
  lblRegWrite_->setBuddy(txtRegWrite_);
  lblRegVal_->setBuddy(txtRegVal_);

  txtDataWrite_->setToolTip(QStringLiteral("1 to 4 hexadecimal digits, for example 1F4"));
  cmdRead_->setToolTip(QStringLiteral("Reads the register: its raw word and its scaled value"));
  cmdWrite_->setToolTip(QStringLiteral("Writes the hexadecimal value to the register"));
  cmdReadUserReg_->setToolTip(QStringLiteral("Lists the settings of registers 0 to 31"));
  cmdSaveListing_->setToolTip(QStringLiteral("Saves the listing as a text file"));
  cmdPrint_->setToolTip(QStringLiteral("Prints the listing"));
  cmdUpdateFlash_->setToolTip(
      QStringLiteral("Makes the device store its register settings in flash memory"));

  LayOutControls();
  ConnectControls();
  Form_Load();
}

void frmManualReg::LayOutControls() {
  const int hex_width = txtRegAddr_->fontMetrics().horizontalAdvance(QStringLiteral("FFFFFF")) + 16;
  for (QLineEdit* box :
       {txtRegAddr_, txtRegByte_, txtRegRead_, txtRegWrite_, txtRead_, txtDataWrite_}) {
    box->setFixedWidth(hex_width);
  }
  txtRegVal_->setMinimumWidth(
      txtRegVal_->fontMetrics().horizontalAdvance(QStringLiteral("-0.0000000E+00")) + 16);
  cmboRegister_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  cmboRegister_->setMaxVisibleItems(32);
  const int button_width = std::max(cmdRead_->sizeHint().width(), cmdWrite_->sizeHint().width());
  cmdRead_->setMinimumWidth(button_width);
  cmdWrite_->setMinimumWidth(button_width);

  auto* entry = new QGridLayout;
  entry->setHorizontalSpacing(8);
  entry->addWidget(lblRegister_, 0, 0);
  entry->addWidget(cmboRegister_, 0, 1, 1, 3, Qt::AlignLeft);
  entry->addWidget(lblRegAddr_, 1, 0);
  entry->addWidget(txtRegAddr_, 1, 1);
  entry->addWidget(lblRegByte_, 1, 2);
  entry->addWidget(txtRegByte_, 1, 3);
  entry->addWidget(lblRegRead_, 2, 0);
  entry->addWidget(txtRegRead_, 2, 1);
  entry->addWidget(lblRegWrite_, 2, 2);
  entry->addWidget(txtRegWrite_, 2, 3);
  entry->setColumnMinimumWidth(2, 0);
  entry->setColumnStretch(4, 1);

  auto* access = new QGridLayout;
  access->setHorizontalSpacing(8);
  access->addWidget(cmdRead_, 0, 0);
  access->addWidget(txtRead_, 0, 1);
  access->addWidget(lblRegVal_, 0, 2, Qt::AlignRight);
  access->addWidget(txtRegVal_, 0, 3);
  access->addWidget(cmdWrite_, 1, 0);
  access->addWidget(txtDataWrite_, 1, 1);
  access->setColumnStretch(3, 1);

  auto* register_layout = new QVBoxLayout(frameRegister_);
  register_layout->addLayout(entry);
  register_layout->addSpacing(12);
  register_layout->addLayout(access);

  const QFont listing_font = ListingFont();
  txtUserReg_->setFont(listing_font);
  txtUserReg_->setReadOnly(true);
  txtUserReg_->setLineWrapMode(QPlainTextEdit::NoWrap);
  // The box is as wide as the listing's longest line (below).
  txtUserReg_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  txtUserReg_->document()->setDefaultTextOption(
      ListingTabs(txtUserReg_->document()->defaultTextOption(), listing_font));
  const QFontMetrics listing_metrics(listing_font);
  // The whole listing, 34 lines of up to 45 characters, without scrolling.
  const int scroll_bar = txtUserReg_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  txtUserReg_->setMinimumSize(
      listing_metrics.horizontalAdvance(QString(48, u'0')) + scroll_bar + 16,
      listing_metrics.lineSpacing() * 36 + 12);

  auto* listing_buttons = new QHBoxLayout;
  listing_buttons->addWidget(cmdReadUserReg_);
  listing_buttons->addStretch(1);
  listing_buttons->addWidget(cmdSaveListing_);
  listing_buttons->addWidget(cmdPrint_);
  auto* user_layout = new QVBoxLayout(frameUserReg_);
  user_layout->addWidget(txtUserReg_, 1);
  user_layout->addLayout(listing_buttons);

  auto* window_buttons = new QHBoxLayout;
  window_buttons->addWidget(cmdUpdateFlash_);
  window_buttons->addStretch(1);
  window_buttons->addWidget(cmdClose_);

  auto* left = new QVBoxLayout;
  left->addWidget(frameRegister_);
  left->addStretch(1);
  left->addLayout(window_buttons);

  auto* layout = new QHBoxLayout(this);
  layout->setSpacing(10);
  layout->addLayout(left);
  layout->addWidget(frameUserReg_, 1);
  layout->setSizeConstraint(QLayout::SetMinimumSize);
}

void frmManualReg::ConnectControls() {
  connect(cmboRegister_, &QComboBox::currentIndexChanged, this, &frmManualReg::cmboRegister_Click);
  connect(cmdRead_, &QPushButton::clicked, this, &frmManualReg::cmdRead_Click);
  connect(cmdWrite_, &QPushButton::clicked, this, &frmManualReg::cmdWrite_Click);
  // Enter in the write box writes, as "Write (Hex)" does.
  connect(txtDataWrite_, &QLineEdit::returnPressed, cmdWrite_, &QPushButton::click);
  connect(cmdReadUserReg_, &QPushButton::clicked, this, &frmManualReg::cmdReadUserReg_Click);
  connect(cmdPrint_, &QPushButton::clicked, this, &frmManualReg::cmdPrint_Click);
  connect(cmdSaveListing_, &QPushButton::clicked, this, &frmManualReg::cmdSaveListing_Click);
  connect(cmdUpdateFlash_, &QPushButton::clicked, this, &frmManualReg::cmdUpdateFlash_Click);
  connect(cmdClose_, &QPushButton::clicked, this, &frmManualReg::cmdClose_Click);
}

void frmManualReg::Form_Load() {
  const QStringList labels = RegisterListTexts(session_.table);
  if (cmboRegister_->count() != labels.size()) {
    cmboRegister_->clear();
    cmboRegister_->addItems(labels);
  }
  ShowEntry(Selected());
  UpdateFlashOffer();
  common::PlaceBesideMainWindow(this, parentWidget());  // once filled, at its final size
}

void frmManualReg::showEvent(QShowEvent* event) {
  UpdateFlashOffer();
  QDialog::showEvent(event);
}

void frmManualReg::closeEvent(QCloseEvent* event) {
  // The window system's close box, not Close Window or Escape (which only hide the window).
  if (event->spontaneous()) discarded_ = true;
  QDialog::closeEvent(event);
}

void frmManualReg::UpdateFlashOffer() {
  cmdUpdateFlash_->setVisible(OffersUpdateFlash(static_cast<float>(session_.about.DeviceRevision)));
}

int16_t frmManualReg::Selected() const {
  const int position = cmboRegister_->currentIndex();
  return static_cast<int16_t>(position < 1 || position > kLastListedIndex ? 0 : position);
}

void frmManualReg::ShowEntry(int position) {
  const EntryTexts texts = EntryTextsFor(session_.table, position);
  txtRegAddr_->setText(texts.address);
  txtRegByte_->setText(texts.bytes);
  txtRegRead_->setText(texts.read_flag);
  txtRegWrite_->setText(texts.write_flag);
  cmdRead_->setEnabled(texts.read_enabled);
  cmdWrite_->setEnabled(texts.write_enabled);
}

void frmManualReg::cmboRegister_Click() {
  // What was read belongs to the register chosen before.
  txtRead_->clear();
  txtRegVal_->clear();
  ShowEntry(Selected());
}

void frmManualReg::Report(const QString& message) {
  // An empty message: the card or port has already reported the failure.
  if (!message.isEmpty()) session_.notifier().Message(message, common::MessageTitle());
}

void frmManualReg::cmdRead_Click() {
  const int16_t index = Selected();
  if (index == 0 || !session_.table.at(index).ReadFlag) return;
  txtRead_->clear();
  txtRegVal_->clear();
  const RegisterReading reading = ReadRegister(session_.link, index);
  if (!reading.answered) {
    Report(NotAnsweredMessage(
        session_.link,
        QStringLiteral("%1 was not read").arg(RegisterName(session_.table.at(index)))));
    return;
  }
  txtRead_->setText(reading.word);
  txtRegVal_->setText(reading.value);
}

void frmManualReg::cmdWrite_Click() {
  const int16_t index = Selected();
  if (index == 0 || !session_.table.at(index).WriteFlag) return;
  const QString text = txtDataWrite_->text();
  const std::optional<int32_t> value = HexEntryValue(text);
  if (!value) {
    Report(HexEntryRefusedMessage(text));
    return;
  }
  if (!link::Reached(session_.link.WriteReg(index, *value))) {
    Report(NotAnsweredMessage(
        session_.link,
        QStringLiteral("%1 was not written").arg(RegisterName(session_.table.at(index)))));
  }
}

void frmManualReg::cmdReadUserReg_Click() {
  const std::optional<QString> listing = ReadListing(session_.link);
  if (!listing) {
    // A listing with a row missing would pass for the device's settings: none is shown.
    listing_.clear();
    txtUserReg_->clear();
    Report(NotAnsweredMessage(session_.link, QStringLiteral("the user registers were not listed")));
    return;
  }
  listing_ = *listing;
  QString shown = listing_;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.chop(1);  // the last line's end would leave an empty line below it
  txtUserReg_->setPlainText(shown);
}

bool frmManualReg::HaveListing() {
  if (!listing_.isEmpty()) return true;
  Report(EmptyListingMessage());
  return false;
}

void frmManualReg::PrintListing(QPrinter& printer) {
  QTextDocument document;
  document.setDefaultFont(ListingFont());
  const QString heading =
      QStringLiteral("Talvix user registers (hex values), %1\n\n")
          .arg(QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat));
  QString text = heading + ListingInColumns(listing_);
  text.remove(u'\r');
  document.setPlainText(text);
  if (printer.outputFormat() == QPrinter::PdfFormat) {
    // The PDF is made in memory and written whole, so that a failed write keeps the old file.
    const QString path = printer.outputFileName();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
      QPdfWriter writer(&buffer);
      writer.setTitle(windowTitle());
      document.print(&writer);
    }
    QString why;
    if (!common::WriteWholeFile(path, buffer.data(), why)) {
      Report(ListingNotSavedMessage(path, why));
    }
    return;
  }
  document.print(&printer);
  if (printer.printerState() == QPrinter::Error) {
    Report(QStringLiteral("The register listing could not be printed on %1.")
               .arg(printer.printerName()));
  }
}

void frmManualReg::cmdPrint_Click() {
  if (!HaveListing()) return;
  QPrinter printer(QPrinter::HighResolution);
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    session_.notifier().Message(
        QStringLiteral("No printer is set up on this computer.\r\nChoose a file to save the "
                       "listing as a PDF document instead."),
        common::MessageTitle());
    const QString path = ask_save_path(QStringLiteral("Save the register listing as PDF"),
                                       session_.DataFolder() + QStringLiteral("/UserRegisters.pdf"),
                                       QStringLiteral("PDF documents (*.pdf);;All files (*)"));
    if (path.isEmpty()) return;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
  } else {
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Print the register listing"));
    if (dialog.exec() != QDialog::Accepted) return;
  }
  PrintListing(printer);
}

void frmManualReg::cmdSaveListing_Click() {
  if (!HaveListing()) return;
  const QString path = ask_save_path(QStringLiteral("Save the register listing"),
                                     session_.DataFolder() + QStringLiteral("/UserRegisters.txt"),
                                     QStringLiteral("Text files (*.txt);;All files (*)"));
  if (path.isEmpty()) return;
  QString why;
  if (!common::WriteWholeFile(path, listing_.toLatin1(), why)) {
    Report(ListingNotSavedMessage(path, why));
  }
}

void frmManualReg::cmdUpdateFlash_Click() {
  Report(UpdateFlashMessage(session_.link, UpdateFlash(session_.link, *session_.delay)));
}

void frmManualReg::cmdClose_Click() {
  accept();
}

}  // namespace talvix::regaccess
