// TavrinWin: the desktop Reversi game. The program contains no game logic of its own;
// it loads the engine library at run time (see TMainForm).
#include "data_directory.h"
#include "startup.h"

int main(int argc, char** argv) {
  TavrinApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrin dla Windows"));
  // Ties the window to the installed desktop entry (and so to its icon).
  QGuiApplication::setDesktopFileName(QStringLiteral("pl.zedare.TavrinWin"));
  // Without them the file dialogs would speak English in a Polish window; the game
  // works without them all the same.
  installQtTranslations(application);
  // The engine finds its data relative to the working directory.
  enterDataDirectory(QApplication::applicationDirPath());
  return runTavrin(application, TavrinOptions{});
}
