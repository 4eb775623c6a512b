// The searches: exact and win/loss/draw solving against an independent solver, the three
// algorithms agreeing, reproducibility, the level schedule, the kept tree across a
// pondered move, passes and scoring rules.
#include "search/search.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <vector>

#include "api/engine.h"
#include "api/zedare.h"
#include "search_support.h"

using zedare::Board;
using zedare::Engine;
using zedare::kNoValue;
using zedare::MoveFlag;

namespace {

// A fresh engine on a position, with the computer to move.
void setUp(Engine& e, const Board& position) {
  support::setUpGame(e, position, position.sideToMove);
}

// White (+1) two discs in the corner row, black one disc in the far corner: nobody can
// move and white leads by one.
Board finishedGame() {
  Board b;
  b.setSquare(1, 1, 1);
  b.setSquare(1, 2, 1);
  b.setSquare(8, 8, -1);
  b.sideToMove = 1;
  b.rebuildCandidates();
  return b;
}

float runSearch(Engine& e, int algorithm, int mode, int leafDepth, int keptDepth = 4) {
  e.algorithm = static_cast<zedare::Algorithm>(algorithm);
  e.searchMode = static_cast<zedare::SearchMode>(mode);
  e.leafDepth = leafDepth;
  e.keptDepth = keptDepth;
  e.searching = 1;
  zedare::runRootSearch(e);
  e.searching = 0;
  return e.root->moves[0].value;
}

// Every kept node is a consistent board, and every kept child is its parent with the
// entry's move played by the parent's side to move (or by the other side after a pass).
void expectTreeReplays(const Board& b) {
  ASSERT_EQ(b.checkConsistency(), "");
  for (int i = 0; i < b.moveCount; ++i) {
    const zedare::MoveEntry& m = b.moves[i];
    if (!m.child) continue;
    ASSERT_EQ(m.flag, MoveFlag::Legal);
    Board replay(b);
    if (!replay.play(m.row, m.column, b.sideToMove)) {
      replay = b;
      ASSERT_EQ(replay.play(m.row, m.column, -b.sideToMove), 1);
    }
    ASSERT_TRUE(replay.sameSquares(*m.child));
    expectTreeReplays(*m.child);
  }
}

TEST(SearchSolve, ExactAndWldAgreeWithAnIndependentSolver) {
  std::mt19937 rng(2024);
  int solved = 0;
  for (int empties : {4, 6, 8, 10, 12, 14}) {
    const int count = empties <= 10 ? 6 : 2;
    for (int n = 0; n < count; ++n) {
      Board position;
      if (!support::positionWithEmpties(rng, empties, position)) continue;
      const int me = position.sideToMove;
      const int truth = support::solve(oracle::Position::fromBoard(position), me, -65, 65);
      for (int algorithm : {1, 2}) {
        Engine e;
        setUp(e, position);
        EXPECT_EQ(runSearch(e, algorithm, 1, empties), static_cast<float>(truth))
            << "algorithm " << algorithm << " " << position.toLine();
        EXPECT_GT(e.exactCount, 0);
        EXPECT_EQ(e.evalCount, 0);
        Engine w;
        setUp(w, position);
        const float wld = runSearch(w, algorithm, 2, empties);
        EXPECT_EQ(wld, truth > 0 ? 9.9f : truth < 0 ? -9.9f : 0.0f) << position.toLine();
        expectTreeReplays(*e.root);
      }
      if (empties <= 8) {  // minimax keeps the whole tree: small endgames only
        Engine m;
        setUp(m, position);
        EXPECT_EQ(runSearch(m, 0, 1, empties), static_cast<float>(truth));
      }
      ++solved;
    }
  }
  EXPECT_GE(solved, 20);
}

TEST(SearchSolve, ValueSeenFromTheHumanSideAtTheRoot) {
  // With the human to move at the root (as while pondering), the root is a min node and
  // the value is still the computer's: the solver's value for the computer.
  std::mt19937 rng(99);
  Board position;
  ASSERT_TRUE(support::positionWithEmpties(rng, 10, position));
  Engine e;
  setUp(e, position);
  e.humanColour = position.sideToMove;
  e.computerColour = -position.sideToMove;
  const int truth =
      support::solve(oracle::Position::fromBoard(position), e.computerColour, -65, 65);
  EXPECT_EQ(runSearch(e, 2, 1, 10), static_cast<float>(truth));
}

TEST(SearchAlgorithms, SameRootValueAtTheSameDepth) {
  std::mt19937 rng(7);
  for (int n = 0; n < 12; ++n) {
    const Board position = support::randomPosition(rng, 12 + n * 2);
    if (!position.hasLegalMove(position.sideToMove)) continue;
    const int depth = 2 + n % 3;
    float values[3];
    for (int algorithm = 0; algorithm < 3; ++algorithm) {
      Engine e;
      setUp(e, position);
      values[algorithm] = runSearch(e, algorithm, 0, depth);
    }
    EXPECT_NEAR(values[1], values[0], 1e-3) << position.toLine() << " depth " << depth;
    EXPECT_NEAR(values[2], values[0], 1e-3) << position.toLine() << " depth " << depth;
  }
}

TEST(SearchAlgorithms, IterativeDeepeningKeepsTheValueOfAFreshSearch) {
  // The kept tree only reorders moves: deepening through depths 1..4 ends with the same
  // value as one search at depth 4 from a fresh tree.
  std::mt19937 rng(31);
  for (int n = 0; n < 6; ++n) {
    const Board position = support::randomPosition(rng, 20 + n);
    if (!position.hasLegalMove(position.sideToMove)) continue;
    for (int algorithm : {1, 2}) {
      Engine deep, fresh;
      setUp(deep, position);
      setUp(fresh, position);
      for (int d = 1; d <= 4; ++d) runSearch(deep, algorithm, 0, d);
      EXPECT_NEAR(deep.root->moves[0].value, runSearch(fresh, algorithm, 0, 4), 1e-3);
      expectTreeReplays(*deep.root);
    }
  }
}

TEST(SearchAlgorithms, SameSearchTwiceGivesSameMoveValueAndCounts) {
  std::mt19937 rng(5);
  const Board position = support::randomPosition(rng, 24);
  for (int algorithm = 0; algorithm < 3; ++algorithm) {
    Engine a, b;
    setUp(a, position);
    setUp(b, position);
    a.level = b.level = 0;
    a.setLevel(2);
    b.setLevel(2);
    a.algorithm = b.algorithm = static_cast<zedare::Algorithm>(algorithm);
    a.chooseMove(0);
    b.chooseMove(0);
    EXPECT_EQ(a.bestMove.row, b.bestMove.row);
    EXPECT_EQ(a.bestMove.column, b.bestMove.column);
    EXPECT_EQ(a.bestMove.value, b.bestMove.value);
    EXPECT_EQ(a.exactCount, b.exactCount);
    EXPECT_EQ(a.evalCount, b.evalCount);
    EXPECT_GT(a.evalCount, 0);
  }
}

// ---------------------------------------------------------------------------
// Scoring and passes

TEST(SearchScoring, LeafDepthZeroScoresTheRootAndLeavesItsList) {
  std::mt19937 rng(1);
  const Board position = support::randomPosition(rng, 10);
  Engine e;
  setUp(e, position);
  e.leafDepth = 0;
  e.searching = 1;
  const float v = zedare::searchAlphaBeta(e, *e.root);
  EXPECT_EQ(e.evalCount, 1);
  EXPECT_EQ(v, e.root->cachedValue);
  for (int i = 0; i < e.root->moveCount; ++i) EXPECT_EQ(e.root->moves[i].flag, MoveFlag::Untried);
}

TEST(SearchScoring, FinishedGamesScoreByMode) {
  const Board b = finishedGame();  // the computer plays white
  Engine e;
  e.humanColour = -1;
  e.computerColour = 1;
  const float expected[3] = {1000.0f, 1.0f, 9.9f};
  for (int mode = 0; mode < 3; ++mode) {
    Board copy(b);
    e.searchMode = static_cast<zedare::SearchMode>(mode);
    EXPECT_EQ(zedare::terminalValue(e, copy), expected[mode]) << mode;
  }
  Board wipe;
  wipe.setSquare(1, 1, -1);
  wipe.sideToMove = 1;
  wipe.rebuildCandidates();
  e.searchMode = zedare::SearchMode::Exact;
  EXPECT_EQ(zedare::terminalValue(e, wipe), -64.0f);
}

TEST(SearchScoring, HeuristicScoreIsNotTakenForADiscDifference) {
  // A kept board scored as a finished game in the heuristic mode (+1000) must score
  // its disc difference when an exact search reaches it.
  Board b = finishedGame();
  Engine e;
  e.computerColour = 1;
  e.humanColour = -1;
  e.searchMode = zedare::SearchMode::Heuristic;
  EXPECT_EQ(zedare::terminalValue(e, b), 1000.0f);
  e.searchMode = zedare::SearchMode::Exact;
  EXPECT_EQ(zedare::terminalValue(e, b), 1.0f);
  e.searchMode = zedare::SearchMode::Heuristic;
  EXPECT_EQ(zedare::terminalValue(e, b), 1000.0f);
  EXPECT_EQ(e.exactCount, 3);
}

TEST(SearchScoring, WipeOutScoresSixtyFour) {
  // Black (the computer) at (1,1), white at (1,2) and (1,3): black's only move (1,4)
  // flips both, white has no disc left and the game is over.
  Board b;
  b.setSquare(1, 1, -1);
  b.setSquare(1, 2, 1);
  b.setSquare(1, 3, 1);
  b.sideToMove = -1;
  b.rebuildCandidates();
  Engine e;
  e.gameBoard = b;
  e.computerColour = -1;
  e.humanColour = 1;
  support::setSimpleModel(e);
  e.resetTree();
  EXPECT_EQ(runSearch(e, 2, 1, b.count(0)), 64.0f);
  EXPECT_EQ(e.root->moves[0].row, 1);
  EXPECT_EQ(e.root->moves[0].column, 4);
}

TEST(SearchScoring, NoLegalMoveAtTheRootLeavesEveryEntryIllegal) {
  Board b;
  b.setSquare(1, 1, 1);
  b.setSquare(1, 2, -1);  // black cannot move, white can play (1,3)
  b.sideToMove = -1;
  b.rebuildCandidates();
  Engine e;
  setUp(e, b);
  runSearch(e, 1, 0, 2);
  for (int i = 0; i < e.root->moveCount; ++i) EXPECT_EQ(e.root->moves[i].flag, MoveFlag::Illegal);
  e.gameBoard = b;
  e.resetTree();
  e.setLevel(1);
  e.chooseMove(0);
  EXPECT_EQ(e.bestMove.flag, MoveFlag::Illegal);
  EXPECT_EQ(e.chooseAndPlay(0, e.computerColour), 0);
  EXPECT_EQ(e.gameBoard.toLine(), b.toLine());
}

TEST(SearchScoring, FullBoardChoosesNothing) {
  Board b;
  for (int i = 0; i < 64; ++i) b.setSquare(i / 8 + 1, i % 8 + 1, i % 3 ? 1 : -1);
  b.sideToMove = 1;
  b.rebuildCandidates();
  Engine e;
  setUp(e, b);
  e.chooseMove(0);
  EXPECT_EQ(e.bestMove.flag, MoveFlag::Illegal);
  EXPECT_EQ(e.bestMove.row, 0);
  EXPECT_EQ(e.bestMove.column, 0);
  EXPECT_EQ(e.bestMove.value, 0.0f);
}

TEST(SearchTies, EqualValuesKeepTheEarlierMove) {
  // At the start position all four moves are equivalent: the first legal candidate in
  // list order, (3,4), is chosen by every algorithm.
  for (int algorithm = 0; algorithm < 3; ++algorithm) {
    Engine e;
    Board start;
    start.setInitial();
    setUp(e, start);
    e.algorithm = static_cast<zedare::Algorithm>(algorithm);
    e.setLevel(1);
    e.chooseMove(0);
    EXPECT_EQ(e.bestMove.row, 3) << algorithm;
    EXPECT_EQ(e.bestMove.column, 4) << algorithm;
  }
}

// ---------------------------------------------------------------------------
// The schedule of chooseMove: observed through the search observer, with each search
// stopped at once so that even level 6 costs nothing.

struct Call {
  int mode, leafDepth, keptDepth;
  bool operator==(const Call&) const = default;
};

void recordAndStop(void* context, zedare::SearchMode mode, int leafDepth, int keptDepth) {
  auto* pair = static_cast<std::pair<std::vector<Call>*, Engine*>*>(context);
  pair->first->push_back({static_cast<int>(mode), leafDepth, keptDepth});
  pair->second->searching = 0;
}

std::vector<Call> scheduleFor(int level, int empties) {
  std::mt19937 rng(level * 100 + empties);
  Board position;
  if (!support::positionWithEmpties(rng, empties, position)) return {};
  Engine e;
  setUp(e, position);
  e.setLevel(level);
  std::vector<Call> calls;
  std::pair<std::vector<Call>*, Engine*> context{&calls, &e};
  e.searchObserver = recordAndStop;
  e.searchObserverContext = &context;
  e.chooseMove(0);
  return calls;
}

TEST(SearchSchedule, DepthsAndModesPerLevel) {
  // Per level and number of empty squares: the heuristic depths (mode 0) and the final
  // endgame search, worked out from the level table by hand.
  struct Case {
    int level, empties;
    std::vector<Call> calls;
  };
  const std::vector<Case> cases = {
      {1, 17, {{0, 2, 4}}},
      {1, 12, {{0, 2, 4}}},
      {2, 16, {{0, 4, 4}}},
      {2, 14, {{0, 6, 4}}},
      {2, 13, {{0, 6, 4}}},
      {2, 12, {{0, 4, 4}, {2, 12, 4}}},
      {3, 17, {{0, 6, 4}}},
      {3, 16, {{0, 6, 4}, {0, 8, 4}}},
      {3, 14, {{0, 6, 4}, {2, 14, 4}}},
      {3, 13, {{0, 6, 4}, {2, 13, 4}}},
      {3, 12, {{0, 6, 4}, {1, 12, 4}}},
      {4, 17, {{0, 6, 6}, {0, 8, 6}, {0, 10, 6}}},
      {4, 16, {{0, 6, 4}, {0, 8, 4}, {2, 16, 4}}},
      {4, 14, {{0, 6, 4}, {0, 8, 4}, {1, 14, 4}}},
      {4, 12, {{0, 6, 4}, {0, 8, 4}, {1, 12, 4}}},
      {5, 17, {{0, 6, 6}, {0, 8, 6}, {0, 10, 6}, {2, 17, 6}}},
      {5, 16, {{0, 6, 6}, {0, 8, 6}, {0, 10, 6}, {1, 16, 6}}},
      {5, 13, {{0, 6, 6}, {0, 8, 6}, {0, 10, 6}, {1, 13, 6}}},
      {6, 17, {{0, 6, 8}, {0, 8, 8}, {0, 10, 8}, {0, 12, 8}, {1, 17, 8}}},
      {6, 14, {{0, 6, 8}, {0, 8, 8}, {0, 10, 8}, {0, 12, 8}, {1, 14, 8}}},
      {6, 12, {{0, 6, 8}, {0, 8, 8}, {0, 10, 8}, {0, 12, 8}, {1, 12, 8}}},
  };
  for (const Case& c : cases) {
    const auto calls = scheduleFor(c.level, c.empties);
    ASSERT_FALSE(calls.empty()) << "no position with " << c.empties << " empties";
    ASSERT_EQ(calls.size(), c.calls.size()) << "level " << c.level << ", " << c.empties << " empty";
    for (size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ(calls[i].mode, c.calls[i].mode)
          << "level " << c.level << ", " << c.empties << " empty, call " << i;
      EXPECT_EQ(calls[i].leafDepth, c.calls[i].leafDepth)
          << "level " << c.level << ", " << c.empties << " empty";
      EXPECT_EQ(calls[i].keptDepth, c.calls[i].keptDepth)
          << "level " << c.level << ", " << c.empties << " empty";
    }
  }
}

TEST(SearchSchedule, AlphaBetaDeepensOnePlyAtATimeAndMinimaxSearchesOnce) {
  std::mt19937 rng(3);
  Board position;
  ASSERT_TRUE(support::positionWithEmpties(rng, 30, position));
  for (int algorithm : {0, 1}) {
    Engine e;
    setUp(e, position);
    e.setLevel(2);
    e.algorithm = static_cast<zedare::Algorithm>(algorithm);
    std::vector<Call> calls;
    std::pair<std::vector<Call>*, Engine*> context{&calls, &e};
    e.searchObserver = recordAndStop;
    e.searchObserverContext = &context;
    e.chooseMove(0);
    if (algorithm == 0) {
      EXPECT_EQ(calls, (std::vector<Call>{{0, 4, 4}}));
    } else {
      EXPECT_EQ(calls, (std::vector<Call>{{0, 1, 4}, {0, 2, 4}, {0, 3, 4}, {0, 4, 4}}));
    }
  }
}

// ---------------------------------------------------------------------------
// The tree across moves

TEST(SearchTree, PonderedMoveKeepsItsSubtree) {
  std::mt19937 rng(12);
  const Board position = support::randomPosition(rng, 16);
  // The human is to move in `position`; the engine ponders, the human plays the move the
  // ponder expects, and the computer's search then starts from the kept subtree.
  Engine pondered, fresh;
  for (Engine* e : {&pondered, &fresh}) {
    support::setUpGame(*e, position, -position.sideToMove);
    e->setLevel(2);
  }
  pondered.ponder();
  const zedare::MoveEntry expected = pondered.root->moves[0];
  ASSERT_EQ(expected.flag, MoveFlag::Legal);
  ASSERT_NE(expected.child, nullptr);
  const Board* subtree = expected.child;
  ASSERT_EQ(pondered.playMove(expected.row, expected.column, pondered.humanColour), 1);
  EXPECT_EQ(pondered.root, subtree);
  ASSERT_EQ(fresh.playMove(expected.row, expected.column, fresh.humanColour), 1);
  pondered.chooseMove(0);
  fresh.chooseMove(0);
  EXPECT_EQ(pondered.bestMove.row, fresh.bestMove.row);
  EXPECT_EQ(pondered.bestMove.column, fresh.bestMove.column);
  EXPECT_LT(pondered.evalCount, fresh.evalCount);
  expectTreeReplays(*pondered.root);
}

TEST(SearchTree, AnyOtherMoveStartsAFreshRoot) {
  std::mt19937 rng(12);
  const Board position = support::randomPosition(rng, 16);
  Engine e;
  support::setUpGame(e, position, -position.sideToMove);
  e.setLevel(2);
  e.ponder();
  // The last legal entry of the sorted list is not the expected move.
  int last = -1;
  for (int i = 0; i < e.root->moveCount; ++i)
    if (e.root->moves[i].flag == MoveFlag::Legal) last = i;
  ASSERT_GT(last, 0);
  zedare::MoveEntry& other = e.root->moves[last];
  const int row = other.row, column = other.column;
  e.tree.release(other.child);  // the tree's boards go back to its store
  other.child = nullptr;         // as a shallow search leaves it
  ASSERT_EQ(e.playMove(row, column, e.humanColour), 1);
  EXPECT_TRUE(e.root->sameSquares(e.gameBoard));
  for (int i = 0; i < e.root->moveCount; ++i) {
    EXPECT_EQ(e.root->moves[i].flag, MoveFlag::Untried);
    EXPECT_EQ(e.root->moves[i].child, nullptr);
  }
  EXPECT_EQ(e.root->cachedValue, kNoValue);
}

TEST(SearchTree, MoveForTheOtherColourDoesNotInheritTheSubtree) {
  std::mt19937 rng(14);
  const Board position = support::randomPosition(rng, 16);
  Engine e;
  setUp(e, position);
  runSearch(e, 2, 0, 2);
  const zedare::MoveEntry first = e.root->moves[0];
  ASSERT_EQ(first.flag, MoveFlag::Legal);
  // Playing the same square for the other colour (legal or not) keeps the root equal to
  // the game board.
  e.playMove(first.row, first.column, -position.sideToMove);
  EXPECT_TRUE(e.root->sameSquares(e.gameBoard));
  EXPECT_EQ(e.root->sideToMove, e.gameBoard.sideToMove);
}

// ---------------------------------------------------------------------------
// Endgame test positions: win/loss/draw sign of the best score.

TEST(SearchEndgames, WinLossDrawSignOfTheClassicPositions) {
  const auto positions =
      support::readEndgames(std::string(ZEDARE_POSITIONS_DIR) + "/fforum-1-19.obf");
  ASSERT_EQ(positions.size(), 19u);
  int checked = 0;
  for (const auto& p : positions) {
    if (p.board.count(0) > 14) continue;
    Engine e;
    setUp(e, p.board);
    const float wld = runSearch(e, 2, 2, p.board.count(0));
    const float expected = p.bestScore > 0 ? 9.9f : p.bestScore < 0 ? -9.9f : 0.0f;
    EXPECT_EQ(wld, expected) << p.line;
    ++checked;
  }
  EXPECT_GE(checked, 7);
}

}  // namespace

namespace {

// A search run before any model is loaded stops through the matrix library's error path
// with its message, instead of reading outside an empty weight table.
TEST(SearchWithoutModel, StopsThroughTheMatrixErrorPath) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        dup2(2, 1);  // the error text goes to standard output; let the test see it
        Engine e;
        e.setLevel(1);
        e.chooseMove(0);
      },
      ::testing::ExitedWithCode(1), "MATRIX: .*\nindeks poza zakresem\n");
}

}  // namespace

namespace {

// The computer must find its move after the human passed: the tree was grown for the
// human's turn and has to follow the pass.
TEST(SearchAfterPass, ComputerMovesAfterTheHumanPassed) {
  // White (the computer) at (1,1), black (the human) at (1,2): black has no move, white
  // has (1,3).
  Board b;
  b.setSquare(1, 1, 1);
  b.setSquare(1, 2, -1);
  b.sideToMove = -1;
  b.rebuildCandidates();
  for (bool throughTheInterface : {true, false}) {
    Engine e;
    support::setUpGame(e, b, 1);
    e.setLevel(2);
    e.ponder();  // grows a tree for black's turn, as background thinking would
    if (throughTheInterface) {
      EXPECT_EQ(TavrinInst_p0(&e, 3, 0, 0, 0), 0);
      EXPECT_EQ(TavrinInst(&e, 15, 1, 0), 1);
    } else {
      e.gameBoard.pass();  // as the self-play operations pass
      EXPECT_EQ(e.chooseAndPlay(0, 1), 1);
    }
    EXPECT_EQ(e.gameBoard.colourAt(1, 3), 1);
    EXPECT_EQ(e.gameBoard.colourAt(1, 2), 1);
    EXPECT_TRUE(e.root->sameSquares(e.gameBoard));
  }
}

}  // namespace
