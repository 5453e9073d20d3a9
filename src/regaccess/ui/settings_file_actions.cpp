// SPDX-License-Identifier: MIT
#include "regaccess/ui/settings_file_actions.h"

#include "common/message_titles.h"
#include "common/ui/file_dialogs.h"
#include "regaccess/settings_file.h"
#include "regaccess/settings_transfer.h"

#include <QDir>
#include <QGuiApplication>
#include <QWidget>

namespace talvix::regaccess {

namespace {

const QString kFilter = QStringLiteral("Settings files (*.json);;All files (*)");

// The wait cursor for as long as it lives.
class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

SettingsFileActions::SettingsFileActions(Session& session, QWidget* parent)
    : QObject(parent), session_(session), parent_(parent) {
  ask_save_path = [this](const QString& caption, const QString& suggested, const QString& filter) {
    return common::AskSaveFileName(parent_, caption, suggested, filter);
  };
  ask_open_path = [this](const QString& caption, const QString& suggested, const QString& filter) {
    return common::AskOpenFileName(parent_, caption, suggested, filter);
  };
}

void SettingsFileActions::SaveSettings() {
  const QString path =
      ask_save_path(QStringLiteral("Save Settings"),
                    QDir(session_.DataFolder()).filePath(SuggestedFileName()), kFilter);
  if (path.isEmpty()) return;
  DeviceSettings saved{};
  QString error;
  bool done = false;
  {
    WaitCursor wait;
    done = regaccess::SaveSettings(session_.link, path, saved, error);
  }
  if (!done) {
    session_.notifier().Message(error, common::ErrorTitle());
    return;
  }
  session_.notifier().Message(
      QStringLiteral("The %1 settings registers were saved to %2.").arg(kSettingsCount).arg(path),
      common::MessageTitle());
}

void SettingsFileActions::LoadSettings() {
  const QString path =
      ask_open_path(QStringLiteral("Load Settings"), session_.DataFolder(), kFilter);
  if (path.isEmpty()) return;
  const ParsedSettings parsed = ReadSettingsFile(path, session_.link.table());
  if (!parsed.settings) {
    session_.notifier().Message(RefusedFileMessage(parsed.problems), common::ErrorTitle());
    return;
  }
  LoadReport report;
  {
    WaitCursor wait;
    report = regaccess::LoadSettings(session_, *parsed.settings);
  }
  const bool loaded = report.result == LoadReport::Result::kLoaded;
  session_.notifier().Message(LoadSummary(session_.link.table(), path, *parsed.settings, report),
                              loaded ? common::MessageTitle() : common::ErrorTitle());
}

}  // namespace talvix::regaccess
