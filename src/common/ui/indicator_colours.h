// SPDX-License-Identifier: MIT
// Indicator colours of the main window's frames: red for an alarm, a low supply or a triggered
// capture, green for OK or armed, the system's button-face colour for neutral.
#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

namespace talvix::common {

inline QColor AlarmRed() {
  return QColor(255, 0, 0);
}
inline QColor OkGreen() {
  return QColor(0, 255, 0);
}
inline QColor SupplyWhite() {
  return QColor(255, 255, 255);
}
inline QColor ButtonFace() {
  return QGuiApplication::palette().color(QPalette::Button);
}

// Paints a label's (Window) or a text box's (Base) background. Setting a palette re-polishes the
// widget, so a colour it already has is left alone (the status flags are set after every pass).
inline void SetBackground(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
  if (widget->autoFillBackground() && widget->palette().color(role) == colour) return;
  QPalette palette = widget->palette();
  palette.setColor(role, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

inline QColor Background(const QWidget* widget, QPalette::ColorRole role) {
  return widget->palette().color(role);
}

}  // namespace talvix::common
