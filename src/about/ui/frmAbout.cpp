// SPDX-License-Identifier: MIT
#include "about/ui/frmAbout.h"

#include "about/about_texts.h"
#include "common/ui/named_widgets.h"
#include "common/ui/window_placement.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

// The icon lives in this library's resources (about_resources.qrc); a static library's resources
// are registered by hand, once. Q_INIT_RESOURCE may not be used inside a namespace.
static void InitAboutResources() {
  Q_INIT_RESOURCE(about_resources);
}

namespace talvix::about {

QIcon ProgramIcon() {
  InitAboutResources();
  return QIcon(QStringLiteral(":/talvix/talvix.png"));
}

namespace {

using common::MakeLabel;
using common::Named;

// The icon's edge in the window, in pixels at 96 dpi.
constexpr int kIconSize = 64;

// A value label: selectable, so that a product ID can be copied into a support request.
QLabel* MakeValue(const char* name, QWidget* parent) {
  QLabel* label = MakeLabel(QString(), name, parent);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QString DisclaimerText() {
  return QStringLiteral(
      "This software is provided for evaluating the Talvix accelerometer only. It is provided "
      "\"as is\", without warranty of any kind, express or implied, including but not limited to "
      "the warranties of merchantability, fitness for a particular purpose and non-infringement. "
      "In no event shall the authors or copyright holders be liable for any claim, damages or "
      "other liability arising from the use of this software or of the results it reports.");
}

}  // namespace

frmAbout::frmAbout(Session& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      picIcon_(Named(new QLabel(this), "picIcon")),
      lblTitle_(MakeLabel(QStringLiteral("MORVANE EVALUATION SOFTWARE"), "lblTitle", this)),
      Label0_(MakeLabel(QStringLiteral("Software Version"), "Label0", this)),
      lblProgramRev_(MakeValue("lblProgramRev", this)),
      Label3_(MakeLabel(QStringLiteral("Product ID"), "Label3", this)),
      lblProductID_(MakeValue("lblProductID", this)),
      Label1_(MakeLabel(QStringLiteral("Product Revision"), "Label1", this)),
      lblDutRev_(MakeValue("lblDutRev", this)),
      Label2_(MakeLabel(QStringLiteral("Product Date"), "Label2", this)),
      lblProductDate_(MakeValue("lblProductDate", this)),
      lblNoAnswer_(MakeLabel(QString(), "lblNoAnswer", this)),
      Line1_(Named(new QFrame(this), "Line1")),
      lblDisclaimer_(MakeLabel(DisclaimerText(), "lblDisclaimer", this)),
      cmdOK_(Named(new QPushButton(QStringLiteral("&OK"), this), "cmdOK")) {
  InitAboutResources();
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(AboutCaption());
  setModal(true);
  cmdOK_->setDefault(true);

  LayOutControls();
  ConnectControls();
  Form_Load();
  common::PlaceBesideMainWindow(this, parent);  // once filled, at its final size
}

void frmAbout::LayOutControls() {
  const QPixmap icon(QStringLiteral(":/talvix/talvix.png"));
  const qreal ratio = devicePixelRatioF();
  QPixmap scaled = icon.scaled(QSize(kIconSize, kIconSize) * ratio, Qt::KeepAspectRatio,
                               Qt::SmoothTransformation);
  scaled.setDevicePixelRatio(ratio);
  picIcon_->setPixmap(scaled);
  picIcon_->setFixedSize(kIconSize, kIconSize);
  picIcon_->setAlignment(Qt::AlignCenter);

  QFont title_font = lblTitle_->font();
  title_font.setBold(true);
  title_font.setPointSizeF(title_font.pointSizeF() * 1.3);
  lblTitle_->setFont(title_font);

  QPalette warning = lblNoAnswer_->palette();
  warning.setColor(QPalette::WindowText, QColor(192, 0, 0));
  lblNoAnswer_->setPalette(warning);
  lblNoAnswer_->setWordWrap(true);
  lblNoAnswer_->hide();

  Line1_->setFrameShape(QFrame::HLine);
  Line1_->setFrameShadow(QFrame::Sunken);

  QFont small_font = lblDisclaimer_->font();
  small_font.setPointSizeF(small_font.pointSizeF() * 0.9);
  lblDisclaimer_->setFont(small_font);
  lblDisclaimer_->setWordWrap(true);
  QPalette muted = lblDisclaimer_->palette();
  muted.setColor(QPalette::WindowText, muted.color(QPalette::PlaceholderText));
  lblDisclaimer_->setPalette(muted);

  auto* pairs = new QGridLayout;
  pairs->setHorizontalSpacing(16);
  pairs->setVerticalSpacing(4);
  const std::pair<QLabel*, QLabel*> rows[] = {{Label0_, lblProgramRev_},
                                              {Label3_, lblProductID_},
                                              {Label1_, lblDutRev_},
                                              {Label2_, lblProductDate_}};
  int row = 0;
  for (const auto& [caption, value] : rows) {
    pairs->addWidget(caption, row, 0);
    pairs->addWidget(value, row, 1);
    ++row;
  }
  pairs->setColumnStretch(1, 1);

  auto* text = new QVBoxLayout;
  text->setSpacing(8);
  text->addWidget(lblTitle_);
  text->addLayout(pairs);
  text->addWidget(lblNoAnswer_);

  auto* top = new QHBoxLayout;
  top->setSpacing(16);
  top->addWidget(picIcon_, 0, Qt::AlignTop);
  top->addLayout(text, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  cmdOK_->setMinimumWidth(cmdOK_->fontMetrics().horizontalAdvance(QStringLiteral("OK")) + 64);
  buttons->addWidget(cmdOK_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 12);
  layout->setSpacing(10);
  layout->addLayout(top);
  layout->addWidget(Line1_);
  layout->addWidget(lblDisclaimer_);
  layout->addLayout(buttons);

  // Wide enough for the title and a readable disclaimer; the height follows the wrapped texts.
  setMinimumWidth(std::max(440, lblTitle_->sizeHint().width() + kIconSize + 64));
  layout->setSizeConstraint(QLayout::SetMinimumSize);
}

void frmAbout::ConnectControls() {
  connect(cmdOK_, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

void frmAbout::Form_Load() {
  lblProgramRev_->setText(ProgramVersionText());
  const ProductRead read = ReadProductWords(session_.link);
  if (!read.answered) {
    lblProductID_->clear();
    lblDutRev_->clear();
    lblProductDate_->clear();
    lblNoAnswer_->setText(NoAnswerText());
    lblNoAnswer_->show();
    return;
  }
  const ProductIdentity identity = DecodeProductWords(read.words);
  session_.about.DeviceRevision = identity.DeviceRevision;
  lblProductID_->setText(identity.ProductIdText);
  lblDutRev_->setText(RevisionText(identity.DeviceRevision));
  lblProductDate_->setText(ProductDateText(identity));
  lblNoAnswer_->hide();
}

void frmAbout::cmdOK_Click() {
  accept();
}

}  // namespace talvix::about
