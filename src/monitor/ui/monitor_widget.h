// SPDX-License-Identifier: MIT
// The central area of the main window: "Output  Registers" with its graph column, "Data Plot",
// and below them "Status Register", "Event Capture", "Self Test" and "Powerdown". frmForm1 embeds
// it, runs PrepareAtLoad as the last step of its load, and stops the loops on its exit path.
#pragma once

#include "session/session.h"

#include <QWidget>

namespace talvix::monitor {

class DataPlotWidget;
class EventCaptureWidget;
class OutputRegistersWidget;
class PowerDownWidget;
class SelfTestWidget;
class StatusPanelWidget;

class MonitorWidget : public QWidget {
  Q_OBJECT

 public:
  explicit MonitorWidget(Session& session, QWidget* parent = nullptr);

  // The main window's own set-up, the last step of its load, in this order: power-down time "0"
  // and elapsed "0.0"; 100 ms; every graph swatch hidden, then rows 2 and 6 ticked and shown;
  // loop delay "5"; CaptTrigSelect from ALM_CTRL AND 0xF0; one Read and one Read Status; 10 ms;
  // Loop ticked (continuous reading starts only when the user presses Read).
  void PrepareAtLoad();

  // The Read button shows "STOP": a reading loop runs or is asked to.
  bool LoopRunning() const;
  // Ends the reading loop and a power-down count at their next yield, without further device
  // traffic; the Read button shows "Read" again. The exit path calls it before ending the
  // program; a loop also returns by itself when this widget is destroyed during its yield.
  void StopLoops();

  // After every change of interface: without one the values are shown as old and the line under
  // the Read button says since when; with one again it says to press Read.
  void ShowInterfaceState();

  OutputRegistersWidget* OutputRegisters() const { return output_registers_; }
  DataPlotWidget* DataPlot() const { return data_plot_; }
  PowerDownWidget* PowerDown() const { return power_down_; }

 signals:
  // Config clicked while capture is not armed: open the capture configuration window (modeless).
  void CaptureConfigRequested();
  // Capt_0 (0) or Capt_1 (1) clicked while capture is not armed: read the buffer out and show it.
  void CaptureDisplayRequested(int buffer);

 private:
  void LayOutFrames();
  void ConnectFrames();

  Session& session_;
  OutputRegistersWidget* output_registers_;
  DataPlotWidget* data_plot_;
  StatusPanelWidget* status_panel_;
  EventCaptureWidget* event_capture_;
  SelfTestWidget* self_test_;
  PowerDownWidget* power_down_;
};

}  // namespace talvix::monitor
