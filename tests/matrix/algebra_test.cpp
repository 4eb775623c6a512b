// Products, linear equations, regression, sorting and smoothing, checked against
// independent reference computations and known exact answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "matrix/matrix.h"
#include "matrix_test_support.h"

using namespace zedare;
using matrix_test::Dense;
using matrix_test::fromRows;
using matrix_test::randomDense;
using matrix_test::toRows;

namespace {

Dense naiveProduct(const Dense& a, const Dense& b, bool transposeB) {
  const size_t n = a.size(), inner = a[0].size();
  const size_t m = transposeB ? b.size() : b[0].size();
  Dense c(n, std::vector<double>(m, 0.0));
  for (size_t i = 0; i < n; ++i)
    for (size_t j = 0; j < m; ++j)
      for (size_t k = 0; k < inner; ++k) c[i][j] += a[i][k] * (transposeB ? b[j][k] : b[k][j]);
  return c;
}

void expectNear(const Dense& actual, const Dense& expected, double tolerance) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    ASSERT_EQ(actual[i].size(), expected[i].size());
    for (size_t j = 0; j < actual[i].size(); ++j)
      EXPECT_NEAR(actual[i][j], expected[i][j], tolerance)
          << "at (" << i + 1 << ", " << j + 1 << ")";
  }
}

}  // namespace

TEST(MatrixProducts, AgreeWithTheDefinition) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 20; ++trial) {
    const int n = 1 + trial % 5, inner = 1 + trial % 4, m = 1 + trial % 3;
    const Dense a = randomDense(rng, n, inner);
    const Dense b = randomDense(rng, inner, m);
    const Dense bt = randomDense(rng, m, inner);
    expectNear(toRows(multipl(fromRows(a), fromRows(b))), naiveProduct(a, b, false), 1e-14);
    expectNear(toRows(multipltransp(fromRows(a), fromRows(bt))), naiveProduct(a, bt, true), 1e-14);
    Dense at(inner, std::vector<double>(n));
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < inner; ++k) at[k][i] = a[i][k];
    const matrix cross = crossproduct(fromRows(a));
    expectNear(toRows(cross), naiveProduct(at, a, false), 1e-14);
    // Mirrored, so exactly symmetric: the sweep depends on it.
    for (int i = 1; i <= inner; ++i)
      for (int j = 1; j <= inner; ++j) EXPECT_EQ(cross(i, j), cross(j, i));
  }
}

TEST(MatrixProducts, DotProductsAndQuadraticForm) {
  EXPECT_EQ(scalarmultipl(fromRows({{1, 2, 3}}), fromRows({{4, 5, 6}})), 32);
  EXPECT_EQ(scalarmultipl(fromRows({{1}, {2}}), fromRows({{3}, {4}})), 11);
  EXPECT_EQ(scalarmultipl(fromRows({{2}}), fromRows({{3}})), 6);
  EXPECT_EQ(scalarsqr(fromRows({{3, -4}})), 25);
  // v^T A v with a non-symmetric A: 1*(1*1 + 2*2) + 2*(3*1 + 4*2) = 27.
  EXPECT_EQ(comutator(fromRows({{1, 2}, {3, 4}}), fromRows({{1}, {2}})), 27);
}

TEST(MatrixLinearEquations, PivotingAndRandomSystems) {
  // A zero in the first pivot position needs the row exchange.
  EXPECT_EQ(toRows(lineqns(fromRows({{0, 1}, {1, 0}}), fromRows({{2}, {3}}))), (Dense{{3}, {2}}));

  std::mt19937 rng(5);
  for (int n : {1, 2, 3, 6, 12}) {
    Dense a = randomDense(rng, n, n);
    for (int i = 0; i < n; ++i) a[i][i] += n;  // well conditioned
    const Dense xTrue = randomDense(rng, n, 1);
    const matrix b = multipl(fromRows(a), fromRows(xTrue));
    expectNear(toRows(lineqns(fromRows(a), b)), xTrue, 1e-12);
  }

  // A result vector of the wrong size is resized by the solver itself.
  matrix x;
  x.lineqns_gauss(fromRows({{2, 0}, {0, 4}}), fromRows({{2}, {2}}));
  EXPECT_EQ(toRows(x), (Dense{{1}, {0.5}}));
}

TEST(MatrixRegression, MatchesAnIndependentLeastSquaresSolution) {
  std::mt19937 rng(2024);
  std::normal_distribution<double> noise(0.0, 0.3);
  for (int trial = 0; trial < 25; ++trial) {
    const int p = 1 + trial % 7;
    const int n = p + 3 + 11 * trial;
    Dense x = randomDense(rng, n, p);
    const Dense beta = randomDense(rng, p, 1, -3, 3);
    std::vector<double> y(n);
    for (int i = 0; i < n; ++i) {
      y[i] = noise(rng);
      for (int k = 0; k < p; ++k) y[i] += x[i][k] * beta[k][0];
    }
    const std::vector<double> expected = matrix_test::leastSquaresQr(x, y);
    const matrix b = linreg(fromRows(x), matrix_test::column(y));
    ASSERT_EQ(b.rows(), p);
    ASSERT_EQ(b.cols(), 1);
    for (int k = 0; k < p; ++k) EXPECT_NEAR(b(k + 1), expected[k], 1e-9) << "trial " << trial;
  }
}

TEST(MatrixRegression, ColumnOfOnesGivesTheMean) {
  const std::vector<double> y = {3, 8, -1, 4.5, 10};
  const matrix b = linreg(matrix_test::fromRows(Dense(5, {1.0})), matrix_test::column(y));
  EXPECT_NEAR(static_cast<double>(b), (3 + 8 - 1 + 4.5 + 10) / 5, 1e-14);
}

TEST(MatrixRegression, ZeroColumnGetsCoefficientZeroAndLeavesTheOthersIntact) {
  // Without the zero-pivot guard every coefficient would come out as NaN.
  std::mt19937 rng(3);
  Dense x = randomDense(rng, 40, 3);
  std::vector<double> y(40);
  for (int i = 0; i < 40; ++i) {
    y[i] = 2 * x[i][0] - x[i][2] + 0.01 * std::sin(i);
  }
  const std::vector<double> expected = matrix_test::leastSquaresQr(x, y);
  Dense withZero = x;
  for (auto& row : withZero) row.insert(row.begin() + 1, 0.0);
  const matrix b = linreg(fromRows(withZero), matrix_test::column(y));
  EXPECT_EQ(b(2), 0.0);
  EXPECT_NEAR(b(1), expected[0], 1e-9);
  EXPECT_NEAR(b(3), expected[1], 1e-9);
  EXPECT_NEAR(b(4), expected[2], 1e-9);
}

TEST(MatrixRegression, FullSweepInvertsAndNegates) {
  // Sweeping every pivot of a symmetric positive definite A gives -A^-1.
  const matrix a = fromRows({{4, 1, 0}, {1, 3, 1}, {0, 1, 2}});
  matrix swept = a;
  swept.linreg_sweep(1, 3);
  const matrix product = multipl(a, swept);
  expectNear(toRows(product), Dense{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}, 1e-14);
  // Sweeping nothing (first > last) leaves the matrix as it was.
  matrix untouched = a;
  untouched.linreg_sweep(2, 1);
  EXPECT_EQ(toRows(untouched), toRows(a));
}

TEST(MatrixSorting, SortsVectorsOfBothOrientationsBothWays) {
  matrix column = fromRows({{3}, {-1}, {2}, {2}, {10}});
  vectorsort(column, Ascending);
  EXPECT_EQ(toRows(column), (Dense{{-1}, {2}, {2}, {3}, {10}}));
  matrix rowVector = fromRows({{3, -1, 2, 10}});
  vectorsort(rowVector, Descending);
  EXPECT_EQ(toRows(rowVector), (Dense{{10, 3, 2, -1}}));
  matrix empty;
  vectorsort(empty, Ascending);
  EXPECT_EQ(empty.rows(), 0);

  std::mt19937 rng(9);
  const Dense values = randomDense(rng, 1, 200, -50, 50);
  matrix v = fromRows(values);
  matrix w = fromRows(values);
  for (int i = 1; i <= 200; ++i) w(i) = 2 * v(i) + 1;  // w follows v
  vectordualsort(v, w, Descending);
  for (int i = 1; i <= 200; ++i) {
    EXPECT_EQ(w(i), 2 * v(i) + 1);
    if (i > 1) {
      EXPECT_GE(v(i - 1), v(i));
    }
  }
  std::vector<double> sorted = values[0];
  std::sort(sorted.begin(), sorted.end(), std::greater<>());
  EXPECT_EQ(toRows(v)[0], sorted);
}

TEST(MatrixSorting, NanDoesNotDisturbTheOrderOfNumbers) {
  matrix v = fromRows({{3, NAN, 1, 2, NAN, 0}});
  vectorsort(v, Ascending);
  EXPECT_EQ(v(1), 0);
  EXPECT_EQ(v(2), 1);
  EXPECT_EQ(v(3), 2);
  EXPECT_EQ(v(4), 3);
  EXPECT_TRUE(std::isnan(v(5)) && std::isnan(v(6)));
}

TEST(MatrixSmoothing, GramCoefficientsMatchTheirRecurrence) {
  // G_0 = 1, G_1 = i/m, G_k(i) = 2(2k-1)/(k(2m-k+1)) i G_{k-1}(i)
  //                            - (k-1)(2m+k)/(k(2m-k+1)) G_{k-2}(i).
  for (int m = 1; m <= 12; ++m) {
    for (int i = -m; i <= m; ++i) {
      double previous = 1.0, current = static_cast<double>(i) / m;
      for (int k = 0; k <= std::min(5, 2 * m); ++k) {
        double expected;
        if (k == 0) {
          expected = 1.0;
        } else if (k == 1) {
          expected = current;
        } else {
          const double next = 2.0 * (2 * k - 1) / (k * (2.0 * m - k + 1)) * i * current -
                              (k - 1.0) * (2.0 * m + k) / (k * (2.0 * m - k + 1)) * previous;
          previous = current;
          current = next;
          expected = next;
        }
        double value = 0.0;
        for (int j = k; j >= 0; --j) value = value * i + fun_delta(k, j, m);
        EXPECT_NEAR(value, expected, 1e-12) << "k=" << k << " m=" << m << " i=" << i;
      }
    }
  }
  EXPECT_DOUBLE_EQ(fun_eps(0, 4), 1.0 / 9);
  EXPECT_EQ(fun_eps(3, 1), 0.0);  // no cubic on three points
  EXPECT_EQ(fun_delta(2, 1, 5), 0.0);
}

TEST(MatrixSmoothing, ReproducesPolynomialsUpToTheDegreeEverywhere) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> coefficient(-2, 2);
  for (int degree = 0; degree <= 5; ++degree) {
    for (int points = 2 * degree + 1; points <= 15; points += 2) {
      if (points < 3) continue;
      const int n = 40;
      double c[6] = {};
      for (int k = 0; k <= degree; ++k) c[k] = coefficient(rng);
      std::vector<double> data(n);
      for (int s = 0; s < n; ++s) {
        const double x = (s - 20) / 10.0;
        for (int k = degree; k >= 0; --k) data[s] = data[s] * x + c[k];
      }
      const matrix smoothed = vectorsmooth(matrix_test::column(data), degree, points);
      ASSERT_EQ(smoothed.rows(), n);
      for (int s = 0; s < n; ++s)
        EXPECT_NEAR(smoothed(s + 1), data[s], 1e-9)
            << "degree " << degree << " points " << points << " sample " << s + 1;
    }
  }
}

TEST(MatrixSmoothing, EachValueIsTheWindowsLeastSquaresFit) {
  std::mt19937 rng(23);
  const Dense noise = randomDense(rng, 30, 1, -5, 5);
  std::vector<double> data(30);
  for (int s = 0; s < 30; ++s) data[s] = noise[s][0];
  for (int degree = 0; degree <= 5; ++degree) {
    for (int points : {5, 7, 11, 13}) {
      const matrix smoothed = vectorsmooth(matrix_test::column(data), degree, points);
      const int m = (points - 1) / 2;
      for (int s = 0; s < 30; ++s) {
        // Window: centred on the sample inside, the first or last full window at the ends.
        const int first = std::clamp(s - m, 0, 30 - points);
        const std::vector<double> window(data.begin() + first, data.begin() + first + points);
        const double expected = matrix_test::windowFit(window, degree, s - first - m);
        EXPECT_NEAR(smoothed(s + 1), expected, 1e-9)
            << "degree " << degree << " points " << points << " sample " << s + 1;
      }
    }
  }
}

TEST(MatrixSmoothing, SmallWindows) {
  const matrix data = fromRows({{1}, {4}, {-2}, {7}, {0}});
  // One point: the data itself.
  EXPECT_EQ(toRows(vectorsmooth(data, 0, 1)), toRows(data));
  // Degree 0, three points: the mean of each inner sample and its neighbours; the ends
  // take the mean of the first / last window.
  const Dense mean3 = toRows(vectorsmooth(data, 0, 3));
  expectNear(mean3, Dense{{1.0}, {1.0}, {3.0}, {5.0 / 3}, {5.0 / 3}}, 1e-15);
  // A degree of points - 1 or more passes through every sample.
  expectNear(toRows(vectorsmooth(data, 5, 3)), toRows(data), 1e-12);
  expectNear(toRows(vectorsmooth(data, 4, 5)), toRows(data), 1e-12);
}
