// The three painters of the main window: the board with its discs, move hints and
// last-move dot; the disc counts; the evaluation bar. Each asks the engine for what it
// shows at the moment it paints and keeps only the geometry the click handler needs.
//
// Shapes are given by bounding boxes (left, top, right, bottom) whose right and bottom
// edges lie just outside the shape: a box covers the pixels left..right-1 and
// top..bottom-1, and a line stops one pixel short of its end point. Drawing is not
// antialiased, so the pixels are exactly those of the arithmetic below.
#include <QCheckBox>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

#include "main_window.h"
#include "paint_box.h"

namespace {

const QColor kGreen(0, 128, 0);
const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
// The hint ring: pale yellow-green, a twelfth of a square wide, seen at a glance on the
// green surface; the best move's ring (with "wartości ruchów") is yellow.
const QColor kHint(200, 240, 110);
const QColor kBestHint(255, 230, 0);
const QColor kCoordinates(40, 40, 40);
const QColor kBlue(0, 0, 255);
const QColor kSilver(192, 192, 192);
const QColor kRed(255, 0, 0);
const QColor kCursor(255, 255, 0);

constexpr int32_t kNoMoveValue = -9999000;  // ZEDARE_MOVE_VALUE: the tree holds none

// Halves go up.
int nearest(double x) {
  return static_cast<int>(std::floor(x + 0.5));
}

struct Box {
  int left, top, right, bottom;
  Box shrunk(int k) const { return {left + k, top + k, right - k, bottom - k}; }
};

void ellipse(QPainter& painter, const QColor& brush, const QColor& pen, const Box& box) {
  if (box.right <= box.left || box.bottom <= box.top) return;
  painter.setBrush(brush);
  painter.setPen(QPen(pen, 1));
  painter.drawEllipse(QRect(box.left, box.top, box.right - box.left - 1, box.bottom - box.top - 1));
}

void filledRectangle(QPainter& painter, const QColor& colour, const Box& box) {
  if (box.right <= box.left || box.bottom <= box.top) return;
  painter.fillRect(QRect(box.left, box.top, box.right - box.left, box.bottom - box.top), colour);
}

// Horizontal or vertical lines only; the end point is not drawn.
void line(QPainter& painter, int x1, int y1, int x2, int y2) {
  if (x1 == x2 && y1 == y2) return;
  if (x1 == x2) {
    painter.drawLine(x1, y1, x2, y2 > y1 ? y2 - 1 : y2 + 1);
  } else {
    painter.drawLine(x1, y1, x2 > x1 ? x2 - 1 : x2 + 1, y2);
  }
}

// A number drawn with its top-left corner at (x, y) on a background of `background`.
void text(QPainter& painter, int x, int y, int number, const QColor& colour,
          const QColor& background) {
  painter.setPen(colour);
  painter.setBackgroundMode(Qt::OpaqueMode);
  painter.setBackground(background);
  painter.drawText(QPoint(x, y + QFontMetrics(painter.font()).ascent()), QString::number(number));
  painter.setBackgroundMode(Qt::TransparentMode);
}

// The value of a move for the player, one decimal, with its sign ("+3,2", "-0,5", "0").
QString moveValueText(double value) {
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  const double rounded = std::round(value * 10.0) / 10.0;
  const QString digits = locale.toString(std::fabs(rounded), 'f', 1);
  if (rounded == 0.0) return QStringLiteral("0");
  return (rounded > 0 ? QStringLiteral("+") : QStringLiteral("-")) + digits;
}

}  // namespace

void TMainForm::PlanszaPaint(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  const int width = Plansza->width();
  const int height = Plansza->height();

  // The board is the largest square that fits, centred.
  int size;
  if (height < width) {
    size = height;
    const int offset = (width - height) / 2;
    boardLeft = offset + margin;
    boardTop = margin;
    boardRight = width - offset - margin;
    boardBottom = height - margin;
  } else {
    size = width;
    const int offset = (height - width) / 2;
    boardLeft = margin;
    boardTop = offset + margin;
    boardRight = width - margin;
    boardBottom = height - offset - margin;
  }

  painter.setPen(QPen(kGreen, 1));
  painter.setBrush(kGreen);
  painter.drawRoundedRect(
      QRect(boardLeft, boardTop, boardRight - boardLeft - 1, boardBottom - boardTop - 1), 10, 10);

  painter.setPen(QPen(kBlack, 1));
  painter.setBrush(kWhite);
  size -= 2 * margin;
  cellSize = size * 0.125;
  for (int i = 1; i <= 7; ++i) {
    const int p = nearest(i * cellSize);
    line(painter, boardLeft + p, boardTop, boardLeft + p, boardBottom);
    line(painter, boardLeft, boardTop + p, boardRight, boardTop + p);
  }

  discInset = nearest(cellSize / 12.0);
  hintOuterInset = nearest(cellSize * 2.0 / 7.0);
  hintInnerInset = hintOuterInset + std::max(2, nearest(cellSize / 12.0));

  auto squareBox = [this](int column, int row) {
    return Box{boardLeft + nearest((column - 1) * cellSize),
               boardTop + nearest((row - 1) * cellSize), boardLeft + nearest(column * cellSize),
               boardTop + nearest(row * cellSize)};
  };

  // Screen column c shows the engine's row c; screen row r its column r, or 9 - r when
  // the board is shown upside down.
  const bool flipped = CheckBox4->isChecked();
  const bool hints = CheckBox5->isChecked();
  // The kept tree's values of the human's moves, asked for only while the engine is idle.
  const bool values = MoveValuesBox->isChecked() && !hasLiveWorker();
  // Hints are the human's moves, shown only on the human's turn: the computer's colour
  // (asked once) tells whose turn the side to move is.
  const int32_t human = hints || values ? -inst(ZEDARE_COMPUTER_COLOUR) : 0;
  struct Valued {
    Box box;
    double value;
  };
  std::vector<Valued> valued;
  for (int c = 1; c <= 8; ++c) {
    for (int r = 1; r <= 8; ++r) {
      const int row = c;
      const int column = flipped ? 9 - r : r;
      const Box box = squareBox(c, r);
      if (p0(ZEDARE_SQUARE_COLOUR, row, column) == ZEDARE_BLACK) {
        ellipse(painter, kBlack, kBlack, box.shrunk(discInset));
      } else if (p0(ZEDARE_SQUARE_COLOUR, row, column) == ZEDARE_WHITE) {
        ellipse(painter, kWhite, kWhite, box.shrunk(discInset));
      } else if ((hints || values) && p0(ZEDARE_SQUARE_STATE, row, column) == ZEDARE_SQUARE_CANDIDATE) {
        const int32_t sideToMove = inst(ZEDARE_SIDE_TO_MOVE);
        if (sideToMove != 0 && sideToMove == human && p0(ZEDARE_IS_LEGAL, row, column, sideToMove) != 0) {
          // A ring: the green inner disc covers all but its edge.
          if (hints) {
            ellipse(painter, kHint, kHint, box.shrunk(hintOuterInset));
            ellipse(painter, kGreen, kGreen, box.shrunk(hintInnerInset));
          }
          // The tree's values are the computer's; the player's are their negatives.
          const int32_t v = values ? inst(ZEDARE_MOVE_VALUE, row, column) : kNoMoveValue;
          if (v != kNoMoveValue) valued.push_back({box, -v * 0.001});
        }
      }
    }
  }

  if (!valued.empty()) {
    // The best move is marked only where one is better than all others: with MTD(f) the
    // moves other than the best often hold the same proven bound.
    auto best =
        std::max_element(valued.begin(), valued.end(),
                         [](const Valued& a, const Valued& b) { return a.value < b.value; });
    if (std::count_if(valued.begin(), valued.end(),
                      [&](const Valued& m) { return m.value == best->value; }) > 1) {
      best = valued.end();
    }
    QFont font = painter.font();
    font.setPixelSize(std::max(8, nearest(cellSize / 4.5)));
    font.setBold(true);
    painter.setFont(font);
    for (const Valued& m : valued) {
      const QRect r(m.box.left, m.box.top, m.box.right - m.box.left, m.box.bottom - m.box.top);
      const bool isBest = best != valued.end() && &m == &*best;
      if (isBest) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kBestHint, 3));
        painter.drawRect(r.adjusted(3, 3, -4, -4));
      }
      // Above the ring, where the square is free.
      painter.setPen(isBest ? kBestHint : kWhite);
      painter.drawText(QRect(r.left(), r.top() + 2, r.width(), std::max(1, hintOuterInset - 2)),
                       Qt::AlignCenter, moveValueText(m.value));
    }
  }

  // Coordinates in the margin: the letters a..h over the screen columns (the engine's
  // rows), the digits beside the screen rows (the engine's columns, upwards when the
  // board is shown upside down).
  if (margin >= 8) {
    QFont font = painter.font();
    font.setPixelSize(margin - 2);
    font.setBold(false);
    painter.setFont(font);
    painter.setPen(kCoordinates);
    for (int i = 1; i <= 8; ++i) {
      const Box column = squareBox(i, 1);
      painter.drawText(QRect(column.left, boardTop - margin, column.right - column.left, margin),
                       Qt::AlignCenter, QString(QChar('a' + i - 1)));
      const Box row = squareBox(1, i);
      painter.drawText(QRect(boardLeft - margin, row.top, margin, row.bottom - row.top),
                       Qt::AlignCenter, QString::number(flipped ? 9 - i : i));
    }
  }

  const int lastRow = inst(ZEDARE_LAST_ROW);
  const int lastColumn = inst(ZEDARE_LAST_COLUMN);
  if (lastRow > 0 && lastColumn > 0) {
    hintOuterInset = nearest(cellSize * 4.0 / 9.0);
    const int screenRow = flipped ? 9 - lastColumn : lastColumn;
    ellipse(painter, kBlue, kBlack, squareBox(lastRow, screenRow).shrunk(hintOuterInset));
  }

  // The keyboard cursor, while the board has the keyboard's focus: a yellow frame two
  // pixels wide just inside the square, visible on the surface and on discs of either
  // colour.
  if (Plansza->keyboardFocus()) {
    const Box box = squareBox(cursorColumn, cursorRow).shrunk(2);
    if (box.right - box.left > 4 && box.bottom - box.top > 4) {
      painter.setBrush(Qt::NoBrush);
      painter.setPen(QPen(kCursor, 2));
      painter.drawRect(
          QRect(box.left + 1, box.top + 1, box.right - box.left - 2, box.bottom - box.top - 2));
    }
  }

  Wynik->update();
  updateStatus();
  refreshAnalysis();
}

void TMainForm::WynikPaint(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  blackCount = 0;
  whiteCount = 0;
  for (int row = 1; row <= 8; ++row) {
    for (int column = 1; column <= 8; ++column) {
      if (p0(ZEDARE_SQUARE_COLOUR, row, column) == ZEDARE_BLACK) {
        ++blackCount;
      } else if (p0(ZEDARE_SQUARE_COLOUR, row, column) == ZEDARE_WHITE) {
        ++whiteCount;
      }
    }
  }
  discCount = blackCount + whiteCount;

  // Centres one- and two-digit numbers on their discs.
  auto nudge = [](int n) { return n < 10 ? 1 : -2; };
  ellipse(painter, kBlack, kBlack, {0, 0, 30, 30});
  text(painter, 10 + nudge(blackCount), 7, blackCount, kWhite, kBlack);
  ellipse(painter, kWhite, kWhite, {40, 0, 70, 30});
  text(painter, 50 + nudge(whiteCount), 7, whiteCount, kBlack, kWhite);
  ellipse(painter, kSilver, kSilver, {80, 0, 110, 30});
  text(painter, 90 + nudge(discCount), 7, discCount, kBlack, kSilver);
}

void TMainForm::OcenaPaint(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  evaluation = std::clamp(inst(ZEDARE_BEST_VALUE) * 0.001, -10.0, 10.0);
  // The evaluation is the computer's; the bar shows it from black's side, six pixels
  // a unit, black growing from the left.
  const int computer = inst(ZEDARE_COMPUTER_COLOUR);
  if (computer == ZEDARE_WHITE) {
    barPosition = nearest(60 - 6 * evaluation);
  } else if (computer == ZEDARE_BLACK) {
    barPosition = nearest(60 + 6 * evaluation);
  }

  painter.setPen(QPen(kSilver, 1));
  for (int i = -10; i <= 10; ++i) line(painter, 60 - 6 * i, 0, 60 - 6 * i, 10);
  filledRectangle(painter, kBlack, {0, 3, barPosition, 7});
  filledRectangle(painter, kWhite, {barPosition, 3, 121, 7});
  painter.setPen(QPen(kRed, 1));
  line(painter, 60, 0, 60, 10);
}
