// Character of a style in its own self-play: reads a position file (the dump of games
// that a style played against itself) and prints two groups of figures.
//
// Averages, seen from the side that has just moved (a player of that style):
//   discs40   its disc count after move 40 (positions with 44 discs),
//   mobility  its own legal moves, averaged over the positions of the played-out part,
//   stable    its stable discs, averaged the same way,
//   frontier  its frontier discs, averaged the same way,
//   corners   the corners it holds, averaged the same way,
//   edges     its discs on the 28 edge squares, averaged the same way,
//   positions the number of positions averaged.
// Both sides play the same style, so these are close to half the totals of both sides:
// 44 discs at move 40 split evenly up to the tempo of the last move, and each side denies
// the other what it seeks itself. They tell what games of the style look like, not what
// the style prefers.
//
// Leaning of the choices, which does tell that: for every move the style chose, each
// figure below is measured after every legal move of the position (the mover's side
// minus the opponent's, from the mover's view); the chosen move's value minus the mean
// over the legal moves, divided by the spread (largest minus smallest), is averaged over
// the positions where the figure differs between the moves. +1 would be always taking
// the largest, -1 the smallest; a style with no preference would sit near 0. Figures:
//   discs, mobility, stable discs, frontier discs, corners, edge discs, patterns (the
//   pattern tables' estimate of the position: the corner patterns plus the edge and
//   diagonal line patterns, in discs), and corner threats (the evaluation's corner
//   threat feature over 10: about one per corner held or open to be taken).
// Each lean is followed by its standard error, with the games as independent units, and
// the line ends with the number of chosen moves.
//
// The opening part of the dump (the first DEPTH plies, enumerated, not chosen) is left
// out of both groups, and the chosen moves are compared only while more than ENDGAME
// squares are empty (below that the solvers choose, whatever the style).
//
// Usage: style_stats POSITION_FILE MODEL_DIR [DEPTH [ENDGAME]]   (MODEL_DIR holds the
// pattern tables wzorce9_i15_*.dat and a parametry9_i15_0.dat; defaults 5 and 12: the
// opening depth of the dump and the win/loss/draw threshold of level 2). Prints 7
// averages, 8 lean/standard-error pairs and the move count, tab-separated; exit status 1
// when a file cannot be read or holds a malformed line.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "api/engine.h"
#include "eval/features.h"
#include "training/offline.h"

namespace {

constexpr int kFigures = 8;
using Figures = std::array<double, kFigures>;
// Discs of `colour` on the 28 edge squares.
int edgeDiscs(const zedare::Board& b, int colour) {
  constexpr uint64_t kEdges = 0xFF818181818181FFull;
  return std::popcount(b.discs(colour) & kEdges);
}

Figures measure(zedare::Engine& engine, const zedare::Board& b, int mover) {
  using zedare::LineGroup;
  engine.computerColour = mover;
  engine.humanColour = -mover;
  const zedare::SidePair st = zedare::stableCounts(engine, b);
  const zedare::SidePair co = zedare::cornerCounts(engine, b);
  // Corners held or open to be taken, the opponent (to move next) served first, and the
  // pattern estimate of the corners nobody can take; it comes times 10.
  const int threat = zedare::cornerThreat(engine, b, -mover, 1);
  // The line patterns come times 10; the corner patterns in discs.
  int lines = 0;
  for (LineGroup g : {LineGroup::SC1, LineGroup::SC2, LineGroup::SC3, LineGroup::PRZ})
    lines += zedare::linePatterns(engine, b, g, 1);
  return {double(b.count(mover) - b.count(-mover)),
          double(b.mobility(mover) - b.mobility(-mover)),
          double(st.computer - st.human),
          double(zedare::frontierCount(b, mover) - zedare::frontierCount(b, -mover)),
          double(co.computer - co.human),
          double(edgeDiscs(b, mover) - edgeDiscs(b, -mover)),
          zedare::cornerPatterns(engine, b, 1) + lines / 10.0,
          threat / 10.0};
}

// The square (bit index) that holds a disc in `after` and is empty in `before`, or -1.
int playedSquare(const zedare::Board& before, const zedare::Board& after) {
  const uint64_t placed = after.occupancy & ~before.occupancy;
  return placed ? std::countr_zero(placed) : -1;
}

// A mean over observations grouped by game, with the standard error of the mean taken
// over the games (the moves of one game are not independent of each other).
class GameMean {
 public:
  void add(int game, double value) {
    if (games_.empty() || game != lastGame_) games_.push_back({0, 0}), lastGame_ = game;
    games_.back().sum += value;
    games_.back().count += 1;
    sum_ += value;
    count_ += 1;
  }
  double mean() const { return count_ ? sum_ / double(count_) : 0.0; }
  double standardError() const {
    if (count_ == 0) return 0.0;
    const double m = mean();
    double s = 0;
    for (const Game& g : games_) s += (g.sum - m * g.count) * (g.sum - m * g.count);
    return std::sqrt(s) / double(count_);
  }

 private:
  struct Game {
    double sum;
    long long count;
  };
  std::vector<Game> games_;
  int lastGame_ = 0;
  double sum_ = 0;
  long long count_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 5) {
    std::fprintf(stderr, "usage: style_stats POSITION_FILE MODEL_DIR [DEPTH [ENDGAME]]\n");
    return 2;
  }
  const int depth = argc > 3 ? std::atoi(argv[3]) : 5;
  const int endgame = argc > 4 ? std::atoi(argv[4]) : 12;
  std::FILE* in = std::fopen(argv[1], "r");
  if (!in) {
    std::fprintf(stderr, "style_stats: cannot open %s\n", argv[1]);
    return 1;
  }
  zedare::Engine engine;
  engine.loadModel(1, argv[2], "parametry9_i15", "wzorce9_i15", 0);
  zedare::Board board, previous, child;
  char line[1024];
  long long lineNo = 0, positions = 0, at40 = 0, choices = 0;
  double discs40 = 0, mobility = 0, stable = 0, frontier = 0, corners = 0, edges = 0;
  std::array<GameMean, kFigures> lean;
  int previousGame = -1, previousDiscs = 0;
  const int firstPlayed = 4 + depth + 1;  // disc count after the first chosen move
  while (std::fgets(line, sizeof line, in)) {
    ++lineNo;
    int game = 0, discs = 0;
    std::string why;
    if (!zedare::parsePositionLine(line, game, discs, board, why)) {
      std::fprintf(stderr, "%s:%lld: malformed line: %s\n", argv[1], lineNo, why.c_str());
      std::fclose(in);
      return 1;
    }
    const int total = board.count(1) + board.count(-1);
    // A move adds exactly one disc; a pass or a new game does not. The mover is the
    // colour of the disc just placed: the side to move stored with the position does
    // not tell it when the opponent had to pass.
    const bool afterMove = game == previousGame && total == previousDiscs + 1;
    previousGame = game;
    previousDiscs = total;
    const int played = afterMove ? playedSquare(previous, board) : -1;
    if (played >= 0 && total >= firstPlayed) {
      const int mover = board.colourAt(played / 8 + 1, played % 8 + 1);
      ++positions;
      engine.computerColour = mover;
      engine.humanColour = -mover;
      mobility += board.mobility(mover);
      stable += zedare::stableCounts(engine, board).computer;
      frontier += zedare::frontierCount(board, mover);
      corners += zedare::cornerCounts(engine, board).computer;
      edges += edgeDiscs(board, mover);
      if (total == 44) {
        ++at40;
        discs40 += board.count(mover);
      }
      // The choice against its alternatives, while the search (not a solver) chooses.
      const uint64_t legal = previous.legalMask(mover);
      if (64 - (total - 1) > endgame && std::popcount(legal) >= 2 && (legal >> played & 1)) {
        Figures got{}, mean{}, low, high;
        low.fill(1e9), high.fill(-1e9);
        const int n = std::popcount(legal);
        for (uint64_t rest = legal; rest; rest &= rest - 1) {
          const int sq = std::countr_zero(rest);
          child = previous;
          child.play(sq / 8 + 1, sq % 8 + 1, mover);
          const Figures f = measure(engine, child, mover);
          if (sq == played) got = f;
          for (int i = 0; i < kFigures; ++i) {
            mean[i] += f[i] / n;
            low[i] = std::min(low[i], f[i]);
            high[i] = std::max(high[i], f[i]);
          }
        }
        ++choices;
        for (int i = 0; i < kFigures; ++i) {
          if (high[i] == low[i]) continue;  // no choice to be made on this figure
          lean[i].add(game, (got[i] - mean[i]) / (high[i] - low[i]));
        }
      }
    }
    previous = board;
  }
  std::fclose(in);
  if (positions == 0 || at40 == 0 || choices == 0) {
    std::fprintf(stderr, "style_stats: no played positions in %s\n", argv[1]);
    return 1;
  }
  std::printf("%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%lld", discs40 / at40, mobility / positions,
              stable / positions, frontier / positions, corners / positions, edges / positions,
              positions);
  for (const GameMean& m : lean) std::printf("\t%.3f\t%.3f", m.mean(), m.standardError());
  std::printf("\t%lld\n", choices);
  return 0;
}
