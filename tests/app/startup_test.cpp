// Start-up of the desktop program: binding the engine library, failing cleanly when it
// cannot be bound, finding the data folder, the report text, and the hook through which
// the engine's fatal data errors reach the user.
#include "startup.h"

#include <dlfcn.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

#include "data_directory.h"
#include "engine_binding.h"
#include "stand_in_client.h"

extern "C" void TavrinMatrixErrorHook(const char* text);

namespace {

const char kMatrixMessage[] =
    "MATRIX: readtxt(char *)\nnieudane otwarcie pliku do odczytu\nmodele//parametry9_i15_6.dat\n";

// Closes every message box that becomes the active modal widget and keeps its text.
class BoxCloser {
 public:
  BoxCloser() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        texts << box->text();
        box->done(0);
      }
    });
    timer_.start();
  }
  QStringList texts;

 private:
  QTimer timer_;
};

// True when the system's own search finds a libzedare.so (an installed engine), which
// would make a missing library impossible to arrange.
bool systemLibraryAvailable() {
  void* library = dlopen("libzedare.so", RTLD_NOW | RTLD_LOCAL);
  if (library != nullptr) dlclose(library);
  return library != nullptr;
}

bool noVisibleWindow() {
  const auto widgets = QApplication::topLevelWidgets();
  return std::none_of(widgets.begin(), widgets.end(), [](QWidget* w) { return w->isVisible(); });
}

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  void missingLibraryIsReportedAndNoWindowShown() {
    if (systemLibraryAvailable()) QSKIP("a libzedare.so is on the system's library path");
    QTemporaryDir empty;
    TavrinOptions options;
    options.libraryDirectories = {empty.path()};
    QStringList messages;
    const int status =
        runTavrin(*qApp, options, [&](const QString& message) { messages << message; });
    QCOMPARE(status, 1);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains("libzedare.so"), qPrintable(messages[0]));
    QVERIFY(noVisibleWindow());
  }

  void missingExportIsReportedAndNoWindowShown() {
    TavrinOptions options;
    options.libraryDirectories = {QStringLiteral(TAVRIN_STAND_IN_DIR "/lacking_export")};
    QStringList messages;
    const int status =
        runTavrin(*qApp, options, [&](const QString& message) { messages << message; });
    QCOMPARE(status, 1);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains("TavrinFile_pp"), qPrintable(messages[0]));
    QVERIFY(noVisibleWindow());
  }

  void libraryIsSearchedInTheGivenFoldersInOrder() {
    QTemporaryDir empty;
    QTemporaryDir broken;
    // A file of the right name that is no library: the search goes on past it.
    QFile bogus(broken.filePath("libzedare.so"));
    QVERIFY(bogus.open(QIODevice::WriteOnly));
    bogus.write("not a library");
    bogus.close();

    const QString programDir = QCoreApplication::applicationDirPath();
    EngineBinding binding;
    QString error;
    QVERIFY2(binding.load("zedare", {empty.path(), broken.path(), programDir}, &error),
             qPrintable(error));
    QCOMPARE(binding.libraryPath, QDir(programDir).absoluteFilePath("libzedare.so"));
    QVERIFY(binding.create && binding.destroy && binding.inst && binding.instP0 && binding.instPp &&
            binding.filePp);
    QVERIFY(binding.create() != nullptr);

    if (!systemLibraryAvailable()) {
      EngineBinding onlyBroken;
      QString brokenError;
      QVERIFY(!onlyBroken.load("zedare", {broken.path()}, &brokenError));
      QVERIFY(onlyBroken.inst == nullptr);
      QVERIFY2(brokenError.contains("libzedare.so"), qPrintable(brokenError));
    }
  }

  void dataFolderIsChosenByItsModels() {
    QTemporaryDir root;
    QDir base(root.path());
    for (const char* folder : {"work", "work_with/modele", "installed/modele", "empty"}) {
      QVERIFY(base.mkpath(folder));
    }
    const QString work = base.filePath("work");
    const QString workWith = base.filePath("work_with");
    const QString installed = base.filePath("installed");
    const QString empty = base.filePath("empty");

    QCOMPARE(chooseDataDirectory(workWith, {installed}), workWith);
    QCOMPARE(chooseDataDirectory(work, {empty, installed}), installed);
    QCOMPARE(chooseDataDirectory(work, {empty}), work);
    QCOMPARE(chooseDataDirectory(work, {}), work);
  }

  void dataFolderCandidatesAreInstallThenBuild() {
    const QStringList candidates = dataDirectoryCandidates("/opt/tavrin/bin");
    QCOMPARE(candidates.size(), 2);
    QCOMPARE(candidates[0], QStringLiteral("/opt/tavrin/share/zedare"));
    QCOMPARE(QDir(candidates[1]).canonicalPath(), QDir(TAVRIN_SOURCE_DIR).canonicalPath());
  }

  void programStartedElsewhereEntersInstalledData() {
    QTemporaryDir root;
    QDir base(root.path());
    QVERIFY(base.mkpath("bin"));
    QVERIFY(base.mkpath("share/zedare/modele"));
    QVERIFY(base.mkpath("desktop"));
    const QString before = QDir::currentPath();
    QDir::setCurrent(base.filePath("desktop"));
    const QString entered = enterDataDirectory(base.filePath("bin"));
    const QString now = QDir::currentPath();
    QDir::setCurrent(before);
    QCOMPARE(QDir(entered).canonicalPath(), QDir(base.filePath("share/zedare")).canonicalPath());
    QCOMPARE(QDir(now).canonicalPath(), QDir(base.filePath("share/zedare")).canonicalPath());
  }

  void reportText_data() {
    QTest::addColumn<double>("evaluation");
    QTest::addColumn<qint64>("positions");
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("rounded to one decimal")
        << 1.234 << qint64(12) << qint64(2) << "1.2 piona dla komputera\n12 poz., 2 s";
    QTest::newRow("half rounds up")
        << 0.05 << qint64(0) << qint64(0) << "0.1 piona dla komputera\n0 poz., 0 s";
    QTest::newRow("small negative: the player's")
        << -0.06 << qint64(3) << qint64(0) << "0.1 piona dla gracza\n3 poz., 0 s";
    QTest::newRow("nearly zero") << -0.04 << qint64(3) << qint64(0) << "0 – równowaga\n3 poz., 0 s";
    QTest::newRow("one") << -1.0 << qint64(7) << qint64(1) << "1 pion dla gracza\n7 poz., 1 s";
    QTest::newRow("two to four") << 22.0 << qint64(7) << qint64(1)
                                 << "22 piony dla komputera\n7 poz., 1 s";
    QTest::newRow("twelve to fourteen")
        << 13.0 << qint64(7) << qint64(1) << "13 pionów dla komputera\n7 poz., 1 s";
    QTest::newRow("decided game, no grouping") << -1000.0 << qint64(123456789012) << qint64(15)
                                               << "1000 pionów dla gracza\n123456789012 poz., 15 s";
    QTest::newRow("two digits") << 12.25 << qint64(1) << qint64(0)
                                << "12.3 piona dla komputera\n1 poz., 0 s";
  }

  void reportText() {
    QFETCH(double, evaluation);
    QFETCH(qint64, positions);
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(TavrinThread::reportText(evaluation, positions, seconds), text);
  }

  void reportTextUsesTheUsersDecimalSeparator() {
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    const QString text = TavrinThread::reportText(1.234, 12, 2);
    QLocale::setDefault(QLocale::c());
    QCOMPARE(text, QStringLiteral("1,2 piona dla komputera\n12 poz., 2 s"));
  }

  void errorHookIsExportedFromTheProgram() {
    QCOMPARE(dlsym(RTLD_DEFAULT, "TavrinMatrixErrorHook"),
             reinterpret_cast<void*>(&TavrinMatrixErrorHook));
  }

  void errorHookFromAWorkerShowsTheBoxBeforeReturning() {
    BoxCloser closer;
    std::atomic<bool> returned{false};
    std::atomic<bool> boxSeenBeforeReturn{false};
    QTimer watch;
    watch.setInterval(1);
    connect(&watch, &QTimer::timeout, [&] {
      if (QApplication::activeModalWidget() != nullptr && !returned.load()) {
        boxSeenBeforeReturn.store(true);
      }
    });
    watch.start();
    std::thread caller([&] {
      TavrinMatrixErrorHook(kMatrixMessage);
      returned.store(true);
    });
    const bool done = QTest::qWaitFor([&] { return returned.load(); }, 20000);
    caller.join();
    QVERIFY(done);
    QVERIFY(boxSeenBeforeReturn.load());
    QCOMPARE(closer.texts, QStringList{QString::fromUtf8(kMatrixMessage).trimmed()});
  }

  void errorHookOnTheUserInterfaceThreadShowsTheBox() {
    BoxCloser closer;
    TavrinMatrixErrorHook(kMatrixMessage);
    QCOMPARE(closer.texts.size(), 1);
    QVERIFY(closer.texts[0].contains("nieudane otwarcie pliku do odczytu"));
  }

  void unreadableModelAtStartReachesTheUser() {
    StandIn engine;
    engine.reset();
    engine.failStyle(6);
    BoxCloser closer;
    TestClock clock;
    TavrinOptions options;
    options.clock = clock.clock();
    TMainForm form(options);
    QVERIFY(waitForIdle(form));
    const QStringList log = engine.log();
    const int style = log.indexOf("LOAD_MODEL 1 6");
    QVERIFY(style >= 0);
    QCOMPARE(log.indexOf("hook returned"), style + 1);
    QCOMPARE(closer.texts.size(), 1);
    QVERIFY(closer.texts[0].startsWith("MATRIX: readtxt(char *)"));
  }
  // The file dialogs, drawn by Qt itself here, speak Polish like the window.
  void qtSpeaksPolishInTheFileDialogs() {
    QVERIFY2(installQtTranslations(*qApp), "Qt's Polish translations are not installed");
    QFileDialog dialog(nullptr, QStringLiteral("Otwieranie pliku partii"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) texts << button->text();
    const QStringList english = {"Look in:", "File &name:", "Files of type:", "&Open", "Cancel"};
    for (const QString& text : english)
      QVERIFY2(!texts.contains(text), qPrintable(texts.join(", ")));
    QVERIFY2(texts.contains(QCoreApplication::translate("QFileDialog", "Look in:")),
             qPrintable(texts.join(", ")));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Szukaj w:"));
  }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
