// Move generation counted against the known numbers of move sequences from the start
// position (a pass counts as a move; no game can end before ply 9). The counts are walked
// twice: through the leaf path the search uses (legalMask and playSquaresFrom) to depth
// 8, and through play() with its move lists, each board checked for consistency, to
// depth 6. On the way, both sides' legal squares found at once (the evaluation's
// legalSquaresPair) are checked against the one-side masks at every node.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "board/board.h"
#include "board/move_bits.h"

using zedare::Board;

namespace {

constexpr uint64_t kKnownCounts[] = {1, 4, 12, 56, 244, 1396, 8200, 55092, 390216};

int pairMismatches = 0;

uint64_t leafPerft(const Board& b, int depth, Board* scratch) {
  const int side = b.sideToMove;
  const zedare::LegalPair pair = zedare::legalSquaresPair(b.discs(side), b.discs(-side), ~b.occupancy);
  if (pair.first != b.legalMask(side) || pair.second != b.legalMask(-side)) ++pairMismatches;
  if (depth == 0) return 1;
  uint64_t moves = b.legalMask(side);
  if (moves == 0) {
    if (b.legalMask(-side) == 0) return 1;  // the game is over
    Board passed = b;
    passed.pass();
    return leafPerft(passed, depth - 1, scratch);
  }
  uint64_t total = 0;
  for (; moves; moves &= moves - 1) {
    const int square = std::countr_zero(moves);
    Board& child = scratch[0];
    if (!child.playSquaresFrom(b, square / 8 + 1, square % 8 + 1, side)) return 0;
    total += leafPerft(child, depth - 1, scratch + 1);
  }
  return total;
}

uint64_t listPerft(const Board& b, int depth) {
  EXPECT_EQ(b.checkConsistency(), "");
  if (depth == 0) return 1;
  const int side = b.sideToMove;
  uint64_t total = 0;
  bool moved = false;
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) {
      if (!b.isLegal(r, c, side)) continue;
      Board child = b;
      EXPECT_EQ(child.play(r, c, side), 1);
      total += listPerft(child, depth - 1);
      moved = true;
    }
  }
  if (moved) return total;
  if (!b.hasLegalMove(-side)) return 1;
  Board passed = b;
  passed.pass();
  return listPerft(passed, depth - 1);
}

TEST(Perft, KnownCountsFromTheStart) {
  Board start;
  start.setInitial();
  Board scratch[9];
  for (int depth = 0; depth <= 8; ++depth) {
    EXPECT_EQ(leafPerft(start, depth, scratch), kKnownCounts[depth]) << "depth " << depth;
    if (depth <= 6) {
      EXPECT_EQ(listPerft(start, depth), kKnownCounts[depth]) << "depth " << depth;
    }
  }
  EXPECT_EQ(pairMismatches, 0);
}

}  // namespace
