// The game-tree search: three interchangeable root searches (minimax, alpha-beta and
// MTD(f) over an alpha-beta that keeps bounds in the tree) over the explicit tree of
// Boards below Engine::root, and the two scoring functions at its leaves.
//
// Scores are floats from the computer's side: heuristic values inside -1000..+1000
// (+-1000 for a decided game), disc differences in exact mode, +-9.9 or 0 in
// win/loss/draw mode. Nodes at ply <= keptDepth keep their children between searches;
// deeper plies play on the engine's per-ply scratch boards and allocate nothing.
#ifndef ZEDARE_SEARCH_SEARCH_H
#define ZEDARE_SEARCH_SEARCH_H

#include <string>

#include "board/board.h"
#include "board/isa.h"

namespace zedare {

struct Engine;
struct Board;

constexpr float kWinScore = 1000.0f;
constexpr float kWldWin = 9.9f;

// What the leaves are scored by (Engine::searchMode).
enum class SearchMode {
  Heuristic = 0,    // the evaluation
  Exact = 1,        // the disc difference, to the last square
  WinLossDraw = 2,  // the disc difference's sign, as +-kWldWin or 0
};

// The root search (Engine::algorithm; ZEDARE_SET_ALGORITHM sets it by these values). An
// engine may hold a value outside the four: then it searches nothing. Fast is the
// transposition-table search of fast_search.h, which finds the values of the others.
enum class Algorithm { Minimax = 0, AlphaBeta = 1, Mtdf = 2, Fast = 3 };

constexpr bool isKnownAlgorithm(Algorithm a) {
  return a == Algorithm::Minimax || a == Algorithm::AlphaBeta || a == Algorithm::Mtdf ||
         a == Algorithm::Fast;
}

// The search is compiled once per instruction level (board/isa.h). These three run the
// chosen level's. runRootSearch runs the engine's root search (Engine::algorithm) on
// engine.root and returns its root value; an unknown algorithm does nothing and returns 0.
float terminalValue(Engine& engine, Board& board);
float searchAlphaBeta(Engine& engine, Board& board);
float runRootSearch(Engine& engine);

// The search of the level the calling code is compiled for (the files compiled per level
// call these).
ZEDARE_ISA_BEGIN
namespace level {
float terminalValue(Engine& engine, Board& board);
float leafValue(Engine& engine, Board& board);
float minimaxNode(Engine& engine, Board& board, int ply);
float searchAlphaBeta(Engine& engine, Board& board);
float searchMtdf(Engine& engine, Board& board);
float runRootSearch(Engine& engine);
}  // namespace level
ZEDARE_ISA_END

// One level's search, for the code that picks or compares levels.
struct SearchEntries {
  float (*terminalValue)(Engine&, Board&);
  float (*searchAlphaBeta)(Engine&, Board&);
  float (*runRootSearch)(Engine&);
};
// The entries of a level this build holds (levelRuns tells whether it may be called).
const SearchEntries& searchEntries(IsaLevel level);

// Opening-book and continuation-book look-ups: 1 and bestMove filled when the game
// board is in the book (under one of the four symmetries that keep the start
// position), else 0. A missing book is a miss; so is every line from the first one
// that does not parse.
int openingBookLookup(Engine& engine);
int continuationBookLookup(Engine& engine);
int bookLookup(Engine& engine, const char* blackFile, const char* whiteFile);

// Book line: a position in the board text form, a tab, then "row column  value".
// Parses into board (with a rebuilt candidate list) and the move; false when it does
// not parse. Lenient (the look-up): the board text leniently, and text after the value
// is ignored. Strict (the offline tools): the board text strictly, nothing but blanks
// after the value, and `why` (if given) says what is wrong.
bool parseBookLine(const char* text, Board& board, int& row, int& column, double& value,
                   TextStrictness strictness, std::string* why = nullptr);
// The book line written, ended by "\n".
std::string bookLine(const Board& board, int row, int column, double value);

}  // namespace zedare

#endif
