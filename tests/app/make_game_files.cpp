// Writes the two game files that the window's real-engine test and the screenshots
// start from, by random games played through the engine's exported functions:
//
//   pass.gam      black (the human) to move with exactly one legal move; white's reply
//                 is forced too, and after it black has no move while white has: the
//                 human must pass, whatever level or style the computer plays;
//   finished.gam  a whole game, the record standing at its final position.
//
//   make_game_files OUTPUT_FOLDER   (run in the source tree, where modele/ lies)
//
// The games come from a fixed seed, so the files are the same on every run.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "zedare.h"

namespace {

struct Square {
  int row, column;
};

std::vector<Square> legalMoves(ZedareHandle engine, int colour) {
  std::vector<Square> moves;
  for (int row = 1; row <= 8; ++row) {
    for (int column = 1; column <= 8; ++column) {
      if (TavrinInst_p0(engine, ZEDARE_SQUARE_COLOUR, row, column, 0) == 0 &&
          TavrinInst_p0(engine, ZEDARE_IS_LEGAL, row, column, colour) != 0) {
        moves.push_back({row, column});
      }
    }
  }
  return moves;
}

// Plays `square` for `colour` (black is the human, ZEDARE_HUMAN_MOVE; white the
// computer, ZEDARE_COMPUTER_MOVE). Then, as the window does, the side to move passes
// when it cannot move and the other can, the game ends when neither can, and the
// position is stored.
void play(ZedareHandle engine, int colour, Square square) {
  TavrinInst(engine, colour == -1 ? ZEDARE_HUMAN_MOVE : ZEDARE_COMPUTER_MOVE, square.row,
             square.column);
  const int side = TavrinInst(engine, ZEDARE_SIDE_TO_MOVE, 0, 0);
  if (side != 0 && legalMoves(engine, side).empty()) {
    const uint32_t code = legalMoves(engine, -side).empty() ? ZEDARE_END_GAME : ZEDARE_PASS;
    TavrinInst_p0(engine, code, 0, 0, 0);
  }
  TavrinInst_pp(engine, ZEDARE_RECORD_STORE);
}

struct Ply {
  int colour;
  Square square;
  size_t choices;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_game_files OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  ZedareHandle engine = TavrinCreate();
  std::mt19937 random(14);
  bool finishedWritten = false;
  for (int game = 0; game < 10000; ++game) {
    TavrinInst(engine, ZEDARE_NEW_GAME, 0, 0);
    std::vector<Ply> plies;
    int passAt = -1;  // index into plies of black's forced move before the pass
    while (TavrinInst(engine, ZEDARE_SIDE_TO_MOVE, 0, 0) != 0) {
      const int side = TavrinInst(engine, ZEDARE_SIDE_TO_MOVE, 0, 0);
      const std::vector<Square> moves = legalMoves(engine, side);
      const Square chosen = moves[random() % moves.size()];
      plies.push_back({side, chosen, moves.size()});
      play(engine, side, chosen);
      const size_t n = plies.size();
      if (passAt < 0 && n >= 2 && plies[n - 1].colour == 1 && plies[n - 1].choices == 1 &&
          plies[n - 2].colour == -1 && plies[n - 2].choices == 1 &&
          TavrinInst(engine, ZEDARE_SIDE_TO_MOVE, 0, 0) == 1) {
        passAt = static_cast<int>(n) - 2;  // white's reply left black without a move
      }
    }
    if (!finishedWritten) {
      if (TavrinFile_pp(engine, ZEDARE_FILE_SAVE, (folder + "/finished.gam").c_str()) == 0)
        return 1;
      finishedWritten = true;
    }
    if (passAt < 0) continue;
    // Replay the game up to black's forced move and save it there.
    TavrinInst(engine, ZEDARE_NEW_GAME, 0, 0);
    for (int i = 0; i < passAt; ++i) {
      play(engine, plies[i].colour, plies[i].square);
    }
    if (TavrinInst(engine, ZEDARE_SIDE_TO_MOVE, 0, 0) != -1) continue;
    if (TavrinFile_pp(engine, ZEDARE_FILE_SAVE, (folder + "/pass.gam").c_str()) == 0) return 1;
    std::printf("pass.gam from game %d: black plays %d,%d (engine row, column) at ply %d\n", game,
                plies[passAt].square.row, plies[passAt].square.column, passAt);
    return 0;
  }
  std::fprintf(stderr, "no game with a forced pass found\n");
  return 1;
}
