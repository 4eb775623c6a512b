// Shared helpers of the search tests: a simple model set directly into an engine,
// positions from random games, an independent solver, and reading the endgame files.
#ifndef ZEDARE_TESTS_SEARCH_SUPPORT_H
#define ZEDARE_TESTS_SEARCH_SUPPORT_H

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "../board/oracle.h"
#include "api/engine.h"

namespace support {

// Weights over mobility, corners and discs only, and zero pattern tables, so the search
// tests do not depend on the shipped data files.
inline void setSimpleModel(zedare::Engine& e) {
  zedare::matrix w = zedare::zeros(18, 64);
  for (int s = 1; s <= 64; ++s) {
    w(4, s) = s > 50 ? 1.0 : 0.05;  // disc difference
    w(6, s) = 1.5;                  // mobility
    w(8, s) = 8.0;                  // corners and X-squares
  }
  e.weights1 = w;
  e.weights2 = w;
  for (int i = 0; i < 8; ++i) {
    e.patterns1[i] = zedare::zeros(i == 1 ? 9 : 19683, 3);
    e.patterns2[i] = e.patterns1[i];
  }
}

// The engine holds `position` as its game, with a fresh tree and the simple model; the
// computer plays `computerColour`.
inline void setUpGame(zedare::Engine& e, const zedare::Board& position, int computerColour) {
  setSimpleModel(e);
  e.computerColour = computerColour;
  e.humanColour = -computerColour;
  e.gameBoard = position;
  e.resetTree();
}

// Every kept node is a consistent board and every kept child has flag 2.
inline void expectTreeConsistent(const zedare::Board& b) {
  ASSERT_EQ(b.checkConsistency(), "");
  for (int i = 0; i < b.moveCount; ++i) {
    const zedare::MoveEntry& m = b.moves[i];
    if (!m.child) continue;
    ASSERT_EQ(m.flag, zedare::MoveFlag::Legal);
    expectTreeConsistent(*m.child);
  }
}

// The position after `plies` random legal moves (passes included) from the start.
inline zedare::Board randomPosition(std::mt19937& rng, int plies) {
  zedare::Board b;
  oracle::randomGame(rng, b, plies, [](const zedare::Board&, const oracle::Position&) {});
  return b;
}

// A random position with the given number of empty squares in which the side to move
// has a move (nullopt-like: an empty board count when none was found).
inline bool positionWithEmpties(std::mt19937& rng, int empties, zedare::Board& out) {
  for (int tries = 0; tries < 200; ++tries) {
    zedare::Board b = randomPosition(rng, 60 - empties);
    if (b.count(0) == empties && b.hasLegalMove(b.sideToMove)) {
      out = b;
      return true;
    }
  }
  return false;
}

// Independent solver: alpha-beta over the oracle's square-by-square rules. Returns the
// final disc difference for `me` with perfect play by both sides (empty squares
// uncounted, +-64 for a wipe-out), the position having `side` to move.
inline int solve(const oracle::Position& p, int me, int alpha, int beta) {
  std::vector<std::pair<int, int>> moves;
  for (int r = 1; r <= 8; ++r)
    for (int c = 1; c <= 8; ++c)
      if (p.legal(r, c, p.side)) moves.emplace_back(r, c);
  if (moves.empty()) {
    if (!p.anyLegal(-p.side)) {
      const int mine = p.count(me), theirs = p.count(-me);
      if (theirs == 0) return 64;
      if (mine == 0) return -64;
      return mine - theirs;
    }
    oracle::Position q = p;
    q.side = -q.side;
    return solve(q, me, alpha, beta);
  }
  const bool maximising = p.side == me;
  int best = maximising ? -65 : 65;
  for (auto [r, c] : moves) {
    oracle::Position q = p;
    q.play(r, c, p.side);
    const int v = solve(q, me, alpha, beta);
    if (maximising) {
      if (v > best) best = v;
      if (best > alpha) alpha = best;
    } else {
      if (v < best) best = v;
      if (best < beta) beta = best;
    }
    if (alpha >= beta) break;
  }
  return best;
}

struct EndgamePosition {
  zedare::Board board;
  int bestScore;  // for the side to move, empty squares counted for the winner
  std::string line;
};

// Reads an endgame file: 64 squares (row 1 first, 'X' black -1, 'O' white +1), the side
// to move, then "; MOVE:SCORE" with the best first.
inline std::vector<EndgamePosition> readEndgames(const std::string& path) {
  std::vector<EndgamePosition> out;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() < 66) continue;
    EndgamePosition e;
    for (int i = 0; i < 64; ++i) {
      const char ch = line[i];
      e.board.setSquare(i / 8 + 1, i % 8 + 1, ch == 'X' ? -1 : ch == 'O' ? 1 : 0);
    }
    e.board.sideToMove = line[65] == 'X' ? -1 : 1;
    e.board.rebuildCandidates();
    const auto colon = line.find(':', 66);
    e.bestScore = std::stoi(line.substr(colon + 1));
    e.line = line;
    out.push_back(e);
  }
  return out;
}

}  // namespace support

#endif
