// The main window against the stand-in engine: what it looks like at start, and the
// exact order of engine calls of its handlers, its worker and the waits between them.
// Log entries are "NAME a b" (TavrinInst), "NAME row column colour" (TavrinInst_p0), "NAME"
// (TavrinInst_pp) and "NAME path" (TavrinFile_pp), NAME the code's name in zedare.h without
// "ZEDARE_"; a "w:" prefix marks a call from a worker thread, " end" the return of a blocking call.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

#include "paint_box.h"
#include "stand_in_client.h"

namespace {

using Entries = QStringList;

const QString kEmptyReport = QStringLiteral("0 – równowaga\n0 poz., 0 s");

// Index of `entry` in `log` at or after `from`, or -1.
int find(const QStringList& log, const QString& entry, int from = 0) {
  return log.indexOf(entry, from);
}

QStringList workerEntries(const QStringList& log) {
  QStringList result;
  for (const QString& entry : log) {
    if (entry.startsWith("w:")) result << entry;
  }
  return result;
}

// Aborts the test program if a wait never ends (a deadlock between the window and a
// worker), so that the failure is reported instead of hanging the run.
class Watchdog {
 public:
  explicit Watchdog(int seconds) {
    thread_ = std::thread([this, seconds] {
      for (int i = 0; i < seconds * 100 && !done_.load(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      if (!done_.load()) qFatal("the window and its worker are deadlocked");
    });
  }
  ~Watchdog() {
    done_.store(true);
    thread_.join();
  }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private:
  StandIn engine;
  TestClock* clock = nullptr;
  std::unique_ptr<TestClock> clockOwner;
  QStringList dialogTitles;
  QString dialogAnswer;
  FileDialog lastDialog;
  QStringList messages;  // "title: text" of every message box the window showed

  // A window on the stand-in whose first worker has ended, with the log cleared.
  std::unique_ptr<TMainForm> makeForm(bool keepLog = false) {
    TavrinOptions options;
    options.clock = clock->clock();
    options.fileDialogs = [this](QWidget*, const FileDialog& dialog) {
      lastDialog = dialog;
      dialogTitles << dialog.title;
      return dialogAnswer;
    };
    options.messages = [this](QWidget*, const QString& title, const QString& text) {
      messages << title + ": " + text;
    };
    auto form = std::make_unique<TMainForm>(options);
    if (!waitForIdle(*form)) qFatal("the first worker did not end");
    if (!keepLog) engine.clearLog();
    return form;
  }

  // Paints the board once so that clicks find squares, then clears the log.
  void paintBoard(TMainForm& form) {
    form.Plansza->grab();
    engine.clearLog();
  }

  static QPoint squareCentre(const TMainForm& form, int screenColumn, int screenRow) {
    return {form.boardLeft + static_cast<int>((screenColumn - 0.5) * form.cellSize),
            form.boardTop + static_cast<int>((screenRow - 0.5) * form.cellSize)};
  }

  // A computer move whose background thinking blocks until the window stops it.
  void startThinkingWorker(TMainForm& form, int lingerMs = 0) {
    engine.queue(kStandInInst, ZEDARE_IS_COMPUTER_TO_MOVE, {1});
    engine.queue(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, {1});
    engine.queue(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, {1});
    engine.blocking(false, true, lingerMs);
    form.Button1->click();
    QVERIFY(QTest::qWaitFor([&] { return engine.logged("w:THINK_IN_BACKGROUND 0 0"); }, 10000));
  }

  // A computer move whose search blocks until the window stops it.
  void startSearchingWorker(TMainForm& form) {
    engine.queue(kStandInInst, ZEDARE_IS_COMPUTER_TO_MOVE, {1});
    engine.queue(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, {1});
    engine.blocking(true, false);
    form.Button1->click();
    QVERIFY(QTest::qWaitFor([&] { return engine.logged("w:COMPUTER_MOVE 1 0"); }, 10000));
  }

 private slots:
  void init() {
    engine.reset();
    clockOwner = std::make_unique<TestClock>();
    clock = clockOwner.get();
    dialogTitles.clear();
    dialogAnswer.clear();
    messages.clear();
  }

  void startUpSelectsStyleThenLevelThenStartsAWorker() {
    auto form = makeForm(true);
    QCOMPARE(engine.log(),
             (Entries{"Create", "LOAD_MODEL 1 6", "SET_LEVEL 1 0", "w:IS_COMPUTER_TO_MOVE 0 0"}));
  }

  void windowStartsAsDesigned() {
    auto form = makeForm();
    QCOMPARE(form->windowTitle(), QStringLiteral("Pelagor v.12"));
    // The designed client area, with the row of further options and the status line
    // added below it.
    const int status = form->StatusLine->height();
    const int strip = form->OptionStrip->height();
    QVERIFY(status >= QFontMetrics(form->font()).height());
    QCOMPARE(form->size(), QSize(744, 603 + strip + status));
    QCOMPARE(form->OptionStrip->geometry(), QRect(0, 603, 744, strip));
    QCOMPARE(form->StatusLine->geometry(), QRect(0, 603 + strip, 744, status));
    QCOMPARE(form->Plansza->size(), QSize(600, 603));
    QCOMPARE(form->Panel1->geometry(), QRect(600, 0, 144, 603));
    QCOMPARE(form->font().pixelSize(), 14);
    QCOMPARE(form->GroupBox1->title(), QStringLiteral(" Opcje "));
    QCOMPARE(form->GroupBox1->geometry(), QRect(6, 6, 132, 340));
    QCOMPARE(form->GroupBox2->geometry(), QRect(6, 346, 132, 60));
    // Two lines of report: taller than designed, still below "Następny ruch".
    QCOMPARE(form->GroupBox3->geometry(), QRect(6, 538, 132, 59));
    QVERIFY(form->GroupBox3->isHidden());
    QVERIFY(form->Button2->isHidden());
    QVERIFY(form->RadioButton1->isChecked());
    QVERIFY(!form->RadioButton2->isChecked());
    QCOMPARE(form->TrackBar1->minimum(), 1);
    QCOMPARE(form->TrackBar1->maximum(), 6);
    QCOMPARE(form->TrackBar1->value(), 1);
    QCOMPARE(form->Label3->text(), QStringLiteral("1"));
    QCOMPARE(form->Label8->text(), kEmptyReport);
    QVERIFY(!form->Label8->toolTip().isEmpty());
    QVERIFY(!form->CheckBox4->isChecked());
    QVERIFY(!form->CheckBox5->isChecked());
    QVERIFY(!form->CheckBox1->isChecked());
    QVERIFY(form->CheckBox2->isChecked());
    QVERIFY(form->CheckBox3->isChecked());
    QVERIFY(form->CheckBox7->isChecked());
    QCOMPARE(form->Ocena->geometry(), QRect(5, 19, 121, 10));
    QVERIFY(!form->MoveValuesBox->isChecked());
    QVERIFY(!form->FastThinkingBox->isChecked());
    QCOMPARE(form->MoveTimeBox->currentText(), QStringLiteral("brak"));
    QCOMPARE(form->Wynik->geometry(), QRect(10, 22, 115, 35));

    struct Expected {
      QAbstractButton* button;
      const char* caption;
      QRect place;
    };
    const Expected buttons[] = {
        {form->Button1, "Nowa partia", {10, 416, 122, 25}},
        {form->Button3, "<<", {10, 448, 23, 25}},
        {form->Button4, "<", {34, 448, 22, 25}},
        {form->Button12, "|>", {57, 448, 30, 25}},
        {form->Button5, ">", {88, 448, 22, 25}},
        {form->Button11, ">>", {111, 448, 22, 25}},
        {form->Button14, "Wczytaj", {10, 480, 58, 25}},
        {form->Button13, "Zapisz", {76, 480, 57, 25}},
        {form->Button2, "Następny ruch", {10, 512, 123, 25}},
        {form->RadioButton1, "Czarny", {30, 39, 70, 21}},
        {form->RadioButton2, "Biały", {30, 59, 70, 21}},
        {form->CheckBox4, "odwróć układ", {10, 185, 112, 21}},
    };
    for (const Expected& expected : buttons) {
      QCOMPARE(expected.button->text(), QString::fromUtf8(expected.caption));
      QCOMPARE(expected.button->geometry(), expected.place);
    }
    const std::pair<QAbstractButton*, int> checkRows[] = {{form->CheckBox5, 210},
                                                          {form->CheckBox1, 235},
                                                          {form->CheckBox2, 260},
                                                          {form->CheckBox3, 285},
                                                          {form->CheckBox7, 310}};
    for (const auto& [box, top] : checkRows) QCOMPARE(box->pos(), QPoint(10, top));
    QCOMPARE(form->CheckBox5->text(), QStringLiteral("pokaż ruchy"));
    QCOMPARE(form->CheckBox1->text(), QStringLiteral("pokaż ocenę"));
    QCOMPARE(form->CheckBox2->text(), QStringLiteral("opóźnienie"));
    QCOMPARE(form->CheckBox3->text(), QStringLiteral("myślenie w tle"));
    QCOMPARE(form->CheckBox7->text(), QStringLiteral("książka otwarć"));
    QCOMPARE(form->Label1->text(), QStringLiteral("Kolor gracza"));
    QCOMPARE(form->Label12->text(), QStringLiteral("Styl komputera"));
    QCOMPARE(form->Label2->text(), QStringLiteral("Poziom trudności"));
  }

  void tabOrderFollowsTheDesign() {
    auto form = makeForm();
    const QList<QWidget*> expected = {
        form->RadioButton1,  form->RadioButton2,    form->TrackBar1,   form->CheckBox3,
        form->CheckBox7,     form->CheckBox2,       form->CheckBox5,   form->CheckBox4,
        form->ComboBox2,     form->CheckBox1,       form->Button1,     form->Button2,
        form->Button3,       form->Button4,         form->Button5,     form->Button11,
        form->Button12,      form->Button13,        form->Button14,    form->Plansza,
        form->MoveValuesBox, form->FastThinkingBox, form->MoveTimeBox, form->AnalysisButton,
        form->HelpButton};
    QList<QWidget*> chain;
    QWidget* widget = form->RadioButton1;
    do {
      if (widget->focusPolicy() & Qt::TabFocus) chain << widget;
      widget = widget->nextInFocusChain();
    } while (widget != form->RadioButton1 && chain.size() <= expected.size());
    QCOMPARE(chain, expected);
  }

  void styleListIsAFixedSelectionOfSeven() {
    auto form = makeForm();
    QVERIFY(!form->ComboBox2->isEditable());
    const QStringList styles = {"zachłanny", "ostrożny",  "solidny",    "kombinacyjny",
                                "pozycyjny", "gambitowy", "mistrzowski"};
    QCOMPARE(form->ComboBox2->count(), styles.size());
    for (int i = 0; i < styles.size(); ++i) QCOMPARE(form->ComboBox2->itemText(i), styles[i]);
    QCOMPARE(form->ComboBox2->currentIndex(), 0);
    for (int index : {3, 6, 0}) {
      engine.clearLog();
      form->ComboBox2->setCurrentIndex(index);
      QCOMPARE(engine.log(), (Entries{"IS_SEARCHING 0 0", "IS_PONDERING 0 0",
                                      QString("LOAD_MODEL 1 %1").arg(6 - index)}));
    }
  }

  void humanMoveSequence() {
    auto form = makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QVERIFY(QTest::qWaitFor([&] { return form->cellSize > 0; }));
    engine.startPosition();
    engine.square(3, 4, 0, 1, -1);
    engine.answer(kStandInInst, ZEDARE_HUMAN_COLOUR, -1);
    engine.queue(kStandInInst, ZEDARE_IS_HUMAN_TO_MOVE,
                 {1, 1});  // the human is to move, also after the wait
    engine.queue(kStandInInst, ZEDARE_HUMAN_CAN_MOVE,
                 {1, 1});  // the human can move; then the computer passes
    engine.clearLog();

    QTest::mouseClick(form->Plansza, Qt::LeftButton, {}, squareCentre(*form, 3, 4));
    QVERIFY(waitForIdle(*form));
    const QStringList log = engine.logWithPaints();
    const int moveEnd = find(log, "RECORD_STORE");
    QVERIFY2(moveEnd > 0, qPrintable(log.join(", ")));
    QCOMPARE(log.mid(0, moveEnd + 1),
             (Entries{"IS_HUMAN_TO_MOVE 0 0", "IS_SEARCHING 0 0", "HUMAN_CAN_MOVE 0 0",
                      "HUMAN_COLOUR 0 0", "IS_LEGAL 3 4 -1", "STOP_PONDERING 0 0",
                      "IS_HUMAN_TO_MOVE 0 0", "HUMAN_COLOUR 0 0", "IS_LEGAL 3 4 -1",
                      "HUMAN_MOVE 3 4", "paint", "COMPUTER_CAN_MOVE 0 0", "HUMAN_CAN_MOVE 0 0",
                      "PASS 0 0 0", "RECORD_STORE"}));
    QVERIFY(find(log, "w:IS_COMPUTER_TO_MOVE 0 0", moveEnd) > moveEnd);
    QCOMPARE(form->clickColumn, 3);
    QCOMPARE(form->clickRow, 4);
  }

  void illegalOrOutsideClickOnlyStartsAWorker() {
    auto form = makeForm();
    paintBoard(*form);
    engine.answer(kStandInInst, ZEDARE_HUMAN_COLOUR, -1);
    engine.answer(kStandInInst, ZEDARE_IS_HUMAN_TO_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, 1);
    QTest::mouseClick(form->Plansza, Qt::LeftButton, {}, squareCentre(*form, 2, 2));
    QVERIFY(waitForIdle(*form));
    QCOMPARE(engine.log(),
             (Entries{"IS_HUMAN_TO_MOVE 0 0", "IS_SEARCHING 0 0", "HUMAN_CAN_MOVE 0 0",
                      "HUMAN_COLOUR 0 0", "IS_LEGAL 2 2 -1", "w:IS_COMPUTER_TO_MOVE 0 0"}));

    engine.clearLog();
    QTest::mouseClick(form->Plansza, Qt::LeftButton, {}, QPoint(5, 300));
    QVERIFY(waitForIdle(*form));
    QCOMPARE(engine.log(), (Entries{"IS_HUMAN_TO_MOVE 0 0", "IS_SEARCHING 0 0",
                                    "HUMAN_CAN_MOVE 0 0", "w:IS_COMPUTER_TO_MOVE 0 0"}));
  }

  void humanWithoutMovePassesOnAnyClick() {
    auto form = makeForm();
    paintBoard(*form);
    engine.answer(kStandInInst, ZEDARE_IS_HUMAN_TO_MOVE, 1);
    QTest::mouseClick(form->Plansza, Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(waitForIdle(*form));
    QCOMPARE(engine.log(),
             (Entries{"IS_HUMAN_TO_MOVE 0 0", "IS_SEARCHING 0 0", "HUMAN_CAN_MOVE 0 0",
                      "PASS 0 0 0", "w:IS_COMPUTER_TO_MOVE 0 0"}));
  }

  void flippedLayoutMirrorsTheRows_data() {
    QTest::addColumn<bool>("flipped");
    QTest::addColumn<QPoint>("offset");  // from the grid's top-left corner
    QTest::addColumn<QString>("asked");
    QTest::newRow("top-left") << false << QPoint(36, 36) << "IS_LEGAL 1 1 -1";
    QTest::newRow("top-left flipped") << true << QPoint(36, 36) << "IS_LEGAL 1 8 -1";
    QTest::newRow("square 3, 2") << false << QPoint(2 * 72 + 1, 72 + 5) << "IS_LEGAL 3 2 -1";
    QTest::newRow("square 3, 2 flipped") << true << QPoint(2 * 72 + 1, 72 + 5) << "IS_LEGAL 3 7 -1";
    // The grid is 577 pixels high for 576 of squares: its last pixel row is square 8.
    QTest::newRow("bottom pixel row") << false << QPoint(36, 576) << "IS_LEGAL 1 8 -1";
    QTest::newRow("bottom pixel row flipped") << true << QPoint(36, 576) << "IS_LEGAL 1 1 -1";
  }

  void flippedLayoutMirrorsTheRows() {
    QFETCH(bool, flipped);
    QFETCH(QPoint, offset);
    QFETCH(QString, asked);
    auto form = makeForm();
    form->CheckBox4->setChecked(flipped);
    paintBoard(*form);
    QCOMPARE(form->boardTop, 13);
    QCOMPARE(form->boardBottom, 590);
    engine.answer(kStandInInst, ZEDARE_HUMAN_COLOUR, -1);
    engine.answer(kStandInInst, ZEDARE_IS_HUMAN_TO_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, 1);
    QTest::mouseClick(form->Plansza, Qt::LeftButton, {},
                      QPoint(form->boardLeft, form->boardTop) + offset);
    QVERIFY(waitForIdle(*form));
    QCOMPARE(engine.log().value(4), asked);
  }

  void clickBeforeAnyPaintFindsNoSquare() {
    auto form = makeForm();
    engine.answer(kStandInInst, ZEDARE_IS_HUMAN_TO_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, 1);
    QTest::mouseClick(form->Plansza, Qt::LeftButton, {}, QPoint(100, 100));
    QVERIFY(waitForIdle(*form));
    QCOMPARE(engine.log(), (Entries{"IS_HUMAN_TO_MOVE 0 0", "IS_SEARCHING 0 0",
                                    "HUMAN_CAN_MOVE 0 0", "w:IS_COMPUTER_TO_MOVE 0 0"}));
  }

  // On the computer's turn the board takes no move, not even one entered for the
  // computer: the game goes on with "|>" or "Następny ruch".
  void computerMoveIsNotEnteredByHand() {
    auto form = makeForm();
    paintBoard(*form);
    form->Button2->show();
    engine.queue(kStandInInst, ZEDARE_COMPUTER_MOVE, {1});
    engine.queue(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, {1});
    for (const QPoint& square : {QPoint(6, 5), QPoint(1, 1)}) {
      engine.clearLog();
      QTest::mouseClick(form->Plansza, Qt::LeftButton, {},
                        squareCentre(*form, square.x(), square.y()));
      QCOMPARE(engine.log(), (Entries{"IS_HUMAN_TO_MOVE 0 0", "IS_SEARCHING 0 0"}));
      QVERIFY(!form->Button2->isHidden());
      QVERIFY(!form->hasLiveWorker());
    }
  }

  void clickWhileTheComputerSearchesDoesNothing() {
    auto form = makeForm();
    paintBoard(*form);
    startSearchingWorker(*form);
    engine.clearLog();
    QTest::mouseClick(form->Plansza, Qt::LeftButton, {}, squareCentre(*form, 6, 5));
    QCOMPARE(engine.log(), (Entries{"IS_HUMAN_TO_MOVE 0 0", "IS_SEARCHING 0 0"}));
    form->Button12->click();  // lets the search end
    QVERIFY(waitForIdle(*form));
  }

  void newGameSequence() {
    auto form = makeForm();
    form->TrackBar1->setValue(4);
    form->Button2->show();
    form->Label8->setText("x");
    engine.clearLog();
    form->Button1->click();
    QVERIFY(waitForIdle(*form));
    QCOMPARE(engine.log(), (Entries{"IS_SEARCHING 0 0", "IS_PONDERING 0 0", "NEW_GAME 0 0",
                                    "RECORD_RESET", "SET_LEVEL 4 0", "w:IS_COMPUTER_TO_MOVE 0 0"}));
    QVERIFY(form->Button2->isHidden());
    QCOMPARE(form->Label8->text(), kEmptyReport);
  }

  void levelChangeShowsTheEnginesLevel() {
    auto form = makeForm();
    engine.answer(kStandInInst, ZEDARE_LEVEL, 5);
    form->TrackBar1->setValue(5);
    QCOMPARE(engine.log(),
             (Entries{"IS_SEARCHING 0 0", "IS_PONDERING 0 0", "SET_LEVEL 5 0", "LEVEL 0 0"}));
    QCOMPARE(form->Label3->text(), QStringLiteral("5"));
  }

  void colourButtonsDoNotMakeTheComputerMove() {
    auto form = makeForm();
    engine.answer(kStandInInst, ZEDARE_IS_COMPUTER_TO_MOVE, 1);
    form->Button2->show();
    QTest::mouseClick(form->RadioButton2, Qt::LeftButton);
    QVERIFY(form->RadioButton2->isChecked());
    QTest::qWait(50);
    QCOMPARE(engine.log(), (Entries{"IS_SEARCHING 0 0", "IS_PONDERING 0 0", "SET_HUMAN_COLOUR 1 0",
                                    "RESET_TREE 0 0"}));
    QVERIFY(form->Button2->isHidden());
    QVERIFY(!form->hasLiveWorker());

    // "|>" then starts the computer's move.
    engine.clearLog();
    form->Button12->click();
    QVERIFY(waitForIdle(*form));
    QCOMPARE(engine.log().mid(0, 5),
             (Entries{"IS_SEARCHING 0 0", "IS_PONDERING 0 0", "IS_COMPUTER_TO_MOVE 0 0",
                      "w:IS_COMPUTER_TO_MOVE 0 0", "w:COMPUTER_CAN_MOVE 0 0"}));

    engine.clearLog();
    QTest::mouseClick(form->RadioButton1, Qt::LeftButton);
    QCOMPARE(engine.log(), (Entries{"IS_SEARCHING 0 0", "IS_PONDERING 0 0", "SET_HUMAN_COLOUR -1 0",
                                    "RESET_TREE 0 0"}));
  }

  void navigationGoesThroughTheRecord() {
    auto form = makeForm();
    struct Step {
      QPushButton* button;
      const char* code;
    };
    const Step steps[] = {{form->Button3, "RECORD_FIRST"},
                          {form->Button4, "RECORD_BACK"},
                          {form->Button5, "RECORD_FORWARD"},
                          {form->Button11, "RECORD_LAST"}};
    for (const Step& step : steps) {
      engine.clearLog();
      engine.queue(kStandInPp, ZEDARE_RECORD_PLAYER_COLOUR,
                   {1});                                     // the record was played with white
      engine.queue(kStandInInst, ZEDARE_SIDE_TO_MOVE, {1});  // white to move on the engine's board
      engine.queue(kStandInPp, ZEDARE_RECORD_SIDE_TO_MOVE,
                   {-1});  // but black to move in the record
      form->Button2->show();
      step.button->click();
      QCOMPARE(
          engine.log(),
          (Entries{"IS_SEARCHING 0 0", "IS_PONDERING 0 0", step.code, "RECORD_PLAYER_COLOUR",
                   "SET_HUMAN_COLOUR 1 0", "RECORD_LOAD_CURRENT", "SIDE_TO_MOVE 0 0",
                   "RECORD_SIDE_TO_MOVE", "PASS 0 0 0", "SET_LAST_MOVE 0 0", "RESET_TREE 0 0"}));
      QVERIFY(form->RadioButton2->isChecked());
      QVERIFY(form->Button2->isHidden());
      QVERIFY(!form->hasLiveWorker());
    }

    // Black's record, same side to move: no pass.
    engine.clearLog();
    engine.queue(kStandInPp, ZEDARE_RECORD_PLAYER_COLOUR, {-1});
    engine.queue(kStandInInst, ZEDARE_SIDE_TO_MOVE, {-1});
    engine.queue(kStandInPp, ZEDARE_RECORD_SIDE_TO_MOVE, {-1});
    form->Button4->click();
    QCOMPARE(engine.log(),
             (Entries{"IS_SEARCHING 0 0", "IS_PONDERING 0 0", "RECORD_BACK", "RECORD_PLAYER_COLOUR",
                      "SET_HUMAN_COLOUR -1 0", "RECORD_LOAD_CURRENT", "SIDE_TO_MOVE 0 0",
                      "RECORD_SIDE_TO_MOVE", "SET_LAST_MOVE 0 0", "RESET_TREE 0 0"}));
    QVERIFY(form->RadioButton1->isChecked());
  }

  void saveAppendsTheExtensionOnlyWhenMissing_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("plain name") << "/tmp/partia"
                                << "FILE_SAVE /tmp/partia.gam";
    QTest::newRow("name with the extension") << "/tmp/partia.gam"
                                             << "FILE_SAVE /tmp/partia.gam";
    QTest::newRow("extension in capitals") << "/tmp/PARTIA.GAM"
                                           << "FILE_SAVE /tmp/PARTIA.GAM";
    QTest::newRow("another extension") << "/tmp/partia.doc"
                                       << "FILE_SAVE /tmp/partia.doc.gam";
    QTest::newRow("extension inside the name") << "/tmp/x.gam.kopia"
                                               << "FILE_SAVE /tmp/x.gam.kopia.gam";
    QTest::newRow("Polish letters") << "/tmp/gra żółta"
                                    << "FILE_SAVE /tmp/gra żółta.gam";
  }

  void saveAppendsTheExtensionOnlyWhenMissing() {
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    auto form = makeForm();
    dialogAnswer = chosen;
    form->Button13->click();
    QCOMPARE(engine.log(), (Entries{"IS_SEARCHING 0 0", "IS_PONDERING 0 0", written}));
    QCOMPARE(lastDialog.kind, FileDialog::Kind::Save);
    QCOMPARE(lastDialog.title, QStringLiteral("Zapisywanie pliku partii"));
    QCOMPARE(lastDialog.initialDir, QDir::homePath());
    QVERIFY(lastDialog.filter.contains("*.gam"));
    QVERIFY(lastDialog.filter.contains(QStringLiteral("Zapis ruchów (*.txt *.mov)")));
    QVERIFY(lastDialog.filter.contains("Partia GGF (*.ggf)"));
    QVERIFY(!form->hasLiveWorker());
  }

  // Move text reaches the engine as a game file written for the load; a save in GGF is
  // the engine's saved game file converted.
  void transcriptsGoThroughAGameFile() {
    QTemporaryDir folder;
    const QString name = folder.filePath("partia.txt");
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("F5d6c3\n");
    file.close();
    auto form = makeForm();
    dialogAnswer = name;
    form->Button14->click();
    QTest::qWait(100);
    const QStringList loads =
        engine.log().filter(QRegularExpression("^FILE_LOAD .*/partia\\.gam$"));
    QCOMPARE(loads.size(), 1);
    QVERIFY(!loads[0].contains(folder.path()));
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join(", ")));

    // The stand-in writes no file, so the conversion finds none and says so.
    dialogAnswer = folder.filePath("partia.ggf");
    form->Button13->click();
    QCOMPARE(engine.log().filter(QRegularExpression("^FILE_SAVE .*/partia\\.gam$")).size(), 1);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains("to nie jest czytelny plik partii"), qPrintable(messages[0]));
    QVERIFY(!QFile::exists(dialogAnswer));
  }

  void cancelledDialogsDoNothing() {
    auto form = makeForm();
    form->Button13->click();
    form->Button14->click();
    QCOMPARE(dialogTitles, (QStringList{"Zapisywanie pliku partii", "Otwieranie pliku partii"}));
    QCOMPARE(engine.log(), (Entries{"IS_SEARCHING 0 0", "IS_PONDERING 0 0", "IS_SEARCHING 0 0",
                                    "IS_PONDERING 0 0"}));
  }

  // The record is replaced only by the load itself (the engine keeps it when it refuses
  // the file), so no new game precedes it.
  void loadInstallsTheGameWithNoWorkerRunning() {
    QTemporaryDir folder;
    const QString name = folder.filePath("zapis.gam");
    QVERIFY(QFile(name).open(QIODevice::WriteOnly));
    auto form = makeForm();
    engine.answer(kStandInInst, ZEDARE_IS_COMPUTER_TO_MOVE,
                  1);  // a worker started now would go for a move
    engine.queue(kStandInPp, ZEDARE_RECORD_PLAYER_COLOUR, {1});
    form->Label8->setText("x");
    dialogAnswer = name;
    form->Button14->click();
    QTest::qWait(100);
    QCOMPARE(engine.log(), (Entries{"IS_SEARCHING 0 0", "IS_PONDERING 0 0", "FILE_LOAD " + name,
                                    "RECORD_PLAYER_COLOUR", "SET_HUMAN_COLOUR 1 0",
                                    "RECORD_LOAD_CURRENT", "SIDE_TO_MOVE 0 0",
                                    "RECORD_SIDE_TO_MOVE", "SET_LAST_MOVE 0 0", "RESET_TREE 0 0"}));
    QVERIFY(messages.isEmpty());
    QCOMPARE(form->Label8->text(), kEmptyReport);
    QCOMPARE(lastDialog.kind, FileDialog::Kind::Open);
    QCOMPARE(lastDialog.title, QStringLiteral("Otwieranie pliku partii"));
    QCOMPARE(lastDialog.initialDir, QDir::homePath());
    QVERIFY(!form->hasLiveWorker());
    QVERIFY(form->RadioButton2->isChecked());
  }

  void loadFirstStopsABackgroundThinker() {
    QTemporaryDir folder;
    const QString name = folder.filePath("zapis.gam");
    QVERIFY(QFile(name).open(QIODevice::WriteOnly));
    auto form = makeForm();
    startThinkingWorker(*form);
    engine.clearLog();
    dialogAnswer = name;
    form->Button14->click();
    const QStringList log = engine.log();
    const int thinkingEnded = find(log, "w:THINK_IN_BACKGROUND 0 0 end");
    QVERIFY(thinkingEnded > 0);
    QVERIFY(find(log, "FILE_LOAD " + name) > thinkingEnded);
    QVERIFY(find(log, "w:RECORD_STORE") < find(log, "FILE_LOAD " + name));
    QVERIFY(!form->hasLiveWorker());
  }

  void evaluationGroupFollowsItsCheckBox() {
    auto form = makeForm();
    form->CheckBox1->setChecked(true);
    QVERIFY(!form->GroupBox3->isHidden());
    form->CheckBox1->setChecked(false);
    QVERIFY(form->GroupBox3->isHidden());
  }

  void computerMoveReport_data() {
    QTest::addColumn<bool>("delay");
    QTest::addColumn<bool>("book");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("end");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QList<int>>("sleeps");
    QTest::newRow("fast move, delayed")
        << true << true << qint64(100) << qint64(100) << "1.2 piona dla komputera\n12 poz., 0 s"
        << QList<int>{500};
    QTest::newRow("fast move, no delay") << false << true << qint64(100) << qint64(100)
                                         << "1.2 piona dla komputera\n12 poz., 0 s" << QList<int>{};
    QTest::newRow("slow move") << true << false << qint64(100) << qint64(102)
                               << "1.2 piona dla komputera\n12 poz., 2 s" << QList<int>{};
  }

  void computerMoveReport() {
    QFETCH(bool, delay);
    QFETCH(bool, book);
    QFETCH(qint64, start);
    QFETCH(qint64, end);
    QFETCH(QString, report);
    QFETCH(QList<int>, sleeps);
    QLocale::setDefault(QLocale::c());
    auto form = makeForm();
    form->CheckBox2->setChecked(delay);
    form->CheckBox7->setChecked(book);
    engine.clearLog();
    clock->queueReadings({start, end});
    engine.queue(kStandInInst, ZEDARE_IS_COMPUTER_TO_MOVE,
                 {1, 1});  // the window's "|>", then the worker
    engine.queue(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, {1});
    engine.queue(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, {1});
    engine.answer(kStandInInst, ZEDARE_BEST_VALUE, 1234);
    engine.answer(kStandInInst, ZEDARE_EXACT_COUNT, 5);
    engine.answer(kStandInInst, ZEDARE_EVAL_COUNT, 7);
    form->Button12->click();
    QVERIFY(waitForIdle(*form));
    QTRY_COMPARE(form->Label8->text(), report);
    QVERIFY(form->GroupBox3->isHidden());  // the report is kept up to date while hidden
    const QString move = book ? "w:COMPUTER_MOVE 1 0" : "w:COMPUTER_MOVE 0 0";
    QCOMPARE(workerEntries(engine.log()),
             (Entries{"w:IS_COMPUTER_TO_MOVE 0 0", "w:COMPUTER_CAN_MOVE 0 0", move,
                      "w:BEST_VALUE 0 0", "w:EXACT_COUNT 0 0", "w:EVAL_COUNT 0 0",
                      "w:HUMAN_CAN_MOVE 0 0", "w:THINK_IN_BACKGROUND 0 0", "w:RECORD_STORE"}));
    const std::vector<int> slept = clock->sleeps();
    QCOMPARE(QList<int>(slept.begin(), slept.end()), sleeps);
  }

  void computerMoveWithoutBackgroundThinking() {
    auto form = makeForm();
    form->CheckBox3->setChecked(false);
    engine.queue(kStandInInst, ZEDARE_IS_COMPUTER_TO_MOVE,
                 {1, 1});  // the window's "|>", then the worker
    engine.queue(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, {1});
    engine.queue(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, {1});
    form->Button12->click();
    QVERIFY(waitForIdle(*form));
    QCOMPARE(workerEntries(engine.log()),
             (Entries{"w:IS_COMPUTER_TO_MOVE 0 0", "w:COMPUTER_CAN_MOVE 0 0", "w:COMPUTER_MOVE 1 0",
                      "w:BEST_VALUE 0 0", "w:EXACT_COUNT 0 0", "w:EVAL_COUNT 0 0",
                      "w:HUMAN_CAN_MOVE 0 0", "w:RECORD_STORE"}));
  }

  void computerPassesAndHumanMustPass() {
    auto form = makeForm();
    form->Label8->setText("unchanged");
    engine.queue(kStandInInst, ZEDARE_IS_COMPUTER_TO_MOVE,
                 {1, 1});  // the window's "|>", then the worker
    engine.queue(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE,
                 {0, 1});  // the computer cannot move; later it can
    engine.queue(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, {0});  // and the human cannot either
    form->Button12->click();
    QVERIFY(waitForIdle(*form));
    QCOMPARE(workerEntries(engine.log()),
             (Entries{"w:IS_COMPUTER_TO_MOVE 0 0", "w:COMPUTER_CAN_MOVE 0 0", "w:PASS 0 0 0",
                      "w:HUMAN_CAN_MOVE 0 0", "w:COMPUTER_CAN_MOVE 0 0", "w:PASS 0 0 0",
                      "w:RECORD_STORE"}));
    QVERIFY(!form->Button2->isHidden());
    QTest::qWait(20);
    QCOMPARE(form->Label8->text(), QStringLiteral("unchanged"));

    // "Następny ruch" hides itself and asks for the computer's move.
    engine.clearLog();
    form->Button2->click();
    QVERIFY(form->Button2->isHidden());
    QVERIFY(waitForIdle(*form));
    QCOMPARE(engine.log(), (Entries{"w:IS_COMPUTER_TO_MOVE 0 0"}));
  }

  void gameEndsWhenNeitherSideCanMove() {
    auto form = makeForm();
    engine.queue(kStandInInst, ZEDARE_IS_COMPUTER_TO_MOVE,
                 {1, 1});  // the window's "|>", then the worker
    engine.queue(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, {1, 0});
    engine.queue(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, {0});
    form->Button12->click();
    QVERIFY(waitForIdle(*form));
    const QStringList worker = workerEntries(engine.log());
    QCOMPARE(worker.mid(worker.size() - 4),
             (Entries{"w:HUMAN_CAN_MOVE 0 0", "w:COMPUTER_CAN_MOVE 0 0", "w:END_GAME 0 0 0",
                      "w:RECORD_STORE"}));
    QVERIFY(form->Button2->isHidden());
  }

  void playButtonMovesForTheHuman() {
    auto form = makeForm();
    engine.queue(kStandInInst, ZEDARE_IS_HUMAN_TO_MOVE, {1});
    engine.queue(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, {1, 1});
    engine.queue(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, {0});
    form->Button12->click();
    QVERIFY(waitForIdle(*form));
    QCOMPARE(engine.log(),
             (Entries{"IS_SEARCHING 0 0", "IS_PONDERING 0 0", "IS_COMPUTER_TO_MOVE 0 0",
                      "w:IS_HUMAN_TO_MOVE 0 0", "w:HUMAN_CAN_MOVE 0 0", "w:HUMAN_MOVE 1 0",
                      "w:BEST_VALUE 0 0", "w:EXACT_COUNT 0 0", "w:EVAL_COUNT 0 0",
                      "w:COMPUTER_CAN_MOVE 0 0", "w:HUMAN_CAN_MOVE 0 0", "w:PASS 0 0 0",
                      "w:RECORD_STORE"}));
  }

  void playButtonCutsASearchShort() {
    auto form = makeForm();
    startSearchingWorker(*form);
    engine.queue(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, {1, 1});  // after the move the human can move
    form->Button2->show();
    engine.clearLog();
    form->Button12->click();
    QVERIFY(form->Button2->isHidden());
    QVERIFY(waitForIdle(*form));
    const QStringList log = engine.log();
    QCOMPARE(log, (Entries{"IS_SEARCHING 0 0", "STOP_SEARCH 0 0", "w:COMPUTER_MOVE 1 0 end",
                           "w:BEST_VALUE 0 0", "w:EXACT_COUNT 0 0", "w:EVAL_COUNT 0 0",
                           "w:HUMAN_CAN_MOVE 0 0", "w:RECORD_STORE", "w:HUMAN_CAN_MOVE 0 0",
                           "w:THINK_IN_BACKGROUND 0 0"}));
    QCOMPARE(form->switches.thinkingAllowed.load(), 1);
  }

  void optionChangesStopTheWorkerFirst_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("searching");
    QTest::addColumn<QString>("command");
    QTest::newRow("level while thinking") << 0 << false << "SET_LEVEL 3 0";
    QTest::newRow("colour while thinking") << 1 << false << "SET_HUMAN_COLOUR 1 0";
    QTest::newRow("style while thinking") << 2 << false << "LOAD_MODEL 1 3";
    QTest::newRow("level while searching") << 0 << true << "SET_LEVEL 3 0";
    QTest::newRow("colour while searching") << 1 << true << "SET_HUMAN_COLOUR 1 0";
    QTest::newRow("style while searching") << 2 << true << "LOAD_MODEL 1 3";
  }

  void optionChangesStopTheWorkerFirst() {
    QFETCH(int, option);
    QFETCH(bool, searching);
    QFETCH(QString, command);
    auto form = makeForm();
    engine.queue(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, {1});
    if (searching) {
      startSearchingWorker(*form);
    } else {
      startThinkingWorker(*form);
    }
    engine.clearLog();
    switch (option) {
      case 0:
        form->TrackBar1->setValue(3);
        break;
      case 1:
        QTest::mouseClick(form->RadioButton2, Qt::LeftButton);
        break;
      default:
        form->ComboBox2->setCurrentIndex(3);
        break;
    }
    const QStringList log = engine.log();
    const int sent = find(log, command);
    const QString stop = searching ? "STOP_SEARCH 0 0" : "STOP_PONDERING 0 0";
    const QString workerEnd =
        searching ? "w:COMPUTER_MOVE 1 0 end" : "w:THINK_IN_BACKGROUND 0 0 end";
    QVERIFY2(sent > 0, qPrintable(log.join(", ")));
    QVERIFY(find(log, stop) >= 0 && find(log, stop) < find(log, workerEnd));
    QVERIFY(find(log, workerEnd) < sent);
    QVERIFY(find(log, "w:RECORD_STORE") < sent);
    QCOMPARE(find(log, "w:THINK_IN_BACKGROUND 0 0"),
             -1);  // a cut search is not followed by thinking
    QVERIFY(!form->hasLiveWorker());
  }

  void humanMoveWaitsForAnOlderThinkingWorker() {
    auto form = makeForm();
    paintBoard(*form);
    // The first worker thinks in the background and, once stopped, takes a while to
    // return and store its position.
    startThinkingWorker(*form, 150);
    engine.answer(kStandInInst, ZEDARE_HUMAN_COLOUR, -1);
    engine.answer(kStandInInst, ZEDARE_IS_HUMAN_TO_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, 1);
    engine.square(4, 3, 0, 1, -1);

    // A click beside the board starts the next worker, which ends at once; only one
    // worker lives at a time, so the thinking one is stopped and waited for first.
    engine.clearLog();
    QTest::mouseClick(form->Plansza, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(QTest::qWaitFor([&] {
      return engine.log().count("w:IS_COMPUTER_TO_MOVE 0 0") == 1 && form->worker->done();
    }));
    QStringList log = engine.log();
    QVERIFY2(find(log, "STOP_PONDERING 0 0") >= 0, qPrintable(log.join(", ")));
    QVERIFY(find(log, "STOP_PONDERING 0 0") < find(log, "w:THINK_IN_BACKGROUND 0 0 end"));
    QVERIFY(find(log, "w:RECORD_STORE") < find(log, "w:IS_COMPUTER_TO_MOVE 0 0"));
    QVERIFY(!form->hasLiveWorker());

    engine.clearLog();
    QTest::mouseClick(form->Plansza, Qt::LeftButton, {}, squareCentre(*form, 4, 3));
    log = engine.log();
    const int move = find(log, "HUMAN_MOVE 4 3");
    QVERIFY2(move >= 0, qPrintable(log.join(", ")));
    QVERIFY(waitForIdle(*form));
  }

  void waitsServeTheWorkersBlockingCall() {
    Watchdog watchdog(60);
    auto form = makeForm();
    // The search is cut by "Nowa partia"; the worker then has to show "Następny ruch"
    // through the user-interface thread, which is waiting for it.
    startSearchingWorker(*form);
    engine.queue(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, {0});
    engine.queue(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, {1});
    engine.clearLog();
    form->Button1->click();
    QVERIFY(waitForIdle(*form));
    const QStringList log = engine.log();
    QVERIFY2(find(log, "w:PASS 0 0 0") > 0, qPrintable(log.join(", ")));
    QVERIFY(find(log, "w:RECORD_STORE") < find(log, "NEW_GAME 0 0"));
    QVERIFY(form->Button2->isHidden());  // shown by the worker, hidden by the new game
  }

  void stopIsRepeatedForAThinkerThatMissedIt() {
    // The worker enters background thinking, but the engine raises its flag only a
    // moment later: "Nowa partia" finds the flag down and sends no stop at first. The
    // window must still end the thinking rather than wait for it to finish by itself.
    Watchdog watchdog(60);
    auto form = makeForm();
    engine.queue(kStandInInst, ZEDARE_IS_COMPUTER_TO_MOVE,
                 {1, 1});  // the window's "|>", then the worker
    engine.queue(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, {1});
    engine.queue(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, {1});
    engine.blocking(false, true, 0, 300);
    form->Button12->click();
    QVERIFY(QTest::qWaitFor([&] { return engine.logged("w:THINK_IN_BACKGROUND 0 0"); }, 10000));
    engine.clearLog();
    form->Button1->click();
    const QStringList log = engine.log();
    QVERIFY2(find(log, "w:THINK_IN_BACKGROUND 0 0 end") > 0, qPrintable(log.join(", ")));
    QVERIFY(find(log, "STOP_PONDERING 0 0") < find(log, "w:THINK_IN_BACKGROUND 0 0 end"));
    QVERIFY(find(log, "w:RECORD_STORE") < find(log, "NEW_GAME 0 0"));
  }
  // "|>" has the engine search the human's move; a click on a legal square meanwhile
  // must not play a second move for the human once that search returns.
  void clickDuringTheSearchForTheHumanPlaysNothing() {
    Watchdog watchdog(60);
    auto form = makeForm();
    paintBoard(*form);
    engine.answer(kStandInInst, ZEDARE_HUMAN_COLOUR, -1);
    engine.answer(kStandInInst, ZEDARE_IS_HUMAN_TO_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, 1);
    engine.square(3, 4, 0, 1, -1);
    engine.blocking(true, false);
    form->Button12->click();
    QVERIFY(QTest::qWaitFor([&] { return engine.logged("w:HUMAN_MOVE 1 0"); }, 10000));
    // Ends the search after a while in case the click waits for it.
    QTimer::singleShot(300, form.get(), [&] { form->inst(26); });
    QTest::mouseClick(form->Plansza, Qt::LeftButton, {}, squareCentre(*form, 3, 4));
    form->inst(26);
    QVERIFY(waitForIdle(*form));
    const QStringList log = engine.log();
    QCOMPARE(log.count("w:HUMAN_MOVE 1 0 end"), 1);
    QVERIFY2(!log.contains("HUMAN_MOVE 3 4"), qPrintable(log.join(", ")));
  }

  // Hints and clicks belong to the human's turn only. The square (3, 4) is an empty
  // candidate that the side to move may play.
  void hintsAndClicksOnlyOnTheHumansTurn_data() {
    QTest::addColumn<int>("human");
    QTest::addColumn<int>("sideToMove");
    QTest::addColumn<bool>("hint");
    QTest::addColumn<QString>("played");  // the move call a click makes, or empty
    QTest::newRow("black human to move") << -1 << -1 << true << "HUMAN_MOVE 3 4";
    QTest::newRow("white human to move") << 1 << 1 << true << "HUMAN_MOVE 3 4";
    QTest::newRow("computer (white) to move") << -1 << 1 << false << "";
    QTest::newRow("computer (black) to move") << 1 << -1 << false << "";
  }

  void hintsAndClicksOnlyOnTheHumansTurn() {
    QFETCH(int, human);
    QFETCH(int, sideToMove);
    QFETCH(bool, hint);
    QFETCH(QString, played);
    auto form = makeForm();
    form->CheckBox5->setChecked(true);
    engine.startPosition();
    engine.square(3, 4, 0, 1, sideToMove);
    engine.answer(kStandInInst, ZEDARE_HUMAN_COLOUR, human);
    engine.answer(kStandInInst, ZEDARE_COMPUTER_COLOUR, -human);
    engine.answer(kStandInInst, ZEDARE_SIDE_TO_MOVE, sideToMove);
    engine.answer(kStandInInst, ZEDARE_IS_HUMAN_TO_MOVE, sideToMove == human ? 1 : 0);
    engine.answer(kStandInInst, ZEDARE_IS_COMPUTER_TO_MOVE, sideToMove == human ? 0 : 1);
    engine.answer(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_COMPUTER_MOVE, 1);
    const QImage board = form->Plansza->grab().toImage();
    const QPoint centre = squareCentre(*form, 3, 4);
    const int half = static_cast<int>(form->cellSize / 2) - 2;
    int olive = 0;
    for (int y = centre.y() - half; y <= centre.y() + half; ++y) {
      for (int x = centre.x() - half; x <= centre.x() + half; ++x) {
        olive += board.pixelColor(x, y) == QColor(200, 240, 110) ? 1 : 0;
      }
    }
    QCOMPARE(olive > 0, hint);

    engine.clearLog();
    QTest::mouseClick(form->Plansza, Qt::LeftButton, {}, centre);
    QVERIFY(waitForIdle(*form));
    const QStringList log = engine.log();
    const bool moved = log.contains("HUMAN_MOVE 3 4") || log.contains("COMPUTER_MOVE 3 4");
    QVERIFY2(moved == !played.isEmpty(), qPrintable(log.join(", ")));
    if (!played.isEmpty()) QVERIFY(log.contains(played));
  }

  // Unticking "myślenie w tle" ends background thinking that already runs, also when
  // the engine raises its flag only after the first stop.
  void untickingBackgroundThinkingStopsIt_data() {
    QTest::addColumn<int>("raiseDelayMs");
    QTest::newRow("flag up") << 0;
    QTest::newRow("flag raised late") << 300;
  }

  void untickingBackgroundThinkingStopsIt() {
    QFETCH(int, raiseDelayMs);
    auto form = makeForm();
    engine.queue(kStandInInst, ZEDARE_IS_COMPUTER_TO_MOVE, {1});
    engine.queue(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, {1});
    engine.queue(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, {1});
    engine.blocking(false, true, 0, raiseDelayMs);
    form->Button1->click();
    QVERIFY(QTest::qWaitFor([&] { return engine.logged("w:THINK_IN_BACKGROUND 0 0"); }, 10000));
    engine.clearLog();
    form->CheckBox3->click();
    QVERIFY(!form->CheckBox3->isChecked());
    QVERIFY(QTest::qWaitFor([&] { return !form->hasLiveWorker(); }, 3000));
    const QStringList log = engine.log();
    QVERIFY2(log.contains("w:THINK_IN_BACKGROUND 0 0 end"), qPrintable(log.join(", ")));
    QVERIFY(find(log, "STOP_PONDERING 0 0") < find(log, "w:THINK_IN_BACKGROUND 0 0 end"));
    QVERIFY(log.contains("w:RECORD_STORE"));  // the computer's move is still recorded
  }

  // A file the engine cannot load leaves the game as it was and says why.
  void refusedLoadKeepsTheGame_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("engineAsked");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file") << "missing" << false << "nie istnieje";
    QTest::newRow("a folder") << "folder" << false << "folder";
    QTest::newRow("empty file") << "empty" << true << "pusty";
    QTest::newRow("bad contents") << "bad" << true << "nie jest zapisem partii";
    // Transcripts the codec refuses, in Polish; the file names the kind.
    QTest::newRow("square taken") << "f5 f5\n|partia.txt" << false
                                  << "zapis ruchów, znak 4: ruch 2 (f5): pole jest zajęte";
    QTest::newRow("illegal move") << "f5d6c3d3c4f4f6a1|partia.txt" << false
                                  << "zapis ruchów, znak 15: ruch 8 (a1) niedozwolony dla białych";
    QTest::newRow("no move") << "f5zz|partia.mov" << false
                             << "zapis ruchów, znak 3: „zz” nie jest ruchem";
    QTest::newRow("GGF cut off") << "(;GM[Othello]BO[8 |partia.ggf" << false
                                 << "GGF: tekst kończy się wewnątrz BO[";
    QTest::newRow("GGF of another game")
        << "(;GM[Go];)|partia.ggf" << false << "GGF, znak 3: GM[Go] to nie othello";
    QTest::newRow("GGF move") << "(;GM[Othello]B[f5]W[f5];)|partia.ggf" << false
                              << "GGF, znak 19: ruch 2 (f5): pole jest zajęte";
    QTest::newRow("GGF board") << "(;GM[Othello]BO[8 x];)|partia.ggf" << false
                               << "GGF, znak 14: BO: potrzeba 64 pól i strony na ruchu";
  }

  void refusedLoadKeepsTheGame() {
    QFETCH(QString, kind);
    QFETCH(bool, engineAsked);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QStringList transcript = kind.split('|');  // text|file name
    const QString name = folder.filePath(kind == "folder"         ? ""
                                         : transcript.size() == 2 ? transcript[1]
                                                                  : "partia.gam");
    if (kind == "empty" || kind == "bad" || transcript.size() == 2) {
      QFile file(name);
      QVERIFY(file.open(QIODevice::WriteOnly));
      if (kind == "bad") file.write("to nie jest partia\n");
      if (transcript.size() == 2) file.write(transcript[0].toUtf8());
    }
    auto form = makeForm();
    engine.answer(kStandInFile, ZEDARE_FILE_LOAD, 0);  // the engine refuses the file
    dialogAnswer = name;
    form->Button14->click();
    const QStringList log = engine.log();
    QCOMPARE(log.contains("FILE_LOAD " + name), engineAsked);
    for (const char* change :
         {"NEW_GAME 0 0", "RECORD_RESET", "RECORD_LOAD_CURRENT", "RESET_TREE 0 0"}) {
      QVERIFY2(!log.contains(change), qPrintable(log.join(", ")));
    }
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith("Otwieranie pliku partii: Nie wczytano pliku"),
             qPrintable(messages[0]));
    QVERIFY2(messages[0].contains(reason), qPrintable(messages[0]));
    // Nothing in English (the file's own name aside).
    const QString text = QString(messages[0]).remove(name);
    QVERIFY2(!text.contains(QRegularExpression("\\b(the|is|not|move|text|character|ends)\\b")),
             qPrintable(text));
    QVERIFY(!form->hasLiveWorker());
  }

  void failedSaveSaysSo_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no such folder") << "missing/partia"
                                    << "nie istnieje";
    QTest::newRow("engine could not write") << "partia"
                                            << "nie powiódł się";
  }

  void failedSaveSaysSo() {
    QFETCH(QString, where);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    auto form = makeForm();
    engine.answer(kStandInFile, ZEDARE_FILE_SAVE, 0);
    dialogAnswer = folder.filePath(where);
    form->Button13->click();
    QVERIFY(engine.logged("FILE_SAVE " + folder.filePath(where) + ".gam"));
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith("Zapisywanie pliku partii: Nie zapisano partii"),
             qPrintable(messages[0]));
    QVERIFY2(messages[0].contains(reason), qPrintable(messages[0]));

    // A save that works says nothing.
    messages.clear();
    engine.answer(kStandInFile, ZEDARE_FILE_SAVE, 1);
    form->Button13->click();
    QVERIFY(messages.isEmpty());
  }

  // The dialogs start in the home folder, then in the folder of the last file chosen in
  // either of them.
  void dialogsOpenInTheLastFolderUsed() {
    QTemporaryDir first;
    QTemporaryDir second;
    auto form = makeForm();
    form->Button13->click();  // cancelled
    QCOMPARE(lastDialog.initialDir, QDir::homePath());
    form->Button14->click();
    QCOMPARE(lastDialog.initialDir, QDir::homePath());

    dialogAnswer = first.filePath("partia");
    form->Button13->click();
    dialogAnswer.clear();
    form->Button14->click();
    QCOMPARE(lastDialog.kind, FileDialog::Kind::Open);
    QCOMPARE(lastDialog.initialDir, first.path());

    dialogAnswer = second.filePath("nie_ma.gam");  // the folder counts even if the load fails
    form->Button14->click();
    dialogAnswer.clear();
    form->Button13->click();
    QCOMPARE(lastDialog.kind, FileDialog::Kind::Save);
    QCOMPARE(lastDialog.initialDir, second.path());
  }

  // Every caption is drawn whole in the font the window actually gets: a check box's or
  // radio button's text fits the room its style leaves beside the indicator, a push
  // button's fits inside its frame, a label fits its group, a style name fits the list.
  void captionsFitTheirControls() {
    auto form = makeForm();
    const QString family = QFontInfo(form->font()).family();
    QStringList cut;
    auto check = [&](const QString& caption, int needed, int room) {
      if (needed > room) cut << QString("\"%1\" needs %2 of %3").arg(caption).arg(needed).arg(room);
    };
    for (QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
      const QFontMetrics metrics(button->font());
      const int needed = metrics.horizontalAdvance(button->text());
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = button->text();
      if (qobject_cast<QCheckBox*>(button) != nullptr) {
        check(
            button->text(), needed,
            button->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, button).width());
      } else if (qobject_cast<QRadioButton*>(button) != nullptr) {
        check(button->text(), needed,
              button->style()
                  ->subElementRect(QStyle::SE_RadioButtonContents, &option, button)
                  .width());
      } else {
        check(button->text(), needed,
              button->style()
                  ->subElementRect(QStyle::SE_PushButtonContents, &option, button)
                  .width());
      }
    }
    for (QLabel* label : form->findChildren<QLabel*>()) {
      if (label->text().isEmpty() || label->wordWrap()) continue;
      const int needed = QFontMetrics(label->font()).horizontalAdvance(label->text());
      check(label->text(), needed, label->width());
      check(label->text(), label->x() + needed, label->parentWidget()->width());
    }
    for (QGroupBox* group : form->findChildren<QGroupBox*>()) {
      check(group->title(), QFontMetrics(group->font()).horizontalAdvance(group->title()),
            group->width() - 16);
    }
    QStyleOptionComboBox option;
    option.initFrom(form->ComboBox2);
    const int room = form->ComboBox2->style()
                         ->subControlRect(QStyle::CC_ComboBox, &option,
                                          QStyle::SC_ComboBoxEditField, form->ComboBox2)
                         .width();
    for (int i = 0; i < form->ComboBox2->count(); ++i) {
      const QString item = form->ComboBox2->itemText(i);
      check(item, QFontMetrics(form->ComboBox2->font()).horizontalAdvance(item), room);
    }
    QVERIFY2(cut.isEmpty(), qPrintable("font " + family + ": " + cut.join("; ")));
  }

  // At any size from the minimum up, every control lies inside the window and none
  // covers another, with the evaluation group and "Następny ruch" both shown.
  void everythingReachableAtEverySize_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("minimum") << QSize(554, 455);
    QTest::newRow("minimum height, default width") << QSize(744, 455);
    QTest::newRow("just below the designed height") << QSize(744, 600);
    QTest::newRow("minimum width, tall") << QSize(554, 800);
    QTest::newRow("large") << QSize(1200, 900);
  }

  void everythingReachableAtEverySize() {
    QFETCH(QSize, size);
    auto form = makeForm();
    form->CheckBox1->setChecked(true);
    form->Button2->show();
    form->resize(size);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QTRY_COMPARE(form->size(), size);
    QCOMPARE(form->minimumSize(), QSize(554, 455));
    QList<QWidget*> blocks = {form->Plansza, form->GroupBox1, form->GroupBox2, form->GroupBox3};
    for (QPushButton* button : form->findChildren<QPushButton*>()) blocks << button;
    for (QLabel* label : form->findChildren<QLabel*>()) {
      if (label->parentWidget() == form.get() || label->parentWidget() == form->Panel2) {
        blocks << label;  // a label of the window itself, not of a group
      }
    }
    auto placed = [&](QWidget* widget) {
      return QRect(widget->mapTo(form.get(), QPoint(0, 0)), widget->size());
    };
    for (QWidget* widget : blocks) {
      QVERIFY2(widget->isVisible(), qPrintable(widget->objectName()));
      QVERIFY2(form->rect().contains(placed(widget)),
               qPrintable(widget->objectName() + " lies outside the window"));
    }
    for (int i = 0; i < blocks.size(); ++i) {
      for (int j = i + 1; j < blocks.size(); ++j) {
        QVERIFY2(!placed(blocks[i]).intersects(placed(blocks[j])),
                 qPrintable(blocks[i]->objectName() + " overlaps " + blocks[j]->objectName()));
      }
    }
    // The board is still a board: at least 30 pixels a square.
    form->Plansza->grab();
    QVERIFY(form->cellSize >= 30);
  }
  // The status line says whose move it is, how a pass or a paused game goes on, and
  // who won by how much. Discs: black and white counts placed on the stand-in's board.
  void statusLineFollowsTheGame_data() {
    QTest::addColumn<int>("computer");
    QTest::addColumn<int>("sideToMove");
    QTest::addColumn<int>("black");
    QTest::addColumn<int>("white");
    QTest::addColumn<bool>("humanHasAMove");
    QTest::addColumn<bool>("nextMoveShown");
    QTest::addColumn<QString>("status");
    QTest::newRow("human (black) to move")
        << 1 << -1 << 2 << 2 << true << false << "Ruch gracza (czarne).";
    QTest::newRow("human (white) to move")
        << -1 << 1 << 2 << 2 << true << false << "Ruch gracza (białe).";
    QTest::newRow("computer to move, paused")
        << 1 << 1 << 3 << 1 << true << false << "Ruch komputera (białe). Grę wznawia „|>”.";
    QTest::newRow("human passes")
        << 1 << 1 << 10 << 30 << false << true
        << "Gracz (czarne) nie ma ruchu i pasuje. Grę wznawia „Następny ruch”.";
    QTest::newRow("human without a move after navigating")
        << 1 << -1 << 10 << 30 << false << false
        << "Gracz (czarne) nie ma ruchu: kliknięcie planszy to pas.";
    QTest::newRow("human wins") << 1 << 0 << 40 << 24 << false << false
                                << "Koniec partii: wygrywa gracz (czarne), 40 : 24, przewaga 16.";
    QTest::newRow("computer wins")
        << -1 << 0 << 40 << 20 << false << false
        << "Koniec partii: wygrywa komputer (czarne), 40 : 20, przewaga 20.";
    QTest::newRow("wipe-out") << 1 << 0 << 0 << 13 << false << false
                              << "Koniec partii: wygrywa komputer (białe), 13 : 0, przewaga 13.";
    QTest::newRow("draw") << 1 << 0 << 32 << 32 << false << false
                          << "Koniec partii: remis 32 : 32.";
  }

  void statusLineFollowsTheGame() {
    QFETCH(int, computer);
    QFETCH(int, sideToMove);
    QFETCH(int, black);
    QFETCH(int, white);
    QFETCH(bool, humanHasAMove);
    QFETCH(bool, nextMoveShown);
    QFETCH(QString, status);
    auto form = makeForm();
    engine.answer(kStandInInst, ZEDARE_COMPUTER_COLOUR, computer);
    engine.answer(kStandInInst, ZEDARE_SIDE_TO_MOVE, sideToMove);
    for (int i = 0; i < black + white; ++i) {
      engine.square(i / 8 + 1, i % 8 + 1, i < black ? -1 : 1);
    }
    if (humanHasAMove) engine.square(8, 8, 0, 1, -computer);
    if (nextMoveShown) form->Button2->show();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QTRY_COMPARE(form->StatusLine->text(), status);
  }

  // While a worker searches, the line says so, and it changes by itself once the
  // worker has ended.
  void statusLineWhileTheEngineSearches_data() {
    QTest::addColumn<bool>("forTheHuman");
    QTest::addColumn<QString>("during");
    QTest::addColumn<QString>("after");
    QTest::newRow("the computer's move") << false << "Ruch komputera (białe): komputer myśli…"
                                         << "Ruch gracza (czarne).";
    QTest::newRow("the human's move on |>") << true << "Komputer szuka ruchu dla gracza (czarne)…"
                                            << "Ruch komputera (białe). Grę wznawia „|>”.";
  }

  void statusLineWhileTheEngineSearches() {
    QFETCH(bool, forTheHuman);
    QFETCH(QString, during);
    QFETCH(QString, after);
    auto form = makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    engine.answer(kStandInInst, ZEDARE_COMPUTER_COLOUR, 1);
    engine.answer(kStandInInst, ZEDARE_SIDE_TO_MOVE, forTheHuman ? -1 : 1);
    engine.answer(kStandInInst, ZEDARE_IS_HUMAN_TO_MOVE, forTheHuman ? 1 : 0);
    engine.answer(kStandInInst, ZEDARE_IS_COMPUTER_TO_MOVE, forTheHuman ? 0 : 1);
    engine.answer(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, 1);
    engine.square(8, 8, 0, 1, -1);
    form->CheckBox3->setChecked(false);
    engine.blocking(true, false);
    form->Button12->click();
    QVERIFY(QTest::qWaitFor([&] { return form->inst(25) != 0; }, 10000));
    QTRY_COMPARE(form->StatusLine->text(), during);
    engine.answer(kStandInInst, ZEDARE_SIDE_TO_MOVE,
                  forTheHuman ? 1 : -1);  // the search's move is played
    form->inst(26);
    QVERIFY(waitForIdle(*form));
    QTRY_COMPARE(form->StatusLine->text(), after);
  }

  // The board is reached by Tab; the arrow keys move a cursor (kept on the board) and
  // Enter or Space plays its square, mirrored like a click when the layout is flipped.
  void keyboardPlay_data() {
    QTest::addColumn<QString>("keys");  // L R U D for the arrows, E Enter, S Space
    QTest::addColumn<bool>("flipped");
    QTest::addColumn<QString>("played");
    QTest::newRow("two right, one up") << "RRUE" << false << "HUMAN_MOVE 6 3";
    QTest::newRow("the same, flipped") << "RRUE" << true << "HUMAN_MOVE 6 6";
    QTest::newRow("held at the top-left edge") << "LLLLLLUUUUUUS" << false << "HUMAN_MOVE 1 1";
    QTest::newRow("held at the bottom-right edge") << "RRRRRRDDDDDDE" << false << "HUMAN_MOVE 8 8";
  }

  void keyboardPlay() {
    QFETCH(QString, keys);
    QFETCH(bool, flipped);
    QFETCH(QString, played);
    auto form = makeForm();
    form->CheckBox4->setChecked(flipped);
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    engine.answer(kStandInInst, ZEDARE_HUMAN_COLOUR, -1);
    engine.answer(kStandInInst, ZEDARE_IS_HUMAN_TO_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, 1);
    for (int row = 1; row <= 8; ++row) {
      for (int column = 1; column <= 8; ++column) engine.square(row, column, 0, 1, -1);
    }
    form->Button14->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form->Plansza);

    // The cursor shows while the board has the focus.
    auto yellow = [&] {
      const QImage image = form->Plansza->grab().toImage();
      int count = 0;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == Qt::yellow;
      }
      return count;
    };
    QVERIFY(yellow() > 100);

    engine.clearLog();
    for (QChar key : keys) {
      const Qt::Key code = key == 'L'   ? Qt::Key_Left
                           : key == 'R' ? Qt::Key_Right
                           : key == 'U' ? Qt::Key_Up
                           : key == 'D' ? Qt::Key_Down
                           : key == 'E' ? Qt::Key_Return
                                        : Qt::Key_Space;
      QTest::keyClick(form->Plansza, code);
    }
    QVERIFY(waitForIdle(*form));
    const QStringList moves = engine.log().filter(QRegularExpression("^HUMAN_MOVE "));
    QCOMPARE(moves, QStringList{played});

    // A mouse click on the board hides it; a key brings it back.
    QTest::mouseClick(form->Plansza, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(waitForIdle(*form));
    QCOMPARE(QApplication::focusWidget(), form->Plansza);
    QCOMPARE(yellow(), 0);
    QTest::keyClick(form->Plansza, Qt::Key_Left);
    QVERIFY(yellow() > 100);
    form->Button1->setFocus();
    QCOMPARE(yellow(), 0);
  }

  // In a pass, Enter on the board does what "Następny ruch" does.
  void enterOnTheBoardContinuesAfterAPass() {
    auto form = makeForm();
    form->Button2->show();
    engine.clearLog();
    QTest::keyClick(form->Plansza, Qt::Key_Return);
    QVERIFY(form->Button2->isHidden());
    QVERIFY(waitForIdle(*form));
    QCOMPARE(engine.log(), (Entries{"w:IS_COMPUTER_TO_MOVE 0 0"}));
  }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
