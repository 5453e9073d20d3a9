#include "monitor/ui/data_plot_widget.h"

#include "monitor/ui/strip_chart_widget.h"

#include <QFrame>
#include <QLabel>
#include <QResizeEvent>

#include <algorithm>

namespace talvix::monitor {

namespace {

constexpr int kTickLength = 5;  // pixels, tick marks beside the chart's edges
constexpr int kGap = 3;         // pixels between neighbouring pieces

// Values of the y-axis tick marks lblYscale1..lblYscale5, top to bottom.
constexpr std::array<double, 5> kYTicks{30.0, 15.0, 0.0, -15.0, -30.0};

}  // namespace

DataPlotWidget::DataPlotWidget(QWidget* parent) : QGroupBox(QStringLiteral("Data Plot"), parent) {
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
  SetYAxisLabels();

  connect(pic2_, &StripChartWidget::MouseMovedTo, this, &DataPlotWidget::ShowReadout);
}

QLabel* DataPlotWidget::MakeLabel(const char* name, const QString& text, Qt::Alignment alignment) {
  auto* label = new QLabel(text, this);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(alignment);
  return label;
}

void DataPlotWidget::PlotDataPoints2(const SampleVector& samples) {
  SetYAxisLabels();  // the range is set again on every pass; it never changes
  pic2_->PlotDataPoints2(samples);
}

void DataPlotWidget::SetSeriesChecked(int series, bool checked) {
  pic2_->SetSeriesChecked(series, checked);
}

void DataPlotWidget::SetYAxisLabels() {
  const YAxisTexts texts = YAxisLabelTexts();
  lblpFS2_->setText(texts.top);
  lblmidS2_->setText(texts.middle);
  lblnFS2_->setText(texts.bottom);
}

void DataPlotWidget::ShowReadout(double x, double y) {
  const ReadoutTexts texts = MouseReadout(x, y, locale());
  lblCurSam2_->setText(texts.sample);
  lblCurVal2_->setText(texts.value);
}

QSize DataPlotWidget::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  const int row = metrics.height();
  const QMargins margins = contentsMargins();
  const int width = metrics.horizontalAdvance(QStringLiteral("Accel.")) +
                    metrics.horizontalAdvance(QStringLiteral("-30")) + kTickLength + 4 * kGap +
                    StripChartWidget::kImageWidth +
                    metrics.horizontalAdvance(QStringLiteral("350"));
  const int height = row + StripChartWidget::kImageHeight + kTickLength + 3 * row + 3 * kGap;
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
  const QRect area = contentsRect();

  const int title_width = metrics.horizontalAdvance(QStringLiteral("Accel.")) + kGap;
  const int value_width = metrics.horizontalAdvance(QStringLiteral("-30")) + kGap;
  const int tick_label_width = metrics.horizontalAdvance(QStringLiteral("350")) + 2 * kGap;

  const int chart_left = area.left() + title_width + value_width + kTickLength + 2 * kGap;
  const int chart_top = area.top() + row / 2;
  const int chart_right = std::max(chart_left + 10, area.right() - tick_label_width / 2);
  const int chart_bottom = std::max(chart_top + 10, area.bottom() - kTickLength - 3 * row - kGap);
  const QRect chart(QPoint(chart_left, chart_top), QPoint(chart_right, chart_bottom));
  pic2_->setGeometry(chart);

  // Centre of chart column `column`, and height of value `value`, in this frame's pixels.
  const auto column_x = [&](int column) {
    return chart.left() + (column + 0.5) * chart.width() / StripChartWidget::kImageWidth;
  };
  const auto value_y = [&](double value) {
    const double image_row = (kChartTop - value) * StripChartWidget::kPixelsPerUnit;
    return chart.top() + (image_row + 0.5) * chart.height() / StripChartWidget::kImageHeight;
  };

  // Y axis: title and unit at the far left, full-scale labels on their tick marks.
  const int middle_y = static_cast<int>(value_y(0.0));
  label16_->setGeometry(area.left(), middle_y - row, title_width, row);
  lblUnits2_->setGeometry(area.left(), middle_y, title_width, row);
  const int value_left = area.left() + title_width;
  const std::array<QLabel*, 3> value_labels{lblpFS2_, lblmidS2_, lblnFS2_};
  const std::array<double, 3> label_values{kChartTop, 0.0, kChartBottom};
  for (std::size_t i = 0; i < value_labels.size(); ++i) {
    const int y = static_cast<int>(value_y(label_values[i]));
    value_labels[i]->setGeometry(value_left, y - row / 2, value_width, row);
  }
  for (std::size_t i = 0; i < lblYscale_.size(); ++i) {
    const int y = static_cast<int>(value_y(kYTicks[i]));
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
}

}  // namespace talvix::monitor
