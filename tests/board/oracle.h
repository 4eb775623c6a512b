// A deliberately plain square-by-square implementation of the rules, used as the oracle
// for the bit-board code: an 8x8 array of colours, the eight directions walked one
// square at a time, and the candidate list kept exactly as the rules describe it.
#ifndef ZEDARE_TESTS_BOARD_ORACLE_H
#define ZEDARE_TESTS_BOARD_ORACLE_H

#include <array>
#include <random>
#include <utility>
#include <vector>

#include "board/board.h"

namespace oracle {

struct Position {
  std::array<std::array<int, 9>, 9> sq{};  // [row][column], 1-based; 0 empty
  int side = -1;
  std::vector<std::pair<int, int>> candidates;  // in list order

  static Position initial() {
    Position p;
    p.sq[4][4] = p.sq[5][5] = 1;
    p.sq[4][5] = p.sq[5][4] = -1;
    for (int r = 1; r <= 8; ++r)
      for (int c = 1; c <= 8; ++c)
        if (p.isCandidate(r, c)) p.candidates.emplace_back(r, c);
    return p;
  }

  static Position fromBoard(const zedare::Board& b) {
    Position p;
    for (int r = 1; r <= 8; ++r)
      for (int c = 1; c <= 8; ++c) p.sq[r][c] = b.colourAt(r, c);
    p.side = b.sideToMove;
    for (int i = 0; i < b.moveCount; ++i)
      p.candidates.emplace_back(b.moves[i].row, b.moves[i].column);
    return p;
  }

  bool isCandidate(int r, int c) const {
    if (sq[r][c] != 0) return false;
    for (int dr = -1; dr <= 1; ++dr)
      for (int dc = -1; dc <= 1; ++dc) {
        const int rr = r + dr, cc = c + dc;
        if ((dr || dc) && rr >= 1 && rr <= 8 && cc >= 1 && cc <= 8 && sq[rr][cc] != 0) return true;
      }
    return false;
  }

  // Discs flipped in one direction by colour playing (r, c).
  int runLength(int r, int c, int dr, int dc, int colour) const {
    int k = 0;
    int rr = r + dr, cc = c + dc;
    while (rr >= 1 && rr <= 8 && cc >= 1 && cc <= 8 && sq[rr][cc] == -colour) {
      ++k;
      rr += dr;
      cc += dc;
    }
    if (k == 0 || rr < 1 || rr > 8 || cc < 1 || cc > 8 || sq[rr][cc] != colour) return 0;
    return k;
  }

  bool legal(int r, int c, int colour) const {
    if (sq[r][c] != 0) return false;
    for (int dr = -1; dr <= 1; ++dr)
      for (int dc = -1; dc <= 1; ++dc)
        if ((dr || dc) && runLength(r, c, dr, dc, colour)) return true;
    return false;
  }

  bool play(int r, int c, int colour) {
    if (!legal(r, c, colour)) return false;
    for (int dr = -1; dr <= 1; ++dr)
      for (int dc = -1; dc <= 1; ++dc) {
        if (!dr && !dc) continue;
        const int k = runLength(r, c, dr, dc, colour);
        for (int i = 1; i <= k; ++i) sq[r + i * dr][c + i * dc] = colour;
      }
    sq[r][c] = colour;
    side = -side;
    std::vector<std::pair<int, int>> next;
    for (auto& p : candidates)
      if (p != std::make_pair(r, c)) next.push_back(p);
    const int around[8][2] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
    for (auto& d : around) {
      const int rr = r + d[0], cc = c + d[1];
      if (rr < 1 || rr > 8 || cc < 1 || cc > 8 || sq[rr][cc] != 0) continue;
      bool listed = false;
      for (auto& p : next) listed |= p == std::make_pair(rr, cc);
      if (!listed) next.emplace_back(rr, cc);
    }
    candidates = next;
    return true;
  }

  bool anyLegal(int colour) const {
    for (int r = 1; r <= 8; ++r)
      for (int c = 1; c <= 8; ++c)
        if (legal(r, c, colour)) return true;
    return false;
  }

  int mobility(int colour) const {
    int n = 0;
    for (int r = 1; r <= 8; ++r)
      for (int c = 1; c <= 8; ++c) {
        const bool x = (r == 2 || r == 7) && (c == 2 || c == 7);
        if (!x && legal(r, c, colour)) ++n;
      }
    return n;
  }

  int count(int colour) const {
    int n = 0;
    for (int r = 1; r <= 8; ++r)
      for (int c = 1; c <= 8; ++c) n += sq[r][c] == colour;
    return n;
  }
};

// Plays random legal moves (passing when needed) from the start position until the
// game ends or `plies` moves were made; calls visit(board, oracle) after every move.
template <typename Visit>
void randomGame(std::mt19937& rng, zedare::Board& board, int plies, Visit visit) {
  board.setInitial();
  Position p = Position::initial();
  for (int n = 0; n < plies; ++n) {
    std::vector<std::pair<int, int>> legal;
    for (int r = 1; r <= 8; ++r)
      for (int c = 1; c <= 8; ++c)
        if (p.legal(r, c, p.side)) legal.emplace_back(r, c);
    if (legal.empty()) {
      if (!p.anyLegal(-p.side)) return;
      p.side = -p.side;
      board.pass();
      continue;
    }
    const auto mv = legal[rng() % legal.size()];
    const int side = p.side;
    p.play(mv.first, mv.second, side);
    board.play(mv.first, mv.second, side);
    visit(board, p);
  }
}

}  // namespace oracle

#endif
