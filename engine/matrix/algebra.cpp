// Numerical core of the matrix library: products, Gaussian elimination, least squares
// through the sweep operator, sorting of vectors, and moving least-squares smoothing.
//
// Regression goes through the sweep of the cross-product matrix [X y]^T [X y] because
// training fits many small models (one per stage of the game) over long design
// matrices: the cross products cost one pass over the rows, and the sweep then works
// on a (p + 1) x (p + 1) matrix only.
//
// Smoothing uses the closed form of the least-squares polynomial weights through Gram
// polynomials (orthogonal polynomials on the equally spaced points -m..m): the weight
// of sample i for the fitted value at position t is
//   W(t, i) = sum over k = 0..degree of eps(k, m) G_k(i) G_k(t),
// so no system is solved per window and one weight table serves the whole vector.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "matrix/checks.h"
#include "matrix/matrix.h"

namespace zedare {

namespace {

using namespace matrix_checks;

// A strict total order on doubles for the sorts: NaN after every number, so that a
// NaN in the data cannot break the sort's ordering requirement.
bool lessTotal(double a, double b) {
  return a < b || (std::isnan(b) && !std::isnan(a));
}

bool validDirection(Direction direction) {
  return direction == Ascending || direction == Descending;
}

}  // namespace

// ---- products ----

matrix multipl(const matrix& a, const matrix& b) {
  if (a.colCount != b.rowCount) stop("matrix multipl(matrix,matrix)", kDimensionsDiffer);
  matrix result(a.rowCount, b.colCount);
  // Row i of the result accumulates a(i, k) * row k of b for k = 1, 2, ...: each
  // element is still summed in increasing k, and every inner loop runs along a row.
  for (int i = 0; i < a.rowCount; ++i) {
    double* out = result.data[i];
    const double* left = a.data[i];
    for (int k = 0; k < a.colCount; ++k) {
      const double factor = left[k];
      const double* right = b.data[k];
      for (int j = 0; j < b.colCount; ++j) out[j] += factor * right[j];
    }
  }
  return result;
}

matrix multipltransp(const matrix& a, const matrix& b) {
  if (a.colCount != b.colCount) stop("matrix multipltransp(matrix,matrix)", kDimensionsDiffer);
  matrix result(a.rowCount, b.rowCount, matrix::Uninitialised{});
  for (int i = 0; i < a.rowCount; ++i) {
    const double* left = a.data[i];
    for (int j = 0; j < b.rowCount; ++j) {
      const double* right = b.data[j];
      double sum = 0.0;
      for (int k = 0; k < a.colCount; ++k) sum += left[k] * right[k];
      result.data[i][j] = sum;
    }
  }
  return result;
}

matrix crossproduct(const matrix& z) {
  const int p = z.colCount;
  matrix result(p, p);
  for (int r = 0; r < z.rowCount; ++r) {
    const double* values = z.data[r];
    for (int i = 0; i < p; ++i) {
      const double vi = values[i];
      double* out = result.data[i];
      for (int j = i; j < p; ++j) out[j] += vi * values[j];
    }
  }
  for (int i = 0; i < p; ++i)
    for (int j = 0; j < i; ++j) result.data[i][j] = result.data[j][i];
  return result;
}

double scalarmultipl(const matrix& a, const matrix& b) {
  const char* signature = "double scalarmultipl(matrix,matrix)";
  if (!isVector(a)) stop(signature, "pierwszy argument musi byc wektorem");
  if (!isVector(b)) stop(signature, "drugi argument musi byc wektorem");
  // A 1 x 1 matrix is both a row and a column, so it agrees with either orientation.
  const bool aRowOnly = a.colCount != 1;
  const bool aColumnOnly = a.rowCount != 1;
  const bool bRowOnly = b.colCount != 1;
  const bool bColumnOnly = b.rowCount != 1;
  if ((aRowOnly && bColumnOnly) || (aColumnOnly && bRowOnly))
    stop(signature, "niezgodna orientacja wektorow wejsciowych");
  const int n = vectorLength(a);
  if (n != vectorLength(b)) stop(signature, "niezgodna dlugosc wektorow wejsciowych");
  double sum = 0.0;
  for (int i = 1; i <= n; ++i) sum += vectorAt(a, i) * vectorAt(b, i);
  return sum;
}

double scalarsqr(const matrix& v) {
  if (!isVector(v)) stop("double scalarsqr(matrix)", "argument musi byc wektorem");
  double sum = 0.0;
  for (int i = 1; i <= vectorLength(v); ++i) sum += vectorAt(v, i) * vectorAt(v, i);
  return sum;
}

double comutator(const matrix& a, const matrix& v) {
  const char* signature = "double comutator(matrix,matrix)";
  if (a.rowCount != a.colCount) stop(signature, "pierwszy argument musi byc macierza kwadratowa");
  if (v.colCount != 1) stop(signature, "drugi argument musi byc wektorem kolumnowym");
  if (v.rowCount != a.rowCount) stop(signature, "wektor ma inna dlugosc niz wymiary macierzy");
  double sum = 0.0;
  for (int i = 0; i < a.rowCount; ++i) {
    double rowSum = 0.0;
    for (int j = 0; j < a.colCount; ++j) rowSum += a.data[i][j] * v.data[j][0];
    sum += v.data[i][0] * rowSum;
  }
  return sum;
}

// ---- linear equations ----

void matrix::lineqns_gauss(matrix A, matrix b) {
  const char* signature = "lineqns_gauss(matrix,matrix)";
  const int n = A.rowCount;
  if (A.colCount != n || b.rowCount != n || b.colCount != 1) stop(signature, kDimensionsDiffer);
  if (rowCount != n || colCount != 1) *this = matrix(n, 1);
  if (n == 0) return;

  double** a = A.data;
  double* rhs = new double[n];
  for (int i = 0; i < n; ++i) rhs[i] = b.data[i][0];

  bool singular = false;
  for (int k = 0; k < n - 1 && !singular; ++k) {
    int pivotRow = k;
    double largest = std::fabs(a[k][k]);
    for (int r = k + 1; r < n; ++r) {
      if (std::fabs(a[r][k]) > largest) {
        largest = std::fabs(a[r][k]);
        pivotRow = r;
      }
    }
    if (largest == 0.0) {
      singular = true;
      break;
    }
    if (pivotRow != k) {
      std::swap(rhs[k], rhs[pivotRow]);
      // Swapping whole row blocks exchanges the columns before k as well; those
      // entries of rows k.. are never read again.
      std::swap(a[k], a[pivotRow]);
      A.rowsInOrder = false;
    }
    const double* pivot = a[k];
    for (int r = k + 1; r < n; ++r) {
      double* target = a[r];
      const double f = target[k] / pivot[k];
      for (int j = k + 1; j < n; ++j) target[j] -= f * pivot[j];
      rhs[r] -= f * rhs[k];
    }
  }
  if (singular || a[n - 1][n - 1] == 0.0) {
    delete[] rhs;
    for (int i = 0; i < n; ++i) data[i][0] = 0.0;
    stop(signature, "macierz jest prawie osobliwa");
  }

  data[n - 1][0] = rhs[n - 1] / a[n - 1][n - 1];
  for (int i = n - 2; i >= 0; --i) {
    double sum = 0.0;
    for (int j = i + 1; j < n; ++j) sum += a[i][j] * data[j][0];
    data[i][0] = (rhs[i] - sum) / a[i][i];
  }
  delete[] rhs;
}

matrix lineqns(const matrix& a, const matrix& b) {
  const int n = b.rowCount;
  if (b.colCount != 1 || a.rowCount != n || a.colCount != n)
    stop("matrix lineqns(matrix,matrix)", kDimensionsDiffer);
  matrix x(n, 1);
  x.lineqns_gauss(a, b);
  return x;
}

// ---- regression ----

void matrix::linreg_sweep(int first, int last) {
  const char* signature = "linreg_sweep(int,int)";
  if (rowCount != colCount) stop(signature, "macierz powinna byc kwadratowa");
  const int n = rowCount;
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j)
      if (!(data[i][j] == data[j][i])) stop(signature, "macierz powinna byc symetryczna");
  if (first > last) return;
  if (first < 1 || last > n) stop(signature, "indeks poza zakresem");

  matrix scratch(n, n, Uninitialised{});
  for (int k = first - 1; k < last; ++k) {
    const double d = data[k][k];
    // A pivot of exactly 0 belongs to a column that is zero or an exact combination of
    // the columns already swept; sweeping it would divide by zero and turn every
    // element into an infinity or NaN. It is left unswept instead, which gives that
    // column a coefficient of 0 in a regression.
    if (d == 0.0) continue;
    const double* pivotRow = data[k];
    for (int i = 0; i < n; ++i) {
      double* out = scratch.data[i];
      const double* in = data[i];
      if (i == k) {
        for (int j = 0; j < n; ++j) out[j] = in[j] / d;
        out[k] = -1.0 / d;
        continue;
      }
      const double aik = in[k];
      for (int j = 0; j < n; ++j) out[j] = in[j] - aik * pivotRow[j] / d;
      out[k] = aik / d;
    }
    std::swap(data, scratch.data);
  }
}

matrix linreg(const matrix& x, const matrix& y) {
  if (y.rowCount < 1 || y.colCount != 1 || y.rowCount != x.rowCount || x.rowCount < x.colCount)
    stop("matrix linreg(matrix,matrix)", "nieprawidlowe wymiary macierzy");
  const int p = x.colCount;
  matrix s = crossproduct(x | y);
  s.linreg_sweep(1, p);
  matrix b(p, 1, matrix::Uninitialised{});
  for (int i = 0; i < p; ++i) b.data[i][0] = s.data[i][p];
  return b;
}

// ---- sorting ----

void vectorsort(matrix& v, Direction direction) {
  const char* signature = "vectorsort(matrix &,Direction)";
  const bool empty = v.rowCount == 0 && v.colCount == 0;
  if (!empty && !isVector(v)) stop(signature, "oczekiwany wektor");
  if (!validDirection(direction)) stop(signature, "nieprawidlowy kierunek sortowania");
  if (empty) return;
  const int n = vectorLength(v);
  std::vector<double> values(static_cast<size_t>(n));
  for (int i = 1; i <= n; ++i) values[i - 1] = vectorAt(v, i);
  if (direction == Ascending)
    std::sort(values.begin(), values.end(), lessTotal);
  else
    std::sort(values.begin(), values.end(), [](double a, double b) { return lessTotal(b, a); });
  for (int i = 1; i <= n; ++i) vectorAt(v, i) = values[i - 1];
}

void vectordualsort(matrix& v, matrix& w, Direction direction) {
  const char* signature = "vectordualsort(matrix &,matrix &,Direction)";
  const bool empty = v.rowCount == 0 && v.colCount == 0;
  if (!empty && !isVector(v)) stop(signature, "pierwszy argument nie jest wektorem");
  if (w.rowCount != v.rowCount || w.colCount != v.colCount)
    stop(signature, "wektor dualny ma nieprawidlowe wymiary");
  if (!validDirection(direction)) stop(signature, "nieprawidlowy kierunek sortowania");
  if (empty || &v == &w) {
    if (!empty) vectorsort(v, direction);
    return;
  }
  const int n = vectorLength(v);
  std::vector<std::pair<double, double>> pairs(static_cast<size_t>(n));
  for (int i = 1; i <= n; ++i) pairs[i - 1] = {vectorAt(v, i), vectorAt(w, i)};
  if (direction == Ascending)
    std::sort(pairs.begin(), pairs.end(),
              [](const auto& a, const auto& b) { return lessTotal(a.first, b.first); });
  else
    std::sort(pairs.begin(), pairs.end(),
              [](const auto& a, const auto& b) { return lessTotal(b.first, a.first); });
  for (int i = 1; i <= n; ++i) {
    vectorAt(v, i) = pairs[i - 1].first;
    vectorAt(w, i) = pairs[i - 1].second;
  }
}

// ---- smoothing ----

double fun_eps(int k, int m) {
  if (k < 0 || k > 5) stop("double fun_eps(int,int)", "zle wywolanie funkcji wewnetrznej");
  if (k > 2 * m) return 0.0;
  // (2k + 1) (2m)!^2 / ((2m + k + 1)! (2m - k)!)
  //   = (2k + 1) * [(2m)(2m - 1)...(2m - k + 1)] / [(2m + 1)(2m + 2)...(2m + k + 1)]
  double value = 2.0 * k + 1.0;
  for (int q = 0; q < k; ++q) value *= 2.0 * m - q;
  for (int q = 1; q <= k + 1; ++q) value /= 2.0 * m + q;
  return value;
}

double fun_delta(int k, int j, int m) {
  if (k < 0 || k > 5) stop("double fun_delta(int,int,int)", "zle wywolanie funkcji wewnetrznej");
  if (j < 0 || j > k || k > 2 * m) return 0.0;
  // Gram polynomials on -m..m scaled to 1 at i = m, written out by powers of i. Each
  // has the parity of its degree, so every other coefficient is 0. The denominators
  // vanish only for k > 2m, excluded above.
  const double M = m;
  switch (k) {
    case 0:
      return 1.0;
    case 1:
      return j == 1 ? 1.0 / M : 0.0;
    case 2: {
      const double den = M * (2 * M - 1);
      if (j == 0) return -M * (M + 1) / den;
      if (j == 2) return 3.0 / den;
      return 0.0;
    }
    case 3: {
      const double den = M * (M - 1) * (2 * M - 1);
      if (j == 1) return (-3 * M * M - 3 * M + 1) / den;
      if (j == 3) return 5.0 / den;
      return 0.0;
    }
    case 4: {
      const double den = 2 * M * (M - 1) * (2 * M - 3) * (2 * M - 1);
      if (j == 0) return 3 * M * (M - 1) * (M + 1) * (M + 2) / den;
      if (j == 2) return -5 * (6 * M * M + 6 * M - 5) / den;
      if (j == 4) return 35.0 / den;
      return 0.0;
    }
    default: {
      const double den = 2 * M * (M - 2) * (M - 1) * (2 * M - 3) * (2 * M - 1);
      if (j == 1) return (15 * M * M * M * M + 30 * M * M * M - 35 * M * M - 50 * M + 12) / den;
      if (j == 3) return -35 * (2 * M * M + 2 * M - 3) / den;
      if (j == 5) return 63.0 / den;
      return 0.0;
    }
  }
}

matrix vectorsmooth(const matrix& v, int degree, int points) {
  const char* signature = "matrix vectorsmooth(matrix,int,int)";
  const int n = v.rowCount;
  if (v.colCount > 1 || (v.colCount == 0 && n > 0)) stop(signature, "oczekiwany wektor kolumnowy");
  if (points % 2 == 0) stop(signature, "oczekiwana nieparzysta liczba punktow do usredniania");
  if (points > n) stop(signature, "liczba punktow do usredniania przekracza dlugosc danych");
  if (degree > 5) stop(signature, "stopien wielomianu przekracza 5");
  // A negative window or degree has no meaning; without this check they would index
  // the weight table out of its bounds or silently give zeros.
  if (points < 1 || degree < 0) stop(signature, "niewlasciwe argumenty");

  const int m = (points - 1) / 2;
  // Gram polynomial values G_k(i) for i = -m..m, row k, column i + m.
  std::vector<double> gram(static_cast<size_t>(6 * points), 0.0);
  double eps[6] = {};
  for (int k = 0; k <= degree; ++k) {
    eps[k] = fun_eps(k, m);
    double coefficient[6];
    for (int j = 0; j <= k; ++j) coefficient[j] = fun_delta(k, j, m);
    for (int i = -m; i <= m; ++i) {
      double value = 0.0;
      for (int j = k; j >= 0; --j) value = value * i + coefficient[j];
      gram[static_cast<size_t>(k * points + i + m)] = value;
    }
  }
  // weight[(t + m) * points + (i + m)]: weight of window sample i for position t.
  std::vector<double> weight(static_cast<size_t>(points) * points);
  for (int t = -m; t <= 0; ++t) {
    for (int i = -m; i <= m; ++i) {
      double w = 0.0;
      for (int k = 0; k <= degree; ++k)
        w += eps[k] * gram[static_cast<size_t>(k * points + i + m)] *
             gram[static_cast<size_t>(k * points + t + m)];
      weight[static_cast<size_t>((t + m) * points + i + m)] = w;
    }
  }
  for (int t = 1; t <= m; ++t)
    for (int i = -m; i <= m; ++i)
      weight[static_cast<size_t>((t + m) * points + i + m)] =
          weight[static_cast<size_t>((-t + m) * points - i + m)];

  matrix result(n, 1, matrix::Uninitialised{});
  auto apply = [&](int firstSample, int t) {  // firstSample 0-based, t in -m..m
    const double* w = &weight[static_cast<size_t>((t + m) * points)];
    double sum = 0.0;
    for (int i = 0; i < points; ++i) sum += w[i] * v.data[firstSample + i][0];
    return sum;
  };
  for (int p = 0; p < m; ++p) result.data[p][0] = apply(0, p - m);
  for (int p = m; p < n - m; ++p) result.data[p][0] = apply(p - m, 0);
  for (int p = n - m; p < n; ++p) result.data[p][0] = apply(n - points, p - (n - m - 1));
  return result;
}

}  // namespace zedare
