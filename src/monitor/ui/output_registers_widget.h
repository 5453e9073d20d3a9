// SPDX-License-Identifier: MIT
// The "Output  Registers" frame of the main window: the nine live values with the graph column
// (ckG2..ckG9 and their colour swatches), the Read/STOP button, Loop, the loop delay and Reset Pk.
//
// Continuous reading is a cooperative loop on the user-interface thread: each pass reads the nine
// rows, yields once to the window system (session.events()), hands the values to the chart and
// asks for a status read, waits the loop delay, and goes on while the Read button shows "STOP".
// Clicks are handled only inside that yield: a click on "STOP" sets "Read" and runs one more pass
// itself, after which the interrupted loop finishes its own pass and returns.
//
// A pass that got nothing from the sensor shows nothing as a value: when a read does not reach
// the sensor the boxes and the chart keep what they had and the loop stops; when every row
// answers all ones (a sensor asleep or not connected) the boxes are blanked. Either way the line
// under the buttons says what happened.
#pragma once

#include "monitor/output_rows.h"
#include "monitor/strip_chart.h"
#include "session/cooperative_loop.h"
#include "session/session.h"

#include <QColor>
#include <QGroupBox>

#include <array>
#include <cstdint>
#include <limits>
#include <optional>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace talvix::monitor {

class OutputRegistersWidget : public QGroupBox {
  Q_OBJECT

 public:
  explicit OutputRegistersWidget(Session& session, QWidget* parent = nullptr);

  // The Read button. Without an interface it only says why, on the line under it. With Loop ticked
  // it toggles the caption between "Read" and "STOP"; then it yields once and runs ReadData.
  void cmdReadData_Click();
  // One reading pass, or a loop of passes while Loop is ticked and the caption is "STOP".
  void ReadData();
  // Unticking Loop while the caption is "STOP" sets "Read": the loop ends after its pass.
  void ckLoop_Click();
  // Corrects the loop-delay box when editing it is finished (Enter or the focus leaving) and
  // before Read; meanwhile a pass waits the corrected value of whatever the box holds.
  void txtLoopDelay_Change();
  // COMMAND 0x0020, then ReadData (a single pass when a loop is already running). Without an
  // interface it only says why.
  void cmdResetPK_Click();
  // Shows or hides swatch `series` (2..9) with its box and tells the chart.
  void ckG_Click(int series);

  // The caption is "STOP": a loop runs or is asked to run.
  bool LoopRunning() const;
  // Ends every running loop at its next yield, without another pass or any device traffic, and
  // sets the caption to "Read". For the program's exit path.
  void StopLoops();

  // Values that are no longer new: the boxes greyed out (the supply box loses its colour), and
  // the line under the Read button gives `why` and since when the values are old. The next pass
  // that reads the sensor shows them as new again.
  void ShowStale(const QString& why);
  // The interface is gone (or ready again while the values are the old ones): the values are
  // shown stale and the line says so.
  void ShowInterfaceState();
  // A button (`action`, its caption) could not act without an interface: the line says so.
  void ShowRefusal(const QString& action);
  bool ValuesStale() const { return stale_; }

  // The load step's set-up of the frame: every swatch hidden, then graph rows 2 and 6 ticked
  // with their swatches shown; loop delay "5".
  void PrepareGraphColumn();
  void SetLoopDelayText(const QString& text);
  void SetLoop(bool checked);

 signals:
  // After every pass, in this order: the values for the chart (elements 1..9), then the request
  // for a status read.
  void SamplesRead(const talvix::monitor::SampleVector& samples);
  void StatusReadDue();
  // The values shown became old (true) or new again (false).
  void StaleChanged(bool stale);
  // ckG2..ckG9 changed.
  void SeriesChecked(int series, bool checked);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  // Never equal to a reading, so the first pass shows every row.
  static constexpr float kNothingShown = std::numeric_limits<float>::quiet_NaN();

  void BuildControls();
  void LayOutControls();
  void ConnectControls();
  // Passes of ReadData; `loop_mode` repeats them while the caption is "STOP".
  void RunPasses(bool loop_mode);
  // Shows what a pass got: the values, blank boxes for a sensor that does not answer, or nothing
  // new when the pass did not reach the sensor; and the line that says why.
  void ShowPass(const OutputPass& pass);
  void ShowSupplyShade();
  void ShowFresh();
  void SetProblemText(const QString& text);
  void SetLoopRunning(bool running);

  Session& session_;
  std::array<QLabel*, 9> row_labels_{};     // lblReadReg1..7, Label3, Label2
  std::array<QLineEdit*, 9> txtReadReg_{};  // rows 1..9 at [0]..[8]
  std::array<QCheckBox*, 8> ckG_{};         // series 2..9 at [0]..[7]
  std::array<QFrame*, 8> Shape_{};
  // The value each box shows now.
  std::array<float, 9> shown_values_{kNothingShown, kNothingShown, kNothingShown,
                                     kNothingShown, kNothingShown, kNothingShown,
                                     kNothingShown, kNothingShown, kNothingShown};
  QLabel* Label10_ = nullptr;
  QPushButton* cmdReadData_ = nullptr;
  QCheckBox* ckLoop_ = nullptr;
  QLineEdit* txtLoopDelay_ = nullptr;
  QLabel* Label11_ = nullptr;
  QPushButton* cmdResetPK_ = nullptr;
  QLabel* lblReadProblem_ = nullptr;  // why the last pass shows no values; empty after a good one
  // When the last pass that read the sensor took its values (seconds since midnight).
  std::optional<double> last_read_seconds_;
  bool stale_ = false;
  QColor supply_colour_;  // the supply box's colour while its value is new

  // Continuous reading; registered with the session so that the exit path can stop it.
  CooperativeLoop loop_;
};

}  // namespace talvix::monitor
