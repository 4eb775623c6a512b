// Making the opening books: the generator that lets the engine choose the computer's
// move against every reply of the opponent, the continuations that follow the engine's
// own play from a book position on, and the symmetric images of a book's lines.
//
// Every book line is written as soon as its move is known and flushed, so a run that is
// stopped leaves a book whose lines are all whole.
#include <string>

#include "api/engine.h"
#include "training/offline.h"

namespace zedare {

namespace {

constexpr float kFixedMoveValue = 9999.0f;

struct BookRun {
  Engine& e;
  OutputFile& out;
};

// Reads the next line of a book that an offline run works through, strictly parsed into
// board and move. True for a line to use; false where the run ends, with `status` what it
// finishes with: done at the end of the input, interrupted on a stop request, bad input
// for a malformed or overlong line (reported with its place).
bool nextBookLine(LineReader& lines, Board& board, int& row, int& column, double& value,
                  int& status) {
  if (!lines.next()) {
    status = lines.tooLong() ? kOfflineBadInput : kOfflineDone;
    return false;
  }
  if (offlineStopRequested()) {
    status = kOfflineInterrupted;
    return false;
  }
  std::string why;
  if (!parseBookLine(lines.text(), board, row, column, value, TextStrictness::Strict, &why)) {
    lines.reject(why);
    status = kOfflineBadInput;
    return false;
  }
  return true;
}

// Expands the book below B at ply k (see generateBook). Returns 0 to go on, else the
// status the run stops with.
int expandBook(BookRun& run, Board& b, int k, int passed) {
  Engine& e = run.e;
  if (k > e.bookMaxPly) return kOfflineDone;
  const bool humanToMove = b.sideToMove == e.humanColour;
  if (humanToMove && b.hasLegalMove(e.humanColour)) {
    const Board kept(b);
    for (int i = 0; i < kept.moveCount; ++i) {
      if (!b.play(kept.moves[i].row, kept.moves[i].column, e.humanColour)) continue;
      Board child(b);
      if (const int status = expandBook(run, child, k + 1, 0)) return status;
      b = kept;
      // The four first moves of the game lead to the same position turned round.
      if (k == 1) break;
    }
    return kOfflineDone;
  }
  if (!humanToMove && b.hasLegalMove(e.computerColour)) {
    if (offlineStopRequested()) return kOfflineInterrupted;
    ++e.gameCounter;
    int row, column;
    float value;
    if (k == 1) {
      row = 3, column = 4, value = kFixedMoveValue;
    } else if (k == 2) {
      row = 3, column = 3, value = kFixedMoveValue;
    } else {
      e.setLevel(k <= 4 ? 6 : 5);
      e.gameBoard = b;
      e.resetTree();
      e.chooseMove(0);
      row = e.bestMove.row, column = e.bestMove.column, value = e.bestMove.value;
    }
    const std::string line = bookLine(b, row, column, value);
    if (!b.play(row, column, e.computerColour)) {
      // Only a fixed move can be refused (a searched move is always legal): the book
      // gets no line that it could not play, and the branch ends here.
      std::fprintf(stderr, "book: the move %d %d is not legal in %s\n", row, column,
                   b.toLine().c_str());
      return kOfflineDone;
    }
    run.out.write(line, true);
    reportOfflineProgress("lines", e.gameCounter, 0, e.gameCounter);
    Board child(b);
    return expandBook(run, child, k + 1, 0);
  }
  // The side to move cannot move: the game is over after two passes in a row.
  if (passed) return kOfflineDone;
  b.pass();
  Board child(b);
  return expandBook(run, child, k, 1);
}

void setColours(Engine& e, int computer) {
  if (e.computerColour != computer) {
    e.computerColour = computer;
    e.humanColour = -computer;
  }
}

}  // namespace

int Engine::generateBook(const char* fileName, int maxPly, int colour) {
  if (colour != 1 && colour != -1) {
    std::fprintf(stderr, "book: the colour must be -1 or 1 (%d)\n", colour);
    return kOfflineBadArgument;
  }
  OutputFile out;
  if (!out.open(fileName)) return kOfflineCannotOpen;
  gameBoard.setInitial();
  record.reset();
  resetTree();
  lastRow = lastColumn = 0;
  setColours(*this, colour);
  bookMaxPly = maxPly;
  gameCounter = 0;
  BookRun run{*this, out};
  Board start(gameBoard);
  return out.finish(expandBook(run, start, 1, 0));
}

int Engine::generateContinuations(const char* input, int moveNumber, const char* output,
                                  int lastMoveNumber, int colour, double threshold) {
  if (colour != 1 && colour != -1) {
    std::fprintf(stderr, "continuations: the colour must be -1 or 1 (%d)\n", colour);
    return kOfflineBadArgument;
  }
  InputFile in;
  if (!in.open(input)) return kOfflineCannotOpen;
  OutputFile out;
  if (!out.open(output)) return kOfflineCannotOpen;
  setColours(*this, colour);
  const long long size = fileSize(in.get());
  LineReader lines(in.get(), input);
  Board entry;
  int row, column, status;
  double value;
  while (nextBookLine(lines, entry, row, column, value, status)) {
    reportOfflineProgress("bytes", lines.bytesRead(), size, gameCounter);
    const int empties = entry.count(0);
    if (61 - empties != moveNumber || !(value <= threshold)) continue;
    if (entry.sideToMove != computerColour) {
      lines.reject("the side to move is " + std::to_string(entry.sideToMove) + ", not the colour " +
                   std::to_string(computerColour) + " the continuations are made for");
      return out.finish(kOfflineBadInput);
    }
    if (!entry.isLegal(row, column, computerColour)) {
      lines.reject("the move " + std::to_string(row) + " " + std::to_string(column) +
                   " is not legal in the position");
      return out.finish(kOfflineBadInput);
    }
    gameBoard = entry;
    bestMove = MoveEntry{MoveFlag::Legal, static_cast<int8_t>(row), static_cast<int8_t>(column),
                         static_cast<float>(value), nullptr};
    resetTree();
    playMove(row, column, computerColour);
    int n = 62 - empties;
    double v = value;
    while (n <= lastMoveNumber && v <= threshold) {
      if (offlineStopRequested()) return out.finish(kOfflineInterrupted);
      bool moved = false;
      if (gameBoard.hasLegalMove(humanColour)) {
        ++gameCounter;
        chooseMove(0);
        moved = playChosenMove(*this, humanColour) != 0;
        ++n;
      } else {
        passTurn(*this);
      }
      if (n <= lastMoveNumber) {
        if (gameBoard.hasLegalMove(computerColour)) {
          ++gameCounter;
          const Board before(gameBoard);
          const int fallbacks = dumpCounter;
          chooseMove(0);
          const MoveEntry chosen = bestMove;
          moved = playChosenMove(*this, computerColour) != 0 || moved;
          // A line is written for a searched move only; a fallback move has no value.
          if (chosen.flag == MoveFlag::Legal && dumpCounter == fallbacks) {
            out.write(bookLine(before, chosen.row, chosen.column, chosen.value), true);
          }
          v = chosen.value;
          ++n;
        } else {
          passTurn(*this);
        }
      }
      if (!moved) break;  // neither side could move: the game is over
    }
  }
  return out.finish(status);
}

int Engine::symmetrizeBook(const char* input, const char* output) {
  InputFile in;
  if (!in.open(input)) return kOfflineCannotOpen;
  OutputFile out;
  if (!out.open(output)) return kOfflineCannotOpen;
  const long long size = fileSize(in.get());
  LineReader lines(in.get(), input);
  Board entry, image;
  long long count = 0;
  int row, column, status;
  double value;
  while (nextBookLine(lines, entry, row, column, value, status)) {
    // The four symmetries that keep the start position: identity, the two diagonal
    // reflections and the half turn, each applied to the position and its move.
    std::string text;
    for (int t = 0; t < 4; ++t) {
      entry.copyTransformed(image, t);
      int r, c;
      symmetry(t, row, column, r, c);
      text += bookLine(image, r, c, value);
    }
    out.write(text, true);
    reportOfflineProgress("bytes", lines.bytesRead(), size, ++count);
  }
  return out.finish(status);
}

}  // namespace zedare
