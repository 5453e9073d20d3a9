// SPDX-License-Identifier: MIT
// "Save Settings..." and "Load Settings..." of the main window's Device Configuration menu: a file
// dialog in the data folder, then the save or load of regaccess/settings_transfer.h, and one
// message that says what was written, what read back differently, or why nothing was.
#pragma once

#include "session/session.h"

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace talvix::regaccess {

class SettingsFileActions : public QObject {
  Q_OBJECT

 public:
  // `parent` is the window the file dialogs open over.
  SettingsFileActions(Session& session, QWidget* parent);

  // Asks for a file, reads the sensor's settings and saves them there.
  void SaveSettings();
  // Asks for a settings file, checks it, loads it into the sensor and reads every register back.
  void LoadSettings();

  // (caption, suggested path, filter) -> the path chosen, empty when the user cancels. File
  // dialogs; tests put their own answers here.
  using AskPath = std::function<QString(const QString&, const QString&, const QString&)>;
  AskPath ask_save_path;
  AskPath ask_open_path;

  // The file name offered in the data folder.
  static QString SuggestedFileName() { return QStringLiteral("TalvixSettings.json"); }

 private:
  Session& session_;
  QWidget* parent_;
};

}  // namespace talvix::regaccess
