// The position features: hand-built positions whose answers were worked out by hand,
// each checked in both board forms, and thousands of random positions on which the
// bit-board features must equal the square-by-square oracle in both forms.
#include "eval/features.h"

#include <gtest/gtest.h>

#include <random>

#include "api/engine.h"
#include "eval/reference.h"

using namespace zedare;

namespace {

// Runs a check on a position in the packed form and again in the grid form.
template <class Check>
void inBothForms(const Board& packed, Check check) {
  ASSERT_EQ(packed.form, BoardForm::Packed);
  check(packed);
  const Board grid = ref::gridCopy(packed);
  ASSERT_EQ(grid.form, BoardForm::Grid);
  ASSERT_EQ(grid.checkConsistency(), "");
  check(grid);
}

class Features : public ::testing::Test {
 protected:
  void SetUp() override {
    ref::zeroTables(engine.patterns1);
    ref::zeroTables(engine.patterns2);
  }
  void computer(int colour) {
    engine.computerColour = colour;
    engine.humanColour = -colour;
  }
  Engine engine;
};

bool same(SidePair a, int computer, int human) {
  return a.computer == computer && a.human == human;
}

TEST_F(Features, InitialPositionHasNoCornerFeatures) {
  Board b;
  b.setInitial();
  inBothForms(b, [&](const Board& x) {
    EXPECT_TRUE(same(cornerXCounts(engine, x), 0, 0));
    EXPECT_TRUE(same(stableCounts(engine, x), 0, 0));
    EXPECT_TRUE(same(cornerAccess(engine, x, -1), 0, 0));
    EXPECT_TRUE(same(cornerCounts(engine, x), 0, 0));
    EXPECT_EQ(frontierCount(x, 1), 2);
    EXPECT_EQ(frontierCount(x, -1), 2);
    // One region of 60: an even region favours the side not to move.
    EXPECT_EQ(regionParity(engine, x, 1), -50);  // computer (+1) given the move
    EXPECT_EQ(regionParity(engine, x, -1), 50);
    EXPECT_EQ(cornerThreat(engine, x, -1, 1), 0);
  });
}

TEST_F(Features, StableDiscsAlongFilledEdges) {
  computer(-1);  // black
  // Row 1 full: every disc is safe (the whole row is filled, nothing lies above it).
  // The white disc counts too, as white holds the corner (8,8).
  const char* full[8] = {"bbbwbbbb", "........", "........", "...wb...",
                         "...bw...", "........", "........", ".......w"};
  inBothForms(ref::picture(full, -1),
              [&](const Board& x) { EXPECT_TRUE(same(stableCounts(engine, x), 7, 2)); });
  // A white run on a full row stays safe, but without a corner white counts nothing.
  const char* noCorner[8] = {"bbbwbbbb", "........", "........", "...wb...",
                             "...bw...", "........", "........", "........"};
  inBothForms(ref::picture(noCorner, -1),
              [&](const Board& x) { EXPECT_TRUE(same(stableCounts(engine, x), 7, 0)); });
  // A partly filled edge: discs joined to the corner by their own colour are safe;
  // (4,1) is cut off from the corner by a white disc and the column below it is open.
  const char* partial[8] = {"bbb..w..", "b.......", "w.......", "b..wb...",
                            "...bw...", "........", "........", "........"};
  inBothForms(ref::picture(partial, -1),
              [&](const Board& x) { EXPECT_TRUE(same(stableCounts(engine, x), 4, 0)); });
  // An inner disc: (2,2) is safe along the anti-diagonal only while (3,1) holds its
  // colour, since (1,3) is white.
  const char* inner[8] = {"bbw.....", "bb......", "b.......", "...wb...",
                          "...bw...", "........", "........", ".......w"};
  inBothForms(ref::picture(inner, -1),
              [&](const Board& x) { EXPECT_TRUE(same(stableCounts(engine, x), 5, 1)); });
  const char* innerOpen[8] = {"bbw.....", "bb......", "........", "...wb...",
                              "...bw...", "........", "........", ".......w"};
  inBothForms(ref::picture(innerOpen, -1), [&](const Board& x) {
    EXPECT_TRUE(same(stableCounts(engine, x), 3, 1));  // (2,2) is no longer safe
  });
}

TEST_F(Features, NoCornerHeldMeansNoStableDiscs) {
  // A full board except the four corners: nothing is counted without a corner.
  const char* rows[8] = {".bbbbbb.", "wwwwwwww", "bbbbbbbb", "wwwwwwww",
                         "bbbbbbbb", "wwwwwwww", "bbbbbbbb", ".wwwwww."};
  inBothForms(ref::picture(rows, 1),
              [&](const Board& x) { EXPECT_TRUE(same(stableCounts(engine, x), 0, 0)); });
}

TEST_F(Features, FrontierCountsXSquaresAsOccupied) {
  // Black (3,3) has one empty neighbour, the X-square (2,2): not a frontier disc. The
  // seven white discs around it all touch other empty squares.
  const char* rows[8] = {"........", "..ww....", ".wbw....", ".www....",
                         "........", "........", "........", "........"};
  inBothForms(ref::picture(rows, 1), [&](const Board& x) {
    EXPECT_EQ(frontierCount(x, -1), 0);
    EXPECT_EQ(frontierCount(x, 1), 7);
  });
  // With the empty neighbour on (2,4) instead, black is on the frontier.
  const char* open2[8] = {"........", ".ww.....", ".wbw....", ".www....",
                          "........", "........", "........", "........"};
  inBothForms(ref::picture(open2, 1), [&](const Board& x) { EXPECT_EQ(frontierCount(x, -1), 1); });
}

TEST_F(Features, FrontierEdgeSquaresLookAlongTheirEdgeOnly) {
  // Row 1: (1,2) is a C-square (never counted); (1,3) has both edge neighbours filled
  // although (2,3) below it is empty; (1,4) has (1,5) empty. Column 1: (3,1) white
  // with (2,1) empty counts, and so does black (5,1) with (4,1) empty; (6,1) white
  // between (5,1) and (7,1) does not; (7,1) is a C-square.
  const char* rows[8] = {".bbb....", "........", "w.......", "...wb...",
                         "b..bw...", "w.......", "b.......", "........"};
  inBothForms(ref::picture(rows, 1), [&](const Board& x) {
    EXPECT_EQ(frontierCount(x, -1), 2 + 2);  // (1,4), (5,1) on the edge; (4,5), (5,4) inside
    EXPECT_EQ(frontierCount(x, 1), 1 + 2);   // (3,1) on the edge; (4,4) and (5,5) inside
  });
}

TEST_F(Features, CornerAndXSquareCounts) {
  computer(1);
  // (1,1) empty, X (2,2) white: one for black. (8,8) black: one for black, its
  // X-square is ignored. (1,8) and (2,7) empty: nothing. (8,1) empty, X (7,2) black:
  // one for white.
  const char* rows[8] = {"........", ".w......", "........", "...wb...",
                         "...bw...", "........", ".b....w.", ".......b"};
  inBothForms(ref::picture(rows, 1), [&](const Board& x) {
    EXPECT_TRUE(same(cornerXCounts(engine, x), 1, 2));
    EXPECT_TRUE(same(cornerCounts(engine, x), 0, 1));
  });
  computer(-1);
  inBothForms(ref::picture(rows, 1), [&](const Board& x) {
    EXPECT_TRUE(same(cornerXCounts(engine, x), 2, 1));
    EXPECT_TRUE(same(cornerCounts(engine, x), 1, 0));
  });
}

// Three corners both colours can take ((1,1), (8,8), (1,8)) and (8,1) that only white
// can take: contested corners go to the given side first and then alternate.
const char* kContested[8] = {".wb..bw.", "b......b", "w......w", "...wb...",
                             "...bw...", "w......w", "b......b", ".w...bw."};

TEST_F(Features, ContestedCornersAlternateFromTheGivenSide) {
  const Board b = ref::picture(kContested, 1);
  computer(1);
  inBothForms(b, [&](const Board& x) {
    EXPECT_TRUE(same(cornerAccess(engine, x, 1), 3, 1));  // C, H, C, then white's own
    EXPECT_EQ(cornerThreat(engine, x, 1, 1), 20);
    EXPECT_TRUE(same(cornerAccess(engine, x, -1), 2, 2));  // H, C, H, white's own
    EXPECT_EQ(cornerThreat(engine, x, -1, 1), 0);
  });
  computer(-1);
  inBothForms(b, [&](const Board& x) {
    EXPECT_TRUE(same(cornerAccess(engine, x, -1), 2, 2));
    EXPECT_EQ(cornerThreat(engine, x, -1, 1), 0);
    EXPECT_TRUE(same(cornerAccess(engine, x, 1), 1, 3));
    EXPECT_EQ(cornerThreat(engine, x, 1, 1), -20);
  });
}

TEST_F(Features, HeldCornersCountForTheirOwner) {
  const char* rows[8] = {"w.......", "........", "........", "...wb...",
                         "...bw...", "........", "........", "b......b"};
  computer(1);
  inBothForms(ref::picture(rows, 1), [&](const Board& x) {
    EXPECT_TRUE(same(cornerAccess(engine, x, 1), 1, 2));
    EXPECT_EQ(cornerThreat(engine, x, 1, 1), 10 - 20);
  });
}

TEST_F(Features, RegionParity) {
  computer(1);
  // One empty square that only white (the computer) can play: P = 1, so 50 whoever
  // is given the move.
  const char* onlyComputer[8] = {".bwwwwww", "wwwwwwww", "wwwwwwww", "wwwwwwww",
                                 "wwwwwwww", "wwwwwwww", "wwwwwwww", "wwwwwwww"};
  inBothForms(ref::picture(onlyComputer, 1), [&](const Board& x) {
    EXPECT_EQ(regionParity(engine, x, 1), 50);
    EXPECT_EQ(regionParity(engine, x, -1), 50);
  });
  // A region of two that only black (the human) can enter, through (2,2) to (3,2):
  // an even region of the human's counts for the computer (P = 1).
  const char* onlyHuman[8] = {"..wwwwww", "wwwwwwww", "wbwwwwww", "wwwwwwww",
                              "wwwwwwww", "wwwwwwww", "wwwwwwww", "wwwwwwww"};
  inBothForms(ref::picture(onlyHuman, 1), [&](const Board& x) {
    EXPECT_EQ(regionParity(engine, x, 1), 50);
    EXPECT_EQ(regionParity(engine, x, -1), 50);
  });
  // No black disc, so nobody can move: regions of 1, 2 and 3 squares give O = 2,
  // E = 1, R = 3; t = -1, m = 3; k = 1 for the computer given the move (100/3 - 50
  // rounds to -17), k = 2 otherwise (17).
  const char* sizes[8] = {".wwwwwww", "wwwwwwww", "wwwwwwww", "www..www",
                          "www.wwww", "wwwwwwww", "wwwwwwww", "wwwwww.."};
  inBothForms(ref::picture(sizes, 1), [&](const Board& x) {
    EXPECT_EQ(regionParity(engine, x, 1), -17);
    EXPECT_EQ(regionParity(engine, x, -1), 17);
  });
  // A full board has no region.
  const char* full[8] = {"bwwwwwww", "wwwwwwww", "wwwwwwww", "wwwwwwww",
                         "wwwwwwww", "wwwwwwww", "wwwwwwww", "wwwwwwww"};
  inBothForms(ref::picture(full, 1),
              [&](const Board& x) { EXPECT_EQ(regionParity(engine, x, 1), 0); });
}

TEST_F(Features, PatternIndexesOfHandBuiltLines) {
  Board b;
  b.setInitial();
  inBothForms(b, [&](const Board& x) {
    // An empty line: every square digit is 1.
    EXPECT_EQ(patternIndex(x, LineKind::ColumnDown, 1, -1), 3280);
    EXPECT_EQ(patternIndex(x, LineKind::RowLeft, 8, 1), 16402);
    EXPECT_EQ(patternIndex(x, LineKind::RowRight, 2, 0), 6561 + 3280);
  });
  // Row 1 = w b . . . . . b. Read left to right the digits are 2 0 1 1 1 1 1 0:
  // 2 + (9 + 27 + 81 + 243 + 729) = 1091. Right to left: 0 1 1 1 1 1 0 2:
  // (3 + 9 + 27 + 81 + 243) + 2 * 2187 = 4737.
  const char* rows[8] = {"wb.....b", "........", "........", "...wb...",
                         "...bw...", "........", "........", "........"};
  inBothForms(ref::picture(rows, -1), [&](const Board& x) {
    EXPECT_EQ(patternIndex(x, LineKind::RowRight, 1, -1), 1091);
    EXPECT_EQ(patternIndex(x, LineKind::RowLeft, 1, -1), 4737);
    EXPECT_EQ(patternIndex(x, LineKind::RowLeft, 1, 1), 4737 + 2 * 6561);
    // The main diagonal (1,1) w, (4,4) w, (5,5) w, the rest empty.
    EXPECT_EQ(patternIndex(x, LineKind::Diagonal, 0, -1), 3280 + 1 + 27 + 81);
    EXPECT_EQ(patternIndex(x, LineKind::DiagonalReversed, 0, -1), 3280 + 2187 + 81 + 27);
  });
}

TEST_F(Features, EmptyLinesReadRows3281And16403) {
  // Only the empty-line rows hold a value; the four SC1 lines of the start position
  // are empty, so the sum is 4 x 0.065 = 0.26 and the feature 2 (truncated).
  Board b;
  b.setInitial();  // black (-1) to move
  engine.patterns1[pattern::SC1](3281, 3) = 0.065;
  inBothForms(b, [&](const Board& x) {
    EXPECT_EQ(linePatterns(engine, x, LineGroup::SC1, 1), 2);
    EXPECT_EQ(linePatterns(engine, x, LineGroup::SC1, 2), 0);  // set 2 stays zero
  });
  b.pass();  // white to move: row 16403 now
  inBothForms(b, [&](const Board& x) { EXPECT_EQ(linePatterns(engine, x, LineGroup::SC1, 1), 0); });
  engine.patterns1[pattern::SC1](16403, 3) = -0.065;
  inBothForms(b, [&](const Board& x) {
    EXPECT_EQ(linePatterns(engine, x, LineGroup::SC1, 1), -2);  // truncated toward zero
    computer(-1);
    EXPECT_EQ(linePatterns(engine, x, LineGroup::SC1, 1), 2);
    computer(1);
  });
}

// In the start position every corner's L1 and L2 are empty lines (row 3281 with black
// to move); the diagonal seen from (1,1) or (8,8) holds two white discs at its 4th and
// 5th squares (index 3280 + 27 + 81 = 3388), and the anti-diagonal seen from (1,8) or
// (8,1) two black ones (3280 - 27 - 81 = 3172).
constexpr int kWhiteDiagonalRow = 3389;

TEST_F(Features, CornerPatternsRoundBeforeTheSign) {
  // A4 = 0.375 for the white diagonal only: corners (1,1) and (8,8) have no significant
  // value and estimate 0.375 / 3 = 0.125 each; the total 0.25 gives 10 x 0.25 + 0.5 = 3,
  // so 3 for the computer white and -3 (not -2) for black.
  Board b;
  b.setInitial();
  ASSERT_EQ(ref::index(b, ref::lineFrom(1, 1, 1, 1), -1) + 1, kWhiteDiagonalRow);
  ASSERT_EQ(ref::index(b, ref::lineFrom(8, 8, -1, -1), -1) + 1, kWhiteDiagonalRow);
  engine.patterns2[pattern::A4](kWhiteDiagonalRow, 3) = 0.375;
  inBothForms(b, [&](const Board& x) {
    computer(1);
    EXPECT_EQ(cornerPatterns(engine, x, 2), 3);
    computer(-1);
    EXPECT_EQ(cornerPatterns(engine, x, 2), -3);
    EXPECT_EQ(cornerPatterns(engine, x, 1), 0);  // set 1 is still zero
  });
}

TEST_F(Features, SignificantValuesAloneMakeTheEstimate) {
  // A1 = 0.6 (significant) and A3 = 0.3 (not) on every empty edge line; A4 = -2 on the
  // white diagonal. Corners (1,1), (8,8): (0.6 - 2) / 2 = -0.7; corners (1,8), (8,1):
  // 0.6 alone. Total -0.2: floor(-2 + 0.5) = -2 (averaging all three values would
  // give -1).
  Board b;
  b.setInitial();
  engine.patterns1[pattern::A1](3281, 3) = 0.6;
  engine.patterns1[pattern::A3](3281, 3) = 0.3;
  engine.patterns1[pattern::A4](kWhiteDiagonalRow, 3) = -2.0;
  inBothForms(b, [&](const Board& x) {
    computer(1);
    EXPECT_EQ(cornerPatterns(engine, x, 1), -2);
    // A corner nobody can take adds its estimate with the given side: here every
    // corner is out of reach, so the threat is the rounded estimates, sign first:
    // 2 x floor(-7 + 0.5) + 2 x floor(6 + 0.5) = -14 + 12.
    EXPECT_EQ(cornerThreat(engine, x, -1, 1), -2);
    // With white given the move the lines index other rows (all zero).
    EXPECT_EQ(cornerThreat(engine, x, 1, 1), 0);
  });
}

// ---- every feature against the oracle on random positions, both forms ----

class RandomPositions : public Features {
 protected:
  void compareAll(const Board& b) {
    for (int C : {1, -1}) {
      computer(C);
      const Board g = ref::gridCopy(b);
      for (const Board* x : {&b, &g}) {
        const char* form = x->form == BoardForm::Packed ? "packed" : "grid";
        SCOPED_TRACE(form);
        SCOPED_TRACE(b.toLine());
        for (int colour : {1, -1}) EXPECT_EQ(frontierCount(*x, colour), ref::frontier(*x, colour));
        const SidePair st = stableCounts(engine, *x), rs = ref::stable(engine, *x);
        EXPECT_TRUE(same(st, rs.computer, rs.human));
        const SidePair cx = cornerXCounts(engine, *x), rcx = ref::cornerX(engine, *x);
        EXPECT_TRUE(same(cx, rcx.computer, rcx.human));
        const SidePair cc = cornerCounts(engine, *x), rcc = ref::corners(engine, *x);
        EXPECT_TRUE(same(cc, rcc.computer, rcc.human));
        for (int side : {1, -1}) {
          const SidePair a = cornerAccess(engine, *x, side),
                         ra = ref::cornerAccess(engine, *x, side);
          EXPECT_TRUE(same(a, ra.computer, ra.human));
          EXPECT_EQ(regionParity(engine, *x, side), ref::regionParity(engine, *x, side));
          for (int set : {1, 2})
            EXPECT_EQ(cornerThreat(engine, *x, side, set),
                      ref::cornerThreat(engine, patternTables(engine, set), *x, side));
        }
        for (int set : {1, 2}) {
          const matrix* t = patternTables(engine, set);
          EXPECT_EQ(cornerPatterns(engine, *x, set), ref::cornerPatterns(engine, t, *x));
          for (int k = 1; k <= 4; ++k)
            EXPECT_EQ(linePatterns(engine, *x, static_cast<LineGroup>(k - 1), set),
                      ref::linePatterns(engine, t, *x, k));
        }
      }
    }
  }
};

TEST_F(RandomPositions, GamePositionsMatchTheOracleInBothForms) {
  std::mt19937 rng(101);
  ref::randomTables(rng, engine.patterns1);
  ref::randomTables(rng, engine.patterns2);
  for (int n = 0; n < 1500 && !HasFailure(); ++n) compareAll(ref::randomGame(rng, n % 61));
}

TEST_F(RandomPositions, ArbitraryFillsMatchTheOracleInBothForms) {
  std::mt19937 rng(202);
  ref::randomTables(rng, engine.patterns1);
  ref::randomTables(rng, engine.patterns2);
  for (int n = 0; n < 1500 && !HasFailure(); ++n) compareAll(ref::randomFill(rng));
}

TEST_F(RandomPositions, PatternIndexesMatchExplicitSquareLists) {
  std::mt19937 rng(303);
  for (int n = 0; n < 500 && !HasFailure(); ++n) {
    const Board b = ref::randomFill(rng);
    const Board g = ref::gridCopy(b);
    for (const Board* x : {&b, &g})
      for (int side : {-1, 0, 1}) {
        for (int k = 1; k <= 8; ++k) {
          EXPECT_EQ(patternIndex(*x, LineKind::ColumnDown, k, side),
                    ref::index(*x, ref::lineFrom(1, k, 1, 0), side));
          EXPECT_EQ(patternIndex(*x, LineKind::ColumnUp, k, side),
                    ref::index(*x, ref::lineFrom(8, k, -1, 0), side));
          EXPECT_EQ(patternIndex(*x, LineKind::RowRight, k, side),
                    ref::index(*x, ref::lineFrom(k, 1, 0, 1), side));
          EXPECT_EQ(patternIndex(*x, LineKind::RowLeft, k, side),
                    ref::index(*x, ref::lineFrom(k, 8, 0, -1), side));
        }
        EXPECT_EQ(patternIndex(*x, LineKind::Diagonal, 0, side),
                  ref::index(*x, ref::lineFrom(1, 1, 1, 1), side));
        EXPECT_EQ(patternIndex(*x, LineKind::DiagonalReversed, 0, side),
                  ref::index(*x, ref::lineFrom(8, 8, -1, -1), side));
        EXPECT_EQ(patternIndex(*x, LineKind::AntiDiagonal, 0, side),
                  ref::index(*x, ref::lineFrom(1, 8, 1, -1), side));
        EXPECT_EQ(patternIndex(*x, LineKind::AntiDiagonalReversed, 0, side),
                  ref::index(*x, ref::lineFrom(8, 1, -1, 1), side));
      }
  }
}

TEST_F(RandomPositions, FeaturesLeaveTheBoardUntouched) {
  std::mt19937 rng(404);
  ref::randomTables(rng, engine.patterns1);
  for (int n = 0; n < 200; ++n) {
    const Board b = ref::randomFill(rng);
    Board g = ref::gridCopy(b);
    const uint64_t occupancy = g.occupancy, colour = g.colour;
    int grid[128];
    std::memcpy(grid, g.grid, sizeof grid);
    frontierCount(g, 1), stableCounts(engine, g), cornerXCounts(engine, g);
    cornerAccess(engine, g, 1), regionParity(engine, g, -1), cornerThreat(engine, g, 1, 1);
    cornerPatterns(engine, g, 1), linePatterns(engine, g, LineGroup::PRZ, 1);
    EXPECT_EQ(g.occupancy, occupancy);
    EXPECT_EQ(g.colour, colour);  // candidate flags included
    EXPECT_EQ(std::memcmp(grid, g.grid, sizeof grid), 0);
    EXPECT_EQ(g.checkConsistency(), "");
  }
}

}  // namespace
