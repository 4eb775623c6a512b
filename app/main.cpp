// TavrinWin: the desktop Reversi game. The program contains no game logic of its own;
// it loads the engine library at run time (see TMainForm).
#include "data_directory.h"
#include "startup.h"

int main(int argc, char** argv) {
  TavrinApplication application(argc, argv);
  // One name for one program: the X11 window class is the application name, which the
  // desktop entry's StartupWMClass names; users see the display name, as in the menu.
  QApplication::setApplicationName(QStringLiteral("TavrinWin"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tavrin Reversi"));
  // Ties the window to the installed desktop entry (and so to its icon).
  QGuiApplication::setDesktopFileName(QStringLiteral("pl.zedare.TavrinWin"));
  // Without them the file dialogs would speak English in a Polish window; the game
  // works without them all the same.
  installQtTranslations(application);
  // The engine finds its data relative to the working directory.
  enterDataDirectory(QApplication::applicationDirPath());
  return runTavrin(application, TavrinOptions{});
}
