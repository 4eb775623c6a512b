// The move rules on a Board: legality, playing a move with its flips, the any-move and
// mobility tests, and the candidate list kept in step with every move.
//
// Everything works on the two 64-bit words (square (r, c) is bit (r-1)*8 + (c-1)), in
// both forms, since grid boards keep their words current. A move's flips are found by
// walking each of the eight directions with shifts; the legal squares of a whole side
// by the usual shift-and-propagate fill. Both give exactly the results of the
// square-by-square walk (the tests keep such a walk as the oracle).
//
// The candidate list: playing a move drops the played square from the list, keeps the
// rest in order and appends the newly reached empty neighbours in the order E, SE, S,
// SW, W, NW, N, NE. That order is part of the search's behaviour (it breaks ties
// between equal moves), so it is kept exactly.
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

#include "board/bits.h"
#include "board/board.h"
#include "board/move_bits.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zedare {

namespace {

// Empty squares with at least one disc among their eight neighbours.
inline uint64_t neighbours(uint64_t m) {
  const uint64_t h = m | shift<0, 1>(m) | shift<0, -1>(m);
  return h | shift<1, 0>(h) | shift<-1, 0>(h);
}

}  // namespace

uint64_t Board::legalMask(int colourValue) const {
  return legalSquares(discs(colourValue), discs(-colourValue), ~occupancy);
}

namespace {

// Per square, its on-board neighbours in the order E, SE, S, SW, W, NW, N, NE (the order
// in which play() appends new candidates), as square indices, and how many there are.
struct NeighbourTable {
  int8_t square[64][8];
  int8_t count[64];
  constexpr NeighbourTable() : square(), count() {
    for (int sq = 0; sq < 64; ++sq) {
      int n = 0;
      for (const auto& d : move_bits_detail::kDirections) {
        const int r = sq / 8 + d[0], c = sq % 8 + d[1];
        if (r >= 0 && r < 8 && c >= 0 && c < 8) square[sq][n++] = static_cast<int8_t>(r * 8 + c);
      }
      count[sq] = static_cast<int8_t>(n);
    }
  }
};
constexpr NeighbourTable kNeighbours;

// The discs that (row, column) flips for a colour, 0 when the move is not legal there.
uint64_t flipsAt(const Board& b, int row, int column, int colourValue) {
  return legalFlips(squareIndex(row, column), b.discs(colourValue), b.discs(-colourValue));
}

}  // namespace

int Board::isLegal(int row, int column, int colourValue) const {
  return flipsAt(*this, row, column, colourValue) != 0;
}

void Board::takeSquaresFrom(const Board& parent, int row, int column, uint64_t flips,
                            int colourValue) {
  const uint64_t bit = squareBit(row, column);
  occupancy = parent.occupancy | bit;
  colour = colourValue > 0 ? parent.colour | flips | bit : parent.colour & ~(flips | bit);
  discCount = static_cast<int8_t>(parent.discCount + 1);
  sideToMove = static_cast<int8_t>(-parent.sideToMove);
  cachedValue = lowerBound = upperBound = kNoValue;
}

void Board::takeListFrom(const Board& parent, int row, int column) {
  // The old candidates in order without the played square, as fresh entries (in place
  // when parent is this board: an entry is never written ahead of the one being read).
  const MoveEntry* from = parent.moves;
  const int count = parent.moveCount;
  int n = 0;
#if defined(__SSE2__)
  // Each entry is one 16-byte word: its square bytes are kept and the rest is made
  // fresh (untried, no value, no child) by one and and one or, so the loop has no branch
  // but the one test for the played square.
  static_assert(offsetof(MoveEntry, flag) == 0 && offsetof(MoveEntry, row) == 1 &&
                    offsetof(MoveEntry, column) == 2 && offsetof(MoveEntry, value) == 4 &&
                    offsetof(MoveEntry, child) == 8 && sizeof(MoveEntry) == 16,
                "takeListFrom writes move entries as 16-byte words");
  const __m128i squareBytes = _mm_set_epi32(0, 0, 0, 0x00FFFF00);
  const __m128i fresh = _mm_set_epi32(0, 0, static_cast<int>(std::bit_cast<uint32_t>(kNoValue)),
                                      static_cast<int>(MoveFlag::Untried));
  const int played = (row << 8) | (column << 16);
  for (int i = 0; i < count; ++i) {
    const __m128i square =
        _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)), squareBytes);
    if (_mm_cvtsi128_si32(square) == played) continue;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(moves + n), _mm_or_si128(square, fresh));
    ++n;
  }
#else
  for (int i = 0; i < count; ++i) {
    if (from[i].row == row && from[i].column == column) continue;
    moves[n++] = MoveEntry{MoveFlag::Untried, from[i].row, from[i].column, kNoValue, nullptr};
  }
#endif
  // Newly reached empty neighbours, in the order E, SE, S, SW, W, NW, N, NE.
  const int sq = squareIndex(row, column);
  for (int k = 0; k < kNeighbours.count[sq]; ++k) {
    const int nb = kNeighbours.square[sq][k];
    const uint64_t nbBit = uint64_t{1} << nb;
    if ((occupancy | colour) & nbBit) continue;  // occupied, or already a candidate
    colour |= nbBit;
    moves[n++] = MoveEntry{MoveFlag::Untried, static_cast<int8_t>(nb / 8 + 1),
                           static_cast<int8_t>(nb % 8 + 1), kNoValue, nullptr};
  }
  moveCount = static_cast<int8_t>(n);
}

int Board::play(int row, int column, int colourValue) {
  const uint64_t flips = flipsAt(*this, row, column, colourValue);
  if (!flips) return 0;
  // Debug builds: a move keeps a consistent board consistent (squares, count, list, grid).
#ifndef NDEBUG
  const bool wasConsistent = checkConsistency().empty();
#endif
  for (int i = 0; i < moveCount; ++i) {
    // A board being played on owns no subtree worth keeping (a store board's subtree is
    // the store's to take back).
    Board* child = moves[i].child;
    if (child && !child->inStore) delete child;
  }
  ensureCapacity(listSizeAfter(row, column));
  takeSquaresFrom(*this, row, column, flips, colourValue);
  takeListFrom(*this, row, column);
  refreshGrid();
  assert(!wasConsistent || checkConsistency().empty());
  return 1;
}

int Board::listSizeAfter(int row, int column) const {
  // The new candidates: empty neighbours that are not candidates yet. The played square
  // leaves the list; counting it still keeps the bound right for any list.
  const int n = moveCount + std::popcount(kNeighbourMasks.mask[squareIndex(row, column)] &
                                          ~(occupancy | colour));
  return n > kMaxMoves ? kMaxMoves : n;
}

namespace {

// The two ways of playing a move from a parent when it is legal: `play` gets the flips
// (found once). 1 if the move was played, 0 when it is not legal.
template <typename Play>
int playIfLegal(const Board& parent, int row, int column, int colourValue, Play play) {
  const uint64_t flips = flipsAt(parent, row, column, colourValue);
  if (!flips) return 0;
  play(flips);
  return 1;
}

}  // namespace

uint64_t Board::flipsFor(int row, int column, int colourValue) const {
  return flipsAt(*this, row, column, colourValue);
}

void Board::playSquaresFrom(const Board& parent, int row, int column, int colourValue,
                            uint64_t flips) {
  takeSquaresFrom(parent, row, column, flips, colourValue);
  // The new candidate flags are set as play() sets them, so the words are the same.
  colour |= kNeighbourMasks.mask[squareIndex(row, column)] & ~occupancy;
  moveCount = 0;
  markGridStale();
}

int Board::playSquaresFrom(const Board& parent, int row, int column, int colourValue) {
  return playIfLegal(parent, row, column, colourValue, [&](uint64_t flips) {
    playSquaresFrom(parent, row, column, colourValue, flips);
  });
}

void Board::playFrom(const Board& parent, int row, int column, int colourValue, uint64_t flips) {
  ensureCapacity(parent.listSizeAfter(row, column));
  takeSquaresFrom(parent, row, column, flips, colourValue);
  takeListFrom(parent, row, column);
  markGridStale();
}

int Board::playFrom(const Board& parent, int row, int column, int colourValue) {
  return playIfLegal(parent, row, column, colourValue,
                     [&](uint64_t flips) { playFrom(parent, row, column, colourValue, flips); });
}

int Board::hasLegalMove(int colourValue) const {
  // The list holds exactly the candidate squares, so its any-legal test is a mask test.
  return (legalMask(colourValue) & candidates()) != 0;
}

int Board::mobility(int colourValue) const {
  return std::popcount(legalMask(colourValue) & candidates() & ~kXSquares);
}

void Board::rebuildCandidates() {
  discCount = static_cast<int8_t>(std::popcount(occupancy));
  cachedValue = lowerBound = upperBound = kNoValue;
  const uint64_t reached = neighbours(occupancy) & ~occupancy;
  // Flags on empty squares away from every disc cannot be candidates; clear them.
  colour = (colour & occupancy) | reached;
  destroyChildren();
  ensureCapacity(std::popcount(reached));
  int n = 0;
  for (uint64_t m = reached; m; m &= m - 1) {  // row by row, column 1 to 8
    const int sq = std::countr_zero(m);
    moves[n++] = MoveEntry{MoveFlag::Untried, static_cast<int8_t>(sq / 8 + 1),
                           static_cast<int8_t>(sq % 8 + 1), kNoValue, nullptr};
  }
  moveCount = static_cast<int8_t>(n);
  refreshGrid();
}

std::string Board::checkConsistency() const {
  if (discCount != std::popcount(occupancy)) {
    return "disc count " + std::to_string(discCount) + " but " +
           std::to_string(std::popcount(occupancy)) + " discs";
  }
  const uint64_t expected = neighbours(occupancy) & ~occupancy;
  if (candidates() != expected) return "candidate flags differ from the squares next to discs";
  if (moveCount < 0 || moveCount > kMaxMoves) return "move count out of range";
  uint64_t listed = 0;
  for (int i = 0; i < moveCount; ++i) {
    const MoveEntry& e = moves[i];
    if (e.row < 1 || e.row > 8 || e.column < 1 || e.column > 8) return "move entry off the board";
    const uint64_t bit = squareBit(e.row, e.column);
    if (listed & bit) return "square listed twice";
    listed |= bit;
  }
  if (listed != expected) return "move list differs from the candidate squares";
  if (sideToMove < -1 || sideToMove > 1) return "side to move out of range";
  if (form == BoardForm::Grid) {
    if (!grid) return "grid form without a grid";
    syncGrid();  // a grid waiting to be rebuilt from the words agrees with them
    for (int r = 1; r <= 8; ++r) {
      const int32_t* e =
          converterRow((occupancy >> ((r - 1) * 8)) & 0xFF, (colour >> ((r - 1) * 8)) & 0xFF);
      for (int c = 0; c < 8; ++c) {
        if (grid[(r - 1) * 8 + c] != e[c] || grid[64 + (r - 1) * 8 + c] != e[8 + c]) {
          return "grid differs from the packed words at row " + std::to_string(r);
        }
      }
    }
  }
  return {};
}

}  // namespace zedare
