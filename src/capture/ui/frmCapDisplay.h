// SPDX-License-Identifier: MIT
// A capture display window: one buffer's last read-out as a plot with its scale, the sample period
// and length under it, a read-out of the sample and value under the pointer, and Write File.
// The A and B cursors on the trace read the time and value between them and the statistics of
// the samples from one to the other. "Spectrum" shows the buffer's amplitude spectrum in place of
// the trace (and back), with its strongest peak, a read-out under the pointer, a linear or
// logarithmic scale, and "Write Spectrum" to write it beside the capture files. The
// class serves both buffers: frmCapDisplay0 shows buffer 0 ("Capt_0"), frmCapDisplay1 buffer 1.
// Modeless; the main window's Capt_0 / Capt_1 prepares the trace, opens the window and shows it
// again after each read-out. Closing the window discards it.
#pragma once

#include "session/session.h"

#include <QRect>
#include <QWidget>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

namespace talvix::capture {

class CaptSpectrumPlot;
class CaptTracePlot;

class frmCapDisplay : public QWidget {
  Q_OBJECT

 public:
  frmCapDisplay(Session& session, int buffer, QWidget* parent = nullptr);

  // Places the window above the bottom of the main window, whose frame is at `main_window` (in
  // pixels, on the screen), beside the main window's Data Plot frame at `frame_left` pixels from
  // the main window's left edge; the read-out shows "0".
  void Form_Load(const QRect& main_window, int frame_left);

  // Shows the buffer's trace as prepared: caption, unit, period, length, scale labels and plot.
  void ShowTrace();

  // Re-reads both buffers and writes both capture files into the data folder.
  void cmdWriteFile_Click();
  // The pointer at (x, y) of the trace's coordinates.
  void Picture1_MouseMove(double x, double y);
  // The Spectrum toggle: the spectrum in place of the trace, or the trace again.
  void cmdSpectrum_Click(bool spectrum);
  void chkLogAmplitude_Click(bool logarithmic);
  // Writes the shown spectrum as CapSpec_<buffer> into the data folder.
  void cmdWriteSpectrum_Click();
  // The pointer over the spectrum, at `hz` and `amplitude`.
  void picSpectrum_MouseMove(double hz, double amplitude);

  int buffer() const { return buffer_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ConnectControls();
  void ShowCursorReadout();
  // Places the plot, scale lines and labels for the window's present size.
  void LayOut();
  QLabel* MakeLabel(const char* name, const QString& caption);
  void SetFilesWritten(const QString& line);
  // The line elided in the middle to the label's width; the tool tip holds it whole.
  void ShowFilesWritten();

  Session& session_;
  const int buffer_;
  CaptTracePlot* Picture1_;
  QFrame* Line1_;
  QFrame* Line2_;
  QFrame* Line3_;
  QLabel* LblFullScale_;
  QLabel* LblMinScale_;
  QLabel* LblYunits_;
  QLabel* Label2_;
  QLabel* lblSamplePeriod_;
  QLabel* Label4_;
  QLabel* lblBuffLength_;
  QLabel* Label1_;
  QLabel* LblSample_;
  QLabel* Label3_;
  QLabel* LblValue_;
  QPushButton* cmdWriteFile_;
  // Where the last Write File put the files.
  QLabel* lblFilesWritten_;
  QString files_written_;
  CaptSpectrumPlot* picSpectrum_;
  QPushButton* cmdSpectrum_;
  QCheckBox* chkLogAmplitude_;
  QPushButton* cmdWriteSpectrum_;
  QLabel* lblCursors_;          // over the trace's top left: the cursors' read-out
  QLabel* lblSpectrumReadout_;  // over the spectrum's top right: the pointer's read-out
};

}  // namespace talvix::capture
