// Bit primitives on a 64-bit board mask (bit (row - 1) * 8 + (column - 1) for a square),
// shared by the rules and the evaluation's kernels.
#ifndef ZEDARE_BOARD_BITS_H
#define ZEDARE_BOARD_BITS_H

#include <cstdint>

#include "board/board.h"
#include "board/isa.h"

namespace zedare {

ZEDARE_ISA_BEGIN

constexpr uint64_t kColumn1 = 0x0101010101010101ULL;
constexpr uint64_t kColumn8 = 0x8080808080808080ULL;
// The squares diagonally next to the corners.
constexpr uint64_t kXSquares =
    squareBit(2, 2) | squareBit(2, 7) | squareBit(7, 2) | squareBit(7, 7);

// One step of every square in direction (dr, dc), as (row step, column step); squares
// leaving the board vanish (no wrapping round the edge).
template <int dr, int dc>
constexpr uint64_t shift(uint64_t m) {
  constexpr int by = dr * 8 + dc;
  if constexpr (by > 0) {
    m <<= by;
  } else if constexpr (by < 0) {
    m >>= -by;
  }
  if constexpr (dc > 0) m &= ~kColumn1;
  if constexpr (dc < 0) m &= ~kColumn8;
  return m;
}

ZEDARE_ISA_END

}  // namespace zedare

#endif
