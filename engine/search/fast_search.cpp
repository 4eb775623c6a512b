// The fast root search: fail-soft negamax with a null window after the first move, a
// transposition table and move ordering, over the evaluation and the rules of the
// kept-tree searches.
//
// A node's value is that of the kept-tree searches exactly: at the leaf ply the
// evaluation (from the side to move: the computer's value, negated when the human is to
// move), at a finished game +-1000 or 0, otherwise the best of -child over the legal
// moves but never below -1000 (the kept-tree expansions start their running best there);
// a side without a move passes at the same ply. Values are floats and only compared and
// negated, so the same tree gives the same float whatever the order of the search. Null
// windows are one float wide (alpha and the next float above it).
//
// Move order: the table's move first; then, with six plies or more to go, the children's
// evaluation (the best for the side to move first); nearer the leaves the fewest replies
// left to the opponent (a corner reply counted twice). Ordering by the evaluation from
// three or four plies to go scored more positions (its own evaluations included) than
// it saved.
#include "search/fast_search.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "api/engine.h"
#include "board/move_bits.h"
#include "eval/evaluate.h"

namespace zedare {

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr uintptr_t kHugePage = uintptr_t{1} << 21;
constexpr uint64_t kCornerSquares = 0x8100000000000081ULL;
// With at least this many plies to go the children are ordered by their evaluation.
constexpr int kEvalOrderDepth = 6;
// Nodes with at least this many plies to go use the table.
constexpr int kTableDepth = 2;

// Square order one ply above the leaves: corners, edges, inner squares, the edge
// squares next to the corners, the diagonal ones.
constexpr int kSquarePriority[64] = {
    5, 1, 4, 3, 3, 4, 1, 5,  //
    1, 0, 2, 2, 2, 2, 0, 1,  //
    4, 2, 3, 3, 3, 3, 2, 4,  //
    3, 2, 3, 3, 3, 3, 2, 3,  //
    3, 2, 3, 3, 3, 3, 2, 3,  //
    4, 2, 3, 3, 3, 3, 2, 4,  //
    1, 0, 2, 2, 2, 2, 0, 1,  //
    5, 1, 4, 3, 3, 4, 1, 5,  //
};

inline bool known(float v) {
  return v != kNoValue;
}

inline float above(float a) {
  return std::nextafter(a, kInfinity);
}

struct Candidate {
  uint64_t flips;
  int square;
  float key;
};

// Sorts by key, highest first; equal keys keep square order.
void insertByKey(Candidate* list, int& n, const Candidate& c) {
  int i = n++;
  while (i > 0 && list[i - 1].key < c.key) {
    list[i] = list[i - 1];
    --i;
  }
  list[i] = c;
}

inline int rowOf(int square) {
  return square / 8 + 1;
}
inline int columnOf(int square) {
  return square % 8 + 1;
}

// Copies the squares of `from` into the scratch board `to` (no list, values unknown).
void takeSquares(Board& to, const Board& from) {
  to.occupancy = from.occupancy;
  to.colour = from.colour;
  to.discCount = from.discCount;
  to.sideToMove = from.sideToMove;
  to.moveCount = 0;
  to.cachedValue = to.lowerBound = to.upperBound = kNoValue;
}

uint64_t mix(uint64_t h, uint64_t v) {
  h ^= v + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2);
  return h;
}

uint64_t printOf(uint64_t h, const matrix& m, int step) {
  h = mix(h, static_cast<uint64_t>(m.rows()) << 32 | static_cast<uint32_t>(m.cols()));
  const long long size = static_cast<long long>(m.rows()) * m.cols();
  for (long long k = 0; k < size; k += step) {
    h = mix(h,
            std::bit_cast<uint64_t>(m.rowData(static_cast<int>(k / m.cols()) + 1)[k % m.cols()]));
  }
  return h;
}

}  // namespace

// ---------------------------------------------------------------------------
// The table

// Zeroed memory: a tag of 0 is an unused entry, and the pages are only touched as the
// search fills them.
// Zeroed memory (a tag of 0 is an unused entry) whose pages are only touched as the
// search fills them. Its look-ups go all over it, so on Linux it asks for huge pages
// (fewer address-translation misses); a pair is one cache line either way.
FastTable::FastTable() : memory_(std::calloc(1, (sizeof(Entry) << kBits) + kHugePage)) {
  static_assert(sizeof(Entry) == 32, "two entries to a 64-byte line");
  if (!memory_) throw std::bad_alloc();
  const auto address = reinterpret_cast<uintptr_t>(memory_.get());
  entries_ = reinterpret_cast<Entry*>((address + kHugePage - 1) & ~uintptr_t{kHugePage - 1});
#ifdef __linux__
  madvise(entries_, sizeof(Entry) << kBits, MADV_HUGEPAGE);
#endif
}

void FastTable::prefetch(uint64_t player, uint64_t opponent) const {
  __builtin_prefetch(&entries_[pairOf(player, opponent)]);
}

size_t FastTable::pairOf(uint64_t player, uint64_t opponent) const {
  uint64_t h =
      player * 0x9E3779B97F4A7C15ULL ^ (opponent + 0x632BE59BD9B4E019ULL) * 0xC2B2AE3D27D4EB4FULL;
  h ^= h >> 31;
  return static_cast<size_t>(h & ((uint64_t{1} << kBits) - 1)) & ~size_t{1};
}

const FastTable::Entry* FastTable::find(uint64_t player, uint64_t opponent, unsigned context,
                                        int depth) const {
  const uint32_t tag = generation_ << 3 | context;
  const Entry* pair = &entries_[pairOf(player, opponent)];
  const Entry* found = nullptr;
  for (int i = 0; i < 2; ++i) {
    const Entry& x = pair[i];
    if (x.tag != tag || x.player != player || x.opponent != opponent) continue;
    if (x.depth == depth) return &x;
    if (!found || x.depth > found->depth) found = &x;
  }
  return found;
}

void FastTable::store(uint64_t player, uint64_t opponent, unsigned context, int depth, float lower,
                      float upper, int move) {
  const uint32_t tag = generation_ << 3 | context;
  Entry* pair = &entries_[pairOf(player, opponent)];
  auto holds = [&](const Entry& x) {
    return x.tag == tag && x.player == player && x.opponent == opponent && x.depth == depth;
  };
  // The first entry of a pair keeps the deepest search (an earlier search's, or an
  // iteration's, is not overwritten by the shallow iterations that follow), the second
  // takes what the first does not.
  Entry* target = holds(pair[0])                                                ? &pair[0]
                  : holds(pair[1])                                              ? &pair[1]
                  : (pair[0].tag >> 3) != generation_ || pair[0].depth <= depth ? &pair[0]
                                                                                : &pair[1];
  *target = Entry{
      player, opponent, lower, upper, tag, static_cast<int8_t>(depth), static_cast<int8_t>(move)};
}

void FastTable::clear() {
  if (++generation_ == (uint32_t{1} << 29)) {  // the tags are about to repeat
    generation_ = 1;
    for (size_t i = 0; i < (size_t{1} << kBits); ++i) entries_[i].tag = 0;
  }
}

// ---------------------------------------------------------------------------
// The search

FastSearch::FastSearch() : solver_(EndScoring::Engine, 20) {}

void FastSearch::clear() {
  table_.clear();
  solver_.clearTable();
}

unsigned FastSearch::contextOf(const Engine& e, int side) const {
  return (side > 0 ? 1u : 0u) | (e.computerColour > 0 ? 2u : 0u) | (e.evalVariant == 1 ? 4u : 0u);
}

// The stored heuristic values hold only for the evaluation data that made them: the
// weights are compared whole, the pattern tables by a sample of their values.
void FastSearch::forgetIfModelChanged(const Engine& e) {
  uint64_t h = printOf(0, e.weights1, 1);
  h = printOf(h, e.weights2, 1);
  for (int i = 0; i < 8; ++i) {
    h = printOf(h, e.patterns1[i], 997);
    h = printOf(h, e.patterns2[i], 997);
  }
  if (h != modelPrint_) {
    modelPrint_ = h;
    table_.clear();
  }
}

bool FastSearch::pollStop(const Engine& e) {
  if (!aborted_ && e.searching.load(std::memory_order_relaxed) == 0 &&
      e.pondering.load(std::memory_order_relaxed) == 0)
    aborted_ = true;
  return aborted_;
}

float FastSearch::leaf(Engine& e, const Board& b) {
  ++e.evalCount;
  return e.leafCache.value(b,
                           [&] { return e.evalVariant == 1 ? evaluate1(e, b) : evaluate2(e, b); });
}

float FastSearch::node(Engine& e, int ply, float alpha, float beta) {
  Board& b = slots_[ply];
  const int side = b.sideToMove;
  if (ply == leafPly_) {
    const float v = leaf(e, b);
    return side == e.computerColour ? v : -v;
  }
  if (pollStop(e)) return 0.0f;
  const uint64_t player = b.discs(side), opponent = b.discs(-side), empty = ~b.occupancy;
  const uint64_t moves = legalSquares(player, opponent, empty);
  if (!moves) {
    if (!legalSquares(opponent, player, empty)) {  // the game is over
      ++e.exactCount;
      const int mine = std::popcount(player), theirs = std::popcount(opponent);
      return mine > theirs ? kWinScore : mine < theirs ? -kWinScore : 0.0f;
    }
    b.pass();  // the other side moves at the same ply
    const float v = -node(e, ply, -beta, -alpha);
    b.pass();
    return v;
  }
  // A side with a move is worth at least -1000: at or above a beta that low, the node
  // fails high before any move (else every move would be searched for nothing).
  if (beta <= -kWinScore) return -kWinScore;

  const int toGo = leafPly_ - ply;
  const unsigned context = contextOf(e, side);
  int tableMove = -1;
  float lower = kNoValue, upper = kNoValue;
  // One ply above the leaves the table costs more (a miss in memory) than it saves.
  const bool tabled = toGo >= kTableDepth;
  if (const FastTable::Entry* t = tabled ? table_.find(player, opponent, context, toGo) : nullptr) {
    tableMove = t->move;
    if (t->depth == toGo) {
      lower = t->lower;
      upper = t->upper;
      if (known(lower) && lower >= beta) return lower;
      if (known(upper) && upper <= alpha) return upper;
      if (known(lower) && lower > alpha) alpha = lower;
      if (known(upper) && upper < beta) beta = upper;
      if (alpha >= beta) return alpha;
    }
  }

  Candidate list[32];
  int n = 0;
  Board& child = slots_[ply + 1];
  for (uint64_t m = moves; m; m &= m - 1) {
    const int sq = std::countr_zero(m);
    Candidate c{flipsOf(sq, player, opponent), sq, 0.0f};
    // The child's entry is read when it is searched: its line is fetched meanwhile.
    if (toGo > kTableDepth)
      table_.prefetch(opponent & ~c.flips, player | c.flips | (uint64_t{1} << sq));
    if (sq == tableMove) {
      c.key = kInfinity;
    } else if (toGo >= kEvalOrderDepth) {
      child.playSquaresFrom(b, rowOf(sq), columnOf(sq), side, c.flips);
      const float v = leaf(e, child);
      c.key = side == e.computerColour ? v : -v;
    } else if (toGo == 1) {
      // Above the leaves the order is by square only: corners first, the squares next
      // to the corners last.
      c.key = static_cast<float>(kSquarePriority[sq]);
    } else {
      const uint64_t bit = uint64_t{1} << sq;
      const uint64_t replies =
          legalSquares(opponent & ~c.flips, player | c.flips | bit, empty & ~bit);
      c.key = -static_cast<float>(std::popcount(replies) + std::popcount(replies & kCornerSquares));
    }
    insertByKey(list, n, c);
  }

  float best = -kWinScore, a = alpha;
  int bestSquare = -1;
  for (int i = 0; i < n; ++i) {
    const Candidate& c = list[i];
    child.playSquaresFrom(b, rowOf(c.square), columnOf(c.square), side, c.flips);
    float v;
    if (i == 0) {
      v = -node(e, ply + 1, -beta, -a);
    } else {
      v = -node(e, ply + 1, -above(a), -a);
      if (v > a && v < beta && !aborted_) v = -node(e, ply + 1, -beta, -v);
    }
    if (aborted_) return 0.0f;
    if (v > best) {
      best = v;
      bestSquare = c.square;
      if (best > a) a = best;
      if (a >= beta) break;
    }
  }

  // What the search proved within the window it searched, joined with what was known.
  float newLower = lower, newUpper = upper;
  if (best <= alpha) {
    if (!known(newUpper) || best < newUpper) newUpper = best;
    bestSquare = tableMove >= 0 ? tableMove : bestSquare;
  } else if (best >= beta) {
    if (!known(newLower) || best > newLower) newLower = best;
  } else {
    newLower = newUpper = best;
  }
  if (tabled) table_.store(player, opponent, context, toGo, newLower, newUpper, bestSquare);
  return best;
}

namespace {

// The root's legal entries in search order: the list's order (the previous iteration's
// best first), or with the table's move first when the list has no values yet.
int rootOrder(Board& root, uint64_t player, uint64_t opponent, int tableMove, int* order,
              uint64_t* flips) {
  int n = 0;
  for (int i = 0; i < root.moveCount; ++i) {
    MoveEntry& m = root.moves[i];
    if (m.flag == MoveFlag::Illegal) continue;
    const uint64_t f = flipsOf(squareIndex(m.row, m.column), player, opponent);
    if (!f) {
      m.flag = MoveFlag::Illegal;
      continue;
    }
    m.flag = MoveFlag::Legal;
    flips[i] = f;
    order[n++] = i;
  }
  if (n > 1 && tableMove >= 0 && !known(root.moves[order[0]].value)) {
    for (int k = 1; k < n; ++k) {
      const MoveEntry& m = root.moves[order[k]];
      if (squareIndex(m.row, m.column) == tableMove) {
        const int chosen = order[k];
        for (int j = k; j > 0; --j) order[j] = order[j - 1];
        order[0] = chosen;
        break;
      }
    }
  }
  return n;
}

// Puts entry `index` of the root's list first, the others keeping their order.
void bringToFront(Board& root, int index) {
  const MoveEntry chosen = root.moves[index];
  for (int j = index; j > 0; --j) root.moves[j] = root.moves[j - 1];
  root.moves[0] = chosen;
}

// After a finished root search: every searched entry holds its value (the best one
// exact, the others bounds no better than it), the list sorted best first for the side
// to move with the chosen entry first.
void finishRoot(Board& root, const float* values, const int* order, int n, int bestIndex,
                bool computerToMove) {
  for (int k = 0; k < n; ++k) root.moves[order[k]].value = values[k];
  const MoveEntry chosen = root.moves[order[bestIndex]];
  root.sortMoves(computerToMove ? 1 : 0);
  for (int i = 0; i < root.moveCount; ++i) {
    if (root.moves[i].row == chosen.row && root.moves[i].column == chosen.column) {
      bringToFront(root, i);
      break;
    }
  }
}

// A stopped root search: a move proved better than the last finished iteration's best
// goes first with the value proved; otherwise the list stays as it was, unless its first
// entry is not a legal move (a stop before any iteration finished, on a list never
// sorted), when the first move in search order goes first, so that a move is played.
float stoppedRoot(Board& root, int provedEntry, float provedValue, int firstSearched) {
  if (provedEntry >= 0) {
    root.moves[provedEntry].value = provedValue;
    bringToFront(root, provedEntry);
  } else if (root.moves[0].flag != MoveFlag::Legal) {
    bringToFront(root, firstSearched);
  }
  return root.moveCount > 0 ? root.moves[0].value : 0.0f;
}

}  // namespace

float FastSearch::rootHeuristic(Engine& e) {
  Board& root = *e.root;
  const int side = root.sideToMove;
  const bool computerToMove = side == e.computerColour;
  const float sign = computerToMove ? 1.0f : -1.0f;
  const uint64_t player = root.discs(side), opponent = root.discs(-side);
  const unsigned context = contextOf(e, side);
  leafPly_ = e.leafDepth;
  const FastTable::Entry* t = table_.find(player, opponent, context, e.leafDepth);
  int order[kMaxMoves];
  uint64_t flips[kMaxMoves];
  const int n = rootOrder(root, player, opponent, t ? t->move : -1, order, flips);
  if (n == 0) {  // no pass at the root: nothing to search
    root.sortMoves(computerToMove ? 1 : 0);
    return -sign * kWinScore;
  }
  takeSquares(slots_[0], root);
  Board& child = slots_[1];
  float values[kMaxMoves];
  float best = -kWinScore, a = -kWinScore;
  int bestIndex = -1, provedEntry = -1;
  float provedValue = 0.0f;
  for (int k = 0; k < n; ++k) {
    const MoveEntry& m = root.moves[order[k]];
    child.playSquaresFrom(slots_[0], m.row, m.column, side, flips[order[k]]);
    float v;
    if (k == 0) {
      v = -node(e, 1, -kInfinity, -a);
    } else {
      v = -node(e, 1, -above(a), -a);
      if (v > a && !aborted_) {
        // Already proved better than every move before it.
        provedEntry = order[k];
        provedValue = sign * v;
        v = -node(e, 1, -kInfinity, -v);
        if (!aborted_) provedValue = sign * v;
      }
    }
    if (aborted_) return stoppedRoot(root, k > 0 ? provedEntry : -1, provedValue, order[0]);
    values[k] = sign * v;
    if (v > best) {
      best = v;
      bestIndex = k;
      if (best > a) a = best;
    }
  }
  if (bestIndex < 0) bestIndex = 0;  // every move below the floor: the first stays
  const MoveEntry& chosen = root.moves[order[bestIndex]];
  table_.store(player, opponent, context, e.leafDepth, best, best,
               squareIndex(chosen.row, chosen.column));
  values[bestIndex] = sign * best;
  finishRoot(root, values, order, n, bestIndex, computerToMove);
  return sign * best;
}

float FastSearch::rootEndgame(Engine& e) {
  Board& root = *e.root;
  const int side = root.sideToMove;
  const bool computerToMove = side == e.computerColour;
  const int sign = computerToMove ? 1 : -1;
  const bool wld = e.searchMode == SearchMode::WinLossDraw;
  const uint64_t player = root.discs(side), opponent = root.discs(-side);
  int order[kMaxMoves];
  uint64_t flips[kMaxMoves];
  const int n = rootOrder(root, player, opponent, -1, order, flips);
  if (n == 0) {
    root.sortMoves(computerToMove ? 1 : 0);
    return static_cast<float>(-sign) * kWinScore;
  }
  auto scaled = [&](int v) {  // a value for the side to move, on the mode's scale
    const int forComputer = sign * v;
    if (!wld) return static_cast<float>(forComputer);
    return forComputer > 0 ? kWldWin : forComputer < 0 ? -kWldWin : 0.0f;
  };
  solver_.setStop(&e.searching, &e.pondering);
  const long long scoredBefore = solver_.scored();
  float values[kMaxMoves];
  int best = -65, bestIndex = 0;
  int k = 0;
  for (; k < n; ++k) {
    const MoveEntry& m = root.moves[order[k]];
    const uint64_t bit = squareBit(m.row, m.column), f = flips[order[k]];
    const uint64_t childPlayer = opponent & ~f, childOpponent = player | f | bit;
    int v;
    if (wld) {
      // A null window around 0: the sign is all that is asked.
      v = -solver_.searchWindow(childPlayer, childOpponent, -1, 1);
      v = v > 0 ? 1 : v < 0 ? -1 : 0;
    } else if (k == 0) {
      v = -solver_.searchWindow(childPlayer, childOpponent, -64, 64);
    } else {
      v = -solver_.searchWindow(childPlayer, childOpponent, -best - 1, -best);
      if (v > best && !solver_.stopped())
        v = -solver_.searchWindow(childPlayer, childOpponent, -64, -v);
    }
    if (solver_.stopped()) break;
    values[k] = scaled(v);
    if (v > best) {
      best = v;
      bestIndex = k;
    }
    if (wld && best > 0) break;  // a win: nothing is better
  }
  e.exactCount += static_cast<int>(solver_.scored() - scoredBefore);
  if (solver_.stopped()) {
    // Only a proved win is known to beat whatever the list holds.
    const bool won = k > 0 && best > 0;
    return stoppedRoot(root, won ? order[bestIndex] : -1, won ? scaled(best) : 0.0f, order[0]);
  }
  // Moves not searched after a win are no better than it.
  for (int j = k + 1; j < n; ++j) values[j] = scaled(best);
  finishRoot(root, values, order, n, bestIndex, computerToMove);
  return scaled(best);
}

float FastSearch::search(Engine& e) {
  aborted_ = false;
  e.leafCache.forget();
  Board& root = *e.root;
  const bool heuristic =
      e.searchMode != SearchMode::Exact && e.searchMode != SearchMode::WinLossDraw;
  if (heuristic && e.leafDepth <= 0) return leaf(e, root);
  // A search called after the stop (the rest of a schedule) returns at once; a list that
  // no search has ordered yet gets a legal move first, so that a move is still played.
  if (pollStop(e)) {
    if (root.moveCount > 0 && root.moves[0].flag != MoveFlag::Legal) {
      int order[kMaxMoves];
      uint64_t flips[kMaxMoves];
      const int side = root.sideToMove;
      if (rootOrder(root, root.discs(side), root.discs(-side), -1, order, flips) > 0)
        bringToFront(root, order[0]);
    }
    return root.moveCount > 0 ? root.moves[0].value : 0.0f;
  }
  forgetIfModelChanged(e);
  return heuristic ? rootHeuristic(e) : rootEndgame(e);
}

float searchFast(Engine& e) {
  if (!e.fast) e.fast = std::make_unique<FastSearch>();
  return e.fast->search(e);
}

}  // namespace zedare
