// The two codes that show the computer's judgement: a move's value in the kept tree
// (ZEDARE_MOVE_VALUE) and the evaluation of the game board term by term
// (ZEDARE_EVAL_TERM), and the new game that gives the kept tree's memory back.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "api/engine.h"
#include "api/zedare.h"
#include "eval/evaluate.h"
#include "eval/terms.h"

using namespace zedare;

namespace {

class Judgement : public ::testing::Test {
 protected:
  void SetUp() override {
    handle = TavrinCreate();
    ASSERT_NE(handle, nullptr);
    engine = static_cast<Engine*>(handle);
  }
  void TearDown() override { TavrinDestroy(handle); }
  int inst(uint32_t code, int a = 0, int b = 0) { return TavrinInst(handle, code, a, b); }

  // One random move for the side to move, with the caller's pass and end decisions;
  // false once the game is over.
  bool randomMove(std::mt19937& rng) {
    const int side = inst(ZEDARE_SIDE_TO_MOVE);
    if (side == 0) return false;
    std::vector<std::pair<int, int>> legal;
    for (int r = 1; r <= 8; ++r)
      for (int c = 1; c <= 8; ++c)
        if (TavrinInst_p0(handle, ZEDARE_IS_LEGAL, r, c, side)) legal.emplace_back(r, c);
    const auto [r, c] = legal[rng() % legal.size()];
    inst(side == inst(ZEDARE_HUMAN_COLOUR) ? ZEDARE_HUMAN_MOVE : ZEDARE_COMPUTER_MOVE, r, c);
    const int next = inst(ZEDARE_SIDE_TO_MOVE);
    const bool humanNext = next == inst(ZEDARE_HUMAN_COLOUR);
    if (inst(humanNext ? ZEDARE_HUMAN_CAN_MOVE : ZEDARE_COMPUTER_CAN_MOVE) == 0) {
      const bool otherCan = inst(humanNext ? ZEDARE_COMPUTER_CAN_MOVE : ZEDARE_HUMAN_CAN_MOVE) != 0;
      TavrinInst_p0(handle, otherCan ? ZEDARE_PASS : ZEDARE_END_GAME, 0, 0, 0);
    }
    return inst(ZEDARE_SIDE_TO_MOVE) != 0;
  }

  ZedareHandle handle = nullptr;
  Engine* engine = nullptr;
};

TEST_F(Judgement, TermsAddUpToTheEvaluationAtEveryStage) {
  // Before any model is loaded the terms are 0 and nothing stops.
  for (int what = 0; what <= 2; ++what) EXPECT_EQ(inst(ZEDARE_EVAL_TERM, 1, what), 0);
  std::mt19937 rng(28);
  int positions = 0;
  int finished = 0;
  for (int game = 0; game < 24; ++game) {
    inst(ZEDARE_LOAD_MODEL, 1, game % 7);
    inst(ZEDARE_NEW_GAME);
    inst(ZEDARE_SET_HUMAN_COLOUR, game % 2 ? 1 : -1);
    bool going = true;
    while (going && !HasFailure()) {
      going = randomMove(rng);
      const float expected = evaluate1(*engine, engine->gameBoard);
      EvaluationTerms terms;
      ASSERT_TRUE(evaluationTerms(*engine, engine->gameBoard, 1, terms));
      SCOPED_TRACE(engine->gameBoard.toLine());
      if (!going) {
        // Neither side can move: no term counts.
        EXPECT_TRUE(terms.finished);
        for (int t = 1; t <= kEvalTermCount; ++t) EXPECT_EQ(inst(ZEDARE_EVAL_TERM, t, 0), 0);
        ++finished;
        break;
      }
      double sum = 0.0;
      double fromCodes = 0.0;
      for (int t = 1; t <= kEvalTermCount; ++t) {
        sum += terms.contribution[t - 1];
        const int code = inst(ZEDARE_EVAL_TERM, t, 0);
        EXPECT_EQ(code, static_cast<int>(std::trunc(terms.contribution[t - 1] * 1000.0)));
        EXPECT_EQ(inst(ZEDARE_EVAL_TERM, t, 1), terms.feature[t - 1]);
        EXPECT_EQ(inst(ZEDARE_EVAL_TERM, t, 2),
                  static_cast<int>(std::trunc(terms.weight[t - 1] * 1000.0)));
        fromCodes += code * 0.001;
      }
      // In the evaluation's own order, exactly; through the codes' truncation, within
      // a thousandth per term.
      EXPECT_EQ(static_cast<float>(sum), expected);
      EXPECT_NEAR(fromCodes, expected, kEvalTermCount * 0.001 + std::fabs(expected) * 1e-6);
      ++positions;
    }
  }
  EXPECT_EQ(finished, 24);
  EXPECT_GT(positions, 24 * 50);
  EXPECT_EQ(inst(ZEDARE_EVAL_TERM, 0, 0), 0);
  EXPECT_EQ(inst(ZEDARE_EVAL_TERM, kEvalTermCount + 1, 0), 0);
}

TEST_F(Judgement, MoveValuesComeFromTheKeptTreesRoot) {
  inst(ZEDARE_LOAD_MODEL, 1, 6);
  inst(ZEDARE_SET_LEVEL, 2);
  // Nothing searched yet: no value for any square.
  EXPECT_EQ(inst(ZEDARE_MOVE_VALUE, 6, 5), -9999000);
  // Background thinking on the human's position (black to move) grows the root's list.
  inst(ZEDARE_THINK_IN_BACKGROUND);
  const Board& root = *engine->root;
  ASSERT_GE(root.moveCount, 4);  // the candidate squares, four of them legal
  int valued = 0;
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) {
      const int value = inst(ZEDARE_MOVE_VALUE, r, c);
      const MoveEntry* entry = nullptr;
      for (int i = 0; i < root.moveCount; ++i)
        if (root.moves[i].row == r && root.moves[i].column == c) entry = &root.moves[i];
      if (!entry || entry->flag != MoveFlag::Legal) {
        EXPECT_EQ(value, -9999000) << r << c;
        continue;
      }
      ASSERT_NE(entry->value, kNoValue);
      EXPECT_EQ(value, static_cast<int>(std::trunc(static_cast<double>(entry->value) * 1000.0)));
      ++valued;
    }
  }
  EXPECT_EQ(valued, 4);
  EXPECT_EQ(inst(ZEDARE_MOVE_VALUE, 0, 5), -9999000);
  EXPECT_EQ(inst(ZEDARE_MOVE_VALUE, 6, 9), -9999000);
  // A forgotten tree holds none.
  inst(ZEDARE_RESET_TREE);
  EXPECT_EQ(inst(ZEDARE_MOVE_VALUE, 6, 5), -9999000);
}

TEST_F(Judgement, NewGameGivesTheTreesMemoryBack) {
  inst(ZEDARE_LOAD_MODEL, 1, 6);
  inst(ZEDARE_SET_LEVEL, 3);
  const size_t fresh = engine->tree.bytes();
  std::mt19937 rng(5);
  for (int i = 0; i < 8; ++i) randomMove(rng);
  if (inst(ZEDARE_IS_COMPUTER_TO_MOVE)) inst(ZEDARE_COMPUTER_MOVE, 0, 0);
  inst(ZEDARE_THINK_IN_BACKGROUND);
  ASSERT_GT(engine->tree.bytes(), fresh + (size_t{256} << 10));
  inst(ZEDARE_NEW_GAME);
  EXPECT_EQ(engine->tree.bytes(), fresh);
  EXPECT_EQ(engine->tree.boards(), 1u);
  // The game goes on as from a fresh start.
  EXPECT_EQ(inst(ZEDARE_HUMAN_MOVE, 6, 5), 1);
  EXPECT_EQ(inst(ZEDARE_COMPUTER_MOVE, 0, 0), 1);
}

}  // namespace
