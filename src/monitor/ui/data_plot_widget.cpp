// SPDX-License-Identifier: MIT
#include "monitor/ui/data_plot_widget.h"

#include "common/message_titles.h"
#include "common/range_statistics.h"
#include "common/ui/file_dialogs.h"
#include "common/ui/mnemonic_text.h"
#include "common/ui/named_widgets.h"
#include "common/whole_file.h"
#include "monitor/chart_cursors.h"
#include "monitor/chart_export.h"
#include "monitor/output_rows.h"
#include "monitor/ui/strip_chart_widget.h"

#include <QBuffer>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QStringList>

#include <algorithm>

namespace talvix::monitor {

namespace {

constexpr int kTickLength = 5;  // pixels, tick marks beside the chart's edges
constexpr int kGap = 3;         // pixels between neighbouring pieces

// Places of the y-axis tick marks lblYscale1..lblYscale5, top to bottom, as shares of the
// chart's height: 30, 15, 0, -15 and -30 at the default range.
constexpr std::array<double, 5> kYTickFractions{0.0, 0.25, 0.5, 0.75, 1.0};
// Places of the labels lblpFS2, lblmidS2 and lblnFS2.
constexpr std::array<double, 3> kYLabelFractions{0.0, 0.5, 1.0};

// The picture as a PNG file's bytes; empty when it could not be encoded.
QByteArray PngBytes(const QImage& picture) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  if (!picture.save(&buffer, "PNG")) return {};
  return buffer.data();
}

}  // namespace

DataPlotWidget::DataPlotWidget(Session& session, QWidget* parent, const QString& settings_path)
    : DataPlotWidget(&session, parent, settings_path) {}

DataPlotWidget::DataPlotWidget(QWidget* parent) : DataPlotWidget(nullptr, parent, QString()) {}

DataPlotWidget::DataPlotWidget(Session* session, QWidget* parent, const QString& settings_path)
    : QGroupBox(QStringLiteral("Data Plot"), parent),
      session_(session),
      settings_path_(settings_path) {
  setObjectName(QStringLiteral("FrameDataPLot"));
  pic2_ = new StripChartWidget(this);

  const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
  const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
  const Qt::Alignment centre = Qt::AlignCenter;
  lblpFS2_ = MakeLabel("lblpFS2", QString(), right);
  lblmidS2_ = MakeLabel("lblmidS2", QString(), right);
  lblnFS2_ = MakeLabel("lblnFS2", QString(), right);
  label16_ = MakeLabel("Label16", QStringLiteral("Accel."), centre);
  lblUnits2_ = MakeLabel("lblUnits2", QStringLiteral("g"), centre);
  lblXaxis_ = MakeLabel("LblXaxis", QStringLiteral("Sample Number"), centre);
  label5_ = MakeLabel("Label5", QStringLiteral("sample"), left);
  lblCurSam2_ = MakeLabel("lblCurSam2", QStringLiteral("0"), left);
  label1_ = MakeLabel("Label1", QStringLiteral("value"), left);
  lblCurVal2_ = MakeLabel("lblCurVal2", QStringLiteral("0"), left);
  lblChartCursors_ = MakeLabel("lblChartCursors", QString(), left);
  lblChartCursors_->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks go to the chart
  lblChartCursors_->setAutoFillBackground(true);
  QPalette overlay = lblChartCursors_->palette();
  overlay.setColor(QPalette::Window, QColor(255, 255, 255, 220));
  lblChartCursors_->setPalette(overlay);
  lblChartCursors_->hide();

  for (std::size_t i = 0; i < lblPlotX_.size(); ++i) {
    const QByteArray index = QByteArray::number(static_cast<int>(i));
    lblPlotX_[i] = MakeLabel(QByteArray("lblPlotX" + index).constData(),
                             XAxisTickText(static_cast<int>(i)), centre);
    lineX_[i] = new QFrame(this);
    lineX_[i]->setObjectName(QStringLiteral("LineX") + QString::fromLatin1(index));
    lineX_[i]->setFrameShape(QFrame::VLine);
    lineX_[i]->setFrameShadow(QFrame::Plain);
  }
  for (std::size_t i = 0; i < lblYscale_.size(); ++i) {
    const QByteArray index = QByteArray::number(static_cast<int>(i + 1));
    lblYscale_[i] = MakeLabel(QByteArray("lblYscale" + index).constData(), QString(), left);
    lblYscale_[i]->setFrameShape(QFrame::HLine);  // a tick place without text
    lblYscale_[i]->setFrameShadow(QFrame::Plain);
  }
  BuildChartControls();
  SetYAxisLabels();

  connect(pic2_, &StripChartWidget::MouseMovedTo, this, &DataPlotWidget::ShowReadout);
  connect(pic2_, &StripChartWidget::CursorsMoved, this, &DataPlotWidget::ShowCursorReadout);
  connect(cmboRange_, &QComboBox::activated, this, &DataPlotWidget::cmboRange_Click);
  connect(cmdPause_, &QPushButton::clicked, this, &DataPlotWidget::cmdPause_Click);
  connect(cmdSaveChart_, &QPushButton::clicked, this, &DataPlotWidget::cmdSaveChart_Click);
}

QLabel* DataPlotWidget::MakeLabel(const char* name, const QString& text, Qt::Alignment alignment) {
  QLabel* label = common::MakeLabel(text, name, this);
  label->setAlignment(alignment);
  return label;
}

// The range list, the pause toggle and "Save Chart...", with the range kept from the last run.
void DataPlotWidget::BuildChartControls() {
  lblRange_ = MakeLabel("lblRange", QStringLiteral("Ra&nge"), Qt::AlignLeft | Qt::AlignVCenter);
  cmboRange_ = common::Named(new QComboBox(this), "cmboRange");
  for (const RangeChoice choice : kRangeChoices) {
    cmboRange_->addItem(RangeChoiceText(choice), static_cast<int>(choice));
  }
  lblRange_->setBuddy(cmboRange_);
  cmboRange_->setToolTip(
      QStringLiteral("Vertical range of the chart (Alt+R). Auto fits the checked series shown on "
                     "the chart; temperature and AUX_ADC are drawn in their own units."));

  cmdPause_ = common::Named(new QPushButton(QStringLiteral("&Pause"), this), "cmdPause");
  cmdPause_->setCheckable(true);
  cmdPause_->setToolTip(QStringLiteral(
      "Holds the chart still (Alt+P); reading, the value boxes, the status flags "
      "and any datalog go on. Press again to go on drawing from the latest values."));

  cmdSaveChart_ =
      common::Named(new QPushButton(QStringLiteral("Sa&ve Chart..."), this), "cmdSaveChart");
  cmdSaveChart_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  cmdSaveChart_->setToolTip(
      QStringLiteral("Saves the chart as a PNG picture and the values on it as a CSV file of the "
                     "same name (Ctrl+S)"));
  cmdSaveChart_->setVisible(session_ != nullptr);

  ask_save_path = [this](const QString& caption, const QString& suggested, const QString& filter) {
    return common::AskSaveFileName(this, caption, suggested, filter);
  };

  const RangeChoice kept =
      settings_path_.isEmpty() ? RangeChoice::kPlusMinus30 : LoadRangeChoice(settings_path_);
  cmboRange_->setCurrentIndex(cmboRange_->findData(static_cast<int>(kept)));
  pic2_->SetRangeChoice(kept);
}

void DataPlotWidget::PlotDataPoints2(const SampleVector& samples) {
  const bool moves = !pic2_->IsPaused();
  pic2_->PlotDataPoints2(samples);
  if (moves && session_ != nullptr) {
    column_times_.Record(pic2_->Chart().X(), session_->clock().SecondsSinceMidnight());
  }
  SetYAxisLabels();  // set again on every pass: under "Auto" the pass may have moved the range
}

void DataPlotWidget::SetStale(bool stale) {
  pic2_->SetStale(stale);
}

void DataPlotWidget::SetSeriesChecked(int series, bool checked) {
  pic2_->SetSeriesChecked(series, checked);
}

void DataPlotWidget::cmboRange_Click() {
  const auto choice = static_cast<RangeChoice>(cmboRange_->currentData().toInt());
  pic2_->SetRangeChoice(choice);
  SetYAxisLabels();
  if (settings_path_.isEmpty()) return;
  QString why;
  if (!SaveRangeChoice(settings_path_, choice, why) && session_ != nullptr) {
    session_->notifier().Message(RangeNotKeptMessage(settings_path_, why), common::MessageTitle());
  }
}

void DataPlotWidget::cmdPause_Click() {
  pic2_->SetPaused(cmdPause_->isChecked());
}

void DataPlotWidget::cmdSaveChart_Click() {
  if (session_ == nullptr) return;
  const QString chosen =
      ask_save_path(QStringLiteral("Save the chart"), SuggestedChartPath(session_->DataFolder()),
                    QStringLiteral("PNG pictures (*.png);;All files (*)"));
  if (chosen.isEmpty()) return;
  const ChartFiles files = ChartFilesFor(chosen);

  QStringList failures;
  QString why;
  const QByteArray picture = PngBytes(PictureToSave().image);
  if (picture.isEmpty()) {
    failures << ChartNotSavedMessage(files.picture,
                                     QStringLiteral("the picture could not be made"));
  } else if (!common::WriteWholeFile(files.picture, picture, why)) {
    failures << ChartNotSavedMessage(files.picture, why);
  }
  if (!common::WriteWholeFile(files.values, ChartValuesCsv(pic2_->Chart()), why)) {
    failures << ChartNotSavedMessage(files.values, why);
  }
  if (!failures.isEmpty()) {
    session_->notifier().Message(failures.join(QStringLiteral("\r\n")), common::MessageTitle());
  }
}

ChartPicture DataPlotWidget::PictureToSave() const {
  ChartPictureTexts texts;
  texts.span = column_times_.SpanText(pic2_->Chart());
  texts.axis_title = label16_->text();
  texts.axis_unit = lblUnits2_->text();
  texts.scale_labels = {lblpFS2_->text(), lblmidS2_->text(), lblnFS2_->text()};
  for (std::size_t i = 0; i < lblPlotX_.size(); ++i) texts.tick_labels[i] = lblPlotX_[i]->text();
  texts.x_title = lblXaxis_->text();
  for (int series = kFirstSeries; series <= kLastSeries; ++series) {
    if (!pic2_->IsSeriesChecked(series)) continue;
    texts.legend.push_back(
        {ToQColor(SeriesLineColour(series)), QString::fromLatin1(kOutputRows[series - 1].caption)});
  }
  return DrawChartPicture(pic2_->grab().toImage(), texts, font());
}

void DataPlotWidget::SetYAxisLabels() {
  const YAxisTexts texts = YAxisLabelTexts(pic2_->Chart().Range());
  lblpFS2_->setText(texts.top);
  lblmidS2_->setText(texts.middle);
  lblnFS2_->setText(texts.bottom);
  if (ValueLabelWidth() != laid_out_value_width_) LayOut();  // a longer number needs more room
}

void DataPlotWidget::ShowReadout(double x, double y) {
  const ReadoutTexts texts = MouseReadout(x, y, locale());
  lblCurSam2_->setText(texts.sample);
  lblCurVal2_->setText(texts.value);
}

void DataPlotWidget::ShowCursorReadout() {
  const std::optional<int> series = CursorSeries(pic2_->Checked());
  if (!pic2_->IsPaused() || !series) {
    lblChartCursors_->hide();
    return;
  }
  // "X_Accel (g)" names the series and its unit.
  const QString caption = QString::fromLatin1(kOutputRows[*series - 1].caption);
  const qsizetype open = caption.indexOf(QLatin1Char('('));
  const QString name = caption.left(open).trimmed();
  const QString unit = open < 0 ? QString() : caption.mid(open + 1).chopped(1);
  lblChartCursors_->setText(
      name + QStringLiteral(": ") +
      common::CursorReadoutText(
          ChartCursorReadout(pic2_->Chart(), column_times_, *series, pic2_->Cursors()), unit,
          locale()));
  lblChartCursors_->adjustSize();
  lblChartCursors_->move(pic2_->pos() + QPoint(kGap, kGap));
  lblChartCursors_->raise();
  lblChartCursors_->show();
}

// Width of the column of y-axis numbers: room for "-30" at least, more for longer ones.
int DataPlotWidget::ValueLabelWidth() const {
  const QFontMetrics metrics = fontMetrics();
  int width = metrics.horizontalAdvance(QStringLiteral("-30"));
  for (const QLabel* label : {lblpFS2_, lblmidS2_, lblnFS2_}) {
    width = std::max(width, metrics.horizontalAdvance(label->text()));
  }
  return width + kGap;
}

int DataPlotWidget::ControlRowHeight() const {
  return std::max({cmboRange_->sizeHint().height(), cmdPause_->sizeHint().height(),
                   cmdSaveChart_->sizeHint().height()});
}

QSize DataPlotWidget::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  const int row = metrics.height();
  const QMargins margins = contentsMargins();
  const int width = metrics.horizontalAdvance(QStringLiteral("Accel.")) + ValueLabelWidth() +
                    kTickLength + 3 * kGap + StripChartWidget::kImageWidth +
                    metrics.horizontalAdvance(QStringLiteral("350"));
  const int height = row + StripChartWidget::kImageHeight + kTickLength + 3 * row + 3 * kGap +
                     ControlRowHeight() + kGap;
  return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

void DataPlotWidget::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  LayOut();
}

// Places every piece around the chart, which takes whatever room is left.
void DataPlotWidget::LayOut() {
  const QFontMetrics metrics = fontMetrics();
  const int row = metrics.height();
  const int control_height = ControlRowHeight();
  const QRect area = contentsRect();

  const int title_width = metrics.horizontalAdvance(QStringLiteral("Accel.")) + kGap;
  const int value_width = ValueLabelWidth();
  laid_out_value_width_ = value_width;
  const int tick_label_width = metrics.horizontalAdvance(QStringLiteral("350")) + 2 * kGap;

  const int chart_left = area.left() + title_width + value_width + kTickLength + 2 * kGap;
  const int chart_top = area.top() + row / 2;
  const int chart_right = std::max(chart_left + 10, area.right() - tick_label_width / 2);
  const int chart_bottom =
      std::max(chart_top + 10, area.bottom() - kTickLength - 3 * row - 2 * kGap - control_height);
  const QRect chart(QPoint(chart_left, chart_top), QPoint(chart_right, chart_bottom));
  pic2_->setGeometry(chart);
  lblChartCursors_->move(chart.topLeft() + QPoint(kGap, kGap));

  // Centre of chart column `column`, and of the image row at `fraction` of the chart's height
  // from the top, in this frame's pixels.
  const auto column_x = [&](int column) {
    return chart.left() + (column + 0.5) * chart.width() / StripChartWidget::kImageWidth;
  };
  const auto fraction_y = [&](double fraction) {
    const double image_row = fraction * (StripChartWidget::kImageHeight - 1);
    return chart.top() + (image_row + 0.5) * chart.height() / StripChartWidget::kImageHeight;
  };

  // Y axis: title and unit at the far left, full-scale labels on their tick marks.
  const int middle_y = static_cast<int>(fraction_y(0.5));
  label16_->setGeometry(area.left(), middle_y - row, title_width, row);
  lblUnits2_->setGeometry(area.left(), middle_y, title_width, row);
  const int value_left = area.left() + title_width;
  const std::array<QLabel*, 3> value_labels{lblpFS2_, lblmidS2_, lblnFS2_};
  for (std::size_t i = 0; i < value_labels.size(); ++i) {
    const int y = static_cast<int>(fraction_y(kYLabelFractions[i]));
    value_labels[i]->setGeometry(value_left, y - row / 2, value_width, row);
  }
  for (std::size_t i = 0; i < lblYscale_.size(); ++i) {
    const int y = static_cast<int>(fraction_y(kYTickFractions[i]));
    lblYscale_[i]->setGeometry(chart.left() - kGap - kTickLength, y, kTickLength, 1);
  }

  // X axis: tick marks under their columns, their numbers under them, then the title and the
  // mouse read-out.
  const int tick_top = chart.bottom() + 1;
  const int tick_label_top = tick_top + kTickLength;
  for (std::size_t i = 0; i < lblPlotX_.size(); ++i) {
    const int x = static_cast<int>(column_x(kXAxisTicks[i]));
    lineX_[i]->setGeometry(x, tick_top, 1, kTickLength);
    lblPlotX_[i]->setGeometry(x - tick_label_width / 2, tick_label_top, tick_label_width, row);
  }
  const int title_top = tick_label_top + row;
  lblXaxis_->setGeometry(chart.left(), title_top, chart.width(), row);

  const int readout_top = title_top + row + kGap;
  const int readout_width = metrics.horizontalAdvance(QStringLiteral("-000.0")) + kGap;
  int x = chart.left();
  for (QLabel* label : {label5_, lblCurSam2_, label1_, lblCurVal2_}) {
    const int width = label == label5_ || label == label1_
                          ? metrics.horizontalAdvance(label->text()) + kGap
                          : readout_width;
    label->setGeometry(x, readout_top, width, row);
    x += width + kGap;
  }

  // The chart's controls: the range at the left under the chart, the buttons at its right.
  const int controls_top = readout_top + row + kGap;
  const int range_label_width =
      metrics.horizontalAdvance(common::WithoutMnemonic(lblRange_->text())) + kGap;
  lblRange_->setGeometry(chart.left(), controls_top, range_label_width, control_height);
  cmboRange_->setGeometry(chart.left() + range_label_width + kGap, controls_top,
                          cmboRange_->sizeHint().width(), control_height);
  int right = chart.right() + 1;
  for (QPushButton* button : {cmdSaveChart_, cmdPause_}) {
    if (!button->isVisibleTo(this)) continue;
    const int width = button->sizeHint().width();
    right -= width;
    button->setGeometry(right, controls_top, width, control_height);
    right -= 2 * kGap;
  }
}

}  // namespace talvix::monitor
