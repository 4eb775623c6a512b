// The help window (F1): the rules of the game, the keys, what each option does, the
// level table, and an about page with the program's version and licence.
#ifndef TAVRIN_HELP_WINDOW_H
#define TAVRIN_HELP_WINDOW_H

#include <QDialog>

class QTabWidget;

class HelpWindow : public QDialog {
 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  QTabWidget* pages = nullptr;

  // The texts of the pages, as shown (HTML).
  static QString rulesText();
  static QString keysText();
  static QString optionsText();
  static QString levelsText();
  static QString aboutText();
};

#endif
