// SPDX-License-Identifier: MIT
// Helpers the widget tests share: finding a window's control by its given name, and running a
// test in another locale.
#pragma once

#include <QLocale>
#include <QObject>
#include <QString>

#include <stdexcept>
#include <string>

namespace talvix::test {

// The control of `window` named `name`; throws when the window has none, so that a test of a
// renamed control fails with the name rather than crashing.
template <typename T>
T* Control(const QObject* window, const QString& name) {
  T* widget = window->findChild<T*>(name);
  if (widget == nullptr) throw std::runtime_error("no control " + name.toStdString());
  return widget;
}

// Makes `locale` the default for as long as it lives, then restores the one before.
class DefaultLocale {
 public:
  explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
  ~DefaultLocale() { QLocale::setDefault(saved_); }
  DefaultLocale(const DefaultLocale&) = delete;
  DefaultLocale& operator=(const DefaultLocale&) = delete;

 private:
  QLocale saved_;
};

}  // namespace talvix::test
