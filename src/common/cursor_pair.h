// SPDX-License-Identifier: MIT
// The A and B cursors of a trace or a chart: two positions on a run of whole positions (sample
// numbers 1..N, chart columns 0..350), one of them active. The mouse places the active one (the
// left button A, the right button B); the keyboard moves the active one a step or a page, and
// Space makes the other one active.
#pragma once

namespace talvix::common {

enum class Cursor { kA, kB };

class CursorPair {
 public:
  // The run the cursors stay on: A goes to `first`, B to `last`, A is active. A run of one
  // position puts both on it.
  void Reset(int first, int last);

  // Puts a cursor at `position`, limited to the run, and makes it the active one.
  void Place(Cursor cursor, int position);
  // Moves the active cursor by `steps` (negative to the left), stopping at the run's ends.
  void Step(int steps);
  void ToggleActive() { active_ = active_ == Cursor::kA ? Cursor::kB : Cursor::kA; }
  // What a key does to the cursors (a Qt::Key): A or B makes that cursor the active one, Space
  // the other one; the arrows move the active one a step (`page` steps with Shift), Page Up and
  // Page Down a page, Home and End to the run's ends. False for any other key.
  bool MoveByKey(int key, bool shift, int page);

  Cursor active() const { return active_; }
  int a() const { return a_; }
  int b() const { return b_; }
  int Left() const { return a_ < b_ ? a_ : b_; }
  int Right() const { return a_ < b_ ? b_ : a_; }
  int first() const { return first_; }
  int last() const { return last_; }

 private:
  int Limit(int position) const;

  int first_ = 0;
  int last_ = 0;
  int a_ = 0;
  int b_ = 0;
  Cursor active_ = Cursor::kA;
};

}  // namespace talvix::common
