// The window's second round against the stand-in engine: the keys, the save question,
// the options beside the designed ones and the codes they send, the move values and
// "Ocena pozycji" (codes 33 and 34), the status line naming moves and illegal clicks,
// the focus, the minimum size, the report that fits, and the Polish refusal reasons.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QWindow>
#include <memory>

#include "analysis_window.h"
#include "eval/terms.h"
#include "focus_frame.h"
#include "help_window.h"
#include "paint_box.h"
#include "polish_reasons.h"
#include "shortcuts.h"
#include "stand_in_client.h"

class ComfortTest : public QObject {
  Q_OBJECT

 private:
  StandIn engine;
  std::unique_ptr<TestClock> clock;
  QStringList dialogTitles;
  QString dialogAnswer;
  QList<SaveAnswer> saveAnswers;  // answers to "Zapisać partię?", in order
  int questions = 0;

  std::unique_ptr<TMainForm> makeForm(bool shown = false) {
    TavrinOptions options;
    options.clock = clock->clock();
    options.fileDialogs = [this](QWidget*, const FileDialog& dialog) {
      dialogTitles << dialog.title;
      return dialogAnswer;
    };
    options.messages = [](QWidget*, const QString&, const QString&) {};
    options.saveQuestion = [this](QWidget*) {
      ++questions;
      return saveAnswers.isEmpty() ? SaveAnswer::Cancel : saveAnswers.takeFirst();
    };
    auto form = std::make_unique<TMainForm>(options);
    if (!waitForIdle(*form)) qFatal("the first worker did not end");
    if (shown) {
      form->show();
      form->activateWindow();
      if (!QTest::qWaitForWindowActive(form.get())) qFatal("the window did not become active");
    }
    form->Plansza->grab();  // the board's geometry, for clicks
    engine.clearLog();
    return form;
  }

  QPoint squareCentre(const TMainForm& form, int column, int row) {
    return {form.boardLeft + static_cast<int>((column - 0.5) * form.cellSize),
            form.boardTop + static_cast<int>((row - 0.5) * form.cellSize)};
  }

  // The human (black) to move with one legal square, (3, 4) on screen and in the engine.
  void humanToMove() {
    engine.startPosition();
    engine.answer(kStandInInst, ZEDARE_COMPUTER_COLOUR, 1);
    engine.answer(kStandInInst, ZEDARE_HUMAN_COLOUR, -1);
    engine.answer(kStandInInst, ZEDARE_SIDE_TO_MOVE, -1);
    engine.answer(kStandInInst, ZEDARE_IS_HUMAN_TO_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, 1);
    engine.answer(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, 1);
    engine.square(3, 4, 0, 1, -1);
    engine.square(6, 5, 0, 1, -1);
  }

  int count(const QString& entry) const { return engine.log().count(entry); }

 private slots:
  void init() {
    engine.reset();
    clock = std::make_unique<TestClock>();
    dialogTitles.clear();
    dialogAnswer.clear();
    saveAnswers.clear();
    questions = 0;
    QLocale::setDefault(QLocale::c());
  }

  void keysDoWhatTheirButtonsDo_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("logged");  // an engine call, or "dialog: <title>"
    QTest::newRow("Ctrl+N") << QKeySequence("Ctrl+N") << "NEW_GAME 0 0";
    QTest::newRow("Ctrl+O") << QKeySequence("Ctrl+O") << "dialog: Otwieranie pliku partii";
    QTest::newRow("Ctrl+S") << QKeySequence("Ctrl+S") << "dialog: Zapisywanie pliku partii";
    QTest::newRow("Ctrl+Z") << QKeySequence("Ctrl+Z") << "RECORD_BACK";
    QTest::newRow("Ctrl+Shift+Z") << QKeySequence("Ctrl+Shift+Z") << "RECORD_FORWARD";
    QTest::newRow("F2") << QKeySequence("F2") << "EVAL_TERM 1 0";
  }

  void keysDoWhatTheirButtonsDo() {
    QFETCH(QKeySequence, keys);
    QFETCH(QString, logged);
    auto form = makeForm(true);
    QTest::keySequence(form.get(), keys);
    QVERIFY(waitForIdle(*form));
    if (logged.startsWith("dialog: ")) {
      QCOMPARE(dialogTitles, QStringList{logged.mid(8)});
      QVERIFY(form->Plansza->hasFocus());  // back on the board after the dialog
    } else {
      QVERIFY2(engine.logged(logged), qPrintable(engine.log().join(", ")));
    }
  }

  void helpAndQuitKeys() {
    auto form = makeForm(true);
    QTest::keySequence(form.get(), QKeySequence("F1"));
    QVERIFY(form->Help != nullptr && form->Help->isVisible());
    QCOMPARE(form->Help->pages->count(), 5);
    QVERIFY(HelpWindow::aboutText().contains(QStringLiteral(PROJECT_VERSION)));
    QVERIFY(HelpWindow::aboutText().contains("MIT"));
    QCOMPARE(HelpWindow::levelsText().count("<tr>"), 7);  // the heading and six levels
    form->Help->close();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QTest::keySequence(form.get(), QKeySequence("Ctrl+Q"));
    QVERIFY(!form->isVisible());
    QCOMPARE(questions, 0);  // nothing played, nothing to save
  }

  // Ctrl+Z and Ctrl+Shift+Z step through the record until the player is to move.
  void stepsToThePlayersTurn_data() {
    QTest::addColumn<bool>("back");
    QTest::addColumn<QList<int>>("sides");  // the record's side to move after each step
    QTest::addColumn<int>("steps");
    QTest::newRow("back over the computer's move") << true << QList<int>{1, -1} << 2;
    QTest::newRow("back past a pass") << true << QList<int>{1, 1, -1} << 3;
    QTest::newRow("forward") << false << QList<int>{1, -1} << 2;
    QTest::newRow("to the record's end") << false << QList<int>{} << 61;
  }

  void stepsToThePlayersTurn() {
    QFETCH(bool, back);
    QFETCH(QList<int>, sides);
    QFETCH(int, steps);
    auto form = makeForm();
    engine.answer(kStandInPp, ZEDARE_RECORD_PLAYER_COLOUR, -1);
    engine.answer(kStandInPp, ZEDARE_RECORD_SIDE_TO_MOVE, 1);
    for (int side : sides) engine.queue(kStandInPp, ZEDARE_RECORD_SIDE_TO_MOVE, {side});
    stepToPlayersTurn(*form, back);
    const QStringList log = engine.log();
    QCOMPARE(log.count(back ? "RECORD_BACK" : "RECORD_FORWARD"), steps);
    QVERIFY(!log.contains(back ? "RECORD_FORWARD" : "RECORD_BACK"));
    // Then as after "<": the position onto the board, the tree afresh.
    QVERIFY(log.lastIndexOf(back ? "RECORD_BACK" : "RECORD_FORWARD") <
            log.indexOf("RECORD_LOAD_CURRENT"));
    QVERIFY(log.contains("RESET_TREE 0 0"));
  }

  void closingAsksToSaveMovesNotSaved_data() {
    QTest::addColumn<bool>("moved");
    QTest::addColumn<int>("answer");  // SaveAnswer
    QTest::addColumn<QString>("saveAs");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<int>("asked");
    QTest::newRow("nothing played") << false << int(SaveAnswer::Cancel) << "" << true << 0;
    QTest::newRow("Tak, saved") << true << int(SaveAnswer::Save) << "/tmp/p" << true << 1;
    QTest::newRow("Tak, dialog cancelled") << true << int(SaveAnswer::Save) << "" << false << 1;
    QTest::newRow("Nie") << true << int(SaveAnswer::Discard) << "" << true << 1;
    QTest::newRow("Anuluj") << true << int(SaveAnswer::Cancel) << "" << false << 1;
  }

  void closingAsksToSaveMovesNotSaved() {
    QFETCH(bool, moved);
    QFETCH(int, answer);
    QFETCH(QString, saveAs);
    QFETCH(bool, closed);
    QFETCH(int, asked);
    auto form = makeForm(true);
    humanToMove();
    if (moved) {
      QTest::mouseClick(form->Plansza, Qt::LeftButton, {}, squareCentre(*form, 3, 4));
      QVERIFY(waitForIdle(*form));
      QVERIFY(engine.logged("HUMAN_MOVE 3 4"));
    }
    saveAnswers << SaveAnswer(answer);
    dialogAnswer = saveAs;
    QCOMPARE(form->close(), closed);
    QCOMPARE(questions, asked);
    QCOMPARE(engine.logged("FILE_SAVE /tmp/p.gam"), !saveAs.isEmpty());
    if (!closed) {
      // Saved since: no question the next time.
      dialogAnswer = "/tmp/p";
      form->Button13->click();
      QVERIFY(form->close());
      QCOMPARE(questions, asked);
    }
  }

  void dialogsAndTooltips() {
    auto form = makeForm();
    // The open dialog lists every game file first; the save dialog a game file.
    QVERIFY(form->OpenDialog1.filter.startsWith("Wszystkie partie (*.gam *.txt *.mov *.ggf);;"));
    QVERIFY(form->SaveDialog1.filter.startsWith("Partia (*.gam);;"));
    for (QWidget* control : QList<QWidget*>{form->Button3, form->Button4, form->Button12,
                                            form->Button5, form->Button11, form->Wynik}) {
      QVERIFY2(!control->toolTip().isEmpty(), qPrintable(control->objectName()));
    }
  }

  void optionsBesideTheDesignSendTheirCodes() {
    auto form = makeForm();
    form->FastThinkingBox->click();
    form->MoveTimeBox->setCurrentIndex(2);
    form->FastThinkingBox->click();
    form->MoveTimeBox->setCurrentIndex(3);
    form->MoveTimeBox->setCurrentIndex(1);
    form->MoveTimeBox->setCurrentIndex(0);
    QStringList sent = engine.log().filter(QRegularExpression("^SET_(ALGORITHM|MOVE_TIME) "));
    QCOMPARE(sent,
             (QStringList{"SET_ALGORITHM 3 0", "SET_MOVE_TIME 3000 0", "SET_ALGORITHM 2 0",
                          "SET_MOVE_TIME 10000 0", "SET_MOVE_TIME 1000 0", "SET_MOVE_TIME 0 0"}));
    // Each after the worker was stopped.
    const QStringList log = engine.log();
    QVERIFY(log.indexOf("IS_SEARCHING 0 0") < log.indexOf("SET_ALGORITHM 3 0"));
  }

  // The values are the computer's; the player sees their negatives, the best marked.
  void moveValuesOnThePlayersSquares() {
    auto form = makeForm();
    humanToMove();
    form->CheckBox5->setChecked(true);
    form->Plansza->grab();
    QVERIFY(!engine.log().join(' ').contains("MOVE_VALUE"));  // the box is clear
    form->MoveValuesBox->setChecked(true);
    engine.clearLog();
    // Painted column by column: (3, 4) first, then (6, 5).
    engine.queue(kStandInInst, ZEDARE_MOVE_VALUE, {-2500, 1200});
    const QImage image = form->Plansza->grab().toImage();
    QCOMPARE(engine.log().filter(QRegularExpression("^MOVE_VALUE ")),
             (QStringList{"MOVE_VALUE 3 4", "MOVE_VALUE 6 5"}));
    auto pixels = [&](int column, int row, const QColor& colour) {
      const QPoint c = squareCentre(*form, column, row);
      const int half = static_cast<int>(form->cellSize / 2) - 1;
      int n = 0;
      for (int y = c.y() - half; y <= c.y() + half; ++y)
        for (int x = c.x() - half; x <= c.x() + half; ++x) n += image.pixelColor(x, y) == colour;
      return n;
    };
    const QColor best(255, 230, 0), white(255, 255, 255);
    QVERIFY(pixels(3, 4, best) > 100);  // +2.5 for the player: frame and text in yellow
    QCOMPARE(pixels(3, 4, white), 0);
    QCOMPARE(pixels(6, 5, best), 0);  // -1.2: white text
    QVERIFY(pixels(6, 5, white) > 10);

    // No values from a tree that holds none.
    engine.answer(kStandInInst, ZEDARE_MOVE_VALUE, -9999000);
    const QImage none = form->Plansza->grab().toImage();
    int yellow = 0;
    for (int y = 0; y < none.height(); ++y)
      for (int x = 0; x < none.width(); ++x) yellow += none.pixelColor(x, y) == best;
    QCOMPARE(yellow, 0);
  }

  void noJudgementAskedWhileTheEngineThinks() {
    auto form = makeForm();
    form->MoveValuesBox->setChecked(true);
    form->showAnalysis();
    engine.queue(kStandInInst, ZEDARE_IS_COMPUTER_TO_MOVE, {1});
    engine.queue(kStandInInst, ZEDARE_COMPUTER_CAN_MOVE, {1});
    engine.queue(kStandInInst, ZEDARE_HUMAN_CAN_MOVE, {1});
    humanToMove();
    engine.blocking(false, true);
    form->Button1->click();
    QVERIFY(QTest::qWaitFor([&] { return engine.logged("w:THINK_IN_BACKGROUND 0 0"); }, 10000));
    engine.clearLog();
    form->Plansza->grab();
    const QString during = engine.log().join(' ');
    QVERIFY(!during.contains("MOVE_VALUE") && !during.contains("EVAL_TERM"));
    QVERIFY(form->Analysis->note->text().contains("myśli"));
    // Once thinking has ended, both are asked for by themselves.
    form->CheckBox3->click();
    QVERIFY(waitForIdle(*form));
    QTRY_VERIFY(engine.logged("EVAL_TERM 14 2"));
    form->Plansza->grab();  // the repaint the window asks for (it is not shown here)
    QVERIFY(engine.logged("MOVE_VALUE 3 4"));
  }

  void analysisListsTheFourteenTermsAndTheirSum() {
    auto form = makeForm();
    for (int t = 1; t <= zedare::kEvalTermCount; ++t) {
      engine.queue(kStandInInst, ZEDARE_EVAL_TERM, {t * 150, t, 150});  // share, value, weight
    }
    form->showAnalysis();
    QTableWidget* table = form->Analysis->table;
    QCOMPARE(table->rowCount(), zedare::kEvalTermCount + 1);
    for (int t = 1; t <= zedare::kEvalTermCount; ++t) {
      QCOMPARE(table->item(t - 1, 0)->text(), QString::fromUtf8(zedare::kEvalTerms[t - 1].polish));
      QCOMPARE(table->item(t - 1, 1)->text(), QString::number(t));
      QCOMPARE(table->item(t - 1, 2)->text(), QStringLiteral("0.150"));
      QCOMPARE(table->item(t - 1, 3)->text(), QString::number(t * 0.15, 'f', 3));
    }
    QCOMPARE(table->item(zedare::kEvalTermCount, 3)->text(), QStringLiteral("15.750"));
    QCOMPARE(engine.log().filter(QRegularExpression("^EVAL_TERM ")).size(), 42);
    QVERIFY(engine.logged("EVAL_TERM 14 1"));
  }

  void statusLineNamesMovesAndIllegalClicks_data() {
    QTest::addColumn<int>("lastRow");
    QTest::addColumn<int>("lastColumn");
    QTest::addColumn<int>("lastColour");
    QTest::addColumn<QString>("status");
    QTest::newRow("the computer's move")
        << 5 << 6 << 1 << "Komputer zagrał e6. Ruch gracza (czarne).";
    QTest::newRow("the player's move") << 4 << 3 << -1 << "Gracz zagrał d3. Ruch gracza (czarne).";
    QTest::newRow("none marked") << 0 << 0 << 0 << "Ruch gracza (czarne).";
  }

  void statusLineNamesMovesAndIllegalClicks() {
    QFETCH(int, lastRow);
    QFETCH(int, lastColumn);
    QFETCH(int, lastColour);
    QFETCH(QString, status);
    auto form = makeForm(true);
    humanToMove();
    engine.answer(kStandInInst, ZEDARE_LAST_ROW, lastRow);
    engine.answer(kStandInInst, ZEDARE_LAST_COLUMN, lastColumn);
    if (lastRow > 0) engine.square(lastRow, lastColumn, lastColour);
    form->Plansza->repaint();
    QTRY_COMPARE(form->StatusLine->text(), status);
    // A click on a square that is no legal move says so, until the next click.
    QTest::mouseClick(form->Plansza, Qt::LeftButton, {}, squareCentre(*form, 8, 1));
    QVERIFY(waitForIdle(*form));
    QTRY_COMPARE(form->StatusLine->text(), "Ruch na h1 jest niedozwolony. " + status);
    QVERIFY(!engine.log().join(' ').contains("HUMAN_MOVE"));
    QTest::mouseClick(form->Plansza, Qt::LeftButton, {}, squareCentre(*form, 3, 4));
    QVERIFY(waitForIdle(*form));
    QVERIFY(!form->StatusLine->text().contains("niedozwolony"));
  }

  // Every control shows the focus; a click on a button leaves it on the board, and from
  // the last button one Tab reaches the board.
  void focusIsVisibleAndComesBackToTheBoard() {
    auto form = makeForm(true);
    const QList<QWidget*> controls = {form->TrackBar1,    form->ComboBox2, form->CheckBox4,
                                      form->RadioButton2, form->Button1,   form->MoveTimeBox,
                                      form->HelpButton};
    for (QWidget* control : controls) {
      control->setFocus(Qt::TabFocusReason);
      QTRY_COMPARE(form->Focus->target(), control);
      QVERIFY(form->Focus->isVisible());
      const QRect frame(form->Focus->mapTo(form.get(), QPoint(0, 0)), form->Focus->size());
      const QRect inner(control->mapTo(form.get(), QPoint(0, 0)), control->size());
      QVERIFY2(frame.contains(inner), control->objectName().toUtf8());
    }
    form->Plansza->setFocus(Qt::MouseFocusReason);
    QTest::mouseClick(form->Button4, Qt::LeftButton);
    QVERIFY(form->Plansza->hasFocus());
    form->Button14->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(form->Plansza->hasFocus());
  }

  void windowKeepsItsMinimumSize() {
    auto form = makeForm(true);
    // As a display without a window manager allows: the window itself made smaller.
    form->windowHandle()->resize(300, 200);
    QTRY_COMPARE(form->size(), QSize(554, 455));
  }

  // The longest report of a level-6 search fits its label: a three-digit value, an
  // eight-digit count and a long think.
  void evaluationReportFits() {
    auto form = makeForm();
    const QFontMetrics metrics(form->Label8->font());
    for (double value : {-999.9, 999.9, -64.0, 0.0}) {
      const QString text = TavrinThread::reportText(value, 99999999, 999);
      const QStringList lines = text.split('\n');
      QCOMPARE(lines.size(), 2);
      for (const QString& line : lines) {
        QVERIFY2(metrics.horizontalAdvance(line) <= form->Label8->width(),
                 qPrintable(line + ": " + QString::number(metrics.horizontalAdvance(line))));
      }
      QVERIFY(2 * metrics.height() <= form->Label8->height());
      QVERIFY(lines[0].contains(value > 0 ? "dla komputera" : value < 0 ? "dla gracza" : "równo"));
    }
    const QRect group = form->GroupBox3->geometry();
    QVERIFY(group.top() >= form->Button2->geometry().bottom());
  }

  void unknownReasonsAreNotShownInEnglish_data() {
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("polish");
    QTest::newRow("path dropped") << "/x/p.ggf: GGF at character 5: W[zz] is not a move"
                                  << "GGF, znak 5: W[zz] nie jest ruchem";
    QTest::newRow("a pass out of turn")
        << "move text at character 9: move 5 (pa): a pass, but white can move"
        << "zapis ruchów, znak 9: ruch 5 (pa): pas, ale białe mają ruch";
    QTest::newRow("unknown, with a place") << "GGF at character 40: RE[?] something new"
                                           << "GGF, znak 40: błąd w zapisie";
    QTest::newRow("unknown") << "the moon is made of cheese"
                             << "zapis partii jest błędny";
  }

  void unknownReasonsAreNotShownInEnglish() {
    QFETCH(QString, reason);
    QFETCH(QString, polish);
    QCOMPARE(polishTranscriptReason(reason, {"/x/p.ggf"}), polish);
  }
};

QTEST_MAIN(ComfortTest)
#include "comfort_test.moc"
