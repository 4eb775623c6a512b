// Start-up of the desktop program: the application object that turns an exception
// escaping an event handler into a message box, and the step that builds and shows
// the main window or, when the engine cannot be bound, reports why and fails.
#ifndef TAVRIN_STARTUP_H
#define TAVRIN_STARTUP_H

#include <QApplication>
#include <functional>

#include "main_window.h"

class TavrinApplication : public QApplication {
 public:
  TavrinApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an error to the user; the default is a critical message box.
using ErrorPresenter = std::function<void(const QString& message)>;

void showErrorBox(const QString& message);

// Installs Qt's own Polish translations (the file dialogs, the message boxes' buttons),
// so that what Qt shows speaks the window's language whatever the system's locale.
// False when they are not installed (Debian package qt6-translations-l10n).
bool installQtTranslations(QCoreApplication& application);

// Builds the main window with `options`, shows it and runs the event loop, returning
// its exit status. When the window cannot be built, `presentError` receives the
// reason, no window is shown and the result is 1.
int runTavrin(QApplication& application, const TavrinOptions& options,
              const ErrorPresenter& presentError = showErrorBox);

#endif
