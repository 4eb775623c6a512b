// A whole game against the real engine, played through the window by simulated clicks:
// the human (black) always takes the first legal square in the engine's order, the
// computer answers at level 1 with background thinking on. The program lies beside the
// real libzedare.so and runs in the source tree, where the engine finds its data.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdlib>

#include "main_window.h"
#include "paint_box.h"

namespace {

bool waitForIdle(const TMainForm& form, int timeoutMs) {
  return QTest::qWaitFor([&] { return !form.hasLiveWorker(); }, timeoutMs);
}

int discsOnBoard(const TMainForm& form) {
  int discs = 0;
  for (int row = 1; row <= 8; ++row) {
    for (int column = 1; column <= 8; ++column) discs += form.p0(0, row, column) != 0 ? 1 : 0;
  }
  return discs;
}

// The status line's text for the end of the game, worked out from the board.
QString finalStatus(const TMainForm& form) {
  int black = 0;
  int white = 0;
  for (int row = 1; row <= 8; ++row) {
    for (int column = 1; column <= 8; ++column) {
      black += form.p0(0, row, column) == -1 ? 1 : 0;
      white += form.p0(0, row, column) == 1 ? 1 : 0;
    }
  }
  if (black == white) return QString("Koniec partii: remis %1 : %1.").arg(black);
  return QString("Koniec partii: wygrywa %1, %2 : %3, przewaga %4.")
      .arg(black > white ? "gracz (czarne)" : "komputer (białe)")
      .arg(std::max(black, white))
      .arg(std::min(black, white))
      .arg(std::abs(black - white));
}

bool anyLegalMove(const TMainForm& form, int colour) {
  for (int row = 1; row <= 8; ++row) {
    for (int column = 1; column <= 8; ++column) {
      if (form.p0(0, row, column) == 0 && form.p0(2, row, column, colour) != 0) return true;
    }
  }
  return false;
}

}  // namespace

class RealGameTest : public QObject {
  Q_OBJECT

 private slots:
  void wholeGameAtLevelOne() {
    TMainForm form;
    form.show();  // the status line is kept only for a window on screen
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(waitForIdle(form, 60000));
    QCOMPARE(form.TrackBar1->value(), 1);
    QVERIFY(form.CheckBox3->isChecked());
    QCOMPARE(form.inst(3), -1);
    form.Plansza->grab();  // the click handler works from the painted geometry

    // Between moves a worker may be thinking in the background; only the queries that
    // are allowed during it (side to move, squares, legality, the flags) are used then.
    auto settled = [&] {
      return QTest::qWaitFor([&] { return !form.hasLiveWorker() || form.inst(27) != 0; }, 120000);
    };
    const int human = -1;
    int humanMoves = 0;
    int humanPasses = 0;
    int lastDiscs = 0;
    int stalled = 0;
    for (int turn = 0; turn < 300; ++turn) {
      QVERIFY2(settled(), "the computer's move never came");
      if (form.inst(5) == 0) break;
      // Passes change nothing on the board, but never more than a few times in a row.
      const int discsNow = discsOnBoard(form);
      stalled = discsNow == lastDiscs ? stalled + 1 : 0;
      lastDiscs = discsNow;
      QVERIFY2(stalled < 6, qPrintable(QString("no move is played at %1 discs; side to move %2, "
                                               "human can move %3, computer can move %4")
                                           .arg(discsNow)
                                           .arg(form.inst(5))
                                           .arg(form.inst(12))
                                           .arg(form.inst(13))));
      if (!form.Button2->isHidden()) {
        ++humanPasses;
        QTRY_VERIFY2(form.StatusLine->text().contains("nie ma ruchu i pasuje"),
                     qPrintable(form.StatusLine->text()));
        form.Button2->click();
      } else if (form.inst(5) == human) {
        // The status line names the computer's reply by the square the engine marks.
        const QString last = squareName(form.inst(ZEDARE_LAST_ROW), form.inst(ZEDARE_LAST_COLUMN));
        const QString named =
            last.isEmpty() ? last : QStringLiteral("Komputer zagrał %1. ").arg(last);
        QTRY_VERIFY2(form.StatusLine->text() == named + "Ruch gracza (czarne)." ||
                         form.StatusLine->text().contains("kliknięcie planszy to pas"),
                     qPrintable(form.StatusLine->text()));
        int row = 0;
        int column = 0;
        for (int r = 1; r <= 8 && row == 0; ++r) {
          for (int c = 1; c <= 8 && row == 0; ++c) {
            if (form.p0(0, r, c) == 0 && form.p0(2, r, c, human) != 0) {
              row = r;
              column = c;
            }
          }
        }
        // The engine's row is the screen column and its column the screen row. A human
        // without a move passes by clicking anywhere.
        const QPoint at =
            row == 0 ? QPoint(form.boardLeft + 1, form.boardTop + 1)
                     : QPoint(form.boardLeft + static_cast<int>((row - 0.5) * form.cellSize),
                              form.boardTop + static_cast<int>((column - 0.5) * form.cellSize));
        QTest::mouseClick(form.Plansza, Qt::LeftButton, {}, at);
        if (row != 0) {
          // The square is taken (the computer's reply, already under way on its worker,
          // may have flipped the disc since).
          ++humanMoves;
          QVERIFY(form.p0(0, row, column) != 0);
        }
      } else if (!form.hasLiveWorker()) {
        // The computer is to move and nobody is working on it: ask for the move.
        form.Button12->click();
      } else {
        // Still the computer's turn after its worker searched: no move was played.
        QFAIL(qPrintable(QString("the computer did not move at %1 discs").arg(discsOnBoard(form))));
      }
    }
    QVERIFY(waitForIdle(form, 120000));
    QCOMPARE(form.inst(5), 0);
    QVERIFY(humanMoves > 0);
    QTRY_COMPARE(form.StatusLine->text(), finalStatus(form));
    qInfo("%d moves and %d passes of the human", humanMoves, humanPasses);

    // Over: the board is full or neither side can move.
    const int discs = discsOnBoard(form);
    QVERIFY(discs == 64 || (!anyLegalMove(form, -1) && !anyLegalMove(form, 1)));

    // The score shown is the board's.
    form.Wynik->grab();
    int black = 0;
    int white = 0;
    for (int row = 1; row <= 8; ++row) {
      for (int column = 1; column <= 8; ++column) {
        black += form.p0(0, row, column) == -1 ? 1 : 0;
        white += form.p0(0, row, column) == 1 ? 1 : 0;
      }
    }
    QCOMPARE(form.blackCount, black);
    QCOMPARE(form.whiteCount, white);
    QCOMPARE(form.discCount, discs);
    if (black > 0 && white > 0) QCOMPARE(form.inst(24), black - white);

    // Every position was recorded: from the first, each step forward adds one disc,
    // and the last is the final board.
    form.Button3->click();
    QCOMPARE(discsOnBoard(form), 4);
    for (int expected = 5; expected <= discs; ++expected) {
      form.Button5->click();
      QCOMPARE(discsOnBoard(form), expected);
    }
    form.Button5->click();
    QCOMPARE(discsOnBoard(form), discs);
    for (int row = 1; row <= 8; ++row) {
      for (int column = 1; column <= 8; ++column) {
        const int colour = form.p0(0, row, column);
        QVERIFY(colour == 0 || colour == -1 || colour == 1);
      }
    }
    int blackAgain = 0;
    for (int row = 1; row <= 8; ++row) {
      for (int column = 1; column <= 8; ++column) blackAgain += form.p0(0, row, column) == -1;
    }
    QCOMPARE(blackAgain, black);
  }
  // From a saved game where the human's one move and the computer's forced reply leave
  // the human without a move: the pass shows, "Następny ruch" goes on, the end shows
  // the winner and the margin. Saved and loaded again, the finished game says the same.
  void passAndEndFromAGameFile() {
    const QString passFile = QStringLiteral(TAVRIN_SOURCE_DIR "/tests/app/data/pass.gam");
    QString chosen = passFile;
    TavrinOptions options;
    options.fileDialogs = [&](QWidget*, const FileDialog&) { return chosen; };
    QStringList messages;
    options.messages = [&](QWidget*, const QString&, const QString& text) { messages << text; };
    TMainForm form(options);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(waitForIdle(form, 60000));
    form.Button14->click();
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join("\n")));
    QCOMPARE(form.inst(5), -1);
    QTRY_COMPARE(form.StatusLine->text(), QStringLiteral("Ruch gracza (czarne)."));
    form.Plansza->grab();

    // Black's only move, clicked on the board.
    int row = 0;
    int column = 0;
    int moves = 0;
    for (int r = 1; r <= 8; ++r) {
      for (int c = 1; c <= 8; ++c) {
        if (form.p0(0, r, c) == 0 && form.p0(2, r, c, -1) != 0) {
          row = r;
          column = c;
          ++moves;
        }
      }
    }
    QCOMPARE(moves, 1);
    QTest::mouseClick(form.Plansza, Qt::LeftButton, {},
                      QPoint(form.boardLeft + static_cast<int>((row - 0.5) * form.cellSize),
                             form.boardTop + static_cast<int>((column - 0.5) * form.cellSize)));
    QVERIFY(waitForIdle(form, 60000));
    QVERIFY(!form.Button2->isHidden());
    QCOMPARE(form.inst(5), 1);
    QTRY_COMPARE(form.StatusLine->text(),
                 QStringLiteral("Komputer zagrał %1. Gracz (czarne) nie ma ruchu i pasuje. Grę "
                                "wznawia „Następny ruch”.")
                     .arg(squareName(form.inst(ZEDARE_LAST_ROW), form.inst(ZEDARE_LAST_COLUMN))));

    form.Button2->click();
    QVERIFY(waitForIdle(form, 60000));
    // The computer moves until the end (the human cannot move again with so few empties
    // left, or moves by clicking, as in the whole game above).
    for (int turn = 0; turn < 5 && form.inst(5) != 0; ++turn) {
      if (!form.Button2->isHidden()) {
        form.Button2->click();
      } else {
        form.Button12->click();
      }
      QVERIFY(waitForIdle(form, 60000));
    }
    QCOMPARE(form.inst(5), 0);
    const QString end = finalStatus(form);
    QTRY_COMPARE(form.StatusLine->text(), end);

    QTemporaryDir folder;
    chosen = folder.filePath("koniec");
    form.Button13->click();
    chosen = folder.filePath("koniec.gam");
    form.Button1->click();
    QVERIFY(waitForIdle(form, 60000));
    form.Button14->click();
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join("\n")));
    QTRY_COMPARE(form.StatusLine->text(), end);

    // A file that is no game: the finished game stays, and the user is told.
    QFile bad(folder.filePath("zly.gam"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("1 2 3\nto nie jest partia\n");
    bad.close();
    chosen = bad.fileName();
    form.Button14->click();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains("nie jest zapisem partii"), qPrintable(messages[0]));
    QCOMPARE(form.inst(5), 0);
    QCOMPARE(form.StatusLine->text(), end);
  }
};

QTEST_MAIN(RealGameTest)
#include "real_game_test.moc"
