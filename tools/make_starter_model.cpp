// Writes a starter model: seven hand-set parameter files (one per style of play) and
// eight pattern tables of zeros, so that the game can be played before a model has been
// trained. The files are generated here and never edited by hand.
//
// Weights are in units of the final disc difference: a weight w on a feature row means
// that one unit of that feature difference is worth about w discs at the end. Only the
// counting features are weighted (the pattern tables are empty, so the pattern rows 10
// and 15..18 stay 0). Each weight row is a piecewise-linear curve over the disc count s
// (column s); the balanced curves are:
//
//   row  4 discs:        nothing until the last third, then rising to 1 at the end
//   row  5 frontier:     negative (fewer frontier discs is better), fading at the end
//   row  6 mobility:     the main middle-game term, fading at the end
//   row  7 stable discs: about a disc each throughout
//   row  8 corners / X:  a corner is worth several discs; fading as the board fills
//   row 11 corner access, row 14 corner threat: corners still to be taken
//   row 12 region parity (percent, centred on 0): only in the last twenty moves
//
// The seven styles scale these in the spirit of their names.
//
// Usage: make_starter_model DIRECTORY   (the trained model in modele/ is made by
// tools/pipeline.sh; this one is its baseline)
#include <cstdio>
#include <initializer_list>
#include <utility>
#include <vector>

#include "eval/features.h"
#include "eval/model.h"
#include "matrix/matrix.h"

namespace {

using Curve = std::vector<std::pair<int, double>>;  // (disc count, weight), increasing

// The curve's value at disc count s: linear between its points, flat outside them.
double at(const Curve& curve, int s) {
  if (s <= curve.front().first) return curve.front().second;
  for (size_t i = 1; i < curve.size(); ++i) {
    const auto [s1, w1] = curve[i];
    if (s <= s1) {
      const auto [s0, w0] = curve[i - 1];
      return w0 + (w1 - w0) * (s - s0) / (s1 - s0);
    }
  }
  return curve.back().second;
}

struct Style {
  const char* name;
  Curve discs;
  double frontier, mobility, stable, corners, access, parity, threat;
};

const Curve kDiscs = {{40, 0.0}, {52, 0.3}, {64, 1.0}};
const Curve kFrontier = {{20, -0.6}, {40, -0.5}, {56, -0.2}, {64, 0.0}};
const Curve kMobility = {{20, 1.2}, {40, 1.0}, {56, 0.5}, {64, 0.2}};
const Curve kStable = {{20, 1.0}, {56, 1.2}, {64, 0.6}};
const Curve kCorners = {{30, 6.0}, {48, 5.0}, {60, 2.0}, {64, 0.5}};
const Curve kAccess = {{40, 3.0}, {58, 1.5}, {64, 0.0}};
const Curve kParity = {{40, 0.0}, {52, 0.04}, {60, 0.06}};
const Curve kThreat = {{40, 0.2}, {58, 0.1}, {64, 0.0}};

// Scale factors per style: frontier, mobility, stable, corners, access, parity, threat.
const Style kStyles[7] = {
    // 0 mistrzowski: the balanced set.
    {"mistrzowski", kDiscs, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0},
    // 1 gambitowy: mobility over material, even gives discs away early.
    {"gambitowy",
     {{4, -0.2}, {36, -0.2}, {44, 0.0}, {52, 0.3}, {64, 1.0}},
     1.2,
     1.4,
     0.9,
     1.0,
     1.0,
     1.0,
     1.0},
    // 2 pozycyjny: corners, X-squares and stable discs.
    {"pozycyjny", kDiscs, 1.1, 0.9, 1.2, 1.3, 1.1, 1.0, 1.0},
    // 3 kombinacyjny: mobility and corner threats.
    {"kombinacyjny", kDiscs, 1.0, 1.3, 1.0, 1.0, 1.2, 1.0, 2.0},
    // 4 solidny: stable discs.
    {"solidny", kDiscs, 1.0, 0.9, 1.8, 1.1, 1.0, 1.0, 1.0},
    // 5 ostrozny: a small frontier and safe corners.
    {"ostrozny", kDiscs, 1.5, 1.0, 1.1, 1.3, 1.2, 1.0, 1.0},
    // 6 zachlanny: more weight on discs, earlier.
    {"zachlanny",
     {{4, 0.15}, {36, 0.2}, {48, 0.5}, {60, 1.0}, {64, 1.0}},
     1.0,
     0.8,
     1.0,
     1.0,
     1.0,
     1.0,
     1.0},
};

zedare::matrix styleWeights(const Style& style) {
  zedare::matrix w = zedare::zeros(18, 64);
  for (int s = 1; s <= 64; ++s) {
    w(4, s) = at(style.discs, s);
    w(5, s) = style.frontier * at(kFrontier, s);
    w(6, s) = style.mobility * at(kMobility, s);
    w(7, s) = style.stable * at(kStable, s);
    w(8, s) = style.corners * at(kCorners, s);
    w(11, s) = style.access * at(kAccess, s);
    w(12, s) = style.parity * at(kParity, s);
    w(14, s) = style.threat * at(kThreat, s);
  }
  return w;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_starter_model DIRECTORY\n");
    return 2;
  }
  const char* directory = argv[1];
  for (int n = 0; n < 7; ++n) {
    const std::string path = zedare::parameterPath(directory, "parametry9_i15", n);
    styleWeights(kStyles[n]).writetxt(path.c_str(), zedare::Comma);
  }
  for (int t = 0; t < zedare::pattern::Count; ++t) {
    const int rows = t == zedare::pattern::A2 ? 9 : zedare::pattern::kRows;
    const std::string path = zedare::patternPath(directory, "wzorce9_i15", t);
    zedare::zeros(rows, 3).writetxt(path.c_str(), zedare::Comma);
  }
  std::printf("make_starter_model: 7 parameter files and 8 pattern files written to %s\n",
              directory);
  return 0;
}
