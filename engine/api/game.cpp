// Choosing the computer's move and thinking in the background.
//
// chooseMove asks the books first (within the level's move-number horizons), then runs
// the chosen root search over growing leaf depths in the heuristic mode; near the end
// of the game (at most wldEmpties empty squares) it finishes with one search to the
// last square in the exact or the win/loss/draw mode. The move chosen is the first entry
// of the root's sorted list. ponder runs the same searches for the human's position, so
// the subtree of the move the human then plays is already grown.
#include <algorithm>

#include "api/engine.h"
#include "search/search.h"

namespace zedare {

namespace {

// The root must hold the game's position with its side to move: a pass or a position put
// on the game board directly (self-play, the record) leaves a tree grown for another
// position, whose search would find no move for the side now to move.
void keepTreeInStep(Engine& e) {
  if (!e.root->sameSquares(e.gameBoard) || e.root->sideToMove != e.gameBoard.sideToMove)
    e.resetTree();
}

void searchAt(Engine& e, int leafDepth) {
  e.leafDepth = leafDepth;
  runRootSearch(e);
}

}  // namespace

void Engine::setBestMove(const MoveEntry& move) {
  std::lock_guard<std::mutex> guard(boardLock);
  bestMove = move;
}

namespace {

// The deepening schedule of the engine's algorithm up to leaf depth `last`: minimax
// searches at `last` only, alpha-beta at every depth from 1, MTD(f) at every second
// depth from `first` (none when first > last). Other algorithm values search nothing.
void deepen(Engine& engine, int first, int last) {
  if (engine.algorithm == Algorithm::Minimax) {
    searchAt(engine, last);
  } else if (engine.algorithm == Algorithm::AlphaBeta) {
    for (int k = 1; k <= last; ++k) searchAt(engine, k);
  } else if (engine.algorithm == Algorithm::Mtdf) {
    for (int k = first; k <= last; k += 2) searchAt(engine, k);
  }
}

}  // namespace

void Engine::chooseMove(int bookAllowed) {
  exactCount = 0;
  evalCount = 0;
  tree.clearFailure();
  keepTreeInStep(*this);
  const int empties = gameBoard.count(0);
  if (empties <= 0) {
    setBestMove(MoveEntry{MoveFlag::Illegal, 0, 0, 0.0f, nullptr});
    return;
  }
  if (empties <= wldEmpties) {
    searching.store(1, std::memory_order_relaxed);
    keptDepth = std::max(depth - 4, 4);
    const int m = std::min(empties, depth);
    const SearchMode finalMode =
        empties > exactEmpties ? SearchMode::WinLossDraw : SearchMode::Exact;
    if (isKnownAlgorithm(algorithm)) {
      searchMode = SearchMode::Heuristic;
      deepen(*this, std::min(depth, 6), m);
      searchMode = finalMode;
      searchAt(*this, empties);
    }
  } else {
    if (bookAllowed != 0) {
      const int n = 61 - empties;
      if (n <= openingBookLimit) {
        if (openingBookLookup(*this)) return;
      } else if (n <= continuationLimit) {
        if (continuationBookLookup(*this)) return;
      }
    }
    searching.store(1, std::memory_order_relaxed);
    searchMode = SearchMode::Heuristic;
    const int d = empties <= wldEmpties + 2 ? depth + 2 : depth;
    keptDepth = std::max(d - 4, 4);
    deepen(*this, std::min(d, 6), d);
  }
  searching.store(0, std::memory_order_relaxed);
  if (root->moveCount > 0) {
    const MoveEntry& first = root->moves[0];
    setBestMove(MoveEntry{first.flag, first.row, first.column, first.value, nullptr});
  } else {
    setBestMove(MoveEntry{MoveFlag::Illegal, 0, 0, 0.0f, nullptr});
  }
}

int Engine::chooseAndPlay(int bookAllowed, int colourValue) {
  chooseMove(bookAllowed);
  if (bestMove.flag != MoveFlag::Legal) return 0;
  // A book move that is not legal here is not played (playMove leaves the board as it
  // was and keeps the last move).
  return playMove(bestMove.row, bestMove.column, colourValue);
}

void Engine::ponder() {
  tree.clearFailure();
  pondering.store(1, std::memory_order_relaxed);
  keepTreeInStep(*this);
  searchMode = SearchMode::Heuristic;
  const int empties = gameBoard.count(0);
  const int d = empties - 1 <= wldEmpties + 2 ? depth + 2 : depth;
  keptDepth = std::max(d - 3, 4);
  const int last = std::min(empties, d + 1);
  deepen(*this, std::min(d + 1, 7), last);
  if (algorithm == Algorithm::Mtdf && empties == d) searchAt(*this, empties);
  pondering.store(0, std::memory_order_relaxed);
}

}  // namespace zedare
