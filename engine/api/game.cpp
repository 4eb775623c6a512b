// Choosing the computer's move and thinking in the background.
//
// chooseMove asks the books first (within the level's move-number horizons), then runs
// the chosen root search over growing leaf depths in the heuristic mode; near the end
// of the game (at most wldEmpties empty squares) it finishes with one search to the
// last square in the exact or the win/loss/draw mode. The move chosen is the first entry
// of the root's sorted list. ponder runs the same searches for the human's position, so
// the subtree of the move the human then plays is already grown.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "api/engine.h"
#include "search/search.h"

namespace zedare {

namespace {

// The root must hold the game's position with its side to move: a pass or a position put
// on the game board directly (self-play, the record) leaves a tree grown for another
// position, whose search would find no move for the side now to move.
void keepTreeInStep(Engine& e) {
  if (!e.root->sameSquares(e.gameBoard) || e.root->sideToMove != e.gameBoard.sideToMove)
    e.resetTree();
}

void searchAt(Engine& e, int leafDepth) {
  e.leafDepth = leafDepth;
  runRootSearch(e);
}

}  // namespace

void Engine::setBestMove(const MoveEntry& move) {
  std::lock_guard<std::mutex> guard(boardLock);
  bestMove = move;
}

namespace {

using Clock = std::chrono::steady_clock;

// The time of one move search (Engine::moveTime): when it is over, a timer thread
// clears `searching`, which stops the search as the stop command does. Without a time
// there is no thread.
class MoveClock {
 public:
  explicit MoveClock(Engine& e) : start_(Clock::now()), limitMs_(e.moveTime) {
    if (limitMs_ <= 0) return;
    timer_ = std::thread([this, &e] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (wake_.wait_until(lock, start_ + std::chrono::milliseconds(limitMs_),
                           [this] { return done_; }))
        return;
      // Once the time is over the flag is kept clear (a search that set it after the
      // deadline, in a very short time, is stopped all the same).
      do {
        e.searching.store(0, std::memory_order_relaxed);
      } while (!wake_.wait_for(lock, std::chrono::milliseconds(1), [this] { return done_; }));
    });
  }
  ~MoveClock() {
    if (!timer_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_one();
    timer_.join();
  }
  MoveClock(const MoveClock&) = delete;
  MoveClock& operator=(const MoveClock&) = delete;

  bool timed() const { return limitMs_ > 0; }
  double limitSeconds() const { return limitMs_ / 1000.0; }
  double elapsed() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

 private:
  Clock::time_point start_;
  int limitMs_;
  std::thread timer_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
};

inline bool stopped(const Engine& e) {
  return e.searching.load(std::memory_order_relaxed) == 0 &&
         e.pondering.load(std::memory_order_relaxed) == 0;
}

// The deepening schedule of the engine's algorithm up to leaf depth `last`: minimax
// searches at `last` only, alpha-beta at every depth from 1, MTD(f) at every second
// depth from `first` (none when first > last), the fast search at every depth from 1 to
// MTD(f)'s deepest. Other algorithm values search nothing.
//
// With a move time the fast search goes on past `last` while the next depth is expected
// to end within the time (each depth taking as long as the last one times the growth
// between the last two), up to `deepest`.
void deepen(Engine& engine, int first, int last, const MoveClock* clock = nullptr,
            int deepest = 0) {
  if (engine.algorithm == Algorithm::Minimax) {
    searchAt(engine, last);
  } else if (engine.algorithm == Algorithm::AlphaBeta) {
    for (int k = 1; k <= last; ++k) searchAt(engine, k);
  } else if (engine.algorithm == Algorithm::Mtdf) {
    for (int k = first; k <= last; k += 2) searchAt(engine, k);
  } else if (engine.algorithm == Algorithm::Fast) {
    // The deepest depth is MTD(f)'s, so that both end with the value of the same depth.
    const int mtdfDeepest = first > last ? 0 : first + (last - first) / 2 * 2;
    double previous = 0.0, lastTime = 0.0;
    for (int k = 1; k <= mtdfDeepest || (clock && k <= deepest); ++k) {
      if (k > mtdfDeepest) {
        const double growth = previous > 0.0 ? std::clamp(lastTime / previous, 1.5, 8.0) : 4.0;
        if (stopped(engine) || clock->elapsed() + lastTime * growth > clock->limitSeconds()) break;
      }
      const double before = clock ? clock->elapsed() : 0.0;
      searchAt(engine, k);
      previous = lastTime;
      lastTime = clock ? clock->elapsed() - before : 0.0;
    }
  }
}

// With a move time, the fast search solves the end from this many empty squares on
// (win/loss/draw; exact from two fewer), measured on the endgame solver's times: it
// takes about three times as long per further empty square.
int timedWldEmpties(int milliseconds) {
  int empties = 18;
  for (double t = 250; t * 3 <= milliseconds && empties < 26; t *= 3) ++empties;
  return empties;
}

// The end solved within the move time: win/loss/draw, then exact while the time that is
// left is expected to suffice. A solve stopped by the time leaves the list as it was.
void solveInTime(Engine& e, const MoveClock& clock, int empties) {
  const int wld = timedWldEmpties(static_cast<int>(clock.limitSeconds() * 1000));
  if (empties > wld || stopped(e)) return;
  const double before = clock.elapsed();
  e.searchMode = SearchMode::WinLossDraw;
  searchAt(e, empties);
  const double took = clock.elapsed() - before;
  if (stopped(e) || (empties > wld - 2 && clock.elapsed() + 4 * took > clock.limitSeconds()))
    return;
  e.searchMode = SearchMode::Exact;
  searchAt(e, empties);
}

}  // namespace

void Engine::chooseMove(int bookAllowed) {
  const MoveClock clock(*this);
  const bool timedFast = clock.timed() && algorithm == Algorithm::Fast;
  exactCount = 0;
  evalCount = 0;
  tree.clearFailure();
  keepTreeInStep(*this);
  const int empties = gameBoard.count(0);
  if (empties <= 0) {
    setBestMove(MoveEntry{MoveFlag::Illegal, 0, 0, 0.0f, nullptr});
    return;
  }
  if (empties <= wldEmpties) {
    searching.store(1, std::memory_order_relaxed);
    keptDepth = std::max(depth - 4, 4);
    const int m = std::min(empties, depth);
    const SearchMode finalMode =
        empties > exactEmpties ? SearchMode::WinLossDraw : SearchMode::Exact;
    if (isKnownAlgorithm(algorithm)) {
      searchMode = SearchMode::Heuristic;
      deepen(*this, std::min(depth, 6), m);
      searchMode = finalMode;
      searchAt(*this, empties);
      if (timedFast && finalMode == SearchMode::WinLossDraw) solveInTime(*this, clock, empties);
    }
  } else {
    if (bookAllowed != 0) {
      const int n = 61 - empties;
      if (n <= openingBookLimit) {
        if (openingBookLookup(*this)) return;
      } else if (n <= continuationLimit) {
        if (continuationBookLookup(*this)) return;
      }
    }
    searching.store(1, std::memory_order_relaxed);
    searchMode = SearchMode::Heuristic;
    const int d = empties <= wldEmpties + 2 ? depth + 2 : depth;
    keptDepth = std::max(d - 4, 4);
    if (timedFast && empties <= timedWldEmpties(moveTime)) {
      deepen(*this, std::min(d, 6), d);
      solveInTime(*this, clock, empties);
    } else if (timedFast) {
      deepen(*this, std::min(d, 6), d, &clock, empties);
    } else {
      deepen(*this, std::min(d, 6), d);
    }
  }
  searching.store(0, std::memory_order_relaxed);
  if (root->moveCount > 0) {
    const MoveEntry& first = root->moves[0];
    setBestMove(MoveEntry{first.flag, first.row, first.column, first.value, nullptr});
  } else {
    setBestMove(MoveEntry{MoveFlag::Illegal, 0, 0, 0.0f, nullptr});
  }
}

int Engine::chooseAndPlay(int bookAllowed, int colourValue) {
  chooseMove(bookAllowed);
  if (bestMove.flag != MoveFlag::Legal) return 0;
  // A book move that is not legal here is not played (playMove leaves the board as it
  // was and keeps the last move).
  return playMove(bestMove.row, bestMove.column, colourValue);
}

void Engine::ponder() {
  tree.clearFailure();
  pondering.store(1, std::memory_order_relaxed);
  keepTreeInStep(*this);
  searchMode = SearchMode::Heuristic;
  const int empties = gameBoard.count(0);
  const int d = empties - 1 <= wldEmpties + 2 ? depth + 2 : depth;
  keptDepth = std::max(d - 3, 4);
  const int last = std::min(empties, d + 1);
  deepen(*this, std::min(d + 1, 7), last);
  if ((algorithm == Algorithm::Mtdf || algorithm == Algorithm::Fast) && empties == d)
    searchAt(*this, empties);
  pondering.store(0, std::memory_order_relaxed);
}

}  // namespace zedare
