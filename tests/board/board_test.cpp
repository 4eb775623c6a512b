// Board and rules: the bit-board code against the square-by-square oracle over many
// random games in both forms, the candidate-list order, the symmetries' group laws,
// copying, sorting and the text form.
#include "board/board.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include "oracle.h"

using zedare::Board;
using zedare::BoardForm;
using zedare::kNoValue;
using zedare::MoveFlag;

namespace {

std::vector<std::pair<int, int>> listOf(const Board& b) {
  std::vector<std::pair<int, int>> v;
  for (int i = 0; i < b.moveCount; ++i) v.emplace_back(b.moves[i].row, b.moves[i].column);
  return v;
}

// Everything observable about a board, compared with the oracle.
void expectMatches(const Board& b, const oracle::Position& p) {
  ASSERT_EQ(b.checkConsistency(), "");
  EXPECT_EQ(b.sideToMove, p.side);
  EXPECT_EQ(listOf(b), p.candidates);
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) {
      ASSERT_EQ(b.colourAt(r, c), p.sq[r][c]) << r << "," << c;
      const int state = p.sq[r][c] ? 2 : (p.isCandidate(r, c) ? 1 : 0);
      ASSERT_EQ(b.stateAt(r, c), state) << r << "," << c;
      ASSERT_EQ(b.isLegal(r, c, 1), p.legal(r, c, 1) ? 1 : 0) << r << "," << c;
      ASSERT_EQ(b.isLegal(r, c, -1), p.legal(r, c, -1) ? 1 : 0) << r << "," << c;
    }
  }
  for (int colour : {-1, 1}) {
    EXPECT_EQ(b.hasLegalMove(colour), p.anyLegal(colour) ? 1 : 0);
    EXPECT_EQ(b.mobility(colour), p.mobility(colour));
    EXPECT_EQ(b.count(colour), p.count(colour));
  }
  EXPECT_EQ(b.count(0), p.count(0));
  EXPECT_EQ(b.discCount, 64 - p.count(0));
}

TEST(BoardInitial, PositionCountsAndCandidateOrder) {
  Board b;
  b.setInitial();
  EXPECT_EQ(b.count(1), 2);
  EXPECT_EQ(b.count(-1), 2);
  EXPECT_EQ(b.count(0), 60);
  EXPECT_EQ(b.discCount, 4);
  EXPECT_EQ(b.sideToMove, -1);
  const std::vector<std::pair<int, int>> expected = {{3, 3}, {3, 4}, {3, 5}, {3, 6},
                                                     {4, 3}, {4, 6}, {5, 3}, {5, 6},
                                                     {6, 3}, {6, 4}, {6, 5}, {6, 6}};
  EXPECT_EQ(listOf(b), expected);
  EXPECT_EQ(b.mobility(-1), 4);
  EXPECT_EQ(b.hasLegalMove(-1), 1);
  for (auto [r, c] : expected) {
    const bool legal =
        (r == 3 && c == 4) || (r == 4 && c == 3) || (r == 5 && c == 6) || (r == 6 && c == 5);
    EXPECT_EQ(b.isLegal(r, c, -1), legal ? 1 : 0) << r << "," << c;
  }
}

TEST(BoardRules, FirstMoveFlipsAndAppendsNeighboursInOrder) {
  Board b;
  b.setInitial();
  ASSERT_EQ(b.play(3, 4, -1), 1);
  EXPECT_EQ(b.colourAt(4, 4), -1);
  EXPECT_EQ(b.discCount, 5);
  EXPECT_EQ(b.sideToMove, 1);
  const std::vector<std::pair<int, int>> expected = {{3, 3}, {3, 5}, {3, 6}, {4, 3}, {4, 6},
                                                     {5, 3}, {5, 6}, {6, 3}, {6, 4}, {6, 5},
                                                     {6, 6}, {2, 3}, {2, 4}, {2, 5}};
  EXPECT_EQ(listOf(b), expected);
  EXPECT_EQ(b.cachedValue, kNoValue);
}

TEST(BoardRules, RefusedMoveChangesNothing) {
  Board b;
  b.setInitial();
  b.cachedValue = 3.0f;
  const std::string before = b.toLine();
  const auto list = listOf(b);
  EXPECT_EQ(b.play(4, 4, -1), 0);  // occupied
  EXPECT_EQ(b.play(3, 3, -1), 0);  // empty, flips nothing
  EXPECT_EQ(b.play(1, 1, 1), 0);   // far from every disc
  EXPECT_EQ(b.toLine(), before);
  EXPECT_EQ(listOf(b), list);
  EXPECT_EQ(b.discCount, 4);
  EXPECT_EQ(b.cachedValue, 3.0f);
}

TEST(BoardRules, EdgeRunsAreNotOutflankedAcrossTheEdge) {
  // White at (1,2), black at (1,3): black playing (1,1) would need a black disc beyond
  // (1,2) towards the west, which does not exist; but east, (1,2) white then (1,3)
  // black closes a run.
  Board b;
  b.setSquare(1, 2, 1);
  b.setSquare(1, 3, -1);
  b.sideToMove = -1;
  b.rebuildCandidates();
  EXPECT_EQ(b.isLegal(1, 1, -1), 1);
  EXPECT_EQ(b.isLegal(1, 1, 1), 0);
  // A lone pair on the edge with the mover's disc at the far end only outward.
  Board e;
  e.setSquare(1, 8, 1);
  e.setSquare(1, 7, -1);
  e.rebuildCandidates();
  EXPECT_EQ(e.isLegal(1, 6, 1), 1);
  EXPECT_EQ(e.isLegal(1, 6, -1), 0);
}

TEST(BoardRules, XSquareCountsForAnyMoveButNotMobility) {
  // Black at (3,3), white at (4,4)... build: white (2,2)? Use: black at (4,4), white at
  // (3,3): black can play (2,2), an X-square, by the diagonal.
  Board b;
  b.setSquare(4, 4, -1);
  b.setSquare(3, 3, 1);
  b.rebuildCandidates();
  EXPECT_EQ(b.isLegal(2, 2, -1), 1);
  EXPECT_EQ(b.hasLegalMove(-1), 1);
  EXPECT_EQ(b.mobility(-1), 0);
}

TEST(BoardRules, NoMoveForEitherSide) {
  Board b;
  b.setSquare(1, 1, 1);
  b.setSquare(8, 8, -1);
  b.rebuildCandidates();
  EXPECT_EQ(b.hasLegalMove(1), 0);
  EXPECT_EQ(b.hasLegalMove(-1), 0);
}

class RandomGames : public ::testing::TestWithParam<bool> {};

TEST_P(RandomGames, BothFormsAgreeWithTheOracleAfterEveryMove) {
  const bool grid = GetParam();
  std::mt19937 rng(grid ? 7 : 3);
  int moves = 0;
  for (int game = 0; game < 150; ++game) {
    Board b;
    if (grid) b.toGrid();
    oracle::randomGame(rng, b, 70, [&](const Board& board, const oracle::Position& p) {
      ++moves;
      expectMatches(board, p);
      // A packed copy and a grid copy of the same position agree on everything too.
      Board other;
      if (!grid) other.toGrid();
      other = board;
      ASSERT_EQ(other.checkConsistency(), "");
      for (int sq = 0; sq < 64; ++sq) {
        ASSERT_EQ(other.colourAt(sq / 8 + 1, sq % 8 + 1), board.colourAt(sq / 8 + 1, sq % 8 + 1));
        ASSERT_EQ(other.stateAt(sq / 8 + 1, sq % 8 + 1), board.stateAt(sq / 8 + 1, sq % 8 + 1));
      }
      for (int colour : {-1, 0, 1}) ASSERT_EQ(other.count(colour), board.count(colour));
      ASSERT_EQ(listOf(other), listOf(board));
    });
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(moves, 150 * 40);
}

// The search's fused copy-and-move leaves a board exactly as a copy followed by play()
// does (and its squares-only form the same squares), for every candidate of every position, legal or not, on a scratch board that is
// reused from one move to the next (in the other form, so both forms are crossed).
TEST_P(RandomGames, PlayFromEqualsACopyThenPlay) {
  const bool grid = GetParam();
  std::mt19937 rng(grid ? 17 : 13);
  Board scratch;
  if (!grid) scratch.toGrid();
  for (int game = 0; game < 60; ++game) {
    Board b;
    if (grid) b.toGrid();
    oracle::randomGame(rng, b, 70, [&](const Board& board, const oracle::Position&) {
      for (int i = 0; i < board.moveCount; ++i) {
        const int row = board.moves[i].row, column = board.moves[i].column;
        for (int colour : {-1, 1}) {
          Board copy;
          if (!grid) copy.toGrid();
          copy = board;
          const int expected = copy.play(row, column, colour);
          const Board before = scratch;
          const uint64_t occupancy = scratch.occupancy, squares = scratch.colour;
          ASSERT_EQ(scratch.playFrom(board, row, column, colour), expected);
          Board leaf;  // the squares-only form leaves the same words
          ASSERT_EQ(leaf.playSquaresFrom(board, row, column, colour), expected);
          if (expected) {
            ASSERT_EQ(leaf.occupancy, copy.occupancy);
            ASSERT_EQ(leaf.colour, copy.colour);
            ASSERT_EQ(leaf.discCount, copy.discCount);
            ASSERT_EQ(leaf.sideToMove, copy.sideToMove);
          }
          if (!expected) {  // an illegal move leaves the scratch board as it was
            ASSERT_EQ(scratch.occupancy, occupancy);
            ASSERT_EQ(scratch.colour, squares);
            ASSERT_EQ(listOf(scratch), listOf(before));
            continue;
          }
          ASSERT_EQ(scratch.occupancy, copy.occupancy);
          ASSERT_EQ(scratch.colour, copy.colour);
          ASSERT_EQ(scratch.discCount, copy.discCount);
          ASSERT_EQ(scratch.sideToMove, copy.sideToMove);
          ASSERT_EQ(listOf(scratch), listOf(copy));
          for (int k = 0; k < scratch.moveCount; ++k) {
            ASSERT_EQ(scratch.moves[k].flag, MoveFlag::Untried);
            ASSERT_EQ(scratch.moves[k].value, kNoValue);
          }
          ASSERT_EQ(scratch.cachedValue, kNoValue);
          ASSERT_EQ(scratch.checkConsistency(), "");
          for (int sq = 0; sq < 64; ++sq)
            ASSERT_EQ(scratch.stateAt(sq / 8 + 1, sq % 8 + 1), copy.stateAt(sq / 8 + 1, sq % 8 + 1));
        }
      }
    });
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, RandomGames, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Grid" : "Packed"; });

TEST(BoardRules, RebuildGivesRowMajorCandidatesAndRecountsDiscs) {
  std::mt19937 rng(11);
  Board b;
  oracle::randomGame(rng, b, 20, [](const Board&, const oracle::Position&) {});
  Board c;
  c.assignSquares(b);
  c.sideToMove = b.sideToMove;
  c.rebuildCandidates();
  EXPECT_EQ(c.checkConsistency(), "");
  EXPECT_EQ(c.discCount, b.discCount);
  auto list = listOf(c);
  EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
  auto other = listOf(b);
  std::sort(other.begin(), other.end());
  EXPECT_EQ(list, other);
}

TEST(BoardConsistency, DetectsCorruptedState) {
  Board b;
  b.setInitial();
  b.discCount = 5;
  EXPECT_NE(b.checkConsistency(), "");
  b.discCount = 4;
  b.moves[0].row = 1;  // (1,3) is not next to any disc
  EXPECT_NE(b.checkConsistency(), "");
  Board g;
  g.toGrid();
  g.setInitial();
  EXPECT_EQ(g.checkConsistency(), "");
  g.grid[0] = 1;
  EXPECT_NE(g.checkConsistency(), "");
}

// ---------------------------------------------------------------------------
// Symmetries and copies

Board randomPosition(std::mt19937& rng, int plies) {
  Board b;
  oracle::randomGame(rng, b, plies, [](const Board&, const oracle::Position&) {});
  return b;
}

TEST(BoardSymmetry, GroupLawsAndMappedLegality) {
  std::mt19937 rng(5);
  for (int n = 0; n < 200; ++n) {
    const Board b = randomPosition(rng, 5 + n % 50);
    for (int code = 0; code < 8; ++code) {
      Board t;
      b.copyTransformed(t, code);
      ASSERT_EQ(t.checkConsistency(), "") << code;
      EXPECT_EQ(t.discCount, b.discCount);
      EXPECT_EQ(t.sideToMove, b.sideToMove);
      for (int r = 1; r <= 8; ++r)
        for (int c = 1; c <= 8; ++c) {
          int rr, cc;
          zedare::symmetry(code, r, c, rr, cc);
          ASSERT_EQ(t.colourAt(rr, cc), b.colourAt(r, c));
          ASSERT_EQ(t.stateAt(rr, cc), b.stateAt(r, c));
          ASSERT_EQ(t.isLegal(rr, cc, b.sideToMove), b.isLegal(r, c, b.sideToMove));
        }
      for (int i = 0; i < b.moveCount; ++i) {
        int rr, cc;
        zedare::symmetry(code, b.moves[i].row, b.moves[i].column, rr, cc);
        EXPECT_EQ(t.moves[i].row, rr);
        EXPECT_EQ(t.moves[i].column, cc);
      }
    }
    // Reflections are involutions; the quarter turn (code 5) has order four and its
    // square is the half turn (code 3).
    for (int code : {0, 1, 2, 3, 4, 6}) {
      Board once, twice;
      b.copyTransformed(once, code);
      once.copyTransformed(twice, code);
      EXPECT_EQ(twice.toLine(), b.toLine()) << code;
      EXPECT_EQ(listOf(twice), listOf(b)) << code;
    }
    Board q1, q2, q3, q4, half;
    b.copyTransformed(q1, 5);
    q1.copyTransformed(q2, 5);
    q2.copyTransformed(q3, 5);
    q3.copyTransformed(q4, 5);
    b.copyTransformed(half, 3);
    EXPECT_EQ(q2.toLine(), half.toLine());
    EXPECT_EQ(q4.toLine(), b.toLine());
    Board back;
    q1.copyTransformed(back, 7);  // 7 undoes 5
    EXPECT_EQ(back.toLine(), b.toLine());
  }
}

TEST(BoardSymmetry, GridTargetKeepsItsForm) {
  std::mt19937 rng(9);
  Board b = randomPosition(rng, 30);
  Board g;
  g.toGrid();
  b.copyTransformed(g, 2);
  EXPECT_EQ(g.form, BoardForm::Grid);
  EXPECT_EQ(g.checkConsistency(), "");
  Board p;
  b.copyTransformed(p, 2);
  EXPECT_TRUE(g.sameSquares(p));
  EXPECT_TRUE(p.sameSquares(g));
}

TEST(BoardCopy, InvertedSwapsColoursAndSideKeepsCandidates) {
  std::mt19937 rng(13);
  for (int n = 0; n < 100; ++n) {
    Board b = randomPosition(rng, 10 + n % 40);
    Board inv;
    b.copyInverted(inv);
    ASSERT_EQ(inv.checkConsistency(), "");
    EXPECT_EQ(inv.sideToMove, -b.sideToMove);
    EXPECT_EQ(inv.count(1), b.count(-1));
    EXPECT_EQ(listOf(inv), listOf(b));
    for (int r = 1; r <= 8; ++r)
      for (int c = 1; c <= 8; ++c) {
        EXPECT_EQ(inv.colourAt(r, c), -b.colourAt(r, c));
        EXPECT_EQ(inv.isLegal(r, c, 1), b.isLegal(r, c, -1));
      }
    Board twice;
    inv.copyInverted(twice);
    EXPECT_EQ(twice.toLine(), b.toLine());
  }
}

TEST(BoardCopy, CopiesNeverCarryChildrenOrValues) {
  Board b;
  b.setInitial();
  b.cachedValue = 1.0f;
  b.lowerBound = 2.0f;
  b.upperBound = 3.0f;
  b.moves[1].flag = MoveFlag::Legal;
  b.moves[1].value = 5.0f;
  b.moves[1].child = new Board(b);
  b.moves[1].child->play(3, 4, -1);
  Board c(b);
  for (int i = 0; i < c.moveCount; ++i) {
    EXPECT_EQ(c.moves[i].flag, MoveFlag::Untried);
    EXPECT_EQ(c.moves[i].value, kNoValue);
    EXPECT_EQ(c.moves[i].child, nullptr);
  }
  EXPECT_EQ(c.cachedValue, kNoValue);
  EXPECT_EQ(c.lowerBound, kNoValue);
  EXPECT_EQ(c.upperBound, kNoValue);
  Board d;
  d.copyMovesWithValues(b);
  EXPECT_EQ(d.moves[1].flag, MoveFlag::Legal);
  EXPECT_EQ(d.moves[1].value, 5.0f);
  EXPECT_EQ(d.moves[1].child, nullptr);
  // clearValues reaches the subtree but keeps cached scores.
  b.moves[1].child->lowerBound = 4.0f;
  b.moves[1].child->cachedValue = 6.0f;
  b.clearValues();
  EXPECT_EQ(b.lowerBound, kNoValue);
  EXPECT_EQ(b.upperBound, kNoValue);
  EXPECT_EQ(b.cachedValue, 1.0f);
  EXPECT_EQ(b.moves[1].child->lowerBound, kNoValue);
  EXPECT_EQ(b.moves[1].child->cachedValue, 6.0f);
}

TEST(BoardSort, FlagFirstThenValueStableAmongEquals) {
  Board b;
  b.setInitial();
  const float values[12] = {1, 5, 5, -2, 5, 0, 3, 3, 7, 1, -9, 2};
  const int8_t flags[12] = {2, 2, 2, 2, 2, 0, 1, 2, 2, 2, 0, 2};
  for (int i = 0; i < 12; ++i) {
    b.moves[i].value = values[i];
    b.moves[i].flag = static_cast<MoveFlag>(flags[i]);
  }
  const auto original = listOf(b);
  b.sortMoves(1);
  // Flag 2 by value descending (ties in list order), then flag 1, then flag 0 in order.
  const int expectedOrder[12] = {8, 1, 2, 4, 7, 11, 0, 9, 3, 6, 5, 10};
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(listOf(b)[i], original[expectedOrder[i]]) << i;
  }
  Board a;
  a.setInitial();
  for (int i = 0; i < 12; ++i) {
    a.moves[i].value = values[i];
    a.moves[i].flag = MoveFlag::Legal;
  }
  a.sortMoves(0);
  for (int i = 1; i < 12; ++i) EXPECT_LE(a.moves[i - 1].value, a.moves[i].value);
  // -9, -2, 0, then the two 1s in their original order.
  EXPECT_EQ(listOf(a)[3], original[0]);
  EXPECT_EQ(listOf(a)[4], original[9]);
}

// ---------------------------------------------------------------------------
// Text form and tables

TEST(BoardText, InitialLineAndRoundTripInBothForms) {
  Board b;
  b.setInitial();
  std::string expected;
  for (int r = 1; r <= 8; ++r)
    for (int c = 1; c <= 8; ++c) {
      const int v = (r == 4 && c == 4) || (r == 5 && c == 5) ? 1
                    : (r + c == 9 && (r == 4 || r == 5))     ? -1
                                                             : 0;
      expected += std::to_string(v) + " ";
    }
  expected += " -1\n";
  std::FILE* f = std::tmpfile();
  b.writeLine(f, "\n");
  std::mt19937 rng(21);
  std::vector<Board> written;
  for (int i = 0; i < 20; ++i) {
    written.push_back(randomPosition(rng, 3 * i));
    written.back().writeLine(f, i % 2 ? "\t" : "\n");
  }
  std::rewind(f);
  char line[512];
  ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
  EXPECT_EQ(std::string(line), expected);
  for (int i = 0; i < 20; ++i) {
    Board r;
    if (i % 3 == 0) r.toGrid();
    ASSERT_TRUE(r.readLine(f, i % 2 ? "\t" : "\n"));
    r.rebuildCandidates();
    EXPECT_EQ(r.toLine(), written[i].toLine());
    EXPECT_EQ(r.discCount, written[i].discCount);
    EXPECT_EQ(r.checkConsistency(), "");
  }
  std::fclose(f);
}

TEST(BoardText, StrictParseRefusesShortLinesAndBadSides) {
  Board b;
  b.setInitial();
  const std::string good = b.toLine();
  Board r;
  const char* cursor = good.c_str();
  EXPECT_TRUE(r.parseText(cursor));
  EXPECT_EQ(r.toLine(), good);
  std::string shortLine = good.substr(0, good.rfind("  "));  // drop the side to move
  cursor = shortLine.c_str();
  Board s;
  s.setInitial();
  EXPECT_FALSE(s.parseText(cursor));
  EXPECT_EQ(s.toLine(), good);  // unchanged
  std::string badSide = good.substr(0, good.size() - 2) + "2";
  cursor = badSide.c_str();
  EXPECT_FALSE(s.parseText(cursor));
}

TEST(BoardTables, ConverterRecordsFollowTheRule) {
  const int32_t* e = zedare::converterRow(0, 0);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(e[i], 0);
  e = zedare::converterRow(255, 255);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(e[i], 1);
  for (int i = 8; i < 16; ++i) EXPECT_EQ(e[i], 2);
  e = zedare::converterRow(255, 0);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(e[i], -1);
  e = zedare::converterRow(0, 1);
  EXPECT_EQ(e[8], 1);
  for (int i = 9; i < 16; ++i) EXPECT_EQ(e[i], 0);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(zedare::BitCountTable[i], __builtin_popcount(i));
  for (int c = 0; c < 8; ++c) EXPECT_EQ(zedare::ColumnMask[c] ^ zedare::ColumnClearMask[c], 0xFF);
}

}  // namespace
