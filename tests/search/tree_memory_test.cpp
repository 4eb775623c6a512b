// The kept tree's memory: a budget that changes how much is kept but not what the
// search finds, failed allocations that end a search as a stop does, and released
// subtrees that are reused instead of new memory.
#include <gtest/gtest.h>

#include <random>

#include "api/engine.h"
#include "search/search.h"
#include "search_support.h"

namespace {

using zedare::Board;
using zedare::Engine;

struct BudgetCase {
  int algorithm;
  int mode;      // 0 heuristic, 1 exact, 2 win/loss/draw
  int empties;   // of the position
  int maxDepth;  // heuristic: deepest leaf depth of the series
};

// A budget of a few dozen boards against none: every search of an iterative series,
// in every algorithm and mode, finds the same root value, while the small tree really
// was held to its budget.
TEST(TreeBudget, RootValuesMatchAnUnlimitedTree) {
  const BudgetCase cases[] = {
      {0, 0, 30, 4}, {1, 0, 30, 5}, {2, 0, 30, 6}, {2, 0, 20, 6},  // heuristic
      {0, 1, 8, 0},  {1, 1, 11, 0}, {2, 1, 12, 0},                 // exact
      {0, 2, 8, 0},  {1, 2, 11, 0}, {2, 2, 12, 0},                 // win/loss/draw
  };
  constexpr size_t kBudget = 24 * 1024;
  int seed = 100;
  for (const BudgetCase& c : cases) {
    std::mt19937 rng(seed++);
    for (int n = 0; n < 3; ++n) {
      Board position;
      ASSERT_TRUE(support::positionWithEmpties(rng, c.empties, position));
      Engine unlimited, limited;
      limited.tree.setBudget(kBudget);
      unlimited.tree.setBudget(zedare::NodeStore::kUnlimited);
      for (Engine* e : {&unlimited, &limited}) {
        support::setUpGame(*e, position, position.sideToMove);
        e->algorithm = static_cast<zedare::Algorithm>(c.algorithm);
        e->keptDepth = 6;
        e->searching.store(1);
      }
      SCOPED_TRACE("algorithm " + std::to_string(c.algorithm) + ", mode " + std::to_string(c.mode) +
                   ", position " + position.toLine());
      std::vector<int> depths;
      if (c.mode == 0) {
        for (int d = c.algorithm == 1 ? 1 : 2; d <= c.maxDepth; d += c.algorithm == 1 ? 1 : 2)
          depths.push_back(d);
      } else {
        depths = {2, c.empties};  // a heuristic search first, as the game control runs
      }
      for (size_t k = 0; k < depths.size(); ++k) {
        const int mode = k + 1 == depths.size() ? c.mode : 0;
        for (Engine* e : {&unlimited, &limited}) {
          e->searchMode = static_cast<zedare::SearchMode>(mode);
          e->leafDepth = depths[k];
        }
        ASSERT_EQ(zedare::runRootSearch(limited), zedare::runRootSearch(unlimited))
            << "leaf depth " << depths[k];
      }
      EXPECT_LE(limited.tree.bytes(),
                kBudget + sizeof(Board) + 60 * sizeof(zedare::MoveEntry) + 16);
      EXPECT_LT(limited.tree.bytes(), unlimited.tree.bytes());
      support::expectTreeConsistent(*limited.root);
    }
  }
}

// A request for part of the budget is refused once that part is used, while a request
// for the whole budget still gets fresh memory up to the budget itself: the search
// gives the last of its memory to the plies near the root.
TEST(TreeBudget, PartialSharesAreRefusedFirst) {
  zedare::NodeStore store;
  constexpr size_t kBudget = 64 * 1024;
  store.setBudget(kBudget);
  constexpr int kHalf = zedare::NodeStore::kShares / 2;
  int half = 0, whole = 0;
  while (store.acquire(10, false, kHalf)) ++half;
  const size_t atHalf = store.bytes();
  while (store.acquire(10)) ++whole;
  EXPECT_GT(half, 0);
  EXPECT_GT(whole, 0);
  EXPECT_LE(atHalf, kBudget / 2);
  EXPECT_GT(atHalf + sizeof(Board) + 10 * sizeof(zedare::MoveEntry) + 16, kBudget / 2);
  EXPECT_LE(store.bytes(), kBudget);
  EXPECT_FALSE(store.failed());
}

// An allocator that fails after k allocations: the search ends as if stopped (both flags
// clear), the move played is the best one found so far or none, the tree stays
// consistent, and the next search, with memory back, plays normally.
TEST(TreeMemory, AFailedAllocationEndsTheSearchLikeAStop) {
  for (long k : {0L, 1L, 5L, 40L, 400L}) {
    SCOPED_TRACE("fails after " + std::to_string(k));
    std::mt19937 rng(31);
    const Board position = support::randomPosition(rng, 20);
    Engine e;
    support::setUpGame(e, position, position.sideToMove);
    e.setLevel(4);
    e.tree.failAfter(k);
    const int discs = e.gameBoard.discCount;
    const int played = e.chooseAndPlay(0, e.computerColour);
    EXPECT_TRUE(e.tree.failed());
    EXPECT_EQ(e.searching.load(), 0);
    EXPECT_EQ(e.pondering.load(), 0);
    EXPECT_EQ(e.gameBoard.discCount, discs + played);
    if (played) {
      EXPECT_EQ(e.gameBoard.sideToMove, -position.sideToMove);
    }
    if (k == 0) {
      EXPECT_EQ(played, 0);  // not one move was searched
    }
    support::expectTreeConsistent(*e.root);

    // Background thinking ends the same way.
    Engine f;
    support::setUpGame(f, position, -position.sideToMove);
    f.setLevel(4);
    f.tree.failAfter(k);
    f.ponder();
    EXPECT_TRUE(f.tree.failed());
    EXPECT_EQ(f.pondering.load(), 0);
    EXPECT_EQ(f.searching.load(), 0);
    support::expectTreeConsistent(*f.root);

    e.tree.failAfter(-1);
    e.gameBoard = position;
    e.resetTree();
    EXPECT_EQ(e.chooseAndPlay(0, e.computerColour), 1);
    EXPECT_FALSE(e.tree.failed());
    EXPECT_EQ(e.gameBoard.discCount, position.discCount + 1);
  }
}

// The tree's memory is reused: playing a game's moves and starting again gives back the
// released subtrees to later searches, so the store makes no new boards once it holds
// the largest tree (its move lists may still grow to fit).
TEST(TreeMemory, ReleasedSubtreesAreReused) {
  Engine e;
  support::setSimpleModel(e);
  e.setLevel(3);
  size_t afterFirstGame = 0, bytesAfterFirstGame = 0;
  for (int game = 0; game < 3; ++game) {
    e.newGame();
    for (int move = 0; move < 12; ++move) {
      ASSERT_EQ(e.chooseAndPlay(0, e.gameBoard.sideToMove), 1);
    }
    if (game == 0) afterFirstGame = e.tree.boards(), bytesAfterFirstGame = e.tree.bytes();
  }
  EXPECT_EQ(e.tree.boards(), afterFirstGame);
  EXPECT_LT(e.tree.bytes(), bytesAfterFirstGame * 5 / 4);
}

}  // namespace
