// Makes the seven style files from one fitted and smoothed weight matrix: style 0
// ("mistrzowski") is that matrix unchanged, styles 1 to 6 are variations of it in which
// chosen weight rows are scaled and shifted by a curve over the disc count.
//
// Weight rows (the feature each multiplies): 4 disc difference, 5 frontier, 6 mobility,
// 7 stable discs, 8 corners and X-squares, 10 diagonal patterns, 11 corner access,
// 12 region parity, 14 corner threat (+-10 a corner), 15 corner patterns, 16..18 edge
// patterns. Weights are in discs of final difference per unit of the feature.
//
// A fitted row can be 0 where the fit left its feature out, so a style that leans on a
// feature both scales its row and adds a shift, which gives the feature a say even
// there. Shifts are of the size of the fitted weights (a few tenths of a disc per unit,
// a few discs per corner) and fade out towards the end of the game, where the exact and
// win/loss/draw solvers take over, so every style still plays a sound game.
//
// Usage: make_styles WEIGHTS_FILE OUTPUT_DIRECTORY
//   writes OUTPUT_DIRECTORY//parametry9_i15_0.dat ... _6.dat
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "eval/model.h"
#include "eval/weight_rows.h"
#include "matrix/matrix.h"

namespace {

using Curve = std::vector<std::pair<int, double>>;  // (disc count, value), increasing

double at(const Curve& curve, int s) {
  if (curve.empty()) return 0;
  if (s <= curve.front().first) return curve.front().second;
  for (size_t i = 1; i < curve.size(); ++i) {
    if (s <= curve[i].first) {
      const auto [s0, v0] = curve[i - 1];
      const auto [s1, v1] = curve[i];
      return v0 + (v1 - v0) * (s - s0) / (s1 - s0);
    }
  }
  return curve.back().second;
}

using zedare::WeightRow;

struct RowChange {
  WeightRow row;
  double scale;  // applied to the fitted weight
  Curve shift;   // added after scaling
};

struct Style {
  const char* name;
  std::vector<RowChange> changes;
};

// A shift that holds `v` up to disc count `until` and fades to 0 at `gone`.
Curve early(double v, int until, int gone) {
  return {{until, v}, {gone, 0.0}};
}

const Style kStyles[7] = {
    {"mistrzowski", {}},
    // Gives discs away in the opening and middle game for mobility: a negative weight on
    // the disc difference until move 32, mobility and a small frontier weighted up.
    {"gambitowy",
     {{WeightRow::DiscDifference, 1.0, early(-1.0, 36, 48)},
      {WeightRow::Mobility, 1.8, early(0.5, 40, 56)},
      {WeightRow::Frontier, 1.2, {}}}},
    // Leans on the pattern terms: corner, edge and diagonal patterns weighted up,
    // mobility down.
    {"pozycyjny",
     {{WeightRow::CornerPatterns, 2.0, early(0.3, 44, 60)},
      {WeightRow::EdgeLine1, 2.0, {}},
      {WeightRow::EdgeLine2, 2.0, {}},
      {WeightRow::EdgeLine3, 2.0, {}},
      {WeightRow::DiagonalPatterns, 2.0, {}},
      {WeightRow::Mobility, 0.8, {}}}},
    // Mobility and corner threats: mobility weighted up two and a half times and
    // shifted, and every corner held or takeable (+-10 units) worth ten discs more.
    {"kombinacyjny",
     {{WeightRow::Mobility, 2.5, early(1.0, 40, 56)},
      {WeightRow::CornerThreat, 1.0, early(1.0, 40, 60)}}},
    // Stable discs and edges: every stable disc worth about three discs more, and
    // corners (which anchor the stable discs of an edge) held dear, X-squares next to
    // an empty corner avoided. Raising the edge pattern rows instead was tried: in
    // self-play its choices then leaned less towards edge discs than style 0's.
    {"solidny",
     {{WeightRow::StableDiscs, 2.0, early(3.0, 48, 62)},
      {WeightRow::CornersAndXSquares, 1.0, early(3.0, 44, 60)}}},
    // A small frontier and safe corners: the frontier weight raised, corners held and
    // X-squares next to an empty corner made dearer.
    {"ostrożny",
     {{WeightRow::Frontier, 2.0, early(-0.6, 44, 60)},
      {WeightRow::CornersAndXSquares, 1.0, early(5.0, 44, 60)}}},
    // Takes discs: a positive weight on the disc difference from the start, mobility and
    // frontier weighted down.
    {"zachłanny",
     {{WeightRow::DiscDifference, 1.0, early(0.7, 44, 60)},
      {WeightRow::Mobility, 0.8, {}},
      {WeightRow::Frontier, 0.8, {}}}},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_styles WEIGHTS_FILE OUTPUT_DIRECTORY\n");
    return 2;
  }
  zedare::matrix base;
  base.readtxt(argv[1]);
  for (int n = 0; n < 7; ++n) {
    zedare::matrix w = base;
    for (const RowChange& c : kStyles[n].changes) {
      for (int s = 1; s <= w.cols(); ++s)
        w(zedare::rowOf(c.row), s) = c.scale * w(zedare::rowOf(c.row), s) + at(c.shift, s);
    }
    const std::string path = zedare::parameterPath(argv[2], "parametry9_i15", n);
    w.writetxt(path.c_str(), zedare::Comma);
    std::printf("%d %s: %s\n", n, kStyles[n].name, path.c_str());
  }
  return 0;
}
