// SPDX-License-Identifier: MIT
// What a window shows, control by control, for tests that check that a failure shows nothing
// that was not read: the text of every named box, label and list, and the state of every named
// check box and option button.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QString>
#include <QWidget>

namespace talvix::test {

using ShownValues = QMap<QString, QString>;

inline ShownValues Shown(const QWidget& window) {
  ShownValues shown;
  for (const QWidget* widget : window.findChildren<QWidget*>()) {
    const QString name = widget->objectName();
    if (name.isEmpty() || name.startsWith(QStringLiteral("qt_"))) continue;
    if (const auto* box = qobject_cast<const QLineEdit*>(widget)) {
      shown[name] = box->text();
    } else if (const auto* label = qobject_cast<const QLabel*>(widget)) {
      shown[name] = label->text();
    } else if (const auto* list = qobject_cast<const QComboBox*>(widget)) {
      shown[name] = list->currentText();
    } else if (const auto* text = qobject_cast<const QPlainTextEdit*>(widget)) {
      shown[name] = text->toPlainText();
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget);
               button != nullptr && button->isCheckable()) {
      shown[name] = button->isChecked() ? QStringLiteral("checked") : QString();
    }
  }
  return shown;
}

// The controls of `after` that show something other than `before` did and are not blank: values
// that came from somewhere since `before`.
inline QStringList NewlyShown(const ShownValues& before, const ShownValues& after) {
  QStringList changed;
  for (auto it = after.cbegin(); it != after.cend(); ++it) {
    if (!it.value().isEmpty() && before.value(it.key()) != it.value()) {
      changed << it.key() + QStringLiteral("=") + it.value();
    }
  }
  return changed;
}

}  // namespace talvix::test
