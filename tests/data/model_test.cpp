// The shipped model in modele/: the pattern tables are consistent statistics of one set
// of positions, style 0 is a trained model, and the six other styles lean on the terms
// their names promise compared with style 0.
#include "eval/model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "eval/features.h"
#include "matrix/matrix.h"

namespace {

using zedare::matrix;

matrix readModelFile(const std::string& path) {
  matrix m;
  m.readtxt(path.c_str());
  return m;
}

matrix style(int n) {
  return readModelFile(zedare::parameterPath("modele", "parametry9_i15", n));
}

// Every position is counted once per table under each of the 16 symmetry and colouring
// pairs, so all eight tables hold the same total count, a multiple of 16, and the value
// column is the sum over the count. The corner tables' values are mean outcomes, bounded
// by one corner; the line tables' values are fitted together with the weights, so they
// are not means, but like any value of theirs they are the same for a line read
// backwards and negated with the colours and the side to move inverted.
TEST(ShippedModel, PatternTablesAreConsistentStatisticsOfOnePositionSet) {
  double firstTotal = -1;
  for (int t = 0; t < zedare::pattern::Count; ++t) {
    SCOPED_TRACE(t);
    const matrix m = readModelFile(zedare::patternPath("modele", "wzorce9_i15", t));
    ASSERT_EQ(m.cols(), 3);
    ASSERT_EQ(m.rows(), t == zedare::pattern::A2 ? 9 : 19683);
    const bool line = t >= zedare::pattern::SC1;
    double total = 0;
    int wrongMean = 0, outOfBound = 0, negativeCount = 0, asymmetric = 0;
    for (int r = 1; r <= m.rows(); ++r) {
      const double count = m(r, 1), sum = m(r, 2), mean = m(r, 3);
      total += count;
      negativeCount += count < 0;
      const double expected = count > 0 ? sum / count : 0;
      wrongMean += std::fabs(mean - expected) > 1e-6 * (1 + std::fabs(expected));
      if (!line) {
        outOfBound += std::fabs(mean) > 1 + 1e-9;
        continue;
      }
      const int index = r - 1, squares = index % 6561, side = index / 6561;
      if (side == 1 || count == 0) continue;
      int reversed = 0, inverted = 0;
      for (int i = 0, place = 1; i < 8; ++i, place *= 3) {
        reversed = reversed * 3 + squares / place % 3;
        inverted += (2 - squares / place % 3) * place;
      }
      const double tolerance = 1e-8 * (1 + std::fabs(mean));
      asymmetric += std::fabs(m(side * 6561 + reversed + 1, 3) - mean) > tolerance;
      asymmetric += std::fabs(m((2 - side) * 6561 + inverted + 1, 3) + mean) > tolerance;
    }
    EXPECT_EQ(negativeCount, 0);
    EXPECT_EQ(wrongMean, 0);
    EXPECT_EQ(outOfBound, 0);
    EXPECT_EQ(asymmetric, 0);
    EXPECT_GT(total, 0) << "an empty table: not a trained model";
    EXPECT_EQ(std::fmod(total, 16.0), 0.0);
    if (firstTotal < 0) firstTotal = total;
    EXPECT_EQ(total, firstTotal) << "tables counted over different positions";
  }
}

// Sum of a weight row over the disc counts [from, to], and how many of those columns
// satisfy a relation with style 0.
double rowSum(const matrix& w, int row, int from, int to) {
  double s = 0;
  for (int c = from; c <= to; ++c) s += w(row, c);
  return s;
}

template <typename Relation>
int columnsWhere(const matrix& a, const matrix& b, int row, int from, int to, Relation rel) {
  int n = 0;
  for (int c = from; c <= to; ++c) n += rel(a(row, c), b(row, c));
  return n;
}

TEST(ShippedModel, SevenStylesOfTheParameterShape) {
  for (int n = 0; n < 7; ++n) {
    const matrix w = style(n);
    EXPECT_EQ(w.rows(), 18) << n;
    EXPECT_GE(w.cols(), 64) << n;
    int notFinite = 0;
    for (int r = 1; r <= w.rows(); ++r) {
      for (int c = 1; c <= w.cols(); ++c) notFinite += !std::isfinite(w(r, c));
    }
    EXPECT_EQ(notFinite, 0) << n;
  }
}

TEST(ShippedModel, StyleZeroIsTrainedOnPatternsAndTheStylesLeanTheirOwnWay) {
  const matrix m = style(0);
  // Trained: the pattern rows carry weight (a hand-set model has none there).
  double patterns = 0;
  for (int row : {15, 16, 17, 18}) patterns += std::fabs(rowSum(m, row, 5, 60));
  EXPECT_GT(patterns, 1.0);

  const auto less = [](double a, double b) { return a < b - 1e-9; };
  const auto more = [](double a, double b) { return a > b + 1e-9; };
  const int opening = 10, middle = 36;  // disc counts where every style shift is at full size
  const int span = middle - opening + 1;

  const matrix gambit = style(1);  // gives discs away for mobility
  EXPECT_EQ(columnsWhere(gambit, m, 4, opening, middle, less), span);
  EXPECT_EQ(columnsWhere(gambit, m, 6, opening, middle, more), span);

  const matrix positional = style(2);  // pattern terms count more
  for (int row : {15, 16, 17, 18}) {
    EXPECT_GT(std::fabs(rowSum(positional, row, 5, 60)), std::fabs(rowSum(m, row, 5, 60))) << row;
  }

  const matrix combinational = style(3);  // mobility and corner threats
  EXPECT_EQ(columnsWhere(combinational, m, 6, opening, middle, more), span);
  EXPECT_EQ(columnsWhere(combinational, m, 14, opening, middle, more), span);

  const matrix solid = style(4);  // stable discs, and the corners that anchor them
  EXPECT_EQ(columnsWhere(solid, m, 7, opening, middle, more), span);
  EXPECT_EQ(columnsWhere(solid, m, 8, opening, middle, more), span);

  const matrix careful = style(5);  // small frontier, safe corners
  EXPECT_EQ(columnsWhere(careful, m, 5, opening, middle, less), span);
  EXPECT_EQ(columnsWhere(careful, m, 8, opening, middle, more), span);

  const matrix greedy = style(6);  // takes discs
  EXPECT_EQ(columnsWhere(greedy, m, 4, opening, middle, more), span);

  // Every style keeps the endgame of style 0: at the last disc counts the exact solver
  // decides, and the disc term is the same.
  for (int n = 1; n < 7; ++n) {
    EXPECT_NEAR(style(n)(4, 64), m(4, 64), 1e-9) << n;
  }
}

}  // namespace
