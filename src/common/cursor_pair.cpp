// SPDX-License-Identifier: MIT
#include "common/cursor_pair.h"

#include <qnamespace.h>

#include <algorithm>

namespace talvix::common {

void CursorPair::Reset(int first, int last) {
  first_ = std::min(first, last);
  last_ = std::max(first, last);
  a_ = first_;
  b_ = last_;
  active_ = Cursor::kA;
}

int CursorPair::Limit(int position) const {
  return std::clamp(position, first_, last_);
}

void CursorPair::Place(Cursor cursor, int position) {
  (cursor == Cursor::kA ? a_ : b_) = Limit(position);
  active_ = cursor;
}

void CursorPair::Step(int steps) {
  int& moved = active_ == Cursor::kA ? a_ : b_;
  // In 64 bits: a page of steps at the end of a long run does not overflow.
  moved =
      static_cast<int>(std::clamp<long long>(static_cast<long long>(moved) + steps, first_, last_));
}

bool CursorPair::MoveByKey(int key, bool shift, int page) {
  const int whole_run = last_ - first_ + 1;
  switch (key) {
    case Qt::Key_A:
      Place(Cursor::kA, a_);
      return true;
    case Qt::Key_B:
      Place(Cursor::kB, b_);
      return true;
    case Qt::Key_Space:
      ToggleActive();
      return true;
    case Qt::Key_Left:
      Step(shift ? -page : -1);
      return true;
    case Qt::Key_Right:
      Step(shift ? page : 1);
      return true;
    case Qt::Key_PageUp:
      Step(-page);
      return true;
    case Qt::Key_PageDown:
      Step(page);
      return true;
    case Qt::Key_Home:
      Step(-whole_run);
      return true;
    case Qt::Key_End:
      Step(whole_run);
      return true;
    default:
      return false;
  }
}

}  // namespace talvix::common
