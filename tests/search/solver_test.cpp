// The offline endgame solver against the classic positions' known scores (tournament
// scoring) and against the independent square-by-square solver (the engine's scoring),
// on random positions that include passes and games that end before the board is full.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>

#include "search/search_support.h"
#include "search/solver.h"

namespace {

using zedare::Board;
using zedare::EndgameSolver;
using zedare::EndScoring;

// The best moves listed on a classic position's line ("; G8:+2; A6:+0; ..."), as bit
// indices, with the best score.
std::vector<int> bestMovesOf(const std::string& line, int best) {
  std::vector<int> squares;
  std::istringstream in(line.substr(line.find(';')));
  std::string item;
  while (std::getline(in, item, ';')) {
    const auto colon = item.find(':');
    if (colon == std::string::npos) continue;
    const std::string move = item.substr(item.find_first_not_of(' '), 2);
    if (std::stoi(item.substr(colon + 1)) == best) {
      squares.push_back((move[1] - '1') * 8 + (move[0] - 'A'));
    }
  }
  return squares;
}

TEST(EndgameSolver, ClassicPositionsScoreAndBestMove) {
  int checked = 0;
  for (const char* file : {"/fforum-1-19.obf", "/fforum-20-39.obf"}) {
    for (const auto& p : support::readEndgames(std::string(ZEDARE_POSITIONS_DIR) + file)) {
      if (p.board.count(0) > 19) continue;  // the deeper ones take seconds each
      // A small table: positions share its slots, as in long runs.
      EndgameSolver solver(EndScoring::EmptiesToWinner, 12);
      const EndgameSolver::Result r = solver.solve(p.board);
      EXPECT_EQ(r.value, p.bestScore) << p.line;
      const std::vector<int> best = bestMovesOf(p.line, p.bestScore);
      ASSERT_FALSE(best.empty()) << p.line;
      EXPECT_NE(std::find(best.begin(), best.end(), r.square), best.end()) << p.line;
      ++checked;
    }
  }
  EXPECT_GE(checked, 24);
}

// Random positions from 1 to 11 empty squares: the values agree with the independent
// solver (whose scoring is the engine's) and the chosen move keeps the value. Some of the
// positions end before the board is full under perfect play, which the two scorings
// tell apart.
TEST(EndgameSolver, AgreesWithTheIndependentSolver) {
  std::mt19937 rng(2026);
  int checked = 0, endedEarly = 0;
  EndgameSolver engineScoring(EndScoring::Engine, 8);
  EndgameSolver tournament(EndScoring::EmptiesToWinner, 8);
  for (int k = 0; k < 300; ++k) {
    const int empties = 1 + k % 11;
    const Board b = support::randomPosition(rng, 60 - empties);
    if (b.count(0) != empties) continue;
    const int side = b.sideToMove;
    const int expected = support::solve(oracle::Position::fromBoard(b), side, -65, 65);
    const EndgameSolver::Result r = engineScoring.solve(b);
    ASSERT_EQ(r.value, expected) << b.toLine();
    if (r.square < 0) {
      EXPECT_FALSE(b.hasLegalMove(side)) << b.toLine();
    } else {
      Board after = b;
      ASSERT_EQ(after.play(r.square / 8 + 1, r.square % 8 + 1, side), 1) << b.toLine();
      EXPECT_EQ(support::solve(oracle::Position::fromBoard(after), side, -65, 65), expected)
          << b.toLine();
    }
    if (tournament.solve(b).value != r.value) ++endedEarly;
    ++checked;
  }
  EXPECT_GE(checked, 250);
  EXPECT_GE(endedEarly, 3);
}

// A solver kept from one position to the next, as a game solves move after move: each
// child of a solved position gets the value a fresh solver finds. The parent's table
// holds the child's bounds, some exact, which must not be searched on with an empty window.
TEST(EndgameSolver, AKeptTableGivesTheFreshValues) {
  std::mt19937 rng(5);
  EndgameSolver kept(EndScoring::Engine, 16);
  int children = 0;
  for (int k = 0; k < 300; ++k) {
    Board b;
    if (!support::positionWithEmpties(rng, 9 + k % 5, b)) continue;
    kept.solve(b);
    for (int sq = 0; sq < 64; ++sq) {
      Board child = b;
      if (!child.play(sq / 8 + 1, sq % 8 + 1, b.sideToMove)) continue;
      EndgameSolver fresh(EndScoring::Engine, 16);
      ASSERT_EQ(kept.solve(child).value, fresh.solve(child).value) << child.toLine();
      ++children;
    }
  }
  EXPECT_GE(children, 1000);
}

}  // namespace
