// Character of a style in its own self-play: reads a position file (the dump of games
// that a style played against itself) and prints, seen from the side that has just
// moved (a player of that style),
//   discs40   its disc count after move 40 (positions with 44 discs),
//   mobility  its own legal moves, averaged over the positions of the played-out part,
//   stable    its stable discs, averaged the same way,
//   frontier  its frontier discs, averaged the same way,
//   corners   the corners it holds, averaged the same way,
//   edges     its discs on the edge squares, averaged the same way,
//   positions the number of positions averaged.
// The opening part of the dump (up to 9 discs) is left out: those moves are enumerated,
// not chosen. A position after a pass is left out too (the mover is unknown there).
//
// Usage: style_stats POSITION_FILE   (prints "discs40 mobility stable frontier corners edges
// positions" tab-separated; exit status 1 when the file cannot be read or holds a malformed line)
#include <cstdio>
#include <string>

#include "api/engine.h"
#include "eval/features.h"
#include "training/offline.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: style_stats POSITION_FILE\n");
    return 2;
  }
  std::FILE* in = std::fopen(argv[1], "r");
  if (!in) {
    std::fprintf(stderr, "style_stats: cannot open %s\n", argv[1]);
    return 1;
  }
  zedare::Engine engine;
  zedare::Board board;
  char line[1024];
  long long lineNo = 0, positions = 0, at40 = 0;
  double discs40 = 0, mobility = 0, stable = 0, frontier = 0, corners = 0, edges = 0;
  int previousGame = -1, previousDiscs = 0;
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
    // A move adds exactly one disc; a pass or a new game does not.
    const bool afterMove = game == previousGame && total == previousDiscs + 1;
    previousGame = game;
    previousDiscs = total;
    if (!afterMove || total < 10 || board.sideToMove == 0) continue;
    const int mover = -board.sideToMove;
    engine.computerColour = mover;
    engine.humanColour = -mover;
    ++positions;
    mobility += board.mobility(mover);
    stable += zedare::stableCounts(engine, board).computer;
    frontier += zedare::frontierCount(board, mover);
    corners += zedare::cornerCounts(engine, board).computer;
    for (int i = 1; i <= 8; ++i) {
      edges += (board.colourAt(1, i) == mover) + (board.colourAt(8, i) == mover);
      if (i > 1 && i < 8)
        edges += (board.colourAt(i, 1) == mover) + (board.colourAt(i, 8) == mover);
    }
    if (total == 44) {
      ++at40;
      discs40 += board.count(mover);
    }
  }
  std::fclose(in);
  if (positions == 0 || at40 == 0) {
    std::fprintf(stderr, "style_stats: no played positions in %s\n", argv[1]);
    return 1;
  }
  std::printf("%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%lld\n", discs40 / at40, mobility / positions,
              stable / positions, frontier / positions, corners / positions, edges / positions,
              positions);
  return 0;
}
