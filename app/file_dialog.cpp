#include "file_dialog.h"

#include <QFileDialog>

QString runPlatformFileDialog(QWidget* parent, const FileDialog& dialog) {
  if (dialog.kind == FileDialog::Kind::Open) {
    return QFileDialog::getOpenFileName(parent, dialog.title, dialog.initialDir, dialog.filter);
  }
  return QFileDialog::getSaveFileName(parent, dialog.title, dialog.initialDir, dialog.filter);
}
