// The level table: per level 1..7, how far the books are asked, how deep the middle game
// is searched, and from how many empty squares the end is solved. The window's help
// shows it as it is.
#ifndef ZEDARE_API_LEVELS_H
#define ZEDARE_API_LEVELS_H

namespace zedare {

struct LevelParameters {
  int openingBookLimit;   // last move number that asks the opening book
  int continuationLimit;  // last move number that asks the continuation book
  int depth;              // middle-game search depth in plies
  int exactEmpties;       // empty squares from which the end is solved exactly
  int wldEmpties;         // empty squares from which the end is solved win/loss/draw
};

// Per level: opening-book limit, continuation limit, depth, exact and win/loss/draw
// thresholds (empty squares).
inline constexpr LevelParameters kLevels[7] = {
    {0, 0, 2, 4, 6},      {5, 0, 4, 10, 12},    {10, 0, 6, 12, 14},   {10, 30, 8, 14, 16},
    {10, 50, 10, 16, 18}, {10, 50, 12, 18, 20}, {10, 50, 14, 20, 22},
};

// The level table; levels outside 1..7 leave the parameters as they were.
constexpr bool levelParameters(int level, LevelParameters& out) {
  if (level < 1 || level > 7) return false;
  out = kLevels[level - 1];
  return true;
}

}  // namespace zedare

#endif
