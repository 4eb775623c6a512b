// Bit-board kernels of the position features, shared by the feature functions and the
// evaluation so that the evaluation's inner loop inlines them. Internal to engine/eval.
//
// Everything works on the board's two 64-bit words (square (r, c) is bit (r-1)*8 +
// (c-1)), which both board forms keep current, so one code path serves both forms.
//
// Pattern lines. A line is eight squares q1..q8; its pattern index with side S is
//   (S+1)*3^8 + sum over i of (v_i+1)*3^(i-1),  v_i the colour on q_i.
// A line is gathered into two bytes, the white (+1) and the black (-1) discs, with bit
// j standing for one square of the line. Since v+1 is 1 + white - black for every
// square, the square part of the index is 3280 + T[white] - T[black], where T maps a
// byte to the base-3 number with the same digits (bit j worth 3^j when bit j is q_{j+1},
// "forward", or 3^(7-j) when bit j is q_{8-j}, "reversed").
//
// Gathers (each a mask and one multiplication, no carries since all partial products
// land on distinct bits):
//   row r:          byte r-1 of the word; bit j = column j+1
//   column c:       bit j = row j+1
//   diagonal:       bit j = (j+1, j+1)
//   anti-diagonal:  bit j = (8-j, j+1), that is column j+1
#ifndef ZEDARE_EVAL_KERNELS_H
#define ZEDARE_EVAL_KERNELS_H

#include <bit>
#include <cmath>
#include <cstdint>

#if defined(__AVX2__) || defined(__BMI2__)
#include <immintrin.h>
#endif

#include "eval/context.h"
#include "board/bits.h"
#include "board/board.h"
#include "board/isa.h"
#include "board/move_bits.h"
#include "eval/features.h"
#include "matrix/matrix.h"

namespace zedare {

// Stops through the matrix library's error path when a pattern table the features are
// about to read is smaller than 19683 x 3.
[[noreturn]] void tableTooSmall(const matrix& table, int which, const char* signature);

ZEDARE_ISA_BEGIN
namespace kernels {

constexpr uint64_t kAll = ~uint64_t{0};
constexpr uint64_t kDiagonal = 0x8040201008040201ULL;      // (1,1) .. (8,8)
constexpr uint64_t kAntiDiagonal = 0x0102040810204080ULL;  // (1,8) .. (8,1)
constexpr uint64_t kCorners = squareBit(1, 1) | squareBit(1, 8) | squareBit(8, 1) | squareBit(8, 8);

// Frontier squares: the 16 edge squares in rows or columns 3..6, split by the edge
// they lie on, and the 32 inner squares (rows 3..6 x columns 2..7, rows 2 and 7 x
// columns 3..6).
constexpr uint64_t kFrontierEdgeColumns = 0x0000818181810000ULL;  // (3..6, 1), (3..6, 8)
constexpr uint64_t kFrontierEdgeRows = 0x3C0000000000003CULL;     // (1, 3..6), (8, 3..6)
constexpr uint64_t kFrontierInner = 0x003C7E7E7E7E3C00ULL;

// n steps of every square in direction (dr, dc) at once; squares leaving the board
// vanish.
template <int dr, int dc, int n>
constexpr uint64_t shiftBy(uint64_t m) {
  constexpr int by = (dr * 8 + dc) * n;
  if constexpr (by > 0) {
    m <<= by;
  } else if constexpr (by < 0) {
    m >>= -by;
  }
  // Columns 1..n (after a step towards column 8) or 9-n..8 (towards column 1) held
  // squares that came round from the other edge.
  constexpr uint64_t lowColumns = kColumn1 * ((1u << n) - 1);
  if constexpr (dc > 0) m &= ~lowColumns;
  if constexpr (dc < 0) m &= ~(lowColumns << (8 - n));
  return m;
}

// Squares all of whose squares beyond them in direction (dr, dc), up to the edge, are
// in m. A square on that edge has no such squares and always qualifies. Computed by
// doubling: after step k, a square qualifies when the next 2^k squares beyond it (or as
// many as the board holds) are in m.
template <int dr, int dc>
constexpr uint64_t beyondAllIn(uint64_t m) {
  // noneBeyond<n>: squares with no square n steps beyond them in the direction.
  constexpr uint64_t none1 = ~shiftBy<-dr, -dc, 1>(kAll);
  constexpr uint64_t none2 = ~shiftBy<-dr, -dc, 2>(kAll);
  constexpr uint64_t none4 = ~shiftBy<-dr, -dc, 4>(kAll);
  uint64_t a = none1 | shiftBy<-dr, -dc, 1>(m);  // the next square is in m, or there is none
  a &= none1 | shiftBy<-dr, -dc, 1>(a);
  a &= none2 | shiftBy<-dr, -dc, 2>(a);
  a &= none4 | shiftBy<-dr, -dc, 4>(a);
  return a;
}

// Squares with at least one square of m among their eight neighbours.
constexpr uint64_t around8(uint64_t m) {
  const uint64_t h = m | shift<0, 1>(m) | shift<0, -1>(m);
  return shift<1, 0>(h) | shift<-1, 0>(h) | shift<0, 1>(m) | shift<0, -1>(m);
}

// ---- pattern lines ----

struct TernaryTables {
  int forward[256];
  int reversed[256];
  constexpr TernaryTables() : forward(), reversed() {
    for (int m = 0; m < 256; ++m) {
      int f = 0, r = 0, p = 1;
      for (int j = 0; j < 8; ++j) {
        if (m & (1 << j)) f += p;
        p *= 3;
      }
      p = 1;
      for (int j = 7; j >= 0; --j) {
        if (m & (1 << j)) r += p;
        p *= 3;
      }
      forward[m] = f;
      reversed[m] = r;
    }
  }
};
inline constexpr TernaryTables kTernary{};

constexpr int kSideDigit = 6561;     // 3^8
constexpr int kEmptyLine = 3280;     // (3^8 - 1) / 2: every square digit 1
constexpr int kPatternRows = 19683;  // 3^9

inline unsigned rowByte(uint64_t x, int r) {
  return static_cast<unsigned>(x >> ((r - 1) * 8)) & 0xFF;
}
#if defined(__BMI2__)
// With BMI2 a line's squares are picked out in square order by one instruction. The
// anti-diagonal then comes out row 1 first, the reverse of the byte below, so its two
// directions swap their tables (see antiDiagonalDown / antiDiagonalUp).
inline unsigned columnByte(uint64_t x, int c) {
  return static_cast<unsigned>(_pext_u64(x, kColumn1 << (c - 1)));
}
inline unsigned diagonalByte(uint64_t x) {
  return static_cast<unsigned>(_pext_u64(x, kDiagonal));
}
inline unsigned antiDiagonalRowsByte(uint64_t x) {  // bit j = (j+1, 8-j)
  return static_cast<unsigned>(_pext_u64(x, kAntiDiagonal));
}
#else
inline unsigned columnByte(uint64_t x, int c) {
  return static_cast<unsigned>((((x >> (c - 1)) & kColumn1) * 0x0102040810204080ULL) >> 56);
}
inline unsigned diagonalByte(uint64_t x) {
  return static_cast<unsigned>(((x & kDiagonal) * kColumn1) >> 56);
}
inline unsigned antiDiagonalByte(uint64_t x) {
  return static_cast<unsigned>(((x & kAntiDiagonal) * kColumn1) >> 56);
}
#endif

// The discs of one position by absolute colour, as the pattern index reads them.
struct Discs {
  uint64_t white;  // colour +1
  uint64_t black;  // colour -1
  int sideDigit;   // (S + 1) * 3^8 + 3280
};
inline Discs discsOf(const Board& b, int side) {
  return Discs{b.occupancy & b.colour, b.occupancy & ~b.colour,
               (side + 1) * kSideDigit + kEmptyLine};
}

inline int forwardIndex(const Discs& d, unsigned white, unsigned black) {
  return d.sideDigit + kTernary.forward[white] - kTernary.forward[black];
}
inline int reversedIndex(const Discs& d, unsigned white, unsigned black) {
  return d.sideDigit + kTernary.reversed[white] - kTernary.reversed[black];
}

// Column c, rows 1->8 / rows 8->1; row r, columns 1->8 / 8->1; the diagonals.
inline int columnDown(const Discs& d, int c) {
  return forwardIndex(d, columnByte(d.white, c), columnByte(d.black, c));
}
inline int columnUp(const Discs& d, int c) {
  return reversedIndex(d, columnByte(d.white, c), columnByte(d.black, c));
}
inline int rowRight(const Discs& d, int r) {
  return forwardIndex(d, rowByte(d.white, r), rowByte(d.black, r));
}
inline int rowLeft(const Discs& d, int r) {
  return reversedIndex(d, rowByte(d.white, r), rowByte(d.black, r));
}
inline int diagonalDown(const Discs& d) {  // (1,1) -> (8,8)
  return forwardIndex(d, diagonalByte(d.white), diagonalByte(d.black));
}
inline int diagonalUp(const Discs& d) {  // (8,8) -> (1,1)
  return reversedIndex(d, diagonalByte(d.white), diagonalByte(d.black));
}
#if defined(__BMI2__)
inline int antiDiagonalDown(const Discs& d) {  // (1,8) -> (8,1)
  return forwardIndex(d, antiDiagonalRowsByte(d.white), antiDiagonalRowsByte(d.black));
}
inline int antiDiagonalUp(const Discs& d) {  // (8,1) -> (1,8)
  return reversedIndex(d, antiDiagonalRowsByte(d.white), antiDiagonalRowsByte(d.black));
}
#else
inline int antiDiagonalDown(const Discs& d) {  // (1,8) -> (8,1)
  return reversedIndex(d, antiDiagonalByte(d.white), antiDiagonalByte(d.black));
}
inline int antiDiagonalUp(const Discs& d) {  // (8,1) -> (1,8)
  return forwardIndex(d, antiDiagonalByte(d.white), antiDiagonalByte(d.black));
}
#endif

// Column 3 of the row belonging to a pattern index.
inline double patternValue(const matrix& table, int index) {
  if (table.rowsInOrder) return table.data[0][static_cast<size_t>(index) * table.colCount + 2];
  return table.rowData(index + 1)[2];
}

// ---- conversions ----

// A double to int for the features' roundings; out-of-range values saturate and a NaN
// gives 0, so that no conversion is ever undefined (pattern tables and weights are data
// from files).
inline int saturate(double x) {
  if (!(x == x)) return 0;
  if (x >= 2147483647.0) return 2147483647;
  if (x <= -2147483647.0) return -2147483647;
  return static_cast<int>(x);
}
// sign(x) * floor(|x|): truncation toward zero.
inline int truncateToInt(double x) {
  return saturate(std::trunc(x));
}
inline int floorToInt(double x) {
  return saturate(std::floor(x));
}

// ---- the features on prepared masks ----

// Fills the engine's working storage for a board: both sides' discs and legal squares.
inline void prepare(EvalContext& e, const Board& b) {
  EvalContext::EvalScratch& s = e.evalScratch;
  const int c = e.computerColour;
  s.own = b.discs(c);
  s.opp = b.discs(-c);
  const LegalPair legal = legalSquaresPair(s.own, s.opp, ~b.occupancy);
  s.ownLegal = legal.first;
  s.oppLegal = legal.second;
}
// The same without the legal squares, for the features that do not need them.
inline void prepareDiscs(EvalContext& e, const Board& b) {
  e.evalScratch.own = b.discs(e.computerColour);
  e.evalScratch.opp = b.discs(-e.computerColour);
}

inline int frontier(uint64_t mine, uint64_t occupancy) {
  const uint64_t empty = ~occupancy;
  const uint64_t edge = (kFrontierEdgeColumns & (shift<1, 0>(empty) | shift<-1, 0>(empty))) |
                        (kFrontierEdgeRows & (shift<0, 1>(empty) | shift<0, -1>(empty)));
  // The X-squares count as occupied for the inner squares' test.
  const uint64_t inner = kFrontierInner & around8(empty & ~kXSquares);
  return std::popcount(mine & (edge | inner));
}

// The squares of lines filled from edge to edge: one mask per direction (vertical,
// horizontal, diagonal, anti-diagonal).
struct FilledLines {
  uint64_t vertical, horizontal, diagonal, anti;
};
// A full column is found by folding the eight rows onto one, a full row by
// folding each row's eight bits onto its first, and a full diagonal by spreading the empty
// squares along it both ways (one, two, then four steps) and keeping what they miss.
template <int dr, int dc>
constexpr uint64_t fullAlong(uint64_t occupancy) {
  uint64_t empty = ~occupancy;
  empty |= shiftBy<dr, dc, 1>(empty) | shiftBy<-dr, -dc, 1>(empty);
  empty |= shiftBy<dr, dc, 2>(empty) | shiftBy<-dr, -dc, 2>(empty);
  empty |= shiftBy<dr, dc, 4>(empty) | shiftBy<-dr, -dc, 4>(empty);
  return ~empty;
}
inline FilledLines filledLines(uint64_t occupancy) {
  uint64_t v = occupancy & (occupancy >> 32);
  v &= v >> 16;
  v &= v >> 8;
  uint64_t h = occupancy & (occupancy >> 4);
  h &= h >> 2;
  h &= h >> 1;
  return FilledLines{(v & 0xFF) * kColumn1, (h & kColumn1) * 0xFF, fullAlong<1, 1>(occupancy),
                     fullAlong<1, -1>(occupancy)};
}

// Discs of `mine` safe in every line direction: along each line, one side up to the
// edge is all `mine` (or there is no such side), or the whole line is filled.
inline int stable(uint64_t mine, const FilledLines& filled) {
  const uint64_t vertical = beyondAllIn<1, 0>(mine) | beyondAllIn<-1, 0>(mine) | filled.vertical;
  const uint64_t horizontal =
      beyondAllIn<0, 1>(mine) | beyondAllIn<0, -1>(mine) | filled.horizontal;
  const uint64_t diagonal = beyondAllIn<1, 1>(mine) | beyondAllIn<-1, -1>(mine) | filled.diagonal;
  const uint64_t anti = beyondAllIn<1, -1>(mine) | beyondAllIn<-1, 1>(mine) | filled.anti;
  return std::popcount(mine & vertical & horizontal & diagonal & anti);
}
inline int stable(uint64_t mine, uint64_t occupancy) {
  return stable(mine, filledLines(occupancy));
}

#if defined(__AVX2__)
// beyondAllIn for four directions at once, a direction per lane: the four whose steps
// lower the bit index (N, W, NW, NE) or the four that raise it (S, E, SE, SW), so that
// every lane shifts the same way, by its own amount. In each step "none | shifted" needs
// no mask of its own: the squares a shift brings round an edge are all in `none`.
template <int sign>  // -1: N, W, NW, NE (shifted left); +1: S, E, SE, SW (shifted right)
struct BeyondLanes {
  // Lanes 0..3: the vertical, horizontal, diagonal and anti-diagonal direction.
  template <int n>
  static __m256i none() {
    if constexpr (sign < 0)
      return _mm256_set_epi64x(static_cast<long long>(~shiftBy<1, -1, n>(kAll)),
                               static_cast<long long>(~shiftBy<1, 1, n>(kAll)),
                               static_cast<long long>(~shiftBy<0, 1, n>(kAll)),
                               static_cast<long long>(~shiftBy<1, 0, n>(kAll)));
    else
      return _mm256_set_epi64x(static_cast<long long>(~shiftBy<-1, 1, n>(kAll)),
                               static_cast<long long>(~shiftBy<-1, -1, n>(kAll)),
                               static_cast<long long>(~shiftBy<0, -1, n>(kAll)),
                               static_cast<long long>(~shiftBy<-1, 0, n>(kAll)));
  }
  static __m256i shifted(__m256i x, __m256i by) {
    if constexpr (sign < 0) return _mm256_sllv_epi64(x, by);
    else return _mm256_srlv_epi64(x, by);
  }
  static __m256i beyondAllIn(__m256i m) {
    const __m256i by1 = _mm256_set_epi64x(7, 9, 1, 8);
    const __m256i by2 = _mm256_add_epi64(by1, by1), by4 = _mm256_add_epi64(by2, by2);
    const __m256i none1 = none<1>();
    __m256i a = _mm256_or_si256(none1, shifted(m, by1));
    a = _mm256_and_si256(a, _mm256_or_si256(none1, shifted(a, by1)));
    a = _mm256_and_si256(a, _mm256_or_si256(none<2>(), shifted(a, by2)));
    a = _mm256_and_si256(a, _mm256_or_si256(none<4>(), shifted(a, by4)));
    return a;
  }
};

// The stable discs of one side with AVX2: a lane per line direction.
inline uint64_t stableAvx(uint64_t mine, __m256i filled) {
  const __m256i m = _mm256_set1_epi64x(static_cast<long long>(mine));
  const __m256i safe = _mm256_or_si256(
      _mm256_or_si256(BeyondLanes<-1>::beyondAllIn(m), BeyondLanes<1>::beyondAllIn(m)), filled);
  __m128i h = _mm_and_si128(_mm256_castsi256_si128(safe), _mm256_extracti128_si256(safe, 1));
  h = _mm_and_si128(h, _mm_unpackhi_epi64(h, h));
  return mine & static_cast<uint64_t>(_mm_cvtsi128_si64(h));
}
#endif

// A side without a corner has no stable disc; the filled lines are found once for both.
// With AVX2 a side's four line directions are tested at once.
inline SidePair stablePair(uint64_t own, uint64_t opp) {
  const bool ownCorner = (own & kCorners) != 0, oppCorner = (opp & kCorners) != 0;
  if (!ownCorner && !oppCorner) return SidePair{0, 0};
  const FilledLines filled = filledLines(own | opp);
#if defined(__AVX2__)
  const __m256i lines = _mm256_set_epi64x(
      static_cast<long long>(filled.anti), static_cast<long long>(filled.diagonal),
      static_cast<long long>(filled.horizontal), static_cast<long long>(filled.vertical));
  return SidePair{ownCorner ? std::popcount(stableAvx(own, lines)) : 0,
                  oppCorner ? std::popcount(stableAvx(opp, lines)) : 0};
#else
  return SidePair{ownCorner ? stable(own, filled) : 0, oppCorner ? stable(opp, filled) : 0};
#endif
}

inline SidePair cornerXPair(uint64_t own, uint64_t opp) {
  const uint64_t emptyCorners = kCorners & ~(own | opp);
  // The X-square of every empty corner.
  const uint64_t xs =
      shift<1, 1>(emptyCorners & squareBit(1, 1)) | shift<1, -1>(emptyCorners & squareBit(1, 8)) |
      shift<-1, 1>(emptyCorners & squareBit(8, 1)) | shift<-1, -1>(emptyCorners & squareBit(8, 8));
  return SidePair{std::popcount(own & kCorners) + std::popcount(opp & xs),
                  std::popcount(opp & kCorners) + std::popcount(own & xs)};
}

// Corners in the order the corner features visit them.
inline constexpr uint64_t kCornerOrder[4] = {squareBit(1, 1), squareBit(8, 8), squareBit(1, 8),
                                             squareBit(8, 1)};

// The three lines of corner k (0..3 in kCornerOrder), read from the corner outwards:
// L1 (table A1), L2 (table A3), L3 (table A4).
inline void cornerLines(const Discs& d, int k, int& l1, int& l2, int& l3) {
  switch (k) {
    case 0:  // (1,1)
      l1 = columnDown(d, 1), l2 = rowRight(d, 1), l3 = diagonalDown(d);
      break;
    case 1:  // (8,8)
      l1 = columnUp(d, 8), l2 = rowLeft(d, 8), l3 = diagonalUp(d);
      break;
    case 2:  // (1,8)
      l1 = rowLeft(d, 1), l2 = columnDown(d, 8), l3 = antiDiagonalDown(d);
      break;
    default:  // (8,1)
      l1 = rowRight(d, 8), l2 = columnUp(d, 1), l3 = antiDiagonalUp(d);
      break;
  }
}

// A corner's estimate: the mean of its three line values that are significant (at least
// 0.5 in size), or of all three when none is.
inline double cornerEstimate(const matrix* tables, const Discs& d, int k) {
  int i1, i2, i3;
  cornerLines(d, k, i1, i2, i3);
  const double a = patternValue(tables[pattern::A1], i1);
  const double b = patternValue(tables[pattern::A3], i2);
  const double c = patternValue(tables[pattern::A4], i3);
  const double sa = std::fabs(a) >= 0.5 ? 1.0 : 0.0;
  const double sb = std::fabs(b) >= 0.5 ? 1.0 : 0.0;
  const double sc = std::fabs(c) >= 0.5 ? 1.0 : 0.0;
  if (sa + sb + sc == 0.0) return (a + b + c) / 3.0;
  return (sa * a + sb * b + sc * c) / (sa + sb + sc);
}

// The four corner estimates of one position with one side digit, each found on first
// use: the corner-pattern feature reads all four and the corner-threat feature the ones
// nobody holds or can take, so an evaluation that has both finds each only once.
struct CornerEstimates {
  const matrix* tables;
  const Discs& d;  // not a copy: a just-written Discs read back as wider words stalls the loads
  unsigned found = 0;
  double value[4];

  CornerEstimates(const matrix* t, const Discs& discs) : tables(t), d(discs) {}
  double operator()(int k) {
    if (!(found >> k & 1u)) {
      value[k] = cornerEstimate(tables, d, k);
      found |= 1u << k;
    }
    return value[k];
  }
};

inline int cornerPatternValue(CornerEstimates& estimates, int computer) {
  double total = 0.0;
  for (int k = 0; k < 4; ++k) total += estimates(k);
  return floorToInt(10.0 * total + 0.5) * computer;
}
inline int cornerPatternValue(const matrix* tables, const Board& b, int computer) {
  const Discs d = discsOf(b, b.sideToMove);
  CornerEstimates estimates(tables, d);
  return cornerPatternValue(estimates, computer);
}

// Who holds or can take each corner, tallied into computer and human; `nobody` is
// called for a corner that neither holds nor can take. Both corner features share it.
template <class Nobody>
inline void visitCorners(const EvalContext::EvalScratch& s, bool computerFirst, int& computer,
                         int& human, Nobody nobody) {
  bool turn = computerFirst;
  for (int k = 0; k < 4; ++k) {
    const uint64_t q = kCornerOrder[k];
    bool mine;
    if (s.own & q) {
      mine = true;
    } else if (s.opp & q) {
      mine = false;
    } else {
      const bool ownCan = (s.ownLegal & q) != 0, oppCan = (s.oppLegal & q) != 0;
      if (ownCan && oppCan) {
        mine = turn;  // contested: the side to move first, then alternating
        turn = !turn;
      } else if (ownCan || oppCan) {
        mine = ownCan;
      } else {
        nobody(k);
        continue;
      }
    }
    ++(mine ? computer : human);
  }
}

inline SidePair cornerAccessPair(const EvalContext::EvalScratch& s, bool computerFirst) {
  SidePair p{0, 0};
  visitCorners(s, computerFirst, p.computer, p.human, [](int) {});
  return p;
}

// `estimates` are those of the position with the given side's digit.
inline int cornerThreatValue(const EvalContext::EvalScratch& s, CornerEstimates& estimates,
                             int computer, int side) {
  int result = 0;
  int held = 0, lost = 0;
  visitCorners(s, computer == side, held, lost, [&](int k) {
    result += floorToInt(10.0 * computer * estimates(k) + 0.5);
  });
  return result + 10 * (held - lost);
}
inline int cornerThreatValue(const EvalContext::EvalScratch& s, const matrix* tables, const Board& b,
                             int computer, int side) {
  const Discs d = discsOf(b, side);
  CornerEstimates estimates(tables, d);
  return cornerThreatValue(s, estimates, computer, side);
}

// One line group's value; the group is a template argument so that its lines' shifts and
// its table are fixed when compiled.
template <LineGroup kGroup>
inline int lineGroupValue(const matrix* tables, const Discs& d, int computer) {
  double sum = 0.0;
  if constexpr (kGroup == LineGroup::PRZ) {
    const matrix& t = tables[pattern::PRZ];
    sum += patternValue(t, diagonalDown(d));
    sum += patternValue(t, antiDiagonalDown(d));
  } else {
    constexpr int k = static_cast<int>(kGroup) + 1;  // column k is line 1 of group k
    const matrix& t = tables[pattern::SC1 + static_cast<int>(kGroup)];
    sum += patternValue(t, columnDown(d, k));
    sum += patternValue(t, rowLeft(d, k));
    sum += patternValue(t, columnUp(d, 9 - k));
    sum += patternValue(t, rowRight(d, 9 - k));
  }
  const double x = sum * computer;
  return truncateToInt(10.0 * x);
}

inline int lineGroupValue(const matrix* tables, const Board& b, LineGroup group, int computer) {
  const Discs d = discsOf(b, b.sideToMove);
  switch (group) {
    case LineGroup::SC1:
      return lineGroupValue<LineGroup::SC1>(tables, d, computer);
    case LineGroup::SC2:
      return lineGroupValue<LineGroup::SC2>(tables, d, computer);
    case LineGroup::SC3:
      return lineGroupValue<LineGroup::SC3>(tables, d, computer);
    default:
      return lineGroupValue<LineGroup::PRZ>(tables, d, computer);
  }
}

// Empty regions (4-connected) and who can move into the small ones, reduced to the
// share of regions that parity gives to the computer.
//
// Late in the game most regions are single squares, and they are counted all at once:
// an empty square without an empty square beside it is a region of one (odd), taken by
// the side that alone can move there. Only the larger regions are grown one by one.
inline int regionParityValue(const EvalContext::EvalScratch& s, int computer, int side) {
  const uint64_t empty = ~(s.own | s.opp);
  const uint64_t beside =
      shift<1, 0>(empty) | shift<-1, 0>(empty) | shift<0, 1>(empty) | shift<0, -1>(empty);
  const uint64_t single = empty & ~beside;
  const int singles = std::popcount(single);
  int p = std::popcount(single & s.ownLegal & ~s.oppLegal);
  int q = std::popcount(single & s.oppLegal & ~s.ownLegal);
  int odd = singles - p - q, even = 0;
  int regions = singles;
  for (uint64_t rest = empty & ~single; rest;) {
    uint64_t region = rest & (0 - rest);
    for (;;) {
      const uint64_t grown = (region | shift<1, 0>(region) | shift<-1, 0>(region) |
                              shift<0, 1>(region) | shift<0, -1>(region)) &
                             empty;
      if (grown == region) break;
      region = grown;
    }
    rest &= ~region;
    ++regions;
    const int n = std::popcount(region);
    const bool ownCan = n <= 2 && (region & s.ownLegal) != 0;
    const bool oppCan = n <= 2 && (region & s.oppLegal) != 0;
    if (ownCan && !oppCan) {
      ++(n & 1 ? p : q);
    } else if (oppCan && !ownCan) {
      ++(n & 1 ? q : p);
    } else {
      ++(n & 1 ? odd : even);
    }
  }
  if (regions == 0) return 0;
  const int t = (odd & 1) ? even + 1 : -even;
  const int m = regions - p - q;
  const int k = computer == side ? (t + m) / 2 + p : (m - t) / 2 + p;
  return floorToInt(100.0 * k / regions - 50.0 + 0.5);
}

inline void requireTable(const matrix& table, int which, const char* signature) {
  if (table.rows() >= pattern::kRows && table.cols() >= 3) return;
  tableTooSmall(table, which, signature);
}

}  // namespace kernels
ZEDARE_ISA_END

}  // namespace zedare

#endif
