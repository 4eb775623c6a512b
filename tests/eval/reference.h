// Slow, square-by-square versions of the position features and of the evaluation,
// written straight from their definitions (explicit square lists, walks along lines,
// a labelled grid for the regions), as the oracle for the bit-board code. They read
// squares only through Board::colourAt, which in the grid form reads the grid itself,
// so comparing them on both forms also checks the forms against each other.
//
// Also: positions for the tests (from a picture, random games, random fills), both
// forms of a position, and random weights and pattern tables.
#ifndef ZEDARE_TESTS_EVAL_REFERENCE_H
#define ZEDARE_TESTS_EVAL_REFERENCE_H

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "api/engine.h"
#include "board/board.h"
#include "eval/features.h"
#include "matrix/matrix.h"

namespace ref {

using zedare::Board;
using zedare::Engine;
using zedare::matrix;
using Square = std::pair<int, int>;
using Line = std::array<Square, 8>;

// ---- positions ----

// Eight rows of eight characters, row 1 first: 'w' white (+1), 'b' black (-1), '.'
// empty. Candidates and disc count are rebuilt from the squares.
inline Board picture(const char* const rows[8], int side) {
  Board b;
  for (int r = 1; r <= 8; ++r)
    for (int c = 1; c <= 8; ++c) {
      const char ch = rows[r - 1][c - 1];
      b.setSquare(r, c, ch == 'w' ? 1 : ch == 'b' ? -1 : 0);
    }
  b.rebuildCandidates();
  b.sideToMove = static_cast<int8_t>(side);
  return b;
}

// The same position in the grid form.
inline Board gridCopy(const Board& b) {
  Board g;
  g.toGrid();
  g = b;
  return g;
}

// A position after `plies` random moves from the start (passing when needed; stops at
// the end of the game).
inline Board randomGame(std::mt19937& rng, int plies) {
  Board b;
  b.setInitial();
  for (int i = 0; i < plies; ++i) {
    if (!b.hasLegalMove(b.sideToMove)) {
      b.pass();
      if (!b.hasLegalMove(b.sideToMove)) break;
    }
    std::vector<Square> legal;
    for (int k = 0; k < b.moveCount; ++k)
      if (b.isLegal(b.moves[k].row, b.moves[k].column, b.sideToMove))
        legal.emplace_back(b.moves[k].row, b.moves[k].column);
    const Square m = legal[std::uniform_int_distribution<size_t>(0, legal.size() - 1)(rng)];
    b.play(m.first, m.second, b.sideToMove);
  }
  return b;
}

// Any squares at all: each square empty, white or black at a random density, then the
// candidates rebuilt. Reaches corners, edges and full lines that games rarely show.
inline Board randomFill(std::mt19937& rng) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const double density = u(rng);
  const double whiteShare = u(rng);
  Board b;
  for (int r = 1; r <= 8; ++r)
    for (int c = 1; c <= 8; ++c) {
      int v = 0;
      if (u(rng) < density) v = u(rng) < whiteShare ? 1 : -1;
      b.setSquare(r, c, v);
    }
  b.rebuildCandidates();
  b.sideToMove = static_cast<int8_t>(u(rng) < 0.5 ? -1 : 1);
  return b;
}

// ---- rules, square by square ----

inline bool onBoard(int r, int c) {
  return r >= 1 && r <= 8 && c >= 1 && c <= 8;
}

inline bool canPlay(const Board& b, int r, int c, int colour) {
  if (b.colourAt(r, c) != 0) return false;
  for (int dr = -1; dr <= 1; ++dr)
    for (int dc = -1; dc <= 1; ++dc) {
      if (!dr && !dc) continue;
      int rr = r + dr, cc = c + dc, run = 0;
      while (onBoard(rr, cc) && b.colourAt(rr, cc) == -colour) rr += dr, cc += dc, ++run;
      if (run > 0 && onBoard(rr, cc) && b.colourAt(rr, cc) == colour) return true;
    }
  return false;
}

inline bool isXSquare(int r, int c) {
  return (r == 2 || r == 7) && (c == 2 || c == 7);
}

// ---- count features ----

inline int frontier(const Board& b, int x) {
  int n = 0;
  // Edge squares in rows or columns 3..6: an empty neighbour along the edge.
  for (int i = 3; i <= 6; ++i) {
    const Square edge[4] = {{i, 1}, {i, 8}, {1, i}, {8, i}};
    for (int k = 0; k < 4; ++k) {
      const auto [r, c] = edge[k];
      if (b.colourAt(r, c) != x) continue;
      const bool vertical = c == 1 || c == 8;
      const int r1 = vertical ? r - 1 : r, c1 = vertical ? c : c - 1;
      const int r2 = vertical ? r + 1 : r, c2 = vertical ? c : c + 1;
      if (b.colourAt(r1, c1) == 0 || b.colourAt(r2, c2) == 0) ++n;
    }
  }
  // Inner squares: any empty neighbour, X-squares counting as occupied.
  for (int r = 2; r <= 7; ++r)
    for (int c = 2; c <= 7; ++c) {
      const bool inner = (r >= 3 && r <= 6) || (c >= 3 && c <= 6);
      if (!inner || isXSquare(r, c) || b.colourAt(r, c) != x) continue;
      bool open = false;
      for (int dr = -1; dr <= 1; ++dr)
        for (int dc = -1; dc <= 1; ++dc)
          if ((dr || dc) && !isXSquare(r + dr, c + dc) && b.colourAt(r + dr, c + dc) == 0)
            open = true;
      if (open) ++n;
    }
  return n;
}

// One side of a line from (r, c): every square up to the edge is filled / holds only x.
inline void sideOf(const Board& b, int r, int c, int dr, int dc, int x, bool& filled, bool& pure) {
  filled = pure = true;
  for (int rr = r + dr, cc = c + dc; onBoard(rr, cc); rr += dr, cc += dc) {
    const int v = b.colourAt(rr, cc);
    if (v == 0) filled = false;
    if (v != x) pure = false;
  }
}

inline int stableOf(const Board& b, int x) {
  static const int kDirs[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
  int n = 0;
  for (int r = 1; r <= 8; ++r)
    for (int c = 1; c <= 8; ++c) {
      if (b.colourAt(r, c) != x) continue;
      bool safe = true;
      for (const auto& d : kDirs) {
        bool f1, p1, f2, p2;
        sideOf(b, r, c, d[0], d[1], x, f1, p1);
        sideOf(b, r, c, -d[0], -d[1], x, f2, p2);
        // "Filled and free of -x" is "holds only x" once the square itself is x.
        if (!((f1 && f2) || p1 || p2)) safe = false;
      }
      if (safe) ++n;
    }
  return n;
}

inline zedare::SidePair stable(const Engine& e, const Board& b) {
  const int C = e.computerColour;
  bool cornerC = false, cornerH = false;
  for (const Square& q : {Square{1, 1}, Square{1, 8}, Square{8, 1}, Square{8, 8}}) {
    cornerC |= b.colourAt(q.first, q.second) == C;
    cornerH |= b.colourAt(q.first, q.second) == -C;
  }
  return {cornerC ? stableOf(b, C) : 0, cornerH ? stableOf(b, -C) : 0};
}

inline zedare::SidePair cornerX(const Engine& e, const Board& b) {
  const int C = e.computerColour;
  zedare::SidePair p{0, 0};
  const Square corners[4] = {{1, 1}, {1, 8}, {8, 1}, {8, 8}};
  const Square xs[4] = {{2, 2}, {2, 7}, {7, 2}, {7, 7}};
  for (int k = 0; k < 4; ++k) {
    const int v = b.colourAt(corners[k].first, corners[k].second);
    const int x = b.colourAt(xs[k].first, xs[k].second);
    const int owner = v != 0 ? v : -x;  // an X-square disc counts for the other colour
    if (owner == C) ++p.computer;
    if (owner == -C) ++p.human;
  }
  return p;
}

inline zedare::SidePair corners(const Engine& e, const Board& b) {
  zedare::SidePair p{0, 0};
  for (const Square& q : {Square{1, 1}, Square{1, 8}, Square{8, 1}, Square{8, 8}}) {
    p.computer += b.colourAt(q.first, q.second) == e.computerColour;
    p.human += b.colourAt(q.first, q.second) == -e.computerColour;
  }
  return p;
}

// ---- lines and patterns ----

inline Line lineFrom(int r, int c, int dr, int dc) {
  Line l;
  for (int i = 0; i < 8; ++i) l[i] = {r + i * dr, c + i * dc};
  return l;
}

// The corner lines L1, L2, L3 of the corners (1,1), (8,8), (1,8), (8,1).
inline std::array<std::array<Line, 3>, 4> cornerLines() {
  return {{{lineFrom(1, 1, 1, 0), lineFrom(1, 1, 0, 1), lineFrom(1, 1, 1, 1)},
           {lineFrom(8, 8, -1, 0), lineFrom(8, 8, 0, -1), lineFrom(8, 8, -1, -1)},
           {lineFrom(1, 8, 0, -1), lineFrom(1, 8, 1, 0), lineFrom(1, 8, 1, -1)},
           {lineFrom(8, 1, 0, 1), lineFrom(8, 1, -1, 0), lineFrom(8, 1, -1, 1)}}};
}

// Group k = 1, 2, 3 (SC1..SC3) or 4 (PRZ).
inline std::vector<Line> groupLines(int k) {
  if (k == 4) return {lineFrom(1, 1, 1, 1), lineFrom(1, 8, 1, -1)};
  return {lineFrom(1, k, 1, 0), lineFrom(k, 8, 0, -1), lineFrom(8, 9 - k, -1, 0),
          lineFrom(9 - k, 1, 0, 1)};
}

inline int index(const Board& b, const Line& l, int side) {
  int i = (side + 1) * 6561, p = 1;
  for (const auto& [r, c] : l) {
    i += (b.colourAt(r, c) + 1) * p;
    p *= 3;
  }
  return i;
}

inline double value(const matrix& t, int i) {
  return t(i + 1, 3);
}

inline double cornerEstimate(const matrix* t, const Board& b, int k, int side) {
  const auto lines = cornerLines()[k];  // a copy of corner k's three lines
  const double a = value(t[zedare::pattern::A1], index(b, lines[0], side));
  const double bb = value(t[zedare::pattern::A3], index(b, lines[1], side));
  const double c = value(t[zedare::pattern::A4], index(b, lines[2], side));
  double sum = 0.0, count = 0.0;
  for (double v : {a, bb, c})
    if (std::fabs(v) >= 0.5) sum += v, count += 1.0;
  return count == 0.0 ? (a + bb + c) / 3.0 : sum / count;
}

inline int cornerPatterns(const Engine& e, const matrix* t, const Board& b) {
  double total = 0.0;
  for (int k = 0; k < 4; ++k) total += cornerEstimate(t, b, k, b.sideToMove);
  return static_cast<int>(std::floor(10.0 * total + 0.5)) * e.computerColour;
}

inline int linePatterns(const Engine& e, const matrix* t, const Board& b, int k) {
  const matrix& table = t[k == 4 ? zedare::pattern::PRZ : zedare::pattern::SC1 + k - 1];
  double sum = 0.0;
  for (const Line& l : groupLines(k)) sum += value(table, index(b, l, b.sideToMove));
  const double x = 10.0 * sum * e.computerColour;
  return x < 0 ? -static_cast<int>(std::floor(-x)) : static_cast<int>(std::floor(x));
}

// ---- corner access and threat ----

// Whether colour x can take the empty corner k along its three lines.
inline bool canTake(const Board& b, int k, int x) {
  const auto all = cornerLines();
  for (const Line& l : all[k]) {
    int i = 1;
    while (i < 8 && b.colourAt(l[i].first, l[i].second) == -x) ++i;
    if (i > 1 && i < 8 && b.colourAt(l[i].first, l[i].second) == x) return true;
  }
  return false;
}

// Per corner: +1 computer, -1 human, 0 nobody; contested corners alternate.
inline std::array<int, 4> cornerOwners(const Engine& e, const Board& b, int side) {
  const int C = e.computerColour;
  const Square q[4] = {{1, 1}, {8, 8}, {1, 8}, {8, 1}};
  int turn = C == side ? 1 : 0;
  std::array<int, 4> out{};
  for (int k = 0; k < 4; ++k) {
    const int v = b.colourAt(q[k].first, q[k].second);
    if (v != 0) {
      out[k] = v == C ? 1 : -1;
      continue;
    }
    const bool c = canTake(b, k, C), h = canTake(b, k, -C);
    if (c && h) {
      out[k] = turn ? 1 : -1;
      turn = 1 - turn;
    } else {
      out[k] = c ? 1 : h ? -1 : 0;
    }
  }
  return out;
}

inline zedare::SidePair cornerAccess(const Engine& e, const Board& b, int side) {
  zedare::SidePair p{0, 0};
  for (int o : cornerOwners(e, b, side)) {
    p.computer += o == 1;
    p.human += o == -1;
  }
  return p;
}

inline int cornerThreat(const Engine& e, const matrix* t, const Board& b, int side) {
  const auto owners = cornerOwners(e, b, side);
  int result = 0;
  for (int k = 0; k < 4; ++k) {
    if (owners[k] != 0) {
      result += 10 * owners[k];
    } else {
      result += static_cast<int>(
          std::floor(10.0 * e.computerColour * cornerEstimate(t, b, k, side) + 0.5));
    }
  }
  return result;
}

// ---- region parity ----

inline int regionParity(const Engine& e, const Board& b, int side) {
  const int C = e.computerColour;
  int label[10][10] = {};  // 0 unlabelled; border never visited
  int R = 0, P = 0, Q = 0, O = 0, E = 0;
  for (int r = 1; r <= 8; ++r)
    for (int c = 1; c <= 8; ++c) {
      if (b.colourAt(r, c) != 0 || label[r][c]) continue;
      ++R;
      std::vector<Square> region{{r, c}};
      label[r][c] = R;
      for (size_t i = 0; i < region.size(); ++i) {
        const auto [rr, cc] = region[i];
        const Square next[4] = {{rr + 1, cc}, {rr, cc + 1}, {rr - 1, cc}, {rr, cc - 1}};
        for (const auto& [nr, nc] : next)
          if (onBoard(nr, nc) && !label[nr][nc] && b.colourAt(nr, nc) == 0) {
            label[nr][nc] = R;
            region.emplace_back(nr, nc);
          }
      }
      const int n = static_cast<int>(region.size());
      bool cc = false, hh = false;
      if (n <= 2)
        for (const auto& [sr, sc] : region) {
          cc |= canPlay(b, sr, sc, C);
          hh |= canPlay(b, sr, sc, -C);
        }
      if (cc && !hh)
        ++(n % 2 ? P : Q);
      else if (hh && !cc)
        ++(n % 2 ? Q : P);
      else
        ++(n % 2 ? O : E);
    }
  if (R == 0) return 0;
  const int t = O % 2 ? E + 1 : -E;
  const int m = R - P - Q;
  const int k = C == side ? (t + m) / 2 + P : (m - t) / 2 + P;
  return static_cast<int>(std::floor(100.0 * k / R - 50.0 + 0.5));
}

// ---- the evaluation ----

inline bool anyMove(const Board& b, int colour) {
  for (int r = 1; r <= 8; ++r)
    for (int c = 1; c <= 8; ++c)
      if (canPlay(b, r, c, colour)) return true;
  return false;
}

inline int mobility(const Board& b, int colour) {
  int n = 0;
  for (int r = 1; r <= 8; ++r)
    for (int c = 1; c <= 8; ++c)
      if (!isXSquare(r, c) && canPlay(b, r, c, colour)) ++n;
  return n;
}

inline int discs(const Board& b, int colour) {
  int n = 0;
  for (int r = 1; r <= 8; ++r)
    for (int c = 1; c <= 8; ++c) n += b.colourAt(r, c) == colour;
  return n;
}

inline float evaluate(const Engine& e, const matrix& w, const matrix* t, const Board& b) {
  const int C = e.computerColour;
  int side = b.sideToMove;
  if (side == 0 || !anyMove(b, side)) {
    side = -side;
    if (side == 0 || !anyMove(b, side)) {
      const int c = discs(b, C), h = discs(b, -C);
      return c > h ? 1000.0f : c < h ? -1000.0f : 0.0f;
    }
  }
  const int s = b.discCount;
  double sum = 0.0;
  auto term = [&](int row, auto feature) {
    const double k = w(row, s);
    if (k != 0.0) sum += k * static_cast<double>(feature());
  };
  term(4, [&] { return discs(b, C) - discs(b, -C); });
  term(5, [&] { return frontier(b, C) - frontier(b, -C); });
  term(6, [&] { return mobility(b, C) - mobility(b, -C); });
  term(7, [&] {
    const auto p = stable(e, b);
    return p.computer - p.human;
  });
  term(8, [&] {
    const auto p = cornerX(e, b);
    return p.computer - p.human;
  });
  term(10, [&] { return linePatterns(e, t, b, 4); });
  term(11, [&] {
    const auto p = cornerAccess(e, b, side);
    return p.computer - p.human;
  });
  term(12, [&] { return regionParity(e, b, side); });
  term(13, [&] { return b.sideToMove == C ? 1 : b.sideToMove == -C ? -1 : 0; });
  term(14, [&] { return cornerThreat(e, t, b, side); });
  term(15, [&] { return cornerPatterns(e, t, b); });
  term(16, [&] { return linePatterns(e, t, b, 1); });
  term(17, [&] { return linePatterns(e, t, b, 2); });
  term(18, [&] { return linePatterns(e, t, b, 3); });
  return static_cast<float>(sum);
}

// ---- model data ----

// 18 x 64 weights, about a third of them exactly zero, the rest in [-2, 2].
inline matrix randomWeights(std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-2.0, 2.0);
  std::uniform_int_distribution<int> zero(0, 2);
  matrix w = zedare::zeros(18, 64);
  for (int r = 1; r <= 18; ++r)
    for (int c = 1; c <= 64; ++c) w(r, c) = zero(rng) == 0 ? 0.0 : u(rng);
  return w;
}

// Pattern tables with random values in column 3, including exact zeros and values on
// either side of the 0.5 significance threshold. A2 gets its trained shape (9 x 3).
inline void randomTables(std::mt19937& rng, matrix* t) {
  const double picks[] = {0.0, 0.5, -0.5, 0.4999, -0.4999, 0.26, -0.26, 1.75, -3.0, 0.125};
  std::uniform_int_distribution<int> pick(0, 9);
  std::uniform_real_distribution<double> u(-4.0, 4.0);
  for (int k = 0; k < zedare::pattern::Count; ++k) {
    t[k] = zedare::zeros(k == zedare::pattern::A2 ? 9 : 19683, 3);
    if (k == zedare::pattern::A2) continue;
    for (int i = 1; i <= 19683; ++i) {
      const int p = pick(rng);
      t[k](i, 3) = p < 9 ? picks[p] : u(rng);
    }
  }
}

inline void zeroTables(matrix* t) {
  for (int k = 0; k < zedare::pattern::Count; ++k)
    t[k] = zedare::zeros(k == zedare::pattern::A2 ? 9 : 19683, 3);
}

}  // namespace ref

#endif
