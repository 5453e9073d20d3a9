// SPDX-License-Identifier: MIT
// Small helpers the windows build their controls with: every control carries its given name as
// its object name, which is how tests and the windows' own code find it.
#pragma once

#include <QFont>
#include <QLabel>
#include <QString>
#include <QWidget>

namespace talvix::common {

template <typename T>
T* Named(T* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

template <typename T>
T* Named(T* widget, const char* name) {
  return Named(widget, QString::fromLatin1(name));
}

inline QLabel* MakeLabel(const QString& caption, const char* name, QWidget* parent) {
  return Named(new QLabel(caption, parent), name);
}

// A heading above a group of controls: the caption in bold.
inline QLabel* MakeBoldLabel(const QString& caption, const char* name, QWidget* parent) {
  QLabel* label = MakeLabel(caption, name, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

}  // namespace talvix::common
