// The status line below the board: the last move by name, whose move it is, a pass and
// how the game goes on, who won; before it, a note such as an illegal square clicked.
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cstdlib>

#include "main_window.h"

void TMainForm::updateStatus() {
  // Nobody reads a hidden window's status; not asking keeps the engine's log of a
  // hidden test window free of it.
  if (!isVisible()) return;
  StatusLine->setText(statusText());
}

QString TMainForm::statusText() const {
  const QString text = gameStateText();
  return statusNote.isEmpty() ? text : statusNote + QLatin1Char(' ') + text;
}

QString squareName(int32_t row, int32_t column) {
  if (row < 1 || row > 8 || column < 1 || column > 8) return QString();
  return QString(QChar('a' + row - 1)) + QChar('0' + column);
}

QString TMainForm::lastMoveText() const {
  // The disc on the square last played is its player's: no later move has come yet.
  const int32_t row = inst(ZEDARE_LAST_ROW);
  const int32_t column = inst(ZEDARE_LAST_COLUMN);
  const QString name = squareName(row, column);
  if (name.isEmpty()) return QString();
  const int32_t colour = p0(ZEDARE_SQUARE_COLOUR, row, column);
  if (colour == 0) return QString();
  return colour == inst(ZEDARE_COMPUTER_COLOUR) ? QStringLiteral("Komputer zagrał %1. ").arg(name)
                                                : QStringLiteral("Gracz zagrał %1. ").arg(name);
}

QString TMainForm::gameStateText() const {
  // Only the queries that are allowed while a worker searches or thinks: the side to
  // move, the computer's colour, squares and legality.
  const int32_t side = inst(ZEDARE_SIDE_TO_MOVE);
  const int32_t computer = inst(ZEDARE_COMPUTER_COLOUR);
  const int32_t human = -computer;
  auto colourName = [](int32_t colour) {
    return colour == -1 ? QStringLiteral("czarne") : QStringLiteral("białe");
  };
  const QString player = QStringLiteral("gracz (%1)").arg(colourName(human));
  const QString machine = QStringLiteral("komputer (%1)").arg(colourName(computer));
  const QString lastMove = lastMoveText();

  if (side == 0) {
    int black = 0;
    int white = 0;
    for (int row = 1; row <= 8; ++row) {
      for (int column = 1; column <= 8; ++column) {
        const int32_t colour = p0(ZEDARE_SQUARE_COLOUR, row, column);
        black += colour == -1 ? 1 : 0;
        white += colour == 1 ? 1 : 0;
      }
    }
    const int humanDiscs = human == -1 ? black : white;
    const int computerDiscs = human == -1 ? white : black;
    if (humanDiscs == computerDiscs) {
      return QStringLiteral("Koniec partii: remis %1 : %2.").arg(humanDiscs).arg(computerDiscs);
    }
    const bool humanWon = humanDiscs > computerDiscs;
    return QStringLiteral("Koniec partii: wygrywa %1, %2 : %3, przewaga %4.")
        .arg(humanWon ? player : machine)
        .arg(std::max(humanDiscs, computerDiscs))
        .arg(std::min(humanDiscs, computerDiscs))
        .arg(std::abs(humanDiscs - computerDiscs));
  }
  if (!Button2->isHidden()) {
    return lastMove +
           QStringLiteral("Gracz (%1) nie ma ruchu i pasuje. Grę wznawia „Następny ruch”.")
               .arg(colourName(human));
  }
  const bool working = hasLiveWorker();
  const bool searching = livePhase() == TavrinThread::Searching;
  if (side == computer) {
    if (working) {
      return lastMove +
             QStringLiteral("Ruch komputera (%1): komputer myśli…").arg(colourName(side));
    }
    return lastMove +
           QStringLiteral("Ruch komputera (%1). Grę wznawia „|>”.").arg(colourName(side));
  }
  if (searching) {
    return QStringLiteral("Komputer szuka ruchu dla gracza (%1)…").arg(colourName(side));
  }
  if (!working) {
    bool canMove = false;
    for (int row = 1; row <= 8 && !canMove; ++row) {
      for (int column = 1; column <= 8 && !canMove; ++column) {
        canMove = p0(ZEDARE_SQUARE_COLOUR, row, column) == 0 &&
                  p0(ZEDARE_IS_LEGAL, row, column, human) != 0;
      }
    }
    if (!canMove) {
      return lastMove + QStringLiteral("Gracz (%1) nie ma ruchu: kliknięcie planszy to pas.")
                            .arg(colourName(side));
    }
  }
  return lastMove + QStringLiteral("Ruch gracza (%1).").arg(colourName(side));
}
