// The exact endgame solver: negamax alpha-beta, fail-soft, over the two words of the side to
// move and the other side.
//
// Above kShallow empty squares every move is made once to order the moves: the one that
// leaves the opponent the fewest replies (corners counted twice) first, the table's best
// move before all (the weights of the order key were chosen by the node counts of the
// classic positions); the first move gets the full window and the others a null window,
// searched again only when they beat the best so far. At kShallow squares and below no
// moves are generated: the empty squares are tried in place, those of quadrants with an
// odd number of empties first (the last move of a region tends to be the player's there),
// each group by square class (corners, edges, inner squares, then the squares next to the
// corners).
#include "search/solver.h"

#include <algorithm>
#include <bit>

#include "board/bits.h"
#include "board/move_bits.h"

namespace zedare {

namespace {

constexpr int kShallow = 6;
constexpr int kWorst = -65;  // below every value

constexpr uint64_t kCorners = 0x8100000000000081ULL;
// The edge squares next to a corner.
constexpr uint64_t kCSquares = 0x4281000000008142ULL;
constexpr uint64_t kEdges = 0xFF818181818181FFULL;
// Square classes in the order they are tried near the end.
constexpr uint64_t kClasses[5] = {
    kCorners,
    kEdges & ~kCorners & ~kCSquares,
    ~kEdges & ~kXSquares,
    kCSquares,
    kXSquares,
};
constexpr uint64_t kQuadrants[4] = {0x000000000F0F0F0FULL, 0x00000000F0F0F0F0ULL,
                                    0x0F0F0F0F00000000ULL, 0xF0F0F0F000000000ULL};

// The empty squares of quadrants that hold an odd number of them.
inline uint64_t oddRegions(uint64_t empty) {
  uint64_t odd = 0;
  for (const uint64_t q : kQuadrants) {
    if (std::popcount(empty & q) & 1) odd |= q;
  }
  return odd & empty;
}

// Squares next to a disc of m, in any of the eight directions.
inline uint64_t around(uint64_t m) {
  const uint64_t h = m | shift<0, 1>(m) | shift<0, -1>(m);
  return h | shift<1, 0>(h) | shift<-1, 0>(h);
}

struct Child {
  uint64_t player, opponent;  // the position after the move, the opponent to move
  int key;
  int square;
};

// The moves of the player, made, in search order.
int orderedChildren(uint64_t player, uint64_t opponent, uint64_t moves, int firstSquare,
                    Child* out) {
  const uint64_t empty = ~(player | opponent);
  int n = 0;
  for (uint64_t m = moves; m; m &= m - 1) {
    const int sq = std::countr_zero(m);
    const uint64_t bit = uint64_t{1} << sq;
    const uint64_t flips = flipsOf(sq, player, opponent);
    Child c{opponent & ~flips, player | flips | bit, 0, sq};
    const uint64_t replies = legalSquares(c.player, c.opponent, empty & ~bit);
    // Fewest replies first (a corner reply counts twice), then the fewest empty squares
    // next to the mover's discs; a corner move earlier, an X-square move later.
    c.key = sq == firstSquare
                ? -1000
                : 4 * (std::popcount(replies) + std::popcount(replies & kCorners)) +
                      std::popcount(around(c.opponent) & empty & ~bit) -
                      ((bit & kCorners) ? 4 : 0) + ((bit & kXSquares) ? 4 : 0);
    // Insertion keeps equal keys in square order, so the order is the position's alone.
    int i = n++;
    while (i > 0 && out[i - 1].key > c.key) {
      out[i] = out[i - 1];
      --i;
    }
    out[i] = c;
  }
  return n;
}

}  // namespace

EndgameSolver::EndgameSolver(EndScoring scoring, int tableBits)
    : scoring_(scoring),
      table_(size_t{1} << tableBits),
      mask_((uint64_t{1} << tableBits) - 1) {}

void EndgameSolver::clearTable() {
  std::fill(table_.begin(), table_.end(), Entry{});
}

int EndgameSolver::finalScore(uint64_t player, uint64_t opponent) {
  ++scored_;
  const int mine = std::popcount(player), theirs = std::popcount(opponent);
  if (scoring_ == EndScoring::Engine) {
    if (theirs == 0) return 64;
    if (mine == 0) return -64;
    return mine - theirs;
  }
  const int empty = 64 - mine - theirs;
  return mine > theirs ? mine - theirs + empty : mine < theirs ? mine - theirs - empty : 0;
}

EndgameSolver::Entry& EndgameSolver::slot(uint64_t player, uint64_t opponent) {
  uint64_t h = player * 0x9E3779B97F4A7C15ULL ^ (opponent + 0x632BE59BD9B4E019ULL) * 0xC2B2AE3D27D4EB4FULL;
  h ^= h >> 29;
  // Two neighbouring entries per position: its own if either holds it, else the one with
  // fewer empty squares (the cheaper to find again).
  Entry* a = &table_[h & mask_];
  Entry* b = &table_[(h & mask_) ^ 1];
  if (b->player == player && b->opponent == opponent) return *b;
  if (a->player == player && a->opponent == opponent) return *a;
  return a->empties <= b->empties ? *a : *b;
}

int EndgameSolver::shallow(uint64_t player, uint64_t opponent, int alpha, int beta, int empties,
                           bool passed) {
  ++nodes_;
  const uint64_t empty = ~(player | opponent);
  if (empties == 0) return finalScore(player, opponent);
  if (empties == 1) {
    const int sq = std::countr_zero(empty);
    const uint64_t bit = uint64_t{1} << sq;
    if (const uint64_t f = flipsOf(sq, player, opponent)) {
      return finalScore(player | f | bit, opponent & ~f);
    }
    if (const uint64_t f = flipsOf(sq, opponent, player)) {
      return finalScore(player & ~f, opponent | f | bit);
    }
    return finalScore(player, opponent);
  }
  int best = kWorst;
  const uint64_t odd = oddRegions(empty);
  for (const uint64_t group : {odd, empty & ~odd}) {
    for (const uint64_t cls : kClasses) {
      for (uint64_t m = group & cls; m; m &= m - 1) {
        const int sq = std::countr_zero(m);
        const uint64_t flips = flipsOf(sq, player, opponent);
        if (!flips) continue;
        const uint64_t bit = uint64_t{1} << sq;
        const int v = -shallow(opponent & ~flips, player | flips | bit, -beta,
                               -std::max(alpha, best), empties - 1, false);
        if (v > best) {
          best = v;
          if (best >= beta) return best;
        }
      }
    }
  }
  if (best != kWorst) return best;
  // No move: the other side plays on, or the game is over.
  if (passed) return finalScore(player, opponent);
  return -shallow(opponent, player, -beta, -alpha, empties, true);
}

int EndgameSolver::search(uint64_t player, uint64_t opponent, int alpha, int beta, int empties) {
  if (empties <= kShallow) return shallow(player, opponent, alpha, beta, empties, false);
  if (pollStop()) return 0;
  ++nodes_;
  const uint64_t empty = ~(player | opponent);
  const uint64_t moves = legalSquares(player, opponent, empty);
  if (!moves) {
    if (!legalSquares(opponent, player, empty)) return finalScore(player, opponent);
    return -search(opponent, player, -beta, -alpha, empties);
  }

  // The bounds are copied out: the search below may reuse the slot for another position.
  const Entry& t = slot(player, opponent);
  int lower = -64, upper = 64, first = -1;
  if (t.empties == empties && t.player == player && t.opponent == opponent) {
    if (t.lower >= beta) return t.lower;
    if (t.upper <= alpha) return t.upper;
    lower = t.lower;
    upper = t.upper;
    alpha = std::max(alpha, lower);
    beta = std::min(beta, upper);
    // Both bounds inside the window meet: the value is known. Searching on with an empty
    // window would return a value that is at once at alpha and at beta, and the store
    // below would record a fail-high bound as an upper one.
    if (alpha >= beta) return alpha;
    first = t.move;
  }

  Child children[32];
  const int n = orderedChildren(player, opponent, moves, first, children);
  // A child already known to refute the window cuts the node off before any search.
  if (empties > kShallow + 1) {
    for (int i = 0; i < n; ++i) {
      const Entry& c = slot(children[i].player, children[i].opponent);
      if (c.empties == empties - 1 && c.player == children[i].player &&
          c.opponent == children[i].opponent && -c.upper >= beta) {
        return -c.upper;
      }
    }
  }
  int best = kWorst, bestSquare = -1, a = alpha;
  for (int i = 0; i < n; ++i) {
    const Child& c = children[i];
    int v;
    if (i == 0) {
      v = -search(c.player, c.opponent, -beta, -a, empties - 1);
    } else {
      v = -search(c.player, c.opponent, -a - 1, -a, empties - 1);
      if (v > a && v < beta) v = -search(c.player, c.opponent, -beta, -v, empties - 1);
    }
    if (stopped_) return 0;
    if (v > best) {
      best = v;
      bestSquare = c.square;
      if (best > a) a = best;
      if (a >= beta) break;
    }
  }

  // What the search proved within its window: a value at or below alpha is an upper
  // bound, one at or above beta a lower bound, anything between is exact.
  if (best <= alpha) {
    upper = std::min(upper, best);
  } else if (best >= beta) {
    lower = std::max(lower, best);
  } else {
    lower = upper = best;
  }
  slot(player, opponent) = Entry{player, opponent, static_cast<int8_t>(lower), static_cast<int8_t>(upper),
            static_cast<int8_t>(bestSquare), static_cast<int8_t>(empties)};
  return best;
}

int EndgameSolver::searchWindow(uint64_t player, uint64_t opponent, int alpha, int beta) {
  stopped_ = false;
  return search(player, opponent, alpha, beta, std::popcount(~(player | opponent)));
}

EndgameSolver::Result EndgameSolver::solve(uint64_t player, uint64_t opponent) {
  stopped_ = false;
  const uint64_t empty = ~(player | opponent);
  const int empties = std::popcount(empty);
  const uint64_t moves = legalSquares(player, opponent, empty);
  if (!moves) {
    if (!legalSquares(opponent, player, empty)) return {finalScore(player, opponent), -1};
    return {-search(opponent, player, -64, 64, empties), -1};
  }
  Child children[32];
  const int n = orderedChildren(player, opponent, moves, -1, children);
  int best = kWorst, bestSquare = -1;
  for (int i = 0; i < n; ++i) {
    const Child& c = children[i];
    int v;
    if (i == 0) {
      v = -search(c.player, c.opponent, -64, 64, empties - 1);
    } else {
      // Only a strictly better move replaces the best: the first of equal moves stays.
      v = -search(c.player, c.opponent, -best - 1, -best, empties - 1);
      if (v > best) v = -search(c.player, c.opponent, -64, -v, empties - 1);
    }
    if (v > best) {
      best = v;
      bestSquare = c.square;
    }
  }
  return {best, bestSquare};
}

EndgameSolver::Result EndgameSolver::solve(const Board& board) {
  if (board.sideToMove == 0) {
    return {finalScore(board.discs(-1), board.discs(1)), -1};
  }
  return solve(board.discs(board.sideToMove), board.discs(-board.sideToMove));
}

}  // namespace zedare
