// SPDX-License-Identifier: MIT
// Messages to the user: a message box with an OK button on the desktop, a record in tests.
#pragma once

#include <QString>
#include <QStringList>

namespace talvix::platform {

class Notifier {
 public:
  virtual ~Notifier() = default;
  // Shows `text` and returns when the user has acknowledged it.
  virtual void Message(const QString& text, const QString& title) = 0;
};

// Keeps every message for later inspection (tests, and the command-line tool, which prints them).
class RecordingNotifier : public Notifier {
 public:
  void Message(const QString& text, const QString& title) override {
    texts.append(text);
    titles.append(title);
  }
  QStringList texts;
  QStringList titles;
};

}  // namespace talvix::platform
