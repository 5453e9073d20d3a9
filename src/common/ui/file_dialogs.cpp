// SPDX-License-Identifier: MIT
#include "common/ui/file_dialogs.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace talvix::common {

namespace {

constexpr int kDialogChars = 110;  // across: a long name, its size, type and date
constexpr int kDialogLines = 30;

QString AskFileName(QWidget* parent, const QString& caption, const QString& suggested,
                    const QString& filter, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, caption, suggested, filter);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                     : QFileDialog::ExistingFile);
  MakeWide(dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

}  // namespace

QSize WideFileDialogSize(QSize wanted, QSize available, int char_width, int line_height) {
  const QSize roomy(kDialogChars * char_width, kDialogLines * line_height);
  return wanted.expandedTo(roomy).boundedTo(available);
}

void MakeWide(QFileDialog& dialog) {
  dialog.setViewMode(QFileDialog::Detail);
  const QWidget* anchor = dialog.parentWidget() != nullptr ? dialog.parentWidget() : &dialog;
  const QScreen* screen =
      anchor->screen() != nullptr ? anchor->screen() : QGuiApplication::primaryScreen();
  const QSize available = screen != nullptr ? screen->availableGeometry().size() * 9 / 10
                                            : QSize(kDialogChars * 8, kDialogLines * 20);
  const QFontMetrics metrics = dialog.fontMetrics();
  dialog.resize(WideFileDialogSize(dialog.sizeHint(), available, metrics.averageCharWidth(),
                                   metrics.lineSpacing()));
}

QString AskSaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                        const QString& filter) {
  return AskFileName(parent, caption, suggested, filter, QFileDialog::AcceptSave);
}

QString AskOpenFileName(QWidget* parent, const QString& caption, const QString& suggested,
                        const QString& filter) {
  return AskFileName(parent, caption, suggested, filter, QFileDialog::AcceptOpen);
}

}  // namespace talvix::common
