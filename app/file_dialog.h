// The window's open and save dialogs as small value objects. What the user is asked
// (title, starting folder, filter) is fixed by the window; how the question is put is
// a replaceable runner, so the tests answer it without a real dialog.
#ifndef TAVRIN_FILE_DIALOG_H
#define TAVRIN_FILE_DIALOG_H

#include <QString>
#include <functional>

class QWidget;

struct FileDialog {
  enum class Kind { Open, Save };

  Kind kind = Kind::Open;
  QString initialDir;
  QString filter;
  QString title;
};

// Shows `dialog` over `parent` and returns the chosen file name, or an empty string
// when the user cancelled.
using FileDialogRunner = std::function<QString(QWidget* parent, const FileDialog& dialog)>;

// The platform's file dialogs.
QString runPlatformFileDialog(QWidget* parent, const FileDialog& dialog);

#endif
