// The playing bench: whole self-play games at the top levels, timed per searched move,
// with each game's peak resident memory, and the time a stop takes to come back.
//
// A game is played by one engine for both sides (white is the computer, black the
// human, as the self-play match plays them), the book on, from the start position or
// after a fixed deviation in the first two moves, so that two games at one level differ.
// A move counts as searched when it scored at least one position (a book move scores
// none). Every game runs in a child process of its own, so that its peak resident set
// is its own and not the largest of all the games before it.
//
// A stop is measured from clearing the flag to the return of the call that searched,
// including what the call does after the search: for a move search (code 15) the move
// played and the release of the part of the tree not chosen; for background thinking
// (code 16) the return of the thinking and then the human's move, which releases every
// branch the human did not play.
#ifndef ZEDARE_BENCH_PLAY_SUITE_H
#define ZEDARE_BENCH_PLAY_SUITE_H

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "api/engine.h"
#include "search_suite.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

inline long peakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

inline void loadStyleZero(zedare::Engine& e) {
  e.loadModel(1, "modele", "parametry9_i15", "wzorce9_i15", 0);
  e.loadModel(2, "modele", "parametry9_i15", "wzorce9_i15", 0);
}

// The side to move's first legal move in list order, or its `pick`-th from the end.
inline bool playListed(zedare::Engine& e, int pick) {
  std::vector<std::pair<int, int>> legal;
  const zedare::Board& b = e.gameBoard;
  for (int i = 0; i < b.moveCount; ++i) {
    if (b.isLegal(b.moves[i].row, b.moves[i].column, b.sideToMove))
      legal.emplace_back(b.moves[i].row, b.moves[i].column);
  }
  if (legal.empty()) return false;
  const auto& m = pick == 0 ? legal.front() : legal[legal.size() - 1 - (pick - 1) % legal.size()];
  return e.playMove(m.first, m.second, b.sideToMove) != 0;
}

// Plays game `game` (0, 1, ...) at a level to its end; returns the seconds of every
// searched move.
inline std::vector<double> playGame(int level, int game, int& refusals) {
  zedare::Engine e;
  e.tree.setBudget(treeBudget);
  loadStyleZero(e);
  e.setLevel(level);
  e.algorithm = static_cast<zedare::Algorithm>(algorithm);
  e.computerColour = 1;
  e.humanColour = -1;
  e.newGame();
  if (game > 0) {  // the deviation: black's first and white's first move from the list's end
    playListed(e, game);
    playListed(e, game);
  }
  std::vector<double> times;
  refusals = 0;
  for (int passes = 0; passes < 2;) {
    const int side = e.gameBoard.sideToMove;
    if (!e.gameBoard.hasLegalMove(side)) {
      e.gameBoard.pass();
      e.resetTree();
      ++passes;
      continue;
    }
    passes = 0;
    const auto start = Clock::now();
    const int played = e.chooseAndPlay(1, side);
    const double s = secondsSince(start);
    if (e.exactCount + e.evalCount > 0) times.push_back(s);
    if (std::getenv("ZEDARE_BENCH_MOVES"))  // one line per move on standard error
      std::fprintf(stderr, "level %d game %d disc %2d: %7.3f s, %10d positions, tree %6.1f MB\n",
                   level, game, e.gameBoard.discCount, s, e.exactCount + e.evalCount,
                   e.tree.bytes() / 1048576.0);
    if (!played) {  // the engine found no move although there is one: counted, and
      ++refusals;   // the game goes on with the first legal move
      if (!playListed(e, 0)) break;
    }
  }
  return times;
}

struct GameResult {
  int level = 0, game = 0;
  std::vector<double> times;
  long peakKb = 0;
  int refusals = 0;  // moves the engine did not play although it had one
};

// Runs playGame in a child process and reads back its times and peak resident set.
inline bool playGameInChild(int level, int game, GameResult& out) {
  int fd[2];
  if (pipe(fd) != 0) return false;
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    close(fd[0]);
    int refusals = 0;
    const std::vector<double> t = playGame(level, game, refusals);
    const long peak = peakRssKb();
    const size_t n = t.size();
    bool ok = write(fd[1], &peak, sizeof peak) == sizeof peak &&
              write(fd[1], &refusals, sizeof refusals) == sizeof refusals &&
              write(fd[1], &n, sizeof n) == sizeof n;
    if (ok && n) ok = write(fd[1], t.data(), n * sizeof(double)) == ssize_t(n * sizeof(double));
    _exit(ok ? 0 : 1);
  }
  close(fd[1]);
  out.level = level;
  out.game = game;
  size_t n = 0;
  bool ok = read(fd[0], &out.peakKb, sizeof out.peakKb) == sizeof out.peakKb &&
            read(fd[0], &out.refusals, sizeof out.refusals) == sizeof out.refusals &&
            read(fd[0], &n, sizeof n) == sizeof n;
  if (ok) {
    out.times.resize(n);
    size_t got = 0;
    while (ok && got < n * sizeof(double)) {
      const ssize_t r =
          read(fd[0], reinterpret_cast<char*>(out.times.data()) + got, n * sizeof(double) - got);
      ok = r > 0;
      if (ok) got += size_t(r);
    }
  }
  close(fd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

inline double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const size_t k = std::min(v.size() - 1, static_cast<size_t>(p * double(v.size() - 1) + 0.5));
  return v[k];
}

// Games per level: one at levels 4 and 5, two at level 6.
inline int gamesAt(int level) {
  return level >= 6 ? 2 : 1;
}

inline int runGames(int firstLevel, int lastLevel) {
  std::printf("%-6s %5s %6s %9s %9s %9s %10s %9s\n", "level", "game", "moves", "median", "p90",
              "worst", "peak MB", "refused");
  for (int level = firstLevel; level <= lastLevel; ++level) {
    std::vector<double> all;
    long peak = 0;
    for (int g = 0; g < gamesAt(level); ++g) {
      GameResult r;
      if (!playGameInChild(level, g, r)) {
        std::printf("level %d game %d: the child failed\n", level, g);
        return 1;
      }
      std::printf("%-6d %5d %6zu %9.3f %9.3f %9.3f %10.1f %9d\n", level, g, r.times.size(),
                  percentile(r.times, 0.5), percentile(r.times, 0.9), percentile(r.times, 1.0),
                  r.peakKb / 1024.0, r.refusals);
      std::fflush(stdout);
      all.insert(all.end(), r.times.begin(), r.times.end());
      peak = std::max(peak, r.peakKb);
    }
    std::printf(
        "level %d: median %.3f s, 90th percentile %.3f s, worst %.3f s per searched move "
        "(%zu moves); peak RSS %.1f MB\n",
        level, percentile(all, 0.5), percentile(all, 0.9), percentile(all, 1.0), all.size(),
        peak / 1024.0);
    std::fflush(stdout);
  }
  return 0;
}

// ---- stop latency ----

// Runs `call` on a worker thread, clears `flag` after `delay`, and returns the seconds
// from the clear to the end of `call` (which may include work after the search), or -1
// when the call ended before the clear.
template <typename Call>
double timeStop(std::atomic<int>& flag, double delay, Call call) {
  std::atomic<bool> done{false};
  Clock::time_point finished;
  std::thread worker([&] {
    call();
    finished = Clock::now();
    done.store(true);
  });
  const auto begin = Clock::now();
  while (!done.load() && secondsSince(begin) < delay)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const auto cleared = Clock::now();
  flag.store(0);
  worker.join();
  return finished > cleared ? std::chrono::duration<double>(finished - cleared).count() : -1.0;
}

inline std::string describe(double stopSeconds) {
  if (stopSeconds < 0) return "ended before the stop (not counted)";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f ms", stopSeconds * 1e3);
  return text;
}

inline int runStops(int count) {
  zedare::Engine e;
  e.tree.setBudget(treeBudget);
  loadStyleZero(e);
  e.setLevel(6);
  e.algorithm = static_cast<zedare::Algorithm>(algorithm);
  std::vector<double> searchStops, ponderStops;
  const auto& list = positions();
  const char* middle[] = {"open48", "mid40", "mid32", "ff58-30"};
  for (int i = 0; i < count; ++i) {
    const char* name = middle[i % 4];
    const BenchPosition* p = nullptr;
    for (const auto& q : list)
      if (!std::strcmp(q.name, name)) p = &q;
    const double delay = 0.5 + 0.25 * (i % 8);
    setUp(e, *p);
    if (i % 2 == 0) {
      // A move search stopped, then its move played (code 15).
      const double s = timeStop(e.searching, delay, [&] { e.chooseAndPlay(0, e.computerColour); });
      if (s >= 0) searchStops.push_back(s);
      std::printf("stop %2d: move search at %-7s after %.2f s: %s\n", i + 1, name, delay,
                  describe(s).c_str());
    } else {
      // Background thinking stopped, then the human's move: the best one the thinking
      // found, or every fourth time the last legal one, whose subtree is smaller.
      e.computerColour = -e.gameBoard.sideToMove;
      e.humanColour = e.gameBoard.sideToMove;
      e.resetTree();
      const double s = timeStop(e.pondering, delay, [&] {
        e.ponder();
        const zedare::Board& r = *e.root;
        int k = 0;
        if (i % 4 == 3) {
          for (int j = 0; j < r.moveCount; ++j)
            if (r.moves[j].flag == zedare::MoveFlag::Legal) k = j;
        }
        e.playMove(r.moves[k].row, r.moves[k].column, e.humanColour);
      });
      if (s >= 0) ponderStops.push_back(s);
      std::printf("stop %2d: background thinking at %-7s after %.2f s: %s\n", i + 1, name, delay,
                  describe(s).c_str());
    }
    std::fflush(stdout);
  }
  std::vector<double> all = searchStops;
  all.insert(all.end(), ponderStops.begin(), ponderStops.end());
  std::printf(
      "stop latency over %zu stops: median %.2f ms, worst %.2f ms (move search worst "
      "%.2f ms, background thinking worst %.2f ms)\n",
      all.size(), percentile(all, 0.5) * 1e3, percentile(all, 1.0) * 1e3,
      percentile(searchStops, 1.0) * 1e3, percentile(ponderStops, 1.0) * 1e3);
  return 0;
}

}  // namespace bench

#endif
