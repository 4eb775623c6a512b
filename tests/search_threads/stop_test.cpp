// Stopping a search from another thread, as the application's window does: the flags are
// cleared through the exported codes while the worker thread is inside a move search or
// background thinking. The search must return soon, play the first move of the root's
// list and leave a consistent tree. Run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "../search/search_support.h"
#include "api/engine.h"
#include "api/zedare.h"

using zedare::Board;
using zedare::Engine;

namespace {

// Waits until the flag reads 1 (the worker is inside the search), then clears it through
// `stopCode` and returns the time from the clearing to the worker's end.
double stopAndMeasure(Engine& e, std::thread& worker, uint32_t readCode, uint32_t stopCode) {
  while (TavrinInst(&e, readCode, 0, 0) == 0) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto start = std::chrono::steady_clock::now();
  TavrinInst(&e, stopCode, 0, 0);
  worker.join();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

TEST(SearchStop, ClearingSearchingEndsTheMoveSearchAndPlaysTheFirstEntry) {
  std::mt19937 rng(77);
  Board position;
  ASSERT_TRUE(support::positionWithEmpties(rng, 40, position));
  Engine e;
  support::setUpGame(e, position, position.sideToMove);
  e.setLevel(7);  // far deeper than can finish before the stop
  int played = -1;
  std::thread worker([&] { played = TavrinInst(&e, 15, 0, 0); });
  const double latency = stopAndMeasure(e, worker, 25, 26);
  std::printf("stop latency of a move search: %.2f ms\n", latency);
  RecordProperty("move_search_stop_latency_ms", static_cast<int>(latency));
  EXPECT_EQ(played, 1);
  EXPECT_EQ(e.searching.load(), 0);
  // The move played is the one the interrupted search had first: the game board is the
  // position with that move, and the new root describes the game board.
  Board expected = position;
  ASSERT_EQ(expected.play(e.lastRow, e.lastColumn, position.sideToMove), 1);
  EXPECT_TRUE(expected.sameSquares(e.gameBoard));
  EXPECT_EQ(e.bestMove.row, e.lastRow);
  EXPECT_EQ(e.bestMove.column, e.lastColumn);
  EXPECT_TRUE(e.root->sameSquares(e.gameBoard));
  EXPECT_EQ(e.root->sideToMove, e.gameBoard.sideToMove);
  support::expectTreeConsistent(*e.root);
}

TEST(SearchStop, ClearingPonderingEndsBackgroundThinking) {
  std::mt19937 rng(78);
  Board position;
  ASSERT_TRUE(support::positionWithEmpties(rng, 36, position));
  Engine e;
  support::setUpGame(e, position, -position.sideToMove);
  e.setLevel(7);
  std::thread worker([&] { TavrinInst(&e, 16, 0, 0); });
  const double latency = stopAndMeasure(e, worker, 27, 28);
  std::printf("stop latency of background thinking: %.2f ms\n", latency);
  RecordProperty("ponder_stop_latency_ms", static_cast<int>(latency));
  EXPECT_EQ(e.pondering.load(), 0);
  EXPECT_TRUE(e.root->sameSquares(e.gameBoard));
  support::expectTreeConsistent(*e.root);
  // The interrupted tree is a sound start for the next search: the human's move chosen
  // from it is legal and the game goes on.
  const int side = e.gameBoard.sideToMove;
  EXPECT_EQ(TavrinInst(&e, 1, 1, 0), 0);
  EXPECT_EQ(TavrinInst(&e, 14, 0, 0), 1);
  EXPECT_EQ(e.gameBoard.sideToMove, -side);
}

}  // namespace

// The fast search stopped in each of its phases: a middle-game deepening, background
// thinking, an endgame solve, and a move time running out (the clock's own stop, for
// MTD(f) too). Each returns, plays (or leaves) a legal move first in the root's list and
// lets the game go on.
TEST(SearchStop, TheFastSearchStopsInEveryPhase) {
  struct Case {
    const char* what;
    int empties;   // of the position
    bool ponder;   // background thinking instead of a move search
    int moveTime;  // ms; 0: stopped by the flag
    zedare::Algorithm algorithm;
  };
  using zedare::Algorithm;
  const Case cases[] = {
      {"middle game", 40, false, 0, Algorithm::Fast},
      {"background thinking", 36, true, 0, Algorithm::Fast},
      {"endgame solve", 26, false, 0, Algorithm::Fast},
      {"move time", 40, false, 150, Algorithm::Fast},
      {"move time over before the first iteration", 40, false, 1, Algorithm::Fast},
      {"move time, MTD(f)", 40, false, 150, Algorithm::Mtdf},
  };
  std::mt19937 rng(79);
  for (const Case& c : cases) {
    Board position;
    ASSERT_TRUE(support::positionWithEmpties(rng, c.empties, position));
    Engine e;
    support::setUpGame(e, position, c.ponder ? -position.sideToMove : position.sideToMove);
    e.setLevel(7);
    if (c.empties <= 26) {  // straight to a long exact solve
      e.depth = 2;
      e.wldEmpties = e.exactEmpties = 26;
    }
    e.algorithm = c.algorithm;
    e.moveTime = c.moveTime;
    int played = -1;
    if (c.ponder) {
      std::thread worker([&] { TavrinInst(&e, 16, 0, 0); });
      stopAndMeasure(e, worker, 27, 28);
    } else if (c.moveTime) {
      played = TavrinInst(&e, 15, 0, 0);  // ends by the clock alone
    } else {
      std::thread worker([&] { played = TavrinInst(&e, 15, 0, 0); });
      stopAndMeasure(e, worker, 25, 26);
    }
    EXPECT_EQ(e.searching.load() + e.pondering.load(), 0) << c.what;
    if (c.ponder) {
      const zedare::MoveEntry& first = e.root->moves[0];
      EXPECT_EQ(first.flag, zedare::MoveFlag::Legal) << c.what;
      EXPECT_TRUE(position.isLegal(first.row, first.column, position.sideToMove)) << c.what;
      continue;
    }
    EXPECT_EQ(played, 1) << c.what;
    Board expected = position;
    ASSERT_EQ(expected.play(e.lastRow, e.lastColumn, position.sideToMove), 1) << c.what;
    EXPECT_TRUE(expected.sameSquares(e.gameBoard)) << c.what;
    EXPECT_TRUE(e.root->sameSquares(e.gameBoard)) << c.what;
    // The next search starts normally.
    e.moveTime = 0;
    e.setLevel(1);
    EXPECT_EQ(TavrinInst(&e, 14, 0, 0), 1) << c.what;
  }
}
