// The fast search finds the values of MTD(f): for positions of self-played random games,
// heuristic depths 1 to 10, exact solves at 6 to 16 empty squares and win/loss/draw
// solves, the value chosen by chooseMove is the same float as MTD(f)'s from a fresh tree,
// and the move played has that value (searched again after the move, by MTD(f) or the
// endgame solver). One fast engine runs every position, so that what its table keeps
// from earlier positions, colours and depths is used too.
#include "search/fast_search.h"

#include <gtest/gtest.h>

#include <random>

#include "api/engine.h"
#include "search/search.h"
#include "search_support.h"

using zedare::Algorithm;
using zedare::Board;
using zedare::Engine;
using zedare::SearchMode;

namespace {

// The shipped model, loaded once and copied into each engine.
const Engine& model() {
  static Engine* m = [] {
    auto* e = new Engine;
    e->loadModel(1, "modele", "parametry9_i15", "wzorce9_i15", 0);
    e->loadModel(2, "modele", "parametry9_i15", "wzorce9_i15", 0);
    return e;
  }();
  return *m;
}

void takeModel(Engine& e) {
  const Engine& m = model();
  e.weights1 = m.weights1;
  e.weights2 = m.weights2;
  for (int i = 0; i < 8; ++i) {
    e.patterns1[i] = m.patterns1[i];
    e.patterns2[i] = m.patterns2[i];
  }
}

// The engine holds `position` for the computer colour, with the schedule's parameters
// set directly: a middle-game search to `depth`, or an endgame solve in `mode`.
void setUp(Engine& e, const Board& position, int computerColour, SearchMode mode, int depth) {
  e.computerColour = computerColour;
  e.humanColour = -computerColour;
  e.gameBoard = position;
  e.resetTree();
  e.level = 0;  // no level row: the parameters below stay
  e.depth = depth;
  e.exactEmpties = mode == SearchMode::Exact ? 60 : 0;
  e.wldEmpties = mode == SearchMode::Heuristic ? 0 : 60;
}

// The value of the position after `move` for the computer, by a fresh MTD(f) search to
// `depth` (heuristic) or the endgame solver: what the move is worth in the search that
// chose it.
float valueAfter(const Board& position, const zedare::MoveEntry& move, int computerColour,
                 SearchMode mode, int depth) {
  Board child = position;
  EXPECT_EQ(child.play(move.row, move.column, position.sideToMove), 1);
  if (mode != SearchMode::Heuristic) {
    zedare::EndgameSolver solver;
    const int forChild =
        solver.solve(child.discs(child.sideToMove), child.discs(-child.sideToMove)).value;
    const int v = child.sideToMove == computerColour ? forChild : -forChild;
    if (mode == SearchMode::Exact) return static_cast<float>(v);
    return v > 0 ? zedare::kWldWin : v < 0 ? -zedare::kWldWin : 0.0f;
  }
  Engine e;
  takeModel(e);
  e.computerColour = computerColour;
  e.humanColour = -computerColour;
  // The root never passes: a side without a move hands the turn over first.
  if (!child.hasLegalMove(child.sideToMove)) child.pass();
  e.gameBoard = child;
  e.resetTree();
  e.algorithm = Algorithm::Mtdf;
  e.searchMode = SearchMode::Heuristic;
  e.leafDepth = depth - 1;
  e.keptDepth = std::max(depth - 5, 4);
  e.searching = 1;
  const float v = zedare::runRootSearch(e);
  e.searching = 0;
  return v;
}

struct Case {
  SearchMode mode;
  int depth;    // heuristic: the search depth
  int empties;  // the positions' empty squares
  int count;    // positions
};

TEST(FastSearch, FindsTheValuesOfMtdfAndPlaysAMoveOfThatValue) {
  using M = SearchMode;
  const Case cases[] = {
      {M::Heuristic, 1, 50, 20},  {M::Heuristic, 2, 44, 20},   {M::Heuristic, 3, 40, 20},
      {M::Heuristic, 4, 36, 20},  {M::Heuristic, 5, 30, 18},   {M::Heuristic, 6, 26, 16},
      {M::Heuristic, 7, 40, 12},  {M::Heuristic, 8, 32, 12},   {M::Heuristic, 9, 24, 8},
      {M::Heuristic, 10, 28, 6},  {M::Heuristic, 6, 12, 12},   {M::Heuristic, 8, 9, 10},
      {M::Exact, 4, 6, 16},       {M::Exact, 4, 8, 16},        {M::Exact, 4, 10, 16},
      {M::Exact, 4, 12, 14},      {M::Exact, 4, 14, 10},       {M::Exact, 4, 16, 4},
      {M::WinLossDraw, 4, 8, 16}, {M::WinLossDraw, 4, 11, 16}, {M::WinLossDraw, 4, 14, 12},
      {M::WinLossDraw, 6, 16, 6},
  };
  std::mt19937 rng(2026);
  Engine fast;
  takeModel(fast);
  fast.algorithm = Algorithm::Fast;
  int positions = 0;
  for (const Case& c : cases) {
    for (int k = 0; k < c.count; ++k) {
      Board position;
      ASSERT_TRUE(support::positionWithEmpties(rng, c.empties, position));
      // Every other position is searched for the side not to move (as background
      // thinking searches), so that the root is a min node.
      const int computer = k % 2 ? position.sideToMove : -position.sideToMove;
      Engine faithful;
      takeModel(faithful);
      setUp(faithful, position, computer, c.mode, c.depth);
      faithful.chooseMove(0);
      setUp(fast, position, computer, c.mode, c.depth);
      fast.chooseMove(0);
      const std::string where = position.toLine() + " depth " + std::to_string(c.depth) + " mode " +
                                std::to_string(static_cast<int>(c.mode));
      ASSERT_EQ(fast.bestMove.flag, zedare::MoveFlag::Legal) << where;
      EXPECT_EQ(fast.bestMove.value, faithful.bestMove.value) << where;
      // MTD(f) deepens by two from 6 at most: an odd depth above 6 ends one below.
      const int searched = c.depth <= 6 ? c.depth : 6 + (c.depth - 6) / 2 * 2;
      EXPECT_EQ(valueAfter(position, fast.bestMove, computer, c.mode, searched),
                faithful.bestMove.value)
          << where << " move " << int(fast.bestMove.row) << int(fast.bestMove.column);
      // The root list is sorted best first for the side to move.
      const Board& root = *fast.root;
      for (int i = 1; i < root.moveCount && root.moves[i].flag == zedare::MoveFlag::Legal; ++i) {
        if (computer == position.sideToMove)
          EXPECT_LE(root.moves[i].value, root.moves[0].value) << where;
        else
          EXPECT_GE(root.moves[i].value, root.moves[0].value) << where;
      }
      ++positions;
    }
  }
  EXPECT_GE(positions, 300);
}

}  // namespace

namespace {

// The table's life: none before the first fast search; kept from one search to the next
// (the same search again scores fewer positions); forgotten by a new game (the same
// search then scores exactly as many as the first time).
TEST(FastSearch, TheTableIsMadeOnFirstUseKeptBetweenSearchesAndForgottenByANewGame) {
  std::mt19937 rng(5);
  Board position;
  ASSERT_TRUE(support::positionWithEmpties(rng, 34, position));
  Engine e;
  takeModel(e);
  e.algorithm = Algorithm::Mtdf;
  setUp(e, position, position.sideToMove, SearchMode::Heuristic, 6);
  e.chooseMove(0);
  EXPECT_EQ(e.fast, nullptr);
  e.algorithm = Algorithm::Fast;
  auto scored = [&] {
    setUp(e, position, position.sideToMove, SearchMode::Heuristic, 6);
    e.chooseMove(0);
    return e.exactCount + e.evalCount;
  };
  const int first = scored();
  EXPECT_NE(e.fast, nullptr);
  EXPECT_LT(scored(), first * 3 / 4);
  e.newGame();
  EXPECT_EQ(scored(), first);
}

}  // namespace
