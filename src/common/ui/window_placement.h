// SPDX-License-Identifier: MIT
// Where a tool window opens: beside the main window, so that the main window's menu bar and its
// Read, Arm and Config controls stay in sight, and always inside the screen's available area.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace talvix::common {

// The top-left corner (screen pixels, frame included) for a tool window whose frame measures
// `tool_frame`, opened from the main window whose frame is `main_frame`, on a screen whose
// available area (without task bars) is `available`. In order of preference: right of the main
// window, left of it, below it, top or left edges aligned with it; when none of these fits, the
// place inside the screen that covers the least of the main window. A window larger than the
// screen keeps its top-left corner at the screen's.
QPoint ToolWindowTopLeft(const QRect& main_frame, const QSize& tool_frame, const QRect& available);

// Moves `tool` to ToolWindowTopLeft beside the window of `main_window`, on that window's screen.
// Called by each tool window when it is built (after its layout), and by the main window for the
// windows it places itself. A window not yet shown has no frame of its own: it is counted with
// the main window's frame margins. `cascade` counts the main window as moved by that many pixels,
// so that the second window of a pair opens a little apart from the first. Does nothing without
// a main window.
void PlaceBesideMainWindow(QWidget* tool, const QWidget* main_window, QPoint cascade = {});

}  // namespace talvix::common
