// The engine's matrix library ends the process when its data is unusable (a missing or
// damaged model file). Before it does, it looks up this C function in the process and
// hands it the three lines of its message; a desktop program has no console to show
// them on, so they go into a message box, and the engine exits once the user has read
// it. The executable exports the symbol (ENABLE_EXPORTS) so that dlsym finds it.
#include <QApplication>
#include <QMessageBox>
#include <QThread>

extern "C" __attribute__((visibility("default"))) void TavrinMatrixErrorHook(const char* text) {
  auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (application == nullptr || text == nullptr) return;  // the text is already on stdout
  const QString message = QString::fromUtf8(text).trimmed();
  auto show = [message] {
    QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), message);
  };
  if (QThread::currentThread() == application->thread()) {
    show();
  } else {
    // From a worker: the box belongs to the user-interface thread, whose waits for the
    // worker keep serving such calls.
    QMetaObject::invokeMethod(application, show, Qt::BlockingQueuedConnection);
  }
}
