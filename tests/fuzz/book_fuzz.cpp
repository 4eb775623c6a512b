// The book look-up: whatever the book file holds, a hit plays a legal move of the game
// board, and the look-up never changes the game board.
//
// Input: byte 0 chooses the game board among the positions of the first lines of the
// shipped black book (so that a mutated line still matches often), byte 1 the symmetry
// it is seen under; the rest is the book file.
#include <string>
#include <vector>

#include "api/engine.h"
#include "fuzz_support.h"
#include "search/search.h"

namespace {

std::vector<zedare::Board> bookPositions() {
  std::vector<zedare::Board> positions;
  zedare::Board start;
  start.setInitial();
  positions.push_back(start);
  std::FILE* f = std::fopen("otwarcia/otwarcia9_i15_c.dat", "r");
  std::string line;
  while (f && positions.size() < 64 && zedare::readTextLine(f, line)) {
    const char* cursor = line.c_str();
    zedare::Board b;
    if (!b.parseText(cursor)) break;
    b.sideToMove = -1;
    b.rebuildCandidates();
    positions.push_back(b);
  }
  if (f) std::fclose(f);
  return positions;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<zedare::Board> positions = bookPositions();
  static const std::string book = fuzz::scratch("book.dat");
  static zedare::Engine engine;
  if (size < 2) return 0;
  positions[data[0] % positions.size()].copyTransformed(engine.gameBoard, data[1] % 4);
  engine.gameBoard.rebuildCandidates();
  const std::string before = engine.gameBoard.toLine();
  fuzz::writeInput(book, data + 2, size - 2);

  const int found = zedare::bookLookup(engine, book.c_str(), book.c_str());
  FUZZ_REQUIRE(engine.gameBoard.toLine() == before, "the look-up leaves the game board");
  if (found) {
    const zedare::MoveEntry& m = engine.bestMove;
    FUZZ_REQUIRE(engine.gameBoard.isLegal(m.row, m.column, engine.gameBoard.sideToMove),
                 "a book hit is a legal move");
  }
  return 0;
}
