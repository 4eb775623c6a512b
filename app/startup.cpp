#include "startup.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <exception>
#include <memory>

TavrinApplication::TavrinApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TavrinApplication::notify(QObject* receiver, QEvent* event) {
  // An error in one handler is shown and the window stays open.
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    showErrorBox(QString::fromUtf8(error.what()));
  } catch (...) {
    showErrorBox(QStringLiteral("Nieznany błąd."));
  }
  return false;
}

void showErrorBox(const QString& message) {
  QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), message);
}

bool installQtTranslations(QCoreApplication& application) {
  auto translator = std::make_unique<QTranslator>(&application);
  if (!translator->load(QLocale(QLocale::Polish, QLocale::Poland), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  application.installTranslator(translator.release());
  return true;
}

int runTavrin(QApplication& application, const TavrinOptions& options,
              const ErrorPresenter& presentError) {
  std::unique_ptr<TMainForm> form;
  try {
    form = std::make_unique<TMainForm>(options);
  } catch (const std::exception& error) {
    presentError(QString::fromUtf8(error.what()));
    return 1;
  }
  form->show();
  return application.exec();
}
