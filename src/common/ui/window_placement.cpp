// SPDX-License-Identifier: MIT
#include "common/ui/window_placement.h"

#include <QMargins>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <array>
#include <limits>

namespace talvix::common {

namespace {

// One coordinate of a window `length` long moved into [low, low + room): at `low` when it is
// longer than the room.
int KeptInside(int wanted, int length, int low, int room) {
  return std::max(low, std::min(wanted, low + room - length));
}

QPoint KeptInside(const QPoint& wanted, const QSize& size, const QRect& available) {
  return {KeptInside(wanted.x(), size.width(), available.left(), available.width()),
          KeptInside(wanted.y(), size.height(), available.top(), available.height())};
}

qint64 Area(const QRect& rect) {
  return rect.isEmpty() ? 0 : qint64{rect.width()} * rect.height();
}

}  // namespace

QPoint ToolWindowTopLeft(const QRect& main_frame, const QSize& tool_frame, const QRect& available) {
  const std::array<QPoint, 3> wanted = {
      QPoint(main_frame.right() + 1, main_frame.top()),                  // right of it
      QPoint(main_frame.left() - tool_frame.width(), main_frame.top()),  // left of it
      QPoint(main_frame.left(), main_frame.bottom() + 1),                // below it
  };
  QPoint best = KeptInside(wanted[0], tool_frame, available);
  qint64 least_covered = std::numeric_limits<qint64>::max();
  for (const QPoint& place : wanted) {
    const QPoint inside = KeptInside(place, tool_frame, available);
    const qint64 covered = Area(QRect(inside, tool_frame).intersected(main_frame));
    // Strictly less: of places that cover alike, the earlier one in the order of preference.
    if (covered < least_covered) {
      least_covered = covered;
      best = inside;
    }
  }
  return best;
}

void PlaceBesideMainWindow(QWidget* tool, const QWidget* main_window, QPoint cascade) {
  if (tool == nullptr || main_window == nullptr) return;
  const QWidget* main = main_window->window();
  const QScreen* screen = main->screen();
  if (screen == nullptr) return;
  // The size the window will open with: its layout's, unless it has been sized already.
  if (!tool->testAttribute(Qt::WA_Resized)) tool->adjustSize();
  const QRect main_frame = main->frameGeometry();
  const QRect main_inside = main->geometry();
  QSize frame = tool->frameGeometry().size();
  if (!tool->isVisible() && frame == tool->size()) {
    const QMargins margins(
        main_inside.left() - main_frame.left(), main_inside.top() - main_frame.top(),
        main_frame.right() - main_inside.right(), main_frame.bottom() - main_inside.bottom());
    frame = tool->size().grownBy(margins);
  }
  tool->move(ToolWindowTopLeft(main_frame.translated(cascade), frame, screen->availableGeometry()));
}

}  // namespace talvix::common
