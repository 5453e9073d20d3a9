// SPDX-License-Identifier: MIT
// The program's file dialogs: the file list in detail view, opened wide enough that the name, size,
// type and date columns can be read without widening the dialog first.
#pragma once

#include <QSize>
#include <QString>

class QFileDialog;
class QWidget;

namespace talvix::common {

// The size a file dialog opens at: room for about 110 characters across and 30 lines down, never
// less than the dialog asks for itself (`wanted`), never more than the screen has (`available`).
QSize WideFileDialogSize(QSize wanted, QSize available, int char_width, int line_height);

// Detail view at WideFileDialogSize for the screen `dialog` opens on.
void MakeWide(QFileDialog& dialog);

// Chosen path, or empty when the user cancelled. `suggested` is the folder and name offered.
QString AskSaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                        const QString& filter);
QString AskOpenFileName(QWidget* parent, const QString& caption, const QString& suggested,
                        const QString& filter);

}  // namespace talvix::common
