// The stage-weighted evaluation: finished games, the side given to the features when
// the side to move must pass, the zero-weight skip and NaN weights, equality with the
// square-by-square oracle on thousands of positions in both forms, and the symmetries a
// correct evaluation must respect.
#include "eval/evaluate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

#include "api/engine.h"
#include "eval/features.h"
#include "eval/reference.h"

using namespace zedare;

namespace {

void errorsToStderr(const char* text) {
  std::fputs(text, stderr);
}

class Evaluate : public ::testing::Test {
 protected:
  void SetUp() override {
    ref::zeroTables(engine.patterns1);
    ref::zeroTables(engine.patterns2);
    engine.weights1 = zeros(18, 64);
    engine.weights2 = zeros(18, 64);
  }
  void computer(int colour) {
    engine.computerColour = colour;
    engine.humanColour = -colour;
  }
  // Weights with only one row set, to the same value at every stage.
  void onlyRow(int row, double w) {
    engine.weights1 = zeros(18, 64);
    for (int s = 1; s <= 64; ++s) engine.weights1(row, s) = w;
  }
  Engine engine;
};

// A full board: 40 white, 24 black.
const char* kFullWhite[8] = {"wwwwwwww", "wwwwwwww", "wwwwwwww", "wwwwwwww",
                             "wwwwwwww", "bbbbbbbb", "bbbbbbbb", "bbbbbbbb"};
// Full but for one square nobody can take: 31 white, 32 black.
const char* kBlockedLead[8] = {"wwwwwwww", "wwwwwwww", "wwwwwwww", "wwwwwww.",
                               "bbbbbbbb", "bbbbbbbb", "bbbbbbbb", "bbbbbbbb"};

TEST_F(Evaluate, FinishedGamesScoreByDiscCountWithoutReadingWeights) {
  // No weights and no tables at all: a finished game must not need them.
  engine.weights1 = matrix();
  engine.weights2 = matrix();
  for (auto& t : engine.patterns1) t = matrix();
  const Board full = ref::picture(kFullWhite, 1);
  const Board blocked = ref::picture(kBlockedLead, -1);
  ASSERT_FALSE(blocked.hasLegalMove(1) || blocked.hasLegalMove(-1));
  for (const Board& b : {full, ref::gridCopy(full)}) {
    computer(1);
    EXPECT_EQ(evaluate1(engine, b), 1000.0f);
    computer(-1);
    EXPECT_EQ(evaluate2(engine, b), -1000.0f);
  }
  for (const Board& b : {blocked, ref::gridCopy(blocked)}) {
    computer(-1);
    EXPECT_EQ(evaluate1(engine, b), 1000.0f);
    computer(1);
    EXPECT_EQ(evaluate1(engine, b), -1000.0f);
  }
  // Equal discs: 0. A game already marked as finished (nobody to move) scores by the
  // discs even where moves remain.
  Board start;
  start.setInitial();
  start.sideToMove = 0;
  EXPECT_EQ(evaluate1(engine, start), 0.0f);
}

TEST_F(Evaluate, ZeroWeightsSkipTheirFeatures) {
  std::mt19937 rng(7);
  // Pattern tables missing: only the rows that read them would need them.
  for (auto& t : engine.patterns1) t = matrix();
  engine.weights1 = ref::randomWeights(rng);
  for (int row : {10, 14, 15, 16, 17, 18})
    for (int s = 1; s <= 64; ++s) engine.weights1(row, s) = row == 14 ? -0.0 : 0.0;
  const Board b = ref::randomGame(rng, 20);
  const float v = evaluate1(engine, b);
  EXPECT_TRUE(std::isfinite(v));
  // A column of zeros scores every position of that disc count as exactly 0.
  engine.weights1 = ref::randomWeights(rng);
  for (int r = 1; r <= 18; ++r) engine.weights1(r, b.discCount) = 0.0;
  EXPECT_EQ(evaluate1(engine, b), 0.0f);
  EXPECT_EQ(evaluate1(engine, ref::gridCopy(b)), 0.0f);
}

TEST_F(Evaluate, NaNWeightPropagatesOnlyFromUsedRows) {
  std::mt19937 rng(8);
  const Board b = ref::randomGame(rng, 24);
  ASSERT_TRUE(b.hasLegalMove(b.sideToMove) || b.hasLegalMove(-b.sideToMove));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int row = 1; row <= 18; ++row) {
    onlyRow(12, 0.5);
    engine.weights1(row, b.discCount) = nan;
    const bool used = row != 1 && row != 2 && row != 3 && row != 9;
    EXPECT_EQ(std::isnan(evaluate1(engine, b)), used) << "row " << row;
  }
}

// Positions where the side to move must pass and corner access or region parity come
// out differently for the two sides: the features must get the side that can move.
TEST_F(Evaluate, FeaturesGetTheSideThatCanMove) {
  std::mt19937 rng(9);
  int found = 0;
  for (int n = 0; n < 200000 && found < 40; ++n) {
    Board b = ref::randomFill(rng);
    const int stored = b.sideToMove;
    if (b.hasLegalMove(stored) || !b.hasLegalMove(-stored)) continue;
    for (int C : {1, -1}) {
      computer(C);
      const auto a1 = ref::cornerAccess(engine, b, -stored),
                 a2 = ref::cornerAccess(engine, b, stored);
      const int p1 = ref::regionParity(engine, b, -stored),
                p2 = ref::regionParity(engine, b, stored);
      const int t1 = ref::cornerThreat(engine, engine.patterns1, b, -stored);
      if (a1.computer - a1.human == a2.computer - a2.human && p1 == p2) continue;
      ++found;
      for (const Board& x : {b, ref::gridCopy(b)}) {
        onlyRow(11, 1.0);
        EXPECT_EQ(evaluate1(engine, x), static_cast<float>(a1.computer - a1.human));
        onlyRow(12, 1.0);
        EXPECT_EQ(evaluate1(engine, x), static_cast<float>(p1));
        onlyRow(14, 1.0);
        EXPECT_EQ(evaluate1(engine, x), static_cast<float>(t1));
        // The side-to-move term still reads the stored side.
        onlyRow(13, 1.0);
        EXPECT_EQ(evaluate1(engine, x), stored == C ? 1.0f : -1.0f);
      }
    }
  }
  EXPECT_GE(found, 40);
}

// A damaged model must not be read past its end inside a search.
TEST_F(Evaluate, ShortWeightsOrMissingTablesStopWithAMessage) {
  Board b;
  b.setInitial();
  b.play(3, 4, -1);
  engine.weights1 = zeros(17, 64);
  EXPECT_EXIT(
      {
        setMatrixErrorHandler(errorsToStderr);
        evaluate1(engine, b);
      },
      ::testing::ExitedWithCode(1), "evaluate1.*\nindeks poza zakresem\nzestaw wag 1: 17 x 64");
  engine.weights2 = zeros(18, 4);  // five discs on the board
  EXPECT_EXIT(
      {
        setMatrixErrorHandler(errorsToStderr);
        evaluate2(engine, b);
      },
      ::testing::ExitedWithCode(1), "zestaw wag 2: 18 x 4");
  onlyRow(16, 1.0);
  engine.patterns1[pattern::SC1] = zeros(19682, 3);
  EXPECT_EXIT(
      {
        setMatrixErrorHandler(errorsToStderr);
        evaluate1(engine, b);
      },
      ::testing::ExitedWithCode(1), "tablica wzorcow SC1: 19682 x 3");
}

// ---- the oracle, both forms, both sets ----

TEST_F(Evaluate, MatchesTheOracleAndBothSetsAgree) {
  std::mt19937 rng(31);
  ref::randomTables(rng, engine.patterns1);
  for (int k = 0; k < pattern::Count; ++k) engine.patterns2[k] = engine.patterns1[k];
  int compared = 0;
  for (int n = 0; n < 3000 && !HasFailure(); ++n) {
    if (n % 100 == 0) {
      engine.weights1 = ref::randomWeights(rng);
      engine.weights2 = engine.weights1;
    }
    const Board b = n % 2 ? ref::randomGame(rng, n % 61) : ref::randomFill(rng);
    const Board g = ref::gridCopy(b);
    computer(n % 4 < 2 ? 1 : -1);
    const float expected = ref::evaluate(engine, engine.weights1, engine.patterns1, b);
    SCOPED_TRACE(b.toLine());
    EXPECT_EQ(evaluate1(engine, b), expected);
    EXPECT_EQ(evaluate1(engine, g), expected);
    EXPECT_EQ(evaluate2(engine, b), expected);
    EXPECT_EQ(evaluate2(engine, g), expected);
    ++compared;
  }
  EXPECT_EQ(compared, 3000);
}

TEST_F(Evaluate, EachSetReadsItsOwnData) {
  std::mt19937 rng(32);
  ref::randomTables(rng, engine.patterns1);
  ref::randomTables(rng, engine.patterns2);
  engine.weights1 = ref::randomWeights(rng);
  engine.weights2 = ref::randomWeights(rng);
  for (int n = 0; n < 300; ++n) {
    const Board b = ref::randomGame(rng, 10 + n % 45);
    EXPECT_EQ(evaluate1(engine, b), ref::evaluate(engine, engine.weights1, engine.patterns1, b));
    EXPECT_EQ(evaluate2(engine, b), ref::evaluate(engine, engine.weights2, engine.patterns2, b));
  }
}

// ---- symmetries ----

// With empty pattern tables every term is unchanged by the eight symmetries of the
// board, and by swapping the colours together with the computer's colour.
TEST_F(Evaluate, SymmetricAndColourInvertedPositionsScoreAlike) {
  std::mt19937 rng(41);
  for (int n = 0; n < 1500 && !HasFailure(); ++n) {
    if (n % 50 == 0) engine.weights1 = ref::randomWeights(rng);
    const Board b = n % 3 ? ref::randomGame(rng, n % 61) : ref::randomFill(rng);
    computer(n % 2 ? 1 : -1);
    const float v = evaluate1(engine, b);
    SCOPED_TRACE(b.toLine());
    for (int code = 1; code < 8; ++code) {
      Board t;
      if (code % 2) t.toGrid();
      b.copyTransformed(t, code);
      EXPECT_EQ(evaluate1(engine, t), v) << "symmetry " << code;
    }
    Board inverted;
    b.copyInverted(inverted);
    computer(-engine.computerColour);
    EXPECT_EQ(evaluate1(engine, inverted), v);
  }
}

// With tables of exact binary fractions (so that no sum depends on its order), the
// quarter turns map each corner's lines, and each edge group's lines, onto one another:
// the corner and edge-line terms must not change.
TEST_F(Evaluate, QuarterTurnsPermuteCornerAndEdgeLines) {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> half(-4, 4);
  for (int trial = 0; trial < 3; ++trial) {
    ref::zeroTables(engine.patterns1);
    // One corner table at a time, so that each corner estimate is that table's value.
    const int corner = trial == 0 ? pattern::A1 : trial == 1 ? pattern::A3 : pattern::A4;
    for (int t : {corner, int(pattern::SC1), int(pattern::SC2), int(pattern::SC3)})
      for (int i = 1; i <= pattern::kRows; ++i) engine.patterns1[t](i, 3) = half(rng) * 0.5;
    engine.weights1 = ref::randomWeights(rng);
    for (int s = 1; s <= 64; ++s)
      engine.weights1(10, s) = 0.0;  // the diagonals turn into each other's reverse
    for (int n = 0; n < 400 && !HasFailure(); ++n) {
      const Board b = ref::randomGame(rng, 4 + n % 57);
      computer(n % 2 ? 1 : -1);
      const float v = evaluate1(engine, b);
      for (int code : {3, 5, 7}) {
        Board t;
        b.copyTransformed(t, code);
        EXPECT_EQ(evaluate1(engine, t), v) << "turn " << code << " " << b.toLine();
      }
    }
  }
}

}  // namespace
