// Helpers shared by the matrix tests: independent reference computations on plain
// vectors (so a fault in the library cannot hide in its own oracle), scratch files, and
// running a failing operation in a death-test child.
#ifndef ZEDARE_TESTS_MATRIX_SUPPORT_H
#define ZEDARE_TESTS_MATRIX_SUPPORT_H

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "matrix/matrix.h"

namespace matrix_test {

using Dense = std::vector<std::vector<double>>;

inline zedare::matrix fromRows(const Dense& rows) {
  const int r = static_cast<int>(rows.size());
  const int c = r == 0 ? 0 : static_cast<int>(rows[0].size());
  zedare::matrix m(r, c);
  for (int i = 0; i < r; ++i)
    for (int j = 0; j < c; ++j) m.rowData(i + 1)[j] = rows[i][j];
  return m;
}

inline Dense toRows(const zedare::matrix& m) {
  Dense rows(m.rows(), std::vector<double>(m.cols()));
  for (int i = 0; i < m.rows(); ++i)
    for (int j = 0; j < m.cols(); ++j) rows[i][j] = m.rowData(i + 1)[j];
  return rows;
}

inline zedare::matrix column(const std::vector<double>& values) {
  zedare::matrix m(static_cast<int>(values.size()), 1);
  for (size_t i = 0; i < values.size(); ++i) m.rowData(static_cast<int>(i) + 1)[0] = values[i];
  return m;
}

inline Dense randomDense(std::mt19937& rng, int r, int c, double low = -1.0, double high = 1.0) {
  std::uniform_real_distribution<double> dist(low, high);
  Dense rows(r, std::vector<double>(c));
  for (auto& row : rows)
    for (double& v : row) v = dist(rng);
  return rows;
}

// Least squares by Householder QR of X (n x p, n >= p, full column rank): solves
// min |X b - y| without forming X^T X.
inline std::vector<double> leastSquaresQr(Dense x, std::vector<double> y) {
  const size_t n = x.size();
  const size_t p = x[0].size();
  for (size_t k = 0; k < p; ++k) {
    double norm = 0.0;
    for (size_t i = k; i < n; ++i) norm += x[i][k] * x[i][k];
    norm = std::sqrt(norm);
    const double alpha = x[k][k] > 0 ? -norm : norm;
    std::vector<double> v(n, 0.0);
    for (size_t i = k; i < n; ++i) v[i] = x[i][k];
    v[k] -= alpha;
    double vv = 0.0;
    for (size_t i = k; i < n; ++i) vv += v[i] * v[i];
    if (vv == 0.0) continue;
    for (size_t j = k; j < p; ++j) {
      double s = 0.0;
      for (size_t i = k; i < n; ++i) s += v[i] * x[i][j];
      for (size_t i = k; i < n; ++i) x[i][j] -= 2.0 * s / vv * v[i];
    }
    double s = 0.0;
    for (size_t i = k; i < n; ++i) s += v[i] * y[i];
    for (size_t i = k; i < n; ++i) y[i] -= 2.0 * s / vv * v[i];
  }
  std::vector<double> b(p);
  for (size_t k = p; k-- > 0;) {
    double s = y[k];
    for (size_t j = k + 1; j < p; ++j) s -= x[k][j] * b[j];
    b[k] = s / x[k][k];
  }
  return b;
}

// Value at offset t of the least-squares polynomial of the given degree through the
// samples at offsets -m..m (the window), by QR on the Vandermonde matrix.
inline double windowFit(const std::vector<double>& window, int degree, int t) {
  const int m = static_cast<int>(window.size() - 1) / 2;
  const int terms = std::min(degree + 1, static_cast<int>(window.size()));
  Dense x(window.size(), std::vector<double>(terms));
  for (int i = -m; i <= m; ++i)
    for (int k = 0; k < terms; ++k) x[i + m][k] = std::pow(static_cast<double>(i) / (m + 1), k);
  const std::vector<double> b = leastSquaresQr(x, window);
  double value = 0.0;
  for (int k = 0; k < terms; ++k) value += b[k] * std::pow(static_cast<double>(t) / (m + 1), k);
  return value;
}

// A fresh scratch directory for one test.
inline std::filesystem::path scratchDir(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("zedare_matrix_" + name + "_" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

inline std::string readFile(const std::filesystem::path& path) {
  std::string text;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return text;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
  std::fclose(f);
  return text;
}

// For death-test children: the error text goes to standard output, which the death
// test does not capture, so standard output is joined to standard error; standard input
// comes from /dev/null so that the console handler never waits for a key.
template <class F>
void runFailing(F&& operation) {
  std::fflush(stdout);
  ::dup2(STDERR_FILENO, STDOUT_FILENO);
  const int null = ::open("/dev/null", O_RDONLY);
  ::dup2(null, STDIN_FILENO);
  operation();
  std::fputs("operation returned\n", stderr);
  std::fflush(stderr);
}

// A POSIX extended regular expression matching exactly `text`, anchored at both ends.
inline std::string exactly(const std::string& text) {
  std::string re = "^";
  for (char c : text) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) re += '\\';
    re += c;
  }
  return re + "$";
}

inline std::string errorText(const std::string& signature, const std::string& message,
                             const std::string& detail = "") {
  return "MATRIX: " + signature + "\n" + message + "\n" + detail + "\n";
}

}  // namespace matrix_test

#endif  // ZEDARE_TESTS_MATRIX_SUPPORT_H
