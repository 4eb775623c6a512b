// A move's flips and a side's legal squares on two 64-bit words (player's discs,
// opponent's discs; square (r, c) is bit (r-1)*8 + (c-1)), shared by the rules of the
// Board and by the endgame solver, which works on the two words alone.
#ifndef ZEDARE_BOARD_MOVE_BITS_H
#define ZEDARE_BOARD_MOVE_BITS_H

#include <bit>
#include <cstdint>

#if defined(__AVX2__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "board/isa.h"

namespace zedare {

ZEDARE_ISA_BEGIN

namespace move_bits_detail {

// The eight directions as (row step, column step): the four that raise the bit index
// first (E, SE, S, SW), then their opposites (W, NW, N, NE).
inline constexpr int kDirections[8][2] = {{0, 1}, {1, 1}, {1, 0}, {1, -1},
                                   {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};

// Per square and direction, the squares beyond it up to the edge (aligned so that a
// square's four rising and four falling rays each load as one 256-bit word).
struct alignas(32) RayTable {
  uint64_t ray[64][8];
  constexpr RayTable() : ray() {
    for (int sq = 0; sq < 64; ++sq) {
      for (int d = 0; d < 8; ++d) {
        int r = sq / 8 + kDirections[d][0], c = sq % 8 + kDirections[d][1];
        for (; r >= 0 && r < 8 && c >= 0 && c < 8; r += kDirections[d][0], c += kDirections[d][1])
          ray[sq][d] |= uint64_t{1} << (r * 8 + c);
      }
    }
  }
};
inline constexpr RayTable kRays;

// The discs a move on square `sq` flips. Along each ray the first square that is not an
// opponent disc ends the run of opponent discs next to the move; the run is flipped when
// that square holds a disc of the player. In the first four directions the bit index
// grows along the ray, so that square is the ray's lowest such bit; in the other four it
// is the highest. No loops and no branches: this runs for every move the search tries.
#if defined(__AVX2__)
// The union of a register's four 64-bit lanes.
inline uint64_t orOfLanes(__m256i x) {
  __m128i h = _mm_or_si128(_mm256_castsi256_si128(x), _mm256_extracti128_si256(x, 1));
  h = _mm_or_si128(h, _mm_unpackhi_epi64(h, h));
  return static_cast<uint64_t>(_mm_cvtsi128_si64(h));
}

// With AVX2 the four rising and the four falling rays are each one register, a ray per
// lane. A falling ray's first non-opponent square is its highest bit; instead of
// counting leading zeros lane by lane, every bit of `ends` is spread downwards along its
// ray (one, two, then four steps: a ray has at most seven squares), so that the run is
// what the spread leaves of the ray and the first square is the one the spread starts
// from. Bits that the spread pushes round an edge land below the first square, where
// they change nothing.
inline uint64_t flipsOf(int sq, uint64_t player, uint64_t opponent) {
  const __m256i* rays = reinterpret_cast<const __m256i*>(kRays.ray[sq]);
  const __m256i p = _mm256_set1_epi64x(static_cast<long long>(player));
  const __m256i o = _mm256_set1_epi64x(static_cast<long long>(opponent));
  const __m256i zero = _mm256_setzero_si256();

  const __m256i rising = _mm256_load_si256(rays);
  __m256i ends = _mm256_andnot_si256(o, rising);
  __m256i first = _mm256_and_si256(ends, _mm256_sub_epi64(zero, ends));
  __m256i run = _mm256_and_si256(rising, _mm256_add_epi64(first, _mm256_set1_epi64x(-1)));
  __m256i flips = _mm256_andnot_si256(_mm256_cmpeq_epi64(_mm256_and_si256(first, p), zero), run);

  // Steps of the falling directions W, NW, N, NE.
  const __m256i step = _mm256_set_epi64x(7, 8, 9, 1);
  const __m256i falling = _mm256_load_si256(rays + 1);
  ends = _mm256_andnot_si256(o, falling);
  __m256i spread = _mm256_or_si256(ends, _mm256_srlv_epi64(ends, step));
  spread = _mm256_or_si256(spread, _mm256_srlv_epi64(spread, _mm256_add_epi64(step, step)));
  spread = _mm256_or_si256(spread, _mm256_srlv_epi64(spread, _mm256_slli_epi64(step, 2)));
  run = _mm256_andnot_si256(spread, falling);
  first = _mm256_andnot_si256(_mm256_srlv_epi64(spread, step), ends);
  flips = _mm256_or_si256(
      flips, _mm256_andnot_si256(_mm256_cmpeq_epi64(_mm256_and_si256(first, p), zero), run));

  return orOfLanes(flips);
}
#else
inline uint64_t flipsOf(int sq, uint64_t player, uint64_t opponent) {
  const uint64_t* rays = kRays.ray[sq];
  uint64_t flips = 0;
#pragma GCC unroll 4
  for (int d = 0; d < 4; ++d) {
    const uint64_t ray = rays[d];
    const uint64_t ends = ray & ~opponent;
    const uint64_t first = ends & (0 - ends);
    const uint64_t run = ray & (first - 1);
    flips |= (first & player) ? run : 0;
  }
#pragma GCC unroll 4
  for (int d = 4; d < 8; ++d) {
    const uint64_t ray = rays[d];
    const uint64_t ends = ray & ~opponent;
    // The highest bit of ends (none when ends is empty: the "| 1" only keeps the count
    // defined, and the "& ends" drops the bit it stands for).
    const uint64_t first = (uint64_t{1} << 63 >> std::countl_zero(ends | 1)) & ends;
    const uint64_t run = ray & ~((first << 1) - 1);
    flips |= (first & player) ? run : 0;
  }
  return flips;
}
#endif

// Per square, its on-board neighbours.
struct NeighbourMasks {
  uint64_t mask[64];
  constexpr NeighbourMasks() : mask() {
    for (int sq = 0; sq < 64; ++sq) {
      for (const auto& d : kDirections) {
        const int r = sq / 8 + d[0], c = sq % 8 + d[1];
        if (r >= 0 && r < 8 && c >= 0 && c < 8) mask[sq] |= uint64_t{1} << (r * 8 + c);
      }
    }
  }
};
inline constexpr NeighbourMasks kNeighbourMasks;

// The discs a move on square `sq` flips, 0 when the move is not legal there. Most
// candidates that cannot be played have no opponent disc next to them; the neighbour
// test rules them out before the eight rays are read.
inline uint64_t legalFlips(int sq, uint64_t player, uint64_t opponent) {
  if (((player | opponent) >> sq) & 1) return 0;
  if (!(kNeighbourMasks.mask[sq] & opponent)) return 0;
  return flipsOf(sq, player, opponent);
}

// Both sides' legal squares at once, for the evaluation, which needs both.
struct LegalPair {
  uint64_t first;   // squares where `a` may move
  uint64_t second;  // squares where `b` may move
};

#if defined(__AVX2__)
// With AVX2 the four lines are the four lanes of one register (steps 1, 7, 8, 9), and
// the two sides are two independent chains of the same steps.
inline __m256i legalLines(uint64_t player, uint64_t opponent) {
  const __m256i step = _mm256_set_epi64x(9, 8, 7, 1);
  const __m256i step2 = _mm256_add_epi64(step, step);
  const __m256i step4 = _mm256_add_epi64(step2, step2);
  // Opponent discs in columns 2..7 for the lines that cross columns: a run along a row or
  // a diagonal never continues through column 1 or 8.
  constexpr long long kInner = 0x7E7E7E7E7E7E7E7ELL;
  const __m256i p = _mm256_set1_epi64x(static_cast<long long>(player));
  const __m256i o = _mm256_and_si256(_mm256_set1_epi64x(static_cast<long long>(opponent)),
                                     _mm256_set_epi64x(kInner, -1, kInner, kInner));
  __m256i up = _mm256_or_si256(p, _mm256_and_si256(o, _mm256_sllv_epi64(p, step)));
  __m256i down = _mm256_or_si256(p, _mm256_and_si256(o, _mm256_srlv_epi64(p, step)));
  __m256i upRun = _mm256_and_si256(o, _mm256_sllv_epi64(o, step));
  __m256i downRun = _mm256_and_si256(o, _mm256_srlv_epi64(o, step));
  up = _mm256_or_si256(up, _mm256_and_si256(upRun, _mm256_sllv_epi64(up, step2)));
  down = _mm256_or_si256(down, _mm256_and_si256(downRun, _mm256_srlv_epi64(down, step2)));
  upRun = _mm256_and_si256(upRun, _mm256_sllv_epi64(upRun, step2));
  downRun = _mm256_and_si256(downRun, _mm256_srlv_epi64(downRun, step2));
  up = _mm256_or_si256(up, _mm256_and_si256(upRun, _mm256_sllv_epi64(up, step4)));
  down = _mm256_or_si256(down, _mm256_and_si256(downRun, _mm256_srlv_epi64(down, step4)));
  return _mm256_or_si256(_mm256_sllv_epi64(_mm256_and_si256(up, o), step),
                         _mm256_srlv_epi64(_mm256_and_si256(down, o), step));
}

inline uint64_t legalSquares(uint64_t player, uint64_t opponent, uint64_t empty) {
  return orOfLanes(legalLines(player, opponent)) & empty;
}

inline LegalPair legalSquaresPair(uint64_t a, uint64_t b, uint64_t empty) {
  return LegalPair{orOfLanes(legalLines(a, b)) & empty, orOfLanes(legalLines(b, a)) & empty};
}
#else
// Legal squares along one line, both ways: runs of opponent discs that begin next to a
// player disc are grown by doubling (one, two, then four squares at a time), and the
// empty square just past a run is legal. `opponent` is already masked for lines that
// cross columns, so that no run wraps round an edge.
template <int s>
inline uint64_t legalAlong(uint64_t player, uint64_t opponent, uint64_t empty) {
  uint64_t up = player | (opponent & (player << s));
  uint64_t down = player | (opponent & (player >> s));
  uint64_t upRun = opponent & (opponent << s);
  uint64_t downRun = opponent & (opponent >> s);
  up |= upRun & (up << (2 * s));
  down |= downRun & (down >> (2 * s));
  upRun &= upRun << (2 * s);
  downRun &= downRun >> (2 * s);
  up |= upRun & (up << (4 * s));
  down |= downRun & (down >> (4 * s));
  return empty & (((up & opponent) << s) | ((down & opponent) >> s));
}

inline uint64_t legalSquares(uint64_t player, uint64_t opponent, uint64_t empty) {
  // Opponent discs in columns 2..7: a run along a row or a diagonal never continues
  // through column 1 or 8.
  const uint64_t inner = opponent & 0x7E7E7E7E7E7E7E7EULL;
  return legalAlong<1>(player, inner, empty) | legalAlong<7>(player, inner, empty) |
         legalAlong<8>(player, opponent, empty) | legalAlong<9>(player, inner, empty);
}

#if defined(__SSE2__)
// Without AVX2, the two sides run side by side in the two 64-bit lanes of one SSE2
// register (every step is a shift by a constant, an and or an or, the same for both).
template <int s>
inline __m128i legalAlongPair(__m128i player, __m128i opponent, __m128i empty) {
  __m128i up = _mm_or_si128(player, _mm_and_si128(opponent, _mm_slli_epi64(player, s)));
  __m128i down = _mm_or_si128(player, _mm_and_si128(opponent, _mm_srli_epi64(player, s)));
  __m128i upRun = _mm_and_si128(opponent, _mm_slli_epi64(opponent, s));
  __m128i downRun = _mm_and_si128(opponent, _mm_srli_epi64(opponent, s));
  up = _mm_or_si128(up, _mm_and_si128(upRun, _mm_slli_epi64(up, 2 * s)));
  down = _mm_or_si128(down, _mm_and_si128(downRun, _mm_srli_epi64(down, 2 * s)));
  upRun = _mm_and_si128(upRun, _mm_slli_epi64(upRun, 2 * s));
  downRun = _mm_and_si128(downRun, _mm_srli_epi64(downRun, 2 * s));
  up = _mm_or_si128(up, _mm_and_si128(upRun, _mm_slli_epi64(up, 4 * s)));
  down = _mm_or_si128(down, _mm_and_si128(downRun, _mm_srli_epi64(down, 4 * s)));
  return _mm_and_si128(empty, _mm_or_si128(_mm_slli_epi64(_mm_and_si128(up, opponent), s),
                                           _mm_srli_epi64(_mm_and_si128(down, opponent), s)));
}

inline LegalPair legalSquaresPair(uint64_t a, uint64_t b, uint64_t empty) {
  const __m128i player = _mm_set_epi64x(static_cast<long long>(b), static_cast<long long>(a));
  const __m128i opponent = _mm_set_epi64x(static_cast<long long>(a), static_cast<long long>(b));
  const __m128i inner = _mm_and_si128(opponent, _mm_set1_epi64x(0x7E7E7E7E7E7E7E7ELL));
  const __m128i e = _mm_set1_epi64x(static_cast<long long>(empty));
  const __m128i legal = _mm_or_si128(
      _mm_or_si128(legalAlongPair<1>(player, inner, e), legalAlongPair<7>(player, inner, e)),
      _mm_or_si128(legalAlongPair<8>(player, opponent, e), legalAlongPair<9>(player, inner, e)));
  return LegalPair{static_cast<uint64_t>(_mm_cvtsi128_si64(legal)),
                   static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(legal, legal)))};
}
#else
inline LegalPair legalSquaresPair(uint64_t a, uint64_t b, uint64_t empty) {
  return LegalPair{legalSquares(a, b, empty), legalSquares(b, a, empty)};
}
#endif
#endif

}  // namespace move_bits_detail

using move_bits_detail::flipsOf;
using move_bits_detail::kNeighbourMasks;
using move_bits_detail::legalFlips;
using move_bits_detail::LegalPair;
using move_bits_detail::legalSquares;
using move_bits_detail::legalSquaresPair;

ZEDARE_ISA_END

}  // namespace zedare

#endif
