#include "save_question.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

SaveAnswer askToSaveGame(QWidget* parent) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(),
                  QStringLiteral("Zapisać partię?"), QMessageBox::NoButton, parent);
  box.setInformativeText(
      QStringLiteral("Od ostatniego zapisania lub wczytania zagrano ruchy, które przepadną."));
  QPushButton* yes = box.addButton(QStringLiteral("Tak"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("Nie"), QMessageBox::NoRole);
  QPushButton* cancel = box.addButton(QStringLiteral("Anuluj"), QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == yes) return SaveAnswer::Save;
  if (box.clickedButton() == no) return SaveAnswer::Discard;
  return SaveAnswer::Cancel;
}
