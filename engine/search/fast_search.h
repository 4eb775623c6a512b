// The fast root search (Algorithm::Fast): negamax alpha-beta over the same evaluation,
// the same pass rule and the same score scales as the kept-tree searches, finding the
// same values with a small fraction of the positions.
//
// Each call searches the root once at Engine::leafDepth in Engine::searchMode; the game
// control's schedule calls it at growing depths, so that every iteration starts from the
// best moves of the one before. What carries over is not a tree but a transposition
// table of fixed size: per position (by its two words, the colour to move, the
// computer's colour and the evaluation variant) the bounds found at a number of plies
// to go and the best move. Values are stored from the side to move. A bound is used
// only at the same number of plies to go, so each search finds exactly the value of a
// full search to its depth; entries of other depths still give the move to try first.
// The endgame modes (exact, win/loss/draw) are solved by the EndgameSolver with the
// engine's scoring, whose own table holds exact bounds for any later search.
//
// The root's move list is left as the other searches leave it: flags set, sorted best
// first for the side to move, the first entry the move chosen with the root value; the
// other entries hold bounds no better than it. A stopped search keeps the list of the
// last finished iteration, unless a move has already been proved better than that
// iteration's best at the current depth.
#ifndef ZEDARE_SEARCH_FAST_SEARCH_H
#define ZEDARE_SEARCH_FAST_SEARCH_H

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "board/board.h"
#include "search/solver.h"

namespace zedare {

struct Engine;

// The heuristic search's transposition table: 2^kBits entries of 32 bytes in pairs; a
// position is stored in either entry of its pair.
class FastTable {
 public:
  static constexpr int kBits = 20;  // 32 MB

  struct Entry {
    uint64_t player = 0, opponent = 0;
    float lower = kNoValue, upper = kNoValue;  // from the side to move; kNoValue: none
    uint32_t tag = 0;                          // generation and context; 0: unused
    int8_t depth = -1;                         // plies to go the bounds are for
    int8_t move = -1;                          // best square (bit index), -1 none
  };

  FastTable();
  // The entry of a position in a context (0..7) for `depth` plies to go, else its
  // deepest one (whose move is still worth trying first), or null.
  const Entry* find(uint64_t player, uint64_t opponent, unsigned context, int depth) const;
  void store(uint64_t player, uint64_t opponent, unsigned context, int depth, float lower,
             float upper, int move);
  // Starts loading the pair of a position into the cache.
  void prefetch(uint64_t player, uint64_t opponent) const;
  // Every entry becomes unknown (in constant time but for one pass every 2^29 calls).
  void clear();

 private:
  size_t pairOf(uint64_t player, uint64_t opponent) const;
  struct Free {
    void operator()(void* p) const { std::free(p); }
  };
  std::unique_ptr<void, Free> memory_;
  Entry* entries_ = nullptr;  // in memory_, at a 2 MB boundary
  uint32_t generation_ = 1;
};

class FastSearch {
 public:
  FastSearch();
  // One root search of engine.root at engine.leafDepth in engine.searchMode. Returns the
  // root value from the computer's side.
  float search(Engine& engine);
  // A new game: every stored position is forgotten.
  void clear();

 private:
  float rootHeuristic(Engine& e);
  float rootEndgame(Engine& e);
  float node(Engine& e, int ply, float alpha, float beta);
  float leaf(Engine& e, const Board& b);
  bool pollStop(const Engine& e);
  unsigned contextOf(const Engine& e, int side) const;
  void forgetIfModelChanged(const Engine& e);

  FastTable table_;
  EndgameSolver solver_;
  Board slots_[64];  // the position at each ply (packed, no lists)
  uint64_t modelPrint_ = 0;
  int leafPly_ = 0;  // the ply scored by the evaluation
  bool aborted_ = false;
};

// Runs one fast root search, making the engine's FastSearch on first use.
float searchFast(Engine& engine);

}  // namespace zedare

#endif
