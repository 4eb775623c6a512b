// Pattern statistics: for every edge line, corner and diagonal pattern seen in the
// positions of the games, how often it occurred and what the game's final position held
// on the squares the pattern governs. Column 3 of each table (the mean outcome) is the
// value the evaluation's pattern features read.
//
// Tables (rows: pattern index + 1; columns: count, sum of outcomes, mean):
//   A1  column 1 read rows 1 -> 8       outcome: colour of (1,1)
//   A2  the square (1,1) alone (9 rows) outcome: colour of (1,1)
//   A3  row 1 read columns 1 -> 8       outcome: colour of (1,1)
//   A4  diagonal (1,1) .. (8,8)         outcome: colour of (1,1)
//   SC1 column 1 read rows 1 -> 8       outcome: sum over (2,1) .. (7,1)
//   SC2 column 2 read rows 1 -> 8       outcome: sum over (3,2) .. (6,2)
//   SC3 column 3 read rows 1 -> 8       outcome: sum over (4,3), (5,3)
//   PRZ diagonal (1,1) .. (8,8)         outcome: sum over (2,2) .. (7,7)
// The side to move of the position is the top digit of every index. Each position is
// counted under all eight symmetries of the board, each also with the colours (and the
// side to move) inverted, so every corner, edge and diagonal reaches the fixed places
// above from both sides' point of view.
#include <functional>
#include <string>

#include "api/engine.h"
#include "eval/features.h"
#include "eval/model.h"
#include "matrix/matrix.h"
#include "training/offline.h"

namespace zedare {

namespace {

void addOne(matrix& table, int index, int outcome) {
  double* row = table.rowData(index + 1);
  row[0] += 1.0;
  row[1] += outcome;
}

// Counts one position P with the final position F, both in the same orientation.
void countImage(matrix* tables, const Board& p, const Board& f) {
  const int side = p.sideToMove;
  const int column1 = patternIndex(p, LineKind::ColumnDown, 1, side);
  const int column2 = patternIndex(p, LineKind::ColumnDown, 2, side);
  const int column3 = patternIndex(p, LineKind::ColumnDown, 3, side);
  const int row1 = patternIndex(p, LineKind::RowRight, 1, side);
  const int diagonal = patternIndex(p, LineKind::Diagonal, 0, side);
  const int corner = (side + 1) * 3 + p.colourAt(1, 1) + 1;

  const int cornerOutcome = f.colourAt(1, 1);
  int edge = 0, second = 0, third = f.colourAt(4, 3) + f.colourAt(5, 3), inner = 0;
  for (int r = 2; r <= 7; ++r) edge += f.colourAt(r, 1);
  for (int r = 3; r <= 6; ++r) second += f.colourAt(r, 2);
  for (int i = 2; i <= 7; ++i) inner += f.colourAt(i, i);

  addOne(tables[pattern::A1], column1, cornerOutcome);
  addOne(tables[pattern::A2], corner, cornerOutcome);
  addOne(tables[pattern::A3], row1, cornerOutcome);
  addOne(tables[pattern::A4], diagonal, cornerOutcome);
  addOne(tables[pattern::SC1], column1, edge);
  addOne(tables[pattern::SC2], column2, second);
  addOne(tables[pattern::SC3], column3, third);
  addOne(tables[pattern::PRZ], diagonal, inner);
}

struct Images {
  Board p, f, pInverted, fInverted;
};

}  // namespace

void resetPatternTables(matrix* tables) {
  for (int t = 0; t < pattern::Count; ++t) {
    tables[t] = zeros(t == pattern::A2 ? 9 : pattern::kRows, 3);
  }
}

void countPatternPosition(matrix* tables, const Board& p, const Board& f) {
  thread_local Images s;
  for (int code = 0; code < 8; ++code) {
    p.copyTransformed(s.p, code);
    f.copyTransformed(s.f, code);
    countImage(tables, s.p, s.f);
    s.p.copyInverted(s.pInverted);
    s.f.copyInverted(s.fInverted);
    countImage(tables, s.pInverted, s.fInverted);
  }
}

void finishPatternMeans(matrix* tables) {
  for (int t = 0; t < pattern::Count; ++t) {
    matrix& table = tables[t];
    for (int i = 1; i <= table.rows(); ++i) {
      double* row = table.rowData(i);
      row[2] = row[0] > 0 ? row[1] / row[0] : 0.0;
    }
  }
}

int forEachPairedPosition(const char* positionFile, const char* finalFile, int& mismatched,
                          const std::function<int(int, const Board&, const Board&)>& each) {
  InputFile positionsIn, finalsIn;
  if (!positionsIn.open(positionFile) || !finalsIn.open(finalFile)) return kOfflineCannotOpen;
  mismatched = 0;
  const long long size = fileSize(positionsIn.get());
  LineReader finals(finalsIn.get(), finalFile);
  LineReader positions(positionsIn.get(), positionFile);
  Board f, p;
  std::string why;
  long long counted = 0;
  bool positionsLeft = true;
  while (positionsLeft && finals.next()) {
    int finalGame, discs;
    if (!parsePositionLine(finals.text(), finalGame, discs, f, why)) {
      finals.reject(why);
      return kOfflineBadInput;
    }
    if (f.sideToMove != 0) {
      finals.reject("not a final position (side to move " + std::to_string(f.sideToMove) + ")");
      return kOfflineBadInput;
    }
    // The game's positions, up to and including its own final line.
    for (;;) {
      if (offlineStopRequested()) return kOfflineInterrupted;
      if (!positions.next()) {
        if (positions.tooLong()) return kOfflineBadInput;
        std::fprintf(stderr, "%s: ends inside game %d of %s\n", positionFile, finalGame, finalFile);
        positionsLeft = false;
        break;
      }
      int game;
      if (!parsePositionLine(positions.text(), game, discs, p, why)) {
        positions.reject(why);
        return kOfflineBadInput;
      }
      // Both files must list the games in the same order; a position of another game
      // is still paired with this final position, and the pairs are counted here.
      if (game != finalGame) ++mismatched;
      if (const int status = each(game, p, f)) return status;
      ++counted;
      reportOfflineProgress("bytes", positions.bytesRead(), size, counted);
      if (p.sideToMove == 0) break;
    }
  }
  if (finals.tooLong() || positions.tooLong()) return kOfflineBadInput;
  if (positionsLeft && positions.next()) {
    std::fprintf(stderr, "%s:%ld: positions after the last final position of %s are not counted\n",
                 positionFile, positions.lineNumber(), finalFile);
  }
  return kOfflineDone;
}

int Engine::patternStatistics(const char* positionFile, const char* finalFile) {
  resetPatternTables(patterns1);
  const int status = forEachPairedPosition(positionFile, finalFile, gameCounter,
                                           [this](int, const Board& p, const Board& f) {
                                             countPatternPosition(patterns1, p, f);
                                             return kOfflineDone;
                                           });
  if (status == kOfflineDone) finishPatternMeans(patterns1);
  return status;
}

int Engine::savePatterns(const char* prefix) {
  // The matrix writer ends the process when it cannot write; a target that cannot be
  // opened is found here first and reported like any other.
  for (int t = 0; t < pattern::Count; ++t) {
    const std::string path = std::string(prefix) + kPatternSuffixes[t];
    std::FILE* f = std::fopen(path.c_str(), "a");
    if (!f) {
      reportCannotOpen(path.c_str(), true);
      return kOfflineCannotOpen;
    }
    std::fclose(f);
  }
  for (int t = 0; t < pattern::Count; ++t) {
    const std::string path = std::string(prefix) + kPatternSuffixes[t];
    patterns1[t].writetxt(path.c_str(), Comma);
  }
  return kOfflineDone;
}

}  // namespace zedare
