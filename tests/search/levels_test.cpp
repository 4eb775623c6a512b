// Every instruction level that this build holds and this processor runs gives exactly the
// portable level's evaluations and searches: the same values, move values and counts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "api/engine.h"
#include "board/isa.h"
#include "eval/evaluate.h"
#include "search/search.h"
#include "search_support.h"

namespace {

using zedare::Board;
using zedare::Engine;
using zedare::IsaLevel;

std::vector<IsaLevel> levelsBesidesPortable() {
  std::vector<IsaLevel> levels;
  for (IsaLevel l : {IsaLevel::V2, IsaLevel::V3}) {
    if (zedare::levelRuns(l)) levels.push_back(l);
  }
  return levels;
}

TEST(InstructionLevels, GiveThePortableEvaluationsAndSearches) {
  const std::vector<IsaLevel> levels = levelsBesidesPortable();
  if (levels.empty()) GTEST_SKIP() << "this processor runs only the portable level";
  Engine model;
  model.loadModel(1, "modele", "parametry9_i15", "wzorce9_i15", 0);
  model.loadModel(2, "modele", "parametry9_i15", "wzorce9_i15", 1);
  auto setUp = [&](Engine& e, const Board& position, int computer) {
    support::setUpGame(e, position, computer);
    e.weights1 = model.weights1;
    e.weights2 = model.weights2;
    for (int i = 0; i < 8; ++i) {
      e.patterns1[i] = model.patterns1[i];
      e.patterns2[i] = model.patterns2[i];
    }
  };
  const zedare::EvalEntries& portableEval = zedare::evalEntries(IsaLevel::Portable);
  const zedare::SearchEntries& portableSearch = zedare::searchEntries(IsaLevel::Portable);
  std::mt19937 rng(29);
  for (IsaLevel level : levels) {
    SCOPED_TRACE(zedare::levelName(level));
    const zedare::EvalEntries& eval = zedare::evalEntries(level);
    Engine e;
    setUp(e, Board(), 1);
    // Positions from the opening to full boards, with passes, both colours as computer.
    for (int n = 0; n < 400; ++n) {
      const Board b = support::randomPosition(rng, n % 61);
      e.computerColour = n % 2 ? 1 : -1;
      e.humanColour = -e.computerColour;
      ASSERT_EQ(eval.evaluate1(e, b), portableEval.evaluate1(e, b)) << b.toLine();
      ASSERT_EQ(eval.evaluate2(e, b), portableEval.evaluate2(e, b)) << b.toLine();
    }
    const zedare::SearchEntries& search = zedare::searchEntries(level);
    for (int algorithm = 0; algorithm < 3; ++algorithm) {
      for (int empties : {44, 30, 9}) {
        Board position;
        ASSERT_TRUE(support::positionWithEmpties(rng, empties, position));
        Engine a, b;
        for (Engine* x : {&a, &b}) {
          setUp(*x, position, position.sideToMove);
          x->algorithm = static_cast<zedare::Algorithm>(algorithm);
          x->keptDepth = 2;
          x->leafDepth = empties > 20 ? 4 : empties;  // the last one to the end, exactly
          x->searchMode = empties > 20 ? zedare::SearchMode::Heuristic : zedare::SearchMode::Exact;
          x->searching.store(1);
        }
        SCOPED_TRACE("algorithm " + std::to_string(algorithm) + ", " + position.toLine());
        ASSERT_EQ(search.runRootSearch(a), portableSearch.runRootSearch(b));
        EXPECT_EQ(a.evalCount, b.evalCount);
        EXPECT_EQ(a.exactCount, b.exactCount);
        ASSERT_EQ(a.root->moveCount, b.root->moveCount);
        for (int i = 0; i < a.root->moveCount; ++i) {
          EXPECT_EQ(a.root->moves[i].row, b.root->moves[i].row);
          EXPECT_EQ(a.root->moves[i].column, b.root->moves[i].column);
          EXPECT_EQ(a.root->moves[i].value, b.root->moves[i].value);
        }
      }
    }
  }
}

// The chosen level is one the processor runs, and none better runs.
TEST(InstructionLevels, TheBestLevelThatRunsIsChosen) {
  const IsaLevel chosen = zedare::chosenLevel();
  EXPECT_TRUE(zedare::levelRuns(chosen));
  if (std::getenv("ZEDARE_ISA")) GTEST_SKIP() << "ZEDARE_ISA caps the level";
  for (IsaLevel l : levelsBesidesPortable()) {
    EXPECT_LE(static_cast<int>(l), static_cast<int>(chosen)) << zedare::levelName(l);
  }
}

}  // namespace
