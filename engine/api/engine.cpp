// Engine construction, levels, new games, the kept tree and playing a given move.
// Choosing moves and background thinking are in game.cpp.
#include "api/engine.h"

#include <new>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "eval/model.h"

namespace zedare {

Engine::Engine() {
  applyLevel();
  gameBoard.setInitial();
  record.reset();
  root = tree.acquire(kMaxMoves, true);
  if (!root) throw std::bad_alloc();
  *root = gameBoard;
  for (Board& slot : plySlots) {
    slot.toGrid();
    slot.reserveMoves(kMaxMoves);  // the search plays on them without allocating
  }
}

Engine::~Engine() {
  delete[] openingLine;
  for (std::FILE* f : {evaluationsFile, dumpFile, trainingFile, resultsFile}) {
    if (f) std::fclose(f);
  }
}

void Engine::applyLevel() {
  LevelParameters p;
  if (levelParameters(level, p)) {
    openingBookLimit = p.openingBookLimit;
    continuationLimit = p.continuationLimit;
    depth = p.depth;
    exactEmpties = p.exactEmpties;
    wldEmpties = p.wldEmpties;
  }
  static const int kWorkRows[7] = {8, 1, 8, 8, 8, 8, 8};
  for (int i = 0; i < 7; ++i) workMatrices[i] = zeros(kWorkRows[i], 1);
}

void Engine::setLevel(int newLevel) {
  if (newLevel == level) return;
  level = newLevel;
  applyLevel();
}

void Engine::resetTree() {
  // The old tree goes back to the store in constant time, and the root board is reused.
  tree.releaseChildren(*root);
  *root = gameBoard;
}

void Engine::newGame() {
  {
    std::lock_guard<std::mutex> guard(boardLock);
    gameBoard.setInitial();
    lastRow = lastColumn = 0;
  }
  record.reset();
  // Nothing of the old tree is of use in a new game: its storage goes back to the
  // system (a game at the highest level grows it to hundreds of megabytes), and the
  // root starts in a store of its own again.
  tree.clear();
  root = tree.acquire(kMaxMoves, true);
  if (!root) throw std::bad_alloc();
  *root = gameBoard;
#if defined(__GLIBC__)
  // The heap keeps freed memory for reuse unless asked to return it.
  malloc_trim(0);
#endif
  if (fast) fast->clear();
}

int Engine::playMove(int row, int column, int colourValue) {
  Board* child = nullptr;
  for (int i = 0; i < root->moveCount; ++i) {
    MoveEntry& e = root->moves[i];
    if (e.row == row && e.column == column) {
      if (e.flag == MoveFlag::Legal && e.child) {
        child = e.child;
        e.child = nullptr;
      }
      break;
    }
  }
  tree.releaseChildren(*root);  // the old tree, except the subtree taken out above
  int played;
  {
    std::lock_guard<std::mutex> guard(boardLock);
    played = gameBoard.play(row, column, colourValue);
    if (played) {
      lastRow = row;
      lastColumn = column;
    }
  }
  // The kept subtree describes the game board only if the move was made by the side
  // that the search played it for; otherwise (a move entered for the other colour)
  // the tree starts afresh, so the root always holds the game's position.
  if (child && played && child->sameSquares(gameBoard) &&
      child->sideToMove == gameBoard.sideToMove) {
    tree.release(root);
    root = child;
  } else {
    tree.release(child);
    *root = gameBoard;
  }
  return played;
}

int Engine::discDifference() const {
  const int k = gameBoard.count(computerColour);
  const int h = gameBoard.discCount - k;
  if (k == 0) return 64;
  if (h == 0) return -64;
  return h - k;
}

void Engine::loadModel(int slot, const char* directory, const char* parameterName,
                       const char* patternName, int n) {
  zedare::loadModel(*this, slot, directory, parameterName, patternName, n);
}

}  // namespace zedare
