// Opening and continuation books: text files of positions with the move to play.
//
// A line is a position in the Board text form, a tab, and "row column  value". The file
// is chosen by the side to move of the game board ("_c" black, "_b" white) and scanned
// from the start on every look-up; a stored position matches the game board under any
// of the four symmetries that keep the start position (identity, the two diagonal
// reflections, the half turn), and the stored move is mapped by the same symmetry. The
// first matching line in file order whose mapped move is legal wins, and for it the
// lowest symmetry.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "api/engine.h"
#include "search/search.h"

namespace zedare {

bool parseBookLine(const char* text, Board& board, int& row, int& column, double& value,
                   TextStrictness strictness, std::string* why) {
  const char* p = text;
  if (!board.parseText(p, strictness, why)) return false;
  long long r, c;
  if (!readBoundedInteger(p, 1, 8, r) || !readBoundedInteger(p, 1, 8, c)) {
    if (why) *why = "expected the move's row and column (1 to 8) after the position";
    return false;
  }
  char* end = nullptr;
  const double v = std::strtod(p, &end);
  if (end == p) {
    if (why) *why = "expected the move's value after its row and column";
    return false;
  }
  if (strictness == TextStrictness::Strict) {
    while (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n') ++end;
    if (*end != '\0') {
      if (why) *why = "unexpected text after the move's value";
      return false;
    }
  }
  board.rebuildCandidates();
  row = static_cast<int>(r);
  column = static_cast<int>(c);
  value = v;
  return true;
}

std::string bookLine(const Board& board, int row, int column, double value) {
  char move[64];
  std::snprintf(move, sizeof move, "\t%i %i  %g\n", row, column, value);
  return board.toLine() + move;
}

int bookLookup(Engine& e, const char* blackFile, const char* whiteFile) {
  std::FILE* f = std::fopen(e.gameBoard.sideToMove == -1 ? blackFile : whiteFile, "r");
  if (!f) return 0;
  Board stored, transformed;
  std::string line;
  int found = 0;
  MoveEntry candidate = e.bestMove;  // published once at the end
  while (!found && readTextLine(f, line)) {
    int row, column;
    double value;
    // A line that does not parse ends the look-up: the rest of the file is a miss.
    if (!parseBookLine(line.c_str(), stored, row, column, value, TextStrictness::Lenient)) break;
    for (int t = 0; t < 4; ++t) {
      stored.copyTransformed(transformed, t);
      int r, c;
      symmetry(t, row, column, r, c);
      candidate = MoveEntry{MoveFlag::Legal, static_cast<int8_t>(r), static_cast<int8_t>(c),
                            static_cast<float>(value), nullptr};
      // A stored move that cannot be played here (a damaged or hand-edited book) makes
      // the line a miss: the look-up goes on, and without a hit the search decides.
      if (transformed.occupancy == e.gameBoard.occupancy &&
          transformed.discs(1) == e.gameBoard.discs(1) &&
          e.gameBoard.isLegal(r, c, e.gameBoard.sideToMove)) {
        found = 1;
        break;
      }
    }
  }
  std::fclose(f);
  e.setBestMove(candidate);
  return found;
}

int openingBookLookup(Engine& e) {
  return bookLookup(e, "otwarcia//otwarcia9_i15_c.dat", "otwarcia//otwarcia9_i15_b.dat");
}

int continuationBookLookup(Engine& e) {
  return bookLookup(e, "otwarcia//kontynuacje9_i15_c.dat", "otwarcia//kontynuacje9_i15_b.dat");
}

}  // namespace zedare
