// The board, score and evaluation bar, checked pixel by pixel on grabs of the paint
// boxes of a window at its designed size (a board of 600 x 603).
#include <QCheckBox>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTest>

#include "paint_box.h"
#include "stand_in_client.h"

namespace {

const QColor kGreen(0, 128, 0);
const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kHint(200, 240, 110);
const QColor kBlue(0, 0, 255);
const QColor kSilver(192, 192, 192);
const QColor kRed(255, 0, 0);

QColor at(const QImage& image, int x, int y) {
  return image.pixelColor(x, y).toRgb();
}

// The pixels of `colour` inside `area`, as a set relative to their bounding box's
// corner, and that corner.
struct Shape {
  QSet<QPair<int, int>> points;
  QPoint corner;
};

Shape shape(const QImage& image, const QRect& area, const QColor& colour) {
  QSet<QPair<int, int>> points;
  int left = INT_MAX;
  int top = INT_MAX;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (at(image, x, y) == colour) {
        left = std::min(left, x);
        top = std::min(top, y);
      }
    }
  }
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (at(image, x, y) == colour) points.insert({x - left, y - top});
    }
  }
  return {points, QPoint(left, top)};
}

// The shape of `text` written in `font` with the top-left corner of its line at the
// origin; the corner is where the ink starts relative to that origin.
Shape glyphs(const QString& text, const QFont& font) {
  QImage image(60, 60, QImage::Format_RGB32);
  image.fill(kBlack);
  QPainter painter(&image);
  painter.setFont(font);
  painter.setPen(kWhite);
  const QPoint origin(10, 10);
  painter.drawText(origin + QPoint(0, QFontMetrics(font).ascent()), text);
  painter.end();
  Shape result = shape(image, image.rect(), kWhite);
  result.corner -= origin;
  return result;
}

}  // namespace

class PaintingTest : public QObject {
  Q_OBJECT

 private:
  StandIn engine;
  TestClock clock;

  std::unique_ptr<TMainForm> makeForm() {
    TavrinOptions options;
    options.clock = clock.clock();
    auto form = std::make_unique<TMainForm>(options);
    if (!waitForIdle(*form)) qFatal("the first worker did not end");
    return form;
  }

  static QImage board(TMainForm& form) { return form.Plansza->grab().toImage(); }

  // Centre of screen square (column, row) at the designed size.
  static QPoint centre(int column, int row) {
    return {12 + (column - 1) * 72 + 36, 13 + (row - 1) * 72 + 36};
  }

 private slots:
  void init() { engine.reset(); }

  void designedBoardGeometry() {
    auto form = makeForm();
    QCOMPARE(form->Plansza->size(), QSize(600, 603));
    const QImage image = board(*form);
    QCOMPARE(form->boardLeft, 12);
    QCOMPARE(form->boardTop, 13);
    QCOMPARE(form->boardRight, 588);
    QCOMPARE(form->boardBottom, 590);
    QCOMPARE(form->cellSize, 72.0);
    QCOMPARE(form->discInset, 6);
    QCOMPARE(form->hintOuterInset, 21);
    QCOMPARE(form->hintInnerInset, 27);  // a ring a twelfth of a square wide

    // The surface covers the grid's box and no more; the rest is the panel.
    QCOMPARE(at(image, 12, 300), kGreen);
    QCOMPARE(at(image, 587, 300), kGreen);
    QCOMPARE(at(image, 330, 13), kGreen);
    QCOMPARE(at(image, 330, 589), kGreen);
    QVERIFY(at(image, 11, 300) != kGreen);
    QVERIFY(at(image, 588, 300) != kGreen);
    QVERIFY(at(image, 330, 12) != kGreen);
    QVERIFY(at(image, 330, 590) != kGreen);
    // Rounded corners.
    QVERIFY(at(image, 12, 13) != kGreen);
    QCOMPARE(at(image, 22, 23), kGreen);

    // Seven lines each way, every 72 pixels, none on the border.
    for (int i = 1; i <= 7; ++i) {
      QCOMPARE(at(image, 12 + 72 * i, 50), kBlack);
      QCOMPARE(at(image, 50, 13 + 72 * i), kBlack);
      QCOMPARE(at(image, 12 + 72 * i + 1, 50), kGreen);
      QCOMPARE(at(image, 50, 13 + 72 * i + 1), kGreen);
    }
    QCOMPARE(at(image, 12 + 72 * 3, 13), kBlack);  // lines run from edge to edge
    QCOMPARE(at(image, 12 + 72 * 3, 589), kBlack);
    QCOMPARE(at(image, 12, 13 + 72 * 3), kBlack);
    QCOMPARE(at(image, 587, 13 + 72 * 3), kBlack);
    QCOMPARE(at(image, 13, 50), kGreen);
  }

  void widerPaintBoxCentresTheBoard() {
    auto form = makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    // The status line below takes its height from the window, not from the board.
    const int status = form->StatusLine->height() + form->OptionStrip->height();
    form->resize(844, 603 + status);
    QTRY_COMPARE(form->Plansza->size(), QSize(700, 603));
    board(*form);
    QCOMPARE(form->boardLeft, 60);
    QCOMPARE(form->boardRight, 640);
    QCOMPARE(form->boardTop, 12);
    QCOMPARE(form->boardBottom, 591);
    QCOMPARE(form->cellSize, 72.375);

    form->resize(845, 603 + status);  // an odd extra width: the spare pixel goes right
    QTRY_COMPARE(form->Plansza->size(), QSize(701, 603));
    const QImage image = board(*form);
    QCOMPARE(form->boardLeft, 61);
    QCOMPARE(form->boardRight, 640);
    QCOMPARE(at(image, 61, 300), kGreen);
    QVERIFY(at(image, 60, 300) != kGreen);
    QCOMPARE(at(image, 639, 300), kGreen);
    QVERIFY(at(image, 640, 300) != kGreen);
  }

  void discsFollowTheEnginesSquares_data() {
    QTest::addColumn<bool>("flipped");
    QTest::newRow("upright") << false;
    QTest::newRow("flipped") << true;
  }

  void discsFollowTheEnginesSquares() {
    QFETCH(bool, flipped);
    auto form = makeForm();
    engine.startPosition();
    engine.square(1, 2, -1);  // engine row 1, column 2: screen column 1, screen row 2 (or 7)
    engine.square(7, 1, 1);
    form->CheckBox4->setChecked(flipped);
    const QImage image = board(*form);
    for (int c = 1; c <= 8; ++c) {
      for (int r = 1; r <= 8; ++r) {
        const int column = flipped ? 9 - r : r;
        QColor expected = kGreen;
        if (c == 4 && column == 4) expected = kWhite;
        if (c == 5 && column == 5) expected = kWhite;
        if (c == 4 && column == 5) expected = kBlack;
        if (c == 5 && column == 4) expected = kBlack;
        if (c == 1 && column == 2) expected = kBlack;
        if (c == 7 && column == 1) expected = kWhite;
        QCOMPARE(at(image, centre(c, r).x(), centre(c, r).y()), expected);
      }
    }
    // A disc keeps its inset from the square's edges.
    const QPoint disc = centre(1, flipped ? 7 : 2);
    QCOMPARE(at(image, disc.x() - 36 + 6, disc.y()), kBlack);
    QCOMPARE(at(image, disc.x() - 36 + 5, disc.y()), kGreen);
  }

  void hintsRingLegalCandidatesOnly() {
    auto form = makeForm();
    engine.startPosition();
    // The computer plays white: black's turn is the human's.
    engine.answer(kStandInInst, ZEDARE_COMPUTER_COLOUR, 1);
    engine.answer(kStandInInst, ZEDARE_SIDE_TO_MOVE, -1);
    engine.square(3, 4, 0, 1, -1);  // a candidate black may play: ring
    engine.square(6, 5, 0, 1, 1);   // a candidate only white may play: none
    engine.square(5, 6, 0, 0, -1);  // legal, but not a candidate: none
    engine.square(4, 6, 0, 3, -1);  // a state other than 1: none

    QImage image = board(*form);
    auto hintPixels = [](const QImage& img) {
      int count = 0;
      for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) count += at(img, x, y) == kHint ? 1 : 0;
      }
      return count;
    };
    QCOMPARE(hintPixels(image), 0);  // "pokaż ruchy" is clear

    form->CheckBox5->setChecked(true);
    image = board(*form);
    const QPoint ring = centre(3, 4);
    const int left = ring.x() - 36;
    QCOMPARE(at(image, left + 21, ring.y()), kHint);
    QCOMPARE(at(image, left + 26, ring.y()), kHint);
    QCOMPARE(at(image, left + 20, ring.y()), kGreen);
    QCOMPARE(at(image, left + 27, ring.y()), kGreen);
    QCOMPARE(at(image, ring.x(), ring.y()), kGreen);
    QCOMPARE(at(image, ring.x(), ring.y() - 36 + 21), kHint);
    const QRect hinted(left, ring.y() - 36, 72, 72);
    int inside = 0;
    for (int y = hinted.top(); y <= hinted.bottom(); ++y) {
      for (int x = hinted.left(); x <= hinted.right(); ++x) inside += at(image, x, y) == kHint;
    }
    QVERIFY(inside > 40);
    QCOMPARE(hintPixels(image), inside);  // no ring anywhere else
  }

  // The margin names the columns a..h and the rows 1..8; the digits follow "odwróć
  // układ", the letters do not.
  void coordinatesFollowTheLayout() {
    auto form = makeForm();
    auto digit = [&](const QImage& image, int screenRow) {  // the left margin beside a row
      return image.copy(0, 13 + (screenRow - 1) * 72, 12, 72);
    };
    auto letter = [&](const QImage& image, int screenColumn) {  // the top margin above it
      return image.copy(12 + (screenColumn - 1) * 72, 0, 72, 13);
    };
    const QImage upright = board(*form);
    form->CheckBox4->setChecked(true);
    const QImage flipped = board(*form);
    for (int i = 1; i <= 8; ++i) {
      QCOMPARE(digit(flipped, 9 - i), digit(upright, i));
      QCOMPARE(letter(flipped, i), letter(upright, i));
      // Something is written there, and each name differs from the next.
      QVERIFY(digit(upright, i) != digit(upright, i % 8 + 1));
      QVERIFY(letter(upright, i) != letter(upright, i % 8 + 1));
    }
  }

  void lastMoveDot_data() {
    QTest::addColumn<bool>("flipped");
    QTest::addColumn<int>("screenRow");
    QTest::newRow("upright") << false << 5;
    QTest::newRow("flipped") << true << 4;
  }

  void lastMoveDot() {
    QFETCH(bool, flipped);
    QFETCH(int, screenRow);
    auto form = makeForm();
    engine.square(3, 5, -1);
    engine.answer(kStandInInst, ZEDARE_LAST_ROW, 3);
    engine.answer(kStandInInst, ZEDARE_LAST_COLUMN, 5);
    form->CheckBox4->setChecked(flipped);
    const QImage image = board(*form);
    const QPoint dot = centre(3, screenRow);
    QCOMPARE(at(image, dot.x(), dot.y()), kBlue);
    // Inset by 32 of 72: an eight-pixel dot with a black outline on the black disc.
    QCOMPARE(at(image, dot.x() - 36 + 32, dot.y()), kBlack);
    QCOMPARE(at(image, dot.x() - 36 + 33, dot.y()), kBlue);
    QCOMPARE(at(image, dot.x() - 36 + 39, dot.y()), kBlack);
    QCOMPARE(at(image, dot.x() - 36 + 40, dot.y()), kBlack);  // the disc around it
    QCOMPARE(form->hintOuterInset, 32);
    const QPoint other = centre(3, 9 - screenRow);
    QVERIFY(at(image, other.x(), other.y()) != kBlue);

    // No mark when the engine has none.
    engine.answer(kStandInInst, ZEDARE_LAST_ROW, 0);
    const QImage unmarked = board(*form);
    QCOMPARE(at(unmarked, dot.x(), dot.y()), kBlack);
  }

  void scoreAtTheStart() {
    auto form = makeForm();
    engine.startPosition();
    const QImage image = form->Wynik->grab().toImage();
    QCOMPARE(form->blackCount, 2);
    QCOMPARE(form->whiteCount, 2);
    QCOMPARE(form->discCount, 4);
    QCOMPARE(at(image, 3, 15), kBlack);
    QCOMPARE(at(image, 43, 15), kWhite);
    QCOMPARE(at(image, 83, 15), kSilver);
    QCOMPARE(at(image, 26, 15), kBlack);
    QVERIFY(at(image, 35, 15) != kBlack && at(image, 35, 15) != kWhite);  // between discs

    // The numbers, each in the window's font on its disc, its line starting one pixel
    // right of the disc's centre line and 7 down: "2" in white on black, "2" in black
    // on white, "4" in black on silver.
    const Shape two = glyphs("2", form->font());
    const Shape four = glyphs("4", form->font());
    QVERIFY(!two.points.isEmpty() && two.points != four.points);
    const Shape onBlack = shape(image, QRect(5, 3, 20, 24), kWhite);
    const Shape onWhite = shape(image, QRect(45, 3, 20, 24), kBlack);
    const Shape onSilver = shape(image, QRect(85, 3, 20, 24), kBlack);
    QCOMPARE(onBlack.points, two.points);
    QCOMPARE(onWhite.points, two.points);
    QCOMPARE(onSilver.points, four.points);
    QCOMPARE(onBlack.corner, QPoint(11, 7) + two.corner);
    QCOMPARE(onWhite.corner, QPoint(51, 7) + two.corner);
    QCOMPARE(onSilver.corner, QPoint(91, 7) + four.corner);
  }

  void scoreCountsEverySquare() {
    auto form = makeForm();
    for (int row = 1; row <= 8; ++row) {
      for (int column = 1; column <= 8; ++column) {
        engine.square(row, column, (row + column) % 3 == 0 ? 1 : -1);
      }
    }
    engine.square(8, 8, 0, 0, 0);
    const QImage image = form->Wynik->grab().toImage();
    QCOMPARE(form->whiteCount, 22);
    QCOMPARE(form->blackCount, 41);
    QCOMPARE(form->discCount, 63);
    // Two-digit numbers start two pixels left of the disc's centre line.
    const struct {
      const char* text;
      QRect disc;
      QColor ink;
      QPoint line;
    } numbers[] = {{"41", {0, 0, 30, 30}, kWhite, {8, 7}},
                   {"22", {40, 0, 30, 30}, kBlack, {48, 7}},
                   {"63", {80, 0, 30, 30}, kBlack, {88, 7}}};
    for (const auto& number : numbers) {
      const Shape expected = glyphs(number.text, form->font());
      const Shape drawn = shape(image, number.disc, number.ink);
      QCOMPARE(drawn.points, expected.points);
      QCOMPARE(drawn.corner, number.line + expected.corner);
    }
  }

  void barIsClampedAtTenUnits_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("computer");
    QTest::addColumn<int>("position");
    QTest::newRow("computer white winning") << 25000 << 1 << 0;
    QTest::newRow("computer black winning") << 25000 << -1 << 120;
    QTest::newRow("computer white losing") << -25000 << 1 << 120;
    QTest::newRow("level") << 0 << 1 << 60;
    QTest::newRow("computer black, 2.5 units") << 2500 << -1 << 75;
  }

  void barIsClampedAtTenUnits() {
    QFETCH(int, value);
    QFETCH(int, computer);
    QFETCH(int, position);
    auto form = makeForm();
    engine.answer(kStandInInst, ZEDARE_BEST_VALUE, value);
    engine.answer(kStandInInst, ZEDARE_COMPUTER_COLOUR, computer);
    const QImage image = form->Ocena->grab().toImage();
    QCOMPARE(form->barPosition, position);
    QVERIFY(std::abs(form->evaluation) <= 10.0);
    for (int x = 0; x <= 120; ++x) {
      if (x == 60) continue;
      QCOMPARE(at(image, x, 5), x < position ? kBlack : kWhite);
    }
    QCOMPARE(at(image, 60, 5), kRed);
    QCOMPARE(at(image, 60, 0), kRed);
    QCOMPARE(at(image, 0, 1), kSilver);
    QCOMPARE(at(image, 114, 8), kSilver);
    QVERIFY(at(image, 3, 1) != kSilver);
  }

  void barKeepsItsPlaceWithoutAComputerColour() {
    auto form = makeForm();
    engine.answer(kStandInInst, ZEDARE_BEST_VALUE, 5000);
    engine.answer(kStandInInst, ZEDARE_COMPUTER_COLOUR, 1);
    form->Ocena->grab();
    QCOMPARE(form->barPosition, 30);
    engine.answer(kStandInInst, ZEDARE_COMPUTER_COLOUR, 0);
    engine.answer(kStandInInst, ZEDARE_BEST_VALUE, -5000);
    form->Ocena->grab();
    QCOMPARE(form->barPosition, 30);
    QCOMPARE(form->evaluation, -5.0);
  }
};

QTEST_MAIN(PaintingTest)
#include "painting_test.moc"
