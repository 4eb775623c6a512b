// The three root searches over the kept tree.
//
// Every node function follows one scheme: at the leaf ply the position is scored; at the
// root the expansion of the side to move runs (max for the computer, min for the
// human); inside the tree the side to move's expansion runs, and if that side has no
// legal move the board is passed (the pass stays in the Board) and the other side's
// expansion runs at the same ply; if neither can move the game is over and the position
// is scored by its discs. A pass never consumes a ply.
//
// An expansion walks the node's move list in its current order, so the order left by
// the previous iteration is the move ordering of the next. A child is either kept (the
// node's ply is at most keptDepth and the tree is within its memory budget: a board of
// the engine's NodeStore per legal move) or a scratch board of the engine's plySlots,
// released as soon as it is scored (its heuristic value is then remembered by the
// engine's LeafCache for the rest of the search). Nodes above keptDepth sort their
// lists on the way out, best for the side to move first; the sort is stable, so equal
// values keep the earlier move first.
//
// Stopping: before every entry the expansions test the two flags and leave the loop
// when both are clear. A node left that way is not a node without moves: it is neither
// passed nor scored as a finished game, and its list is not reset, so an interrupted
// search leaves the kept tree as it found it apart from the values it has improved.
#include "search/search.h"

#ifdef ZEDARE_CHECK_TREE
#include <cstdio>
#include <cstdlib>
#include <string>
#endif

#include "api/engine.h"
#include "board/move_bits.h"
#include "eval/evaluate.h"
#include "search/fast_search.h"

namespace zedare {

ZEDARE_ISA_BEGIN

namespace {

inline bool stopped(const Engine& e) {
  return e.searching.load(std::memory_order_relaxed) == 0 &&
         e.pondering.load(std::memory_order_relaxed) == 0;
}

inline bool known(float v) {
  return v != kNoValue;
}

// Disc difference from the computer's side, +-64 for a wipe-out.
float discScore(const Engine& e, const Board& b) {
  const int mine = b.count(e.computerColour);
  const int theirs = b.discCount - mine;
  if (theirs == 0) return 64.0f;
  if (mine == 0) return -64.0f;
  return static_cast<float>(mine - theirs);
}

inline float wldOf(float difference) {
  return difference > 0 ? kWldWin : difference < 0 ? -kWldWin : 0.0f;
}

// The scored-by-discs value of a board in the current mode, cached in the board.
float discValue(Engine& e, Board& b) {
  if (!known(b.cachedValue) || b.cachedKind != 1) {
    b.cachedValue = discScore(e, b);
    b.cachedKind = 1;
    ++e.exactCount;
  }
  return e.searchMode == SearchMode::WinLossDraw ? wldOf(b.cachedValue) : b.cachedValue;
}

// A failed allocation ends the search as a stop does: both flags are cleared, every
// expansion leaves its loop at the next entry, and the tree is left consistent.
void stopForMemory(Engine& e) {
  e.searching.store(0, std::memory_order_relaxed);
  e.pondering.store(0, std::memory_order_relaxed);
}

// How much of the tree's memory budget a child kept at ply + 1 may use. A child one ply
// above the leaves of the kept tree is the cheapest to lose (what it would remember is a
// few plies of search), and there are many of them; a child near the root spares the
// search its whole deep subtree on every later pass. So when memory runs short, the
// deepest kept plies are refused first and the last of the budget is left to the upper
// ones.
int budgetShare(const Engine& e, int ply) {
  const int fromBottom = e.keptDepth - ply;  // 0: the child is on the kept tree's last ply
  return fromBottom <= 0 ? 12 : fromBottom == 1 ? 14 : NodeStore::kShares;
}

// Where a child board comes from while a node is expanded.
//
// Kept children (the node's ply is at most keptDepth, or minimax) come from the engine's
// NodeStore, one board per legal move. When the store refuses a board because the tree
// has reached its memory budget, the move is played on the ply's scratch board instead,
// exactly as below keptDepth; a node that is itself a scratch board never keeps
// children (its board is overwritten by the next sibling).
struct ChildMaker {
  Engine& e;
  Board& b;
  int ply;
  bool keep;

  ChildMaker(Engine& engine, Board& board, int p, bool keepChildren)
      : e(engine),
        b(board),
        ply(p),
        keep(p >= kPlySlots || (keepChildren && !(p > 0 && &board == &engine.plySlots[p - 1]))) {}
  ChildMaker(const ChildMaker&) = delete;
  ChildMaker& operator=(const ChildMaker&) = delete;

  // Prepares the child of entry m (untried, or legal without a child) and marks it legal
  // or illegal. After a failed allocation the entry is left untried and the search is
  // stopped.
#ifdef ZEDARE_CHECK_TREE
  static void checkPlayed(const Board& child) {
    const std::string fault = child.checkConsistency();
    if (!fault.empty()) {
      std::fprintf(stderr, "search: inconsistent board after a move: %s\n", fault.c_str());
      std::abort();
    }
  }
#endif

  void prepare(MoveEntry& m) {
    const int side = b.sideToMove;
    // The flips are found once: they tell whether the move is legal and are then played.
    const uint64_t flips = legalFlips(squareIndex(m.row, m.column), b.discs(side), b.discs(-side));
    if (!flips) {
      m.flag = MoveFlag::Illegal;
      return;
    }
    if (keep) {
      // A kept child is taken from the store only for a legal move, with a list of just
      // the size it needs.
      if (Board* child = e.tree.acquire(b.listSizeAfter(m.row, m.column), ply >= kPlySlots,
                                        budgetShare(e, ply))) {
        child->playFrom(b, m.row, m.column, side, flips);
#ifdef ZEDARE_CHECK_TREE
        checkPlayed(*child);
#endif
        m.flag = MoveFlag::Legal;
        m.child = child;
        return;
      }
      if (e.tree.failed()) {
        stopForMemory(e);
        return;
      }
      // Over the budget: played on the scratch board below.
    }
    // A scratch child at the leaf ply is only scored: its list is not made.
    Board& slot = e.plySlots[ply];
    if (ply + 1 == e.leafDepth) {
      slot.playSquaresFrom(b, m.row, m.column, side, flips);
    } else {
      slot.playFrom(b, m.row, m.column, side, flips);
#ifdef ZEDARE_CHECK_TREE
      checkPlayed(slot);  // not at the leaf ply: a leaf child has no list to check
#endif
    }
    m.flag = MoveFlag::Legal;
    m.child = &slot;
  }

  // After scoring: a scratch child is not kept (a child kept by an earlier search with
  // a deeper keptDepth stays where it is).
  void release(MoveEntry& m) const {
    if (m.child == &e.plySlots[ply]) m.child = nullptr;
  }
};

// Runs the common expansion loop. `visit` scores one child and returns false to end the
// loop (a cut-off); `more` is tested before every entry. Returns true if the loop was
// left because the search was stopped.
template <typename Visit, typename More>
bool expand(Engine& e, Board& b, int ply, bool minimax, int& noMove, Visit visit, More more) {
  ChildMaker maker(e, b, ply, minimax || ply <= e.keptDepth);
  bool interrupted = false;
  for (int i = 0; i < b.moveCount && more(); ++i) {
    if (stopped(e)) {
      interrupted = true;
      break;
    }
    MoveEntry& m = b.moves[i];
    if (m.flag == MoveFlag::Illegal) continue;
    if (m.flag == MoveFlag::Untried || !m.child) maker.prepare(m);
    if (m.flag == MoveFlag::Legal && m.child) {
      visit(m);
      noMove = 0;
      maker.release(m);
    }
  }
  return interrupted;
}

// After an expansion: a side without moves gets its list back untried; kept nodes
// above keptDepth sort best first for the side that moved.
inline void finishExpansion(Engine& e, Board& b, int ply, bool interrupted, int noMove,
                            bool sortAlways, int order) {
  if (noMove && !interrupted) b.resetMoves();
  if (sortAlways || ply < e.keptDepth) b.sortMoves(order);
}

// Each expansion is written once for both sides: kMax runs the side that maximises (the
// computer's), !kMax the one that minimises. It is a template argument, so each side is
// compiled as its own function with the comparisons fixed.
template <bool kMax>
inline bool better(float a, float b) {
  return kMax ? a > b : a < b;
}

// ---------------------------------------------------------------------------
// Minimax

template <bool kMax>
float minimaxSide(Engine& e, Board& b, int ply, int& noMove, bool& interrupted) {
  float result = kMax ? -kWinScore : kWinScore;
  interrupted = expand(
      e, b, ply, true, noMove,
      [&](MoveEntry& m) {
        const float v = level::minimaxNode(e, *m.child, ply + 1);
        m.value = v;
        if (better<kMax>(v, result)) result = v;
      },
      [] { return true; });
  finishExpansion(e, b, ply, interrupted, noMove, true, kMax ? 1 : 0);
  return result;
}

// ---------------------------------------------------------------------------
// Alpha-beta (fail-hard): the side's own bound (alpha for max, beta for min) rises with
// the best value so far and is returned.

float alphaBetaNode(Engine& e, Board& b, int ply, float alpha, float beta);

template <bool kMax>
float alphaBetaSide(Engine& e, Board& b, int ply, float& alpha, float& beta, int& noMove,
                    bool& interrupted) {
  float& own = kMax ? alpha : beta;
  interrupted = expand(
      e, b, ply, false, noMove,
      [&](MoveEntry& m) {
        const float v = alphaBetaNode(e, *m.child, ply + 1, alpha, beta);
        m.value = v;
        if (better<kMax>(v, own)) own = v;
      },
      [&] { return alpha < beta; });
  finishExpansion(e, b, ply, interrupted, noMove, false, kMax ? 1 : 0);
  return own;
}

// ---------------------------------------------------------------------------
// MTD(f)'s alpha-beta with bounds kept in the tree (fail-soft): g is the best value so
// far; the side's own bound of the children's window follows it, and the expansion ends
// once g passes the other bound.

float memoryNode(Engine& e, Board& b, int ply, float alpha, float beta);

template <bool kMax>
float memorySide(Engine& e, Board& b, int ply, float alpha, float beta, int& noMove,
                 bool& interrupted) {
  float g = kMax ? -kWinScore : kWinScore;
  float& own = kMax ? alpha : beta;
  const float other = kMax ? beta : alpha;
  interrupted = expand(
      e, b, ply, false, noMove,
      [&](MoveEntry& m) {
        const float v = memoryNode(e, *m.child, ply + 1, alpha, beta);
        if (better<kMax>(v, g)) g = v;
        m.value = g;
        if (better<kMax>(g, own)) own = g;
      },
      [&] { return better<kMax>(other, g); });
  finishExpansion(e, b, ply, interrupted, noMove, false, kMax ? 1 : 0);
  return g;
}

// The common node scheme: root, inside the tree with pass handling, end of game.
// `maxFn` and `minFn` run the two expansions with the node's window.
template <typename MaxFn, typename MinFn>
float nodeValue(Engine& e, Board& b, int ply, MaxFn maxFn, MinFn minFn) {
  bool interrupted = false;
  if (ply == 0) {
    int noMove = 0;
    return b.sideToMove == e.computerColour ? maxFn(noMove, interrupted)
                                            : minFn(noMove, interrupted);
  }
  int noMove = 1;
  const bool humanFirst = b.sideToMove == e.humanColour;
  float r = humanFirst ? minFn(noMove, interrupted) : maxFn(noMove, interrupted);
  if (!noMove || interrupted) return r;
  b.pass();
  r = humanFirst ? maxFn(noMove, interrupted) : minFn(noMove, interrupted);
  if (!noMove || interrupted) return r;
  return level::terminalValue(e, b);
}

float alphaBetaNode(Engine& e, Board& b, int ply, float alpha, float beta) {
  if (ply == e.leafDepth) return level::leafValue(e, b);
  return nodeValue(
      e, b, ply,
      [&](int& noMove, bool& interrupted) {
        return alphaBetaSide<true>(e, b, ply, alpha, beta, noMove, interrupted);
      },
      [&](int& noMove, bool& interrupted) {
        return alphaBetaSide<false>(e, b, ply, alpha, beta, noMove, interrupted);
      });
}

float memoryNode(Engine& e, Board& b, int ply, float alpha, float beta) {
  if (b.boundEpoch != e.boundEpoch) {  // bounds of an earlier search are forgotten
    b.lowerBound = b.upperBound = kNoValue;
    b.boundEpoch = e.boundEpoch;
  }
  if (known(b.lowerBound) && b.lowerBound >= beta) return b.lowerBound;
  if (known(b.upperBound) && b.upperBound <= alpha) return b.upperBound;
  if (known(b.lowerBound) && b.lowerBound > alpha) alpha = b.lowerBound;
  if (known(b.upperBound) && b.upperBound < beta) beta = b.upperBound;
  float g;
  if (ply == e.leafDepth) {
    g = level::leafValue(e, b);
  } else {
    g = nodeValue(
        e, b, ply,
        [&](int& noMove, bool& interrupted) {
          return memorySide<true>(e, b, ply, alpha, beta, noMove, interrupted);
        },
        [&](int& noMove, bool& interrupted) {
          return memorySide<false>(e, b, ply, alpha, beta, noMove, interrupted);
        });
  }
  if (g > alpha) {
    b.lowerBound = g;
    if (g >= beta) return g;
  }
  b.upperBound = g;
  return g;
}

}  // namespace

namespace level {

// ---------------------------------------------------------------------------
// Scoring

float terminalValue(Engine& e, Board& b) {
  if (e.searchMode == SearchMode::Exact || e.searchMode == SearchMode::WinLossDraw)
    return discValue(e, b);
  if (!known(b.cachedValue) || b.cachedKind != 0) {
    const int mine = b.count(e.computerColour);
    const int theirs = b.discCount - mine;
    b.cachedValue = mine > theirs ? kWinScore : mine < theirs ? -kWinScore : 0.0f;
    b.cachedKind = 0;
    ++e.exactCount;
  }
  return b.cachedValue;
}

float leafValue(Engine& e, Board& b) {
  if (e.searchMode == SearchMode::Exact || e.searchMode == SearchMode::WinLossDraw)
    return discValue(e, b);
  if (!known(b.cachedValue) || b.cachedKind != 0) {
    b.cachedValue = e.leafCache.value(
        b, [&] { return e.evalVariant == 1 ? level::evaluate1(e, b) : level::evaluate2(e, b); });
    b.cachedKind = 0;
    ++e.evalCount;
  }
  return b.cachedValue;
}

float minimaxNode(Engine& e, Board& b, int ply) {
  if (ply == e.leafDepth) return level::leafValue(e, b);
  return nodeValue(
      e, b, ply,
      [&](int& noMove, bool& interrupted) {
        return minimaxSide<true>(e, b, ply, noMove, interrupted);
      },
      [&](int& noMove, bool& interrupted) {
        return minimaxSide<false>(e, b, ply, noMove, interrupted);
      });
}

float searchAlphaBeta(Engine& e, Board& b) {
  return alphaBetaNode(e, b, 0, -kWinScore, kWinScore);
}

float searchMtdf(Engine& e, Board& root) {
  float g = 0.0f;
  if (root.moveCount > 0 && known(root.moves[0].value)) g = root.moves[0].value;
  // A search called after the stop would leave at its first entry anyway.
  if (stopped(e)) return g;
  // Every bound of the kept tree is forgotten: a new count makes the stored ones
  // unknown as each board is reached (see memoryNode), without walking the tree.
  ++e.boundEpoch;
  float upper = kWinScore, lower = -kWinScore;
  do {
    const float beta = g == lower ? g + 1.0f : g;
    g = memoryNode(e, root, 0, beta - 1.0f, beta);
    if (g < beta) {
      upper = g;
    } else {
      lower = g;
    }
    if (stopped(e)) break;
  } while (lower < upper);
  return g;
}

float runRootSearch(Engine& e) {
  e.leafCache.forget();  // the weights, tables or colours may have changed since the last search
  if (e.searchObserver)
    e.searchObserver(e.searchObserverContext, e.searchMode, e.leafDepth, e.keptDepth);
  switch (e.algorithm) {
    case Algorithm::Minimax:
      return level::minimaxNode(e, *e.root, 0);
    case Algorithm::AlphaBeta:
      return level::searchAlphaBeta(e, *e.root);
    case Algorithm::Mtdf:
      return level::searchMtdf(e, *e.root);
    case Algorithm::Fast:
      return searchFast(e);
  }
  return 0.0f;
}

}  // namespace level

ZEDARE_ISA_END

// This level's entries, under a name of its own (see searchEntries).
extern const SearchEntries ZEDARE_ISA_NAME(kSearchEntries);
const SearchEntries ZEDARE_ISA_NAME(kSearchEntries) = {&level::terminalValue, &level::searchAlphaBeta,
                                                       &level::runRootSearch};

}  // namespace zedare
