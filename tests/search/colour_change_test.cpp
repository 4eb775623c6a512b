// The kept tree across a change of colours: every value in it is from the computer's
// side, so code 0 that swaps the colours must forget it, and setting the same colours
// again must keep it. The random games play both sides through the exported codes with a
// colour change before every move and never discard the tree themselves; each solved move
// is held to the exact value of the offline solver.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "api/engine.h"
#include "api/zedare.h"
#include "search/solver.h"
#include "search_support.h"

using zedare::Board;
using zedare::Engine;
using zedare::MoveFlag;

namespace {

bool treeKept(const Engine& e) {
  for (int i = 0; i < e.root->moveCount; ++i) {
    if (e.root->moves[i].flag != MoveFlag::Untried) return true;
  }
  return false;
}

TEST(ColourChange, ForgetsTheTreeOnlyWhenTheColoursChange) {
  struct Case {
    const char* name;
    bool ponder;  // the tree grown by background thinking, else by a move search
    bool swap;    // code 0 with the other colour, else with the colour held
    bool expectKept;
  };
  const Case cases[] = {
      {"search, same colours", false, false, true},
      {"search, colours swapped", false, true, false},
      {"background thinking, same colours", true, false, true},
      {"background thinking, colours swapped", true, true, false},
  };
  std::mt19937 rng(31);
  const Board position = support::randomPosition(rng, 20);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Engine e;
    // Background thinking runs for the human, a move search for the computer: either way
    // the side to move of `position` is the one the tree is grown for.
    support::setUpGame(e, position, c.ponder ? -position.sideToMove : position.sideToMove);
    e.setLevel(2);
    if (c.ponder) {
      e.ponder();
    } else {
      e.chooseMove(0);
    }
    ASSERT_TRUE(treeKept(e));
    const Board* root = e.root;
    const Board* firstChild = e.root->moves[0].child;
    const int human = TavrinInst(&e, ZEDARE_HUMAN_COLOUR, 0, 0);
    TavrinInst(&e, ZEDARE_SET_HUMAN_COLOUR, c.swap ? -human : human, 0);
    EXPECT_EQ(TavrinInst(&e, ZEDARE_COMPUTER_COLOUR, 0, 0), c.swap ? human : -human);
    EXPECT_EQ(treeKept(e), c.expectKept);
    EXPECT_EQ(e.root, root);
    EXPECT_TRUE(e.root->sameSquares(e.gameBoard));
    if (c.expectKept) {
      EXPECT_EQ(e.root->moves[0].child, firstChild);
    }
  }
}

// The engine plays both sides of random endgames from 12 to 20 empty squares (at level 6,
// whose solves cost more, to 17), the colours set before every move so that the side to
// move is the computer, as a protocol program does. Every move from the level's exact threshold
// down keeps the solver's value of the position, every win/loss/draw move its sign.
TEST(ColourChange, BothSidesPlayedWithSwapsKeepTheSolvedValue) {
  struct Level {
    int level;
    int games;
    int mostEmpties;  // the games start from 12 to this many empty squares
  };
  zedare::EndgameSolver solver(zedare::EndScoring::Engine, 16);
  auto solve = [&](const Board& b) { return solver.solve(b).value; };
  for (const Level& l : {Level{3, 24, 20}, Level{6, 9, 17}}) {
    std::mt19937 rng(700 + l.level);
    zedare::LevelParameters p{};
    ASSERT_TRUE(zedare::levelParameters(l.level, p));
    int checked = 0, wrong = 0;
    const auto begin = std::chrono::steady_clock::now();
    for (int game = 0; game < l.games; ++game) {
      Board start;
      ASSERT_TRUE(support::positionWithEmpties(rng, 12 + game % (l.mostEmpties - 11), start));
      Engine e;
      support::setUpGame(e, start, start.sideToMove);
      TavrinInst(&e, ZEDARE_SET_LEVEL, l.level, 0);
      while (true) {
        const int side = TavrinInst(&e, ZEDARE_SIDE_TO_MOVE, 0, 0);
        if (!e.gameBoard.hasLegalMove(side)) {
          if (!e.gameBoard.hasLegalMove(-side)) break;
          TavrinInst_p0(&e, 3, 0, 0, 0);
          continue;
        }
        TavrinInst(&e, ZEDARE_SET_HUMAN_COLOUR, -side, 0);
        const Board before = e.gameBoard;
        const int empties = before.count(0);
        const int value = solve(before);
        ASSERT_EQ(TavrinInst(&e, ZEDARE_COMPUTER_MOVE, 0, 0), 1);
        const int after = -solve(e.gameBoard);
        if (empties > p.wldEmpties) continue;
        ++checked;
        const bool right = empties <= p.exactEmpties
                               ? after == value
                               : (after > 0) == (value > 0) && (after < 0) == (value < 0);
        if (!right) {
          ++wrong;
          ADD_FAILURE() << "level " << l.level << ", " << empties
                        << " empty squares: " << before.toLine() << " played to " << after << " of "
                        << value;
        }
      }
    }
    std::printf("level %d: %.1f s; ", l.level,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    std::printf("level %d: %d solved moves checked, %d wrong\n", l.level, checked, wrong);
    EXPECT_GT(checked, 10 * l.games);
    EXPECT_EQ(wrong, 0);
  }
}

}  // namespace
