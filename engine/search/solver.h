// A dedicated exact endgame solver on two 64-bit words (the side to move's discs and the
// other side's), for the offline work: training games finished by perfect play and the
// exact values against which the evaluation is measured.
//
// It is not the game's search: the game solves its endgames with the kept-tree search of
// the level, whose node counts and move choices are part of its behaviour. This solver
// only promises the exact value, found as cheaply as it can: negamax alpha-beta with a
// null window after the first move, a transposition table, moves ordered by the
// opponent's mobility (fewest replies first) while many squares are empty, and by region
// parity and square class in the last few.
#ifndef ZEDARE_SEARCH_SOLVER_H
#define ZEDARE_SEARCH_SOLVER_H

#include <atomic>
#include <cstdint>
#include <vector>

#include "board/board.h"

namespace zedare {

// How a finished game is scored, from the side of the player.
enum class EndScoring {
  // The engine's own: the player's discs minus the other side's, 64 (-64) when the other
  // side (the player) has none left. Empty squares of a game that ended early count for
  // nobody.
  Engine,
  // The tournament rule: empty squares of a game that ended early count for the winner.
  EmptiesToWinner,
};

class EndgameSolver {
 public:
  // The table has 2^tableBits entries of 24 bytes (20 bits: 24 MB).
  explicit EndgameSolver(EndScoring scoring = EndScoring::Engine, int tableBits = 20);

  struct Result {
    int value;   // the exact value for the player, perfect play by both sides
    int square;  // the player's best move as bit index (row - 1) * 8 + column - 1; -1 when
                 // the player has no legal move (the value is then that of the pass)
  };
  // Of the player's best moves the first in the solver's move order is chosen, so the
  // result depends on the position alone.
  Result solve(uint64_t player, uint64_t opponent);
  // The same for a Board's side to move (a side to move of 0 is scored as finished).
  Result solve(const Board& board);

  // The fail-soft value for the player within the window (alpha, beta): at or below alpha
  // it is an upper bound, at or above beta a lower bound, in between exact. The player
  // must have a legal move or be able to pass.
  int searchWindow(uint64_t player, uint64_t opponent, int alpha, int beta);

  // A stop for the searches: when both flags read 0 the search unwinds at once, its
  // values mean nothing and stopped() is true until the next search starts; nothing
  // found after the stop is stored. Null flags (the default) never stop.
  void setStop(const std::atomic<int>* a, const std::atomic<int>* b) {
    stopA_ = a;
    stopB_ = b;
  }
  bool stopped() const { return stopped_; }

  // Positions visited since construction.
  long long nodes() const { return nodes_; }
  // Finished positions scored by their discs since construction.
  long long scored() const { return scored_; }
  // Forgets the table (values stay valid between positions, so this is only needed to
  // bound the work of a measurement).
  void clearTable();

 private:
  struct Entry {
    uint64_t player = 0, opponent = 0;
    int8_t lower = -64, upper = 64;
    int8_t move = -1;
    int8_t empties = -1;  // -1: unused
  };

  int finalScore(uint64_t player, uint64_t opponent);
  bool pollStop() {
    if (!stopped_ && stopA_ && stopA_->load(std::memory_order_relaxed) == 0 &&
        stopB_->load(std::memory_order_relaxed) == 0)
      stopped_ = true;
    return stopped_;
  }
  int search(uint64_t player, uint64_t opponent, int alpha, int beta, int empties);
  int shallow(uint64_t player, uint64_t opponent, int alpha, int beta, int empties,
              bool passed);
  Entry& slot(uint64_t player, uint64_t opponent);

  EndScoring scoring_;
  std::vector<Entry> table_;
  uint64_t mask_;
  long long nodes_ = 0;
  long long scored_ = 0;
  const std::atomic<int>* stopA_ = nullptr;
  const std::atomic<int>* stopB_ = nullptr;
  bool stopped_ = false;
};

}  // namespace zedare

#endif
