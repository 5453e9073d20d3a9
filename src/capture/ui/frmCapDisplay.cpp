// SPDX-License-Identifier: MIT
#include "capture/ui/frmCapDisplay.h"

#include "capture/capture_analysis.h"
#include "capture/capture_display.h"
#include "capture/capture_files.h"
#include "capture/spectrum_view.h"
#include "capture/ui/capt_spectrum_plot.h"
#include "capture/ui/capt_trace_plot.h"
#include "common/message_titles.h"
#include "common/ui/twips.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include <span>

namespace talvix::capture {

using common::PixelsToTwips;
using common::TwipsToPixels;

namespace {

// Design-time geometry of the controls the resize rules leave alone, in twips.
constexpr double kLabelHeight = 255.0;
constexpr double kFullScaleHeight = 205.0;
constexpr double kScaleLabelLeft = 60.0;
constexpr double kScaleLabelWidth = 900.0;
constexpr double kLineLeft = 1000.0;  // the scale lines are ticks between the labels and the plot
constexpr double kLineRight = 1200.0;
// Under the plot: the sample period and length on the first row, the pointer read-out and where
// the last files went on the second, Write File at the right of both.
constexpr double kRowGap = 300.0;
constexpr double kPairGap = 240.0;  // between one caption-value pair and the next
constexpr double kCaptionGap = 90.0;
constexpr double kButtonWidth = 1300.0;
constexpr double kButtonHeight = 380.0;
constexpr double kButtonRightMargin = 400.0;
// The spectrum's controls, left of Write File on the first row.
constexpr double kSpectrumButtonWidth = 1000.0;
constexpr double kWriteSpectrumWidth = 1400.0;
constexpr double kLogBoxWidth = 700.0;
constexpr double kSmallButtonHeight = 300.0;
constexpr int kOverlayMargin = 3;  // pixels between a plot's edge and the label over it

}  // namespace

frmCapDisplay::frmCapDisplay(Session& session, int buffer, QWidget* parent)
    : QWidget(parent, Qt::Window),
      session_(session),
      buffer_(buffer == 1 ? 1 : 0),
      Picture1_(new CaptTracePlot(session.capture.CaptTrace[buffer_], this)),
      Line1_(new QFrame(this)),
      Line2_(new QFrame(this)),
      Line3_(new QFrame(this)),
      LblFullScale_(MakeLabel("LblFullScale", {})),
      LblMinScale_(MakeLabel("LblMinScale", {})),
      LblYunits_(MakeLabel("LblYunits", {})),
      Label2_(MakeLabel("Label2", QStringLiteral("Sample Period"))),
      lblSamplePeriod_(MakeLabel("lblSamplePeriod", {})),
      Label4_(MakeLabel("Label4", QStringLiteral("Buffer Length"))),
      lblBuffLength_(MakeLabel("lblBuffLength", {})),
      Label1_(MakeLabel("Label1", QStringLiteral("Sample"))),
      LblSample_(MakeLabel("LblSample", QStringLiteral("0"))),
      Label3_(MakeLabel("Label3", QStringLiteral("Value"))),
      LblValue_(MakeLabel("LblValue", QStringLiteral("0"))),
      cmdWriteFile_(new QPushButton(QStringLiteral("&Write File"), this)),
      lblFilesWritten_(MakeLabel("lblFilesWritten", {})),
      picSpectrum_(new CaptSpectrumPlot(this)),
      cmdSpectrum_(new QPushButton(QStringLiteral("&Spectrum"), this)),
      chkLogAmplitude_(new QCheckBox(QStringLiteral("&Log"), this)),
      cmdWriteSpectrum_(new QPushButton(QStringLiteral("Write S&pectrum"), this)),
      lblCursors_(MakeLabel("lblCursors", {})),
      lblSpectrumReadout_(MakeLabel("lblSpectrumReadout", {})) {
  setObjectName(QStringLiteral("frmCapDisplay%1").arg(buffer_));
  setWindowTitle(QStringLiteral("Capt_%1").arg(buffer_));
  setAttribute(Qt::WA_DeleteOnClose);
  Picture1_->setObjectName(QStringLiteral("Picture1"));
  Picture1_->setToolTip(QStringLiteral("Move the pointer over the trace to read a sample"));
  for (auto [line, name] : {std::pair{Line1_, "Line1"}, {Line2_, "Line2"}, {Line3_, "Line3"}}) {
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
  }
  LblFullScale_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  LblMinScale_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  cmdWriteFile_->setObjectName(QStringLiteral("cmdWriteFile"));
  cmdWriteFile_->setToolTip(
      QStringLiteral("Read both capture buffers again and write them to CapDat_0 and CapDat_1"));
  lblFilesWritten_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Picture1_->setToolTip(QStringLiteral(
      "Move the pointer over the trace to read a sample. Cursors: left button A, right button "
      "B; keys A / B choose one, arrows move it, Page Up / Down a sixteenth, Space swaps"));
  picSpectrum_->setObjectName(QStringLiteral("picSpectrum"));
  picSpectrum_->setToolTip(QStringLiteral("Move the pointer over the spectrum to read it"));
  picSpectrum_->hide();
  cmdSpectrum_->setObjectName(QStringLiteral("cmdSpectrum"));
  cmdSpectrum_->setCheckable(true);
  cmdSpectrum_->setToolTip(QStringLiteral(
      "Show the buffer's amplitude spectrum (mean removed, Hann window) instead of the trace"));
  chkLogAmplitude_->setObjectName(QStringLiteral("chkLogAmplitude"));
  chkLogAmplitude_->setToolTip(QStringLiteral("Amplitude on a logarithmic scale (four decades)"));
  chkLogAmplitude_->setEnabled(false);
  cmdWriteSpectrum_->setObjectName(QStringLiteral("cmdWriteSpectrum"));
  cmdWriteSpectrum_->setToolTip(
      QStringLiteral(
          "Write the spectrum (frequency, amplitude) as CapSpec_%1 beside the capture files")
          .arg(buffer_));
  cmdWriteSpectrum_->setEnabled(false);
  // The read-outs lie over the plots' corners without taking their clicks.
  for (QLabel* overlay : {lblCursors_, lblSpectrumReadout_}) {
    overlay->setAttribute(Qt::WA_TransparentForMouseEvents);
    overlay->setAutoFillBackground(true);
    QPalette palette = overlay->palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 255, 220));
    overlay->setPalette(palette);
    overlay->hide();
  }
  setMinimumSize(TwipsToPixels(kDisplayMinWidth, this), TwipsToPixels(kDisplayMinHeight, this));
  ConnectControls();
  LayOut();
}

QLabel* frmCapDisplay::MakeLabel(const char* name, const QString& caption) {
  auto* label = new QLabel(caption, this);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

void frmCapDisplay::ConnectControls() {
  connect(cmdWriteFile_, &QPushButton::clicked, this, &frmCapDisplay::cmdWriteFile_Click);
  connect(Picture1_, &CaptTracePlot::PointerMoved, this, &frmCapDisplay::Picture1_MouseMove);
  connect(Picture1_, &CaptTracePlot::CursorsMoved, this, &frmCapDisplay::ShowCursorReadout);
  connect(cmdSpectrum_, &QPushButton::toggled, this, &frmCapDisplay::cmdSpectrum_Click);
  connect(chkLogAmplitude_, &QCheckBox::toggled, this, &frmCapDisplay::chkLogAmplitude_Click);
  connect(cmdWriteSpectrum_, &QPushButton::clicked, this, &frmCapDisplay::cmdWriteSpectrum_Click);
  connect(picSpectrum_, &CaptSpectrumPlot::PointerMoved, this,
          &frmCapDisplay::picSpectrum_MouseMove);
}

void frmCapDisplay::Form_Load(const QRect& main_window, int frame_left) {
  const TwipsRect main{
      PixelsToTwips(main_window.left(), this), PixelsToTwips(main_window.top(), this),
      PixelsToTwips(main_window.width(), this), PixelsToTwips(main_window.height(), this)};
  const TwipsRect place = DisplayPlacement(buffer_, main, PixelsToTwips(frame_left, this));
  resize(TwipsToPixels(place.width, this), TwipsToPixels(place.height, this));
  move(TwipsToPixels(place.left, this), TwipsToPixels(place.top, this));
  LblSample_->setText(QStringLiteral("0"));
  LblValue_->setText(QStringLiteral("0"));
}

void frmCapDisplay::ShowTrace() {
  const registers::CaptTrace& trace = session_.capture.CaptTrace[buffer_];
  if (!trace.Prepared()) return;
  setWindowTitle(trace.caption);
  LblYunits_->setText(trace.Units);
  lblSamplePeriod_->setText(trace.sample_period_text);
  lblBuffLength_->setText(trace.length_text);
  LblFullScale_->setText(trace.full_scale_text);
  LblMinScale_->setText(trace.min_scale_text);
  // Samples 1..length; index 0 is unused.
  const int count = std::min(trace.length, static_cast<int>(trace.Values.size()) - 1);
  const std::span<const double> samples =
      count > 0 ? std::span<const double>(trace.Values).subspan(1, count)
                : std::span<const double>();
  picSpectrum_->SetSpectrum(AmplitudeSpectrum(samples, trace.sample_period_ms / 1000.0),
                            trace.Units);
  cmdWriteSpectrum_->setEnabled(!picSpectrum_->spectrum().Empty());
  lblSpectrumReadout_->clear();
  lblSpectrumReadout_->hide();
  Picture1_->ResetCursors();  // A on the first sample, B on the last: the whole buffer
  Picture1_->update();
}

void frmCapDisplay::ShowCursorReadout() {
  const registers::CaptTrace& trace = session_.capture.CaptTrace[buffer_];
  if (!trace.Prepared()) return;
  lblCursors_->setText(
      common::CursorReadoutText(TraceCursorReadout(trace, Picture1_->cursors()), trace.Units));
  lblCursors_->adjustSize();
  lblCursors_->setVisible(!cmdSpectrum_->isChecked());
}

void frmCapDisplay::cmdSpectrum_Click(bool spectrum) {
  Picture1_->setVisible(!spectrum);
  picSpectrum_->setVisible(spectrum);
  for (QWidget* scale :
       std::initializer_list<QWidget*>{Line1_, Line2_, Line3_, LblFullScale_, LblMinScale_}) {
    scale->setVisible(!spectrum);  // the trace's scale; the spectrum carries its own
  }
  chkLogAmplitude_->setEnabled(spectrum);
  lblCursors_->setVisible(!spectrum && !lblCursors_->text().isEmpty());
  lblSpectrumReadout_->setVisible(spectrum && !lblSpectrumReadout_->text().isEmpty());
  (spectrum ? static_cast<QWidget*>(picSpectrum_) : Picture1_)->setFocus();
}

void frmCapDisplay::chkLogAmplitude_Click(bool logarithmic) {
  picSpectrum_->SetLogarithmic(logarithmic);
}

void frmCapDisplay::picSpectrum_MouseMove(double hz, double amplitude) {
  lblSpectrumReadout_->setText(
      SpectrumReadout(hz, amplitude, session_.capture.CaptTrace[buffer_].Units));
  lblSpectrumReadout_->adjustSize();
  lblSpectrumReadout_->move(
      picSpectrum_->geometry().right() - lblSpectrumReadout_->width() - kOverlayMargin,
      picSpectrum_->geometry().top() + kOverlayMargin);
  lblSpectrumReadout_->setVisible(cmdSpectrum_->isChecked());
  lblSpectrumReadout_->raise();
}

void frmCapDisplay::cmdWriteSpectrum_Click() {
  const Spectrum& spectrum = picSpectrum_->spectrum();
  if (spectrum.Empty()) return;
  const CaptureFileFormat format = CaptureFileFormatFor(QLocale());
  const QString path = SpectrumFilePath(session_.DataFolder(), buffer_, format);
  QString why;
  if (!WriteSpectrumFile(path, spectrum, format, why)) {
    SetFilesWritten(QStringLiteral("The spectrum was not written"));
    session_.notifier().Message(why, common::ErrorTitle());
    return;
  }
  SetFilesWritten(QStringLiteral("Wrote %1 in %2")
                      .arg(QFileInfo(path).fileName(),
                           QDir::toNativeSeparators(QFileInfo(path).absolutePath())));
}

void frmCapDisplay::LayOut() {
  const DisplayLayout layout =
      LayOutDisplay(PixelsToTwips(width(), this), PixelsToTwips(height(), this));
  const auto px = [this](double twips) { return TwipsToPixels(twips, this); };
  const auto place = [&px](QWidget* widget, double left, double top, double w, double h) {
    widget->setGeometry(px(left), px(top), px(w), px(h));
  };
  place(Picture1_, layout.picture.left, layout.picture.top, layout.picture.width,
        layout.picture.height);
  picSpectrum_->setGeometry(Picture1_->geometry());
  lblCursors_->move(Picture1_->x() + kOverlayMargin, Picture1_->y() + kOverlayMargin);
  lblCursors_->raise();
  lblSpectrumReadout_->move(
      picSpectrum_->geometry().right() - lblSpectrumReadout_->width() - kOverlayMargin,
      picSpectrum_->geometry().top() + kOverlayMargin);
  lblSpectrumReadout_->raise();
  // A line frame draws its line through the middle of its 3-pixel height.
  const auto place_line = [&px](QFrame* line, double y) {
    line->setGeometry(px(kLineLeft), px(y) - 1, px(kLineRight) - px(kLineLeft), 3);
  };
  place_line(Line1_, layout.line1_y);
  place_line(Line2_, layout.line2_y);
  place_line(Line3_, layout.line3_y);
  place(LblFullScale_, kScaleLabelLeft, layout.full_scale_top, kScaleLabelWidth, kFullScaleHeight);
  place(LblMinScale_, kScaleLabelLeft, layout.min_scale_top, kScaleLabelWidth, kLabelHeight);
  place(LblYunits_, kScaleLabelLeft, layout.line2_y - kLabelHeight / 2, kScaleLabelWidth,
        kLabelHeight);
  const double top = layout.info_top;
  // The spectrum's controls stand left of Write File on the first row, and the captions before
  // them; the second row runs up to Write File.
  const double controls_right = layout.width - kButtonRightMargin - kButtonWidth - kPairGap;
  const double write_spectrum_left = controls_right - kWriteSpectrumWidth;
  const double log_left = write_spectrum_left - kPairGap - kLogBoxWidth;
  const double spectrum_left = log_left - kSpectrumButtonWidth;
  place(cmdSpectrum_, spectrum_left, top, kSpectrumButtonWidth, kSmallButtonHeight);
  place(chkLogAmplitude_, log_left + kCaptionGap, top, kLogBoxWidth, kSmallButtonHeight);
  place(cmdWriteSpectrum_, write_spectrum_left, top, kWriteSpectrumWidth, kSmallButtonHeight);
  int right_end = px(spectrum_left - kPairGap);
  // Each row runs from the window's left margin: caption, its value, the next pair. A value label
  // is as wide as the widest text it can show, so the row does not move as the values change.
  const auto place_row = [&](double row_top,
                             std::initializer_list<std::pair<QLabel*, QString>> row) {
    int x = px(kScaleLabelLeft);
    bool caption = true;
    for (const auto& [label, widest] : row) {
      const int w = label->fontMetrics().horizontalAdvance(widest) + 4;
      label->setGeometry(x, px(row_top), std::max(0, std::min(w, right_end - x)), px(kLabelHeight));
      x += w + px(caption ? kCaptionGap : kPairGap);
      caption = !caption;
    }
    return x;
  };
  place_row(top, {{Label2_, Label2_->text()},
                  {lblSamplePeriod_, QStringLiteral("000.000 msec")},
                  {Label4_, Label4_->text()},
                  {lblBuffLength_, QStringLiteral("0000")}});
  right_end = px(controls_right);
  const int files_left = place_row(top + kRowGap, {{Label1_, Label1_->text()},
                                                   {LblSample_, QStringLiteral("-0000")},
                                                   {Label3_, Label3_->text()},
                                                   {LblValue_, QStringLiteral("-00000.0")}});
  // The files' note runs under Write File to the window's right margin.
  lblFilesWritten_->setGeometry(files_left, px(top + kRowGap),
                                std::max(0, px(layout.width - kButtonRightMargin) - files_left),
                                px(kLabelHeight));
  ShowFilesWritten();
  place(cmdWriteFile_, layout.width - kButtonRightMargin - kButtonWidth, top, kButtonWidth,
        kButtonHeight);
}

void frmCapDisplay::SetFilesWritten(const QString& line) {
  files_written_ = line;
  ShowFilesWritten();
}

void frmCapDisplay::ShowFilesWritten() {
  // Shortened in the middle when the window is narrow; the tool tip has it whole.
  lblFilesWritten_->setText(lblFilesWritten_->fontMetrics().elidedText(
      files_written_, Qt::ElideMiddle, lblFilesWritten_->width()));
  lblFilesWritten_->setToolTip(files_written_);
}

void frmCapDisplay::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (isMinimized()) return;
  const QSize least = minimumSize();
  if (width() < least.width() || height() < least.height()) {
    resize(std::max(width(), least.width()), std::max(height(), least.height()));
    return;  // the resize comes back here at the allowed size
  }
  LayOut();
}

void frmCapDisplay::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // Restored from the minimised state: lay out again for the size it comes back with.
  if (event->type() == QEvent::WindowStateChange && !isMinimized()) LayOut();
}

void frmCapDisplay::Picture1_MouseMove(double x, double y) {
  LblSample_->setText(SampleReadout(x));
  LblValue_->setText(ValueReadout(y));
}

void frmCapDisplay::cmdWriteFile_Click() {
  if (session_.link.InterfaceType == link::kInterfaceNone) {
    SetFilesWritten(NotWrittenLine(NotWritten::kNoInterface));
    return;
  }
  if (session_.capture.Armed) {
    SetFilesWritten(NotWrittenLine(NotWritten::kArmed));
    session_.notifier().Message(ReadOutWhileArmedMessage(), common::MessageTitle());
    return;
  }
  SetFilesWritten({});  // the last click's line does not stand for this one
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const CaptureFilesOutcome outcome = WriteCaptureFiles(session_, session_.DataFolder());
  QGuiApplication::restoreOverrideCursor();
  SetFilesWritten(FilesWrittenLine(outcome.written));
  if (!outcome.message.isEmpty()) {
    session_.notifier().Message(outcome.message, common::ErrorTitle());
  }
}

}  // namespace talvix::capture
