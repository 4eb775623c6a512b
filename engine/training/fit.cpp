// Fitting the evaluation's weights to self-play data, smoothing them along the disc
// count, and the per-column report of the same data.
//
// The data is a feature-row file (writeFeatureRows): one row of 20 integers per
// position. The response of a row is the final disc difference of its game, column 4 of
// the last row of the run of rows with its game number (the game's final position).
// Rows are grouped by their disc count (column 2, the stage), and each stage is fitted
// on its own by least squares without an intercept:
//
//   1. only the columns allowed in are kept: by default frontier (5) and corners and
//      X-squares (8); optionally every column;
//   2. a column is a candidate when it is not constant and has at least 200 non-zero
//      entries (only columns 4..12 and 14..18 can be); a candidate's score c_k is its
//      correlation with the response, every other column scores 0;
//   3. columns with |c_k| <= 0.05 are dropped;
//   4. columns are ranked by |c_k|, largest first, and a column correlated at 0.95 or
//      more with a column ranked before it is dropped;
//   5. the remaining non-constant columns are fitted; then, from the lowest |c_k| up,
//      the first column whose coefficient has the wrong sign is dropped and the fit is
//      repeated (column 4 must have the sign of c_4, column 5 must not be positive,
//      columns above 5 must not be negative).
// Optionally the side-to-move column (13, filled only by feature rows written for it)
// enters every stage's fit past all of these rules: within a stage it is nearly constant
// (the disc count fixes the side to move but for passes), so it acts as the stage's
// intercept, which the rules, made for features, would drop.
// The coefficients of stage s form column s of the weight matrix (rows 1..18).
#include "training/fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "api/engine.h"
#include "eval/model.h"
#include "eval/weight_rows.h"
#include "matrix/matrix.h"
#include "training/offline.h"

namespace zedare {

namespace {

constexpr long long kMaxRows = 5950794;     // rows held in memory
constexpr long long kMaxStageRows = 97554;  // rows of one disc count
constexpr int kMinStageRows = 500;          // fewer rows: the stage is not fitted
constexpr int kMinNonZero = 200;            // non-zero entries of a candidate column
constexpr double kMinCorrelation = 0.05;
constexpr double kCollinear = 0.95;
constexpr int kStages = kFitStages;

// Reads the feature-row file with the operation's console messages, and works out the
// response of every row.
int readFeatureData(const char* path, FeatureData& d) {
  InputFile in;
  if (!in.open(path)) {
    std::printf("Brak pliku!");
    std::fflush(stdout);
    return kOfflineCannotOpen;
  }
  std::printf("\n wczytanie do tablicy pomocniczej...");
  std::fflush(stdout);
  const long long size = fileSize(in.get());
  LineReader lines(in.get(), path);
  long long values[kFeatureColumns];
  std::string why;
  while (lines.next()) {
    if (offlineStopRequested()) return kOfflineInterrupted;
    if (!parseFeatureRow(lines.text(), values, kFeatureColumns, why)) {
      lines.reject(why);
      return kOfflineBadInput;
    }
    if (values[1] < 4 || values[1] > kStages) {
      lines.reject("the disc count (column 2) is not between 4 and 64");
      return kOfflineBadInput;
    }
    std::array<int16_t, kFeatureColumns - 1> row;
    for (int k = 1; k < kFeatureColumns; ++k) {
      if (values[k] < INT16_MIN || values[k] > INT16_MAX) {
        lines.reject("column " + std::to_string(k + 1) + " is outside -32768..32767");
        return kOfflineBadInput;
      }
      row[k - 1] = static_cast<int16_t>(values[k]);
    }
    if (static_cast<long long>(d.game.size()) >= kMaxRows) {
      std::fprintf(stderr, "%s:%ld: more than %lld rows, the most this operation holds\n", path,
                   lines.lineNumber(), kMaxRows);
      return kOfflineTooLarge;
    }
    d.game.push_back(static_cast<int32_t>(values[0]));
    d.columns.push_back(row);
    if ((d.game.size() & 0xFFF) == 0) {
      reportOfflineProgress("bytes", lines.bytesRead(), size,
                            static_cast<long long>(d.game.size()));
    }
  }
  if (lines.tooLong()) return kOfflineBadInput;
  const int n = static_cast<int>(d.game.size());
  d.response.assign(n, 0.0);
  for (int end = n - 1; end >= 0;) {
    int begin = end;
    while (begin > 0 && d.game[begin - 1] == d.game[end]) --begin;
    const double finalDifference = d.columns[end][2];  // column 4
    for (int i = begin; i <= end; ++i) d.response[i] = finalDifference;
    end = begin - 1;
  }
  d.indexStages();
  return kOfflineDone;
}

// The design matrix of a stage (column 1 zero, columns 2..20 as read) and its response.
void stageData(const FeatureData& d, int stage, matrix& x, matrix& y) {
  const std::vector<int>& rows = d.stageRows[stage];
  const int n = static_cast<int>(rows.size());
  x = matrix(n, kFeatureColumns);
  y = matrix(n, 1);
  for (int i = 0; i < n; ++i) {
    double* out = x.rowData(i + 1);
    const auto& in = d.columns[rows[i]];
    for (int k = 2; k <= kFeatureColumns; ++k) out[k - 1] = in[k - 2];
    y.rowData(i + 1)[0] = d.response[rows[i]];
  }
}

struct ColumnStats {
  double min = 0, max = 0;
  int nonZero = 0;
};

ColumnStats columnStats(const matrix& x, int k) {
  ColumnStats s;
  for (int i = 1; i <= x.rows(); ++i) {
    const double v = x.rowData(i)[k - 1];
    if (i == 1 || v < s.min) s.min = v;
    if (i == 1 || v > s.max) s.max = v;
    if (v != 0.0) ++s.nonZero;
  }
  return s;
}

bool constantColumn(const matrix& x, int k) {
  const ColumnStats s = columnStats(x, k);
  return s.min == s.max;
}

void zeroColumn(matrix& x, int k) {
  for (int i = 1; i <= x.rows(); ++i) x.rowData(i)[k - 1] = 0.0;
}

// Pearson correlation of column k with y; 0 when either is constant.
double correlation(const matrix& x, int k, const matrix& y) {
  const int n = x.rows();
  double mx = 0, my = 0;
  for (int i = 1; i <= n; ++i) {
    mx += x.rowData(i)[k - 1];
    my += y.rowData(i)[0];
  }
  mx /= n;
  my /= n;
  double sxy = 0, sxx = 0, syy = 0;
  for (int i = 1; i <= n; ++i) {
    const double a = x.rowData(i)[k - 1] - mx, b = y.rowData(i)[0] - my;
    sxy += a * b;
    sxx += a * a;
    syy += b * b;
  }
  if (sxx <= 0 || syy <= 0) return 0.0;
  return sxy / std::sqrt(sxx * syy);
}

// Covariance matrix of the columns of x (centred, divided by the number of rows).
std::vector<double> covariance(const matrix& x) {
  const int n = x.rows(), p = x.cols();
  std::vector<double> mean(p, 0.0), v(static_cast<size_t>(p) * p, 0.0);
  for (int i = 1; i <= n; ++i)
    for (int k = 0; k < p; ++k) mean[k] += x.rowData(i)[k];
  for (double& m : mean) m /= n;
  for (int i = 1; i <= n; ++i) {
    const double* r = x.rowData(i);
    for (int a = 0; a < p; ++a) {
      const double da = r[a] - mean[a];
      for (int b = a; b < p; ++b) v[a * p + b] += da * (r[b] - mean[b]);
    }
  }
  for (int a = 0; a < p; ++a)
    for (int b = a; b < p; ++b) v[b * p + a] = v[a * p + b] /= n;
  return v;
}

// Least squares on the non-constant columns of x and on the column `forced` (0: none)
// unless it is all zeros, spread back to all columns.
std::vector<double> fitColumns(const matrix& x, const matrix& y, int forced) {
  std::vector<double> coefficients(kFeatureColumns + 1, 0.0);
  std::vector<int> used;
  for (int k = 1; k <= kFeatureColumns; ++k) {
    if (k == forced ? columnStats(x, k).nonZero > 0 : !constantColumn(x, k)) used.push_back(k);
  }
  if (used.empty()) return coefficients;
  matrix index(1, static_cast<int>(used.size()));
  for (size_t j = 0; j < used.size(); ++j) index(1, static_cast<int>(j) + 1) = used[j];
  const matrix b = linreg(cols(x, index), y);
  for (size_t j = 0; j < used.size(); ++j) coefficients[used[j]] = b(static_cast<int>(j) + 1, 1);
  return coefficients;
}

bool breaksSignRule(int k, double coefficient, double score) {
  if (k == rowOf(WeightRow::DiscDifference)) return coefficient * score < 0;
  if (k == rowOf(WeightRow::Frontier)) return coefficient > 0;
  if (k > rowOf(WeightRow::Frontier)) return coefficient < 0;
  return false;
}

// Fits one stage; returns the 20 coefficients (index 1..20) and the RMS residual. The
// column `forced` (0: none) is kept out of every column rule.
std::vector<double> fitStage(matrix& x, const matrix& y, bool allColumns, int forced,
                             double& error) {
  if (!allColumns) {
    for (int k = 1; k <= kFeatureColumns; ++k)
      if (k != rowOf(WeightRow::Frontier) && k != rowOf(WeightRow::CornersAndXSquares) &&
          k != forced) {
        zeroColumn(x, k);
      }
  }
  std::vector<double> score(kFeatureColumns + 1, 0.0);
  for (int k = rowOf(WeightRow::DiscDifference); k <= kWeightRows; ++k) {
    if (k == rowOf(WeightRow::SideToMove)) continue;
    const ColumnStats s = columnStats(x, k);
    if (s.max != s.min && s.nonZero >= kMinNonZero) score[k] = correlation(x, k, y);
  }
  for (int k = 1; k <= kFeatureColumns; ++k)
    if (k != forced && std::fabs(score[k]) <= kMinCorrelation) zeroColumn(x, k);

  std::vector<int> rank(kFeatureColumns);
  std::iota(rank.begin(), rank.end(), 1);
  std::stable_sort(rank.begin(), rank.end(),
                   [&](int a, int b) { return std::fabs(score[a]) > std::fabs(score[b]); });
  const std::vector<double> v = covariance(x);
  auto cov = [&v](int a, int b) { return v[(a - 1) * kFeatureColumns + (b - 1)]; };
  for (int i = 0; i < kFeatureColumns; ++i) {
    for (int j = i + 1; j < kFeatureColumns; ++j) {
      const int a = rank[i], b = rank[j];
      if (a == forced || b == forced) continue;
      if (cov(a, a) == 0.0 || cov(b, b) == 0.0) continue;
      if (std::fabs(cov(a, b)) / std::sqrt(cov(a, a) * cov(b, b)) >= kCollinear) zeroColumn(x, b);
    }
  }

  std::vector<double> coefficients;
  for (;;) {
    coefficients = fitColumns(x, y, forced);
    int broken = 0;
    for (int i = kFeatureColumns - 1; i >= 0 && !broken; --i) {
      const int k = rank[i];
      if (k != forced && coefficients[k] != 0.0 && breaksSignRule(k, coefficients[k], score[k])) broken = k;
    }
    if (!broken) break;
    zeroColumn(x, broken);
  }

  double sum = 0.0;
  for (int i = 1; i <= x.rows(); ++i) {
    const double* r = x.rowData(i);
    double predicted = 0.0;
    for (int k = 1; k <= kFeatureColumns; ++k) predicted += r[k - 1] * coefficients[k];
    const double residual = predicted - y.rowData(i)[0];
    sum += residual * residual;
  }
  error = std::sqrt(sum / x.rows());
  return coefficients;
}

bool nonZero(double v) {
  return !(v == 0.0);
}  // a NaN counts as non-zero

// Whether every stage fits in the fit's limits; reports the first that does not.
bool stagesFit(const FeatureData& d, const char* source) {
  for (int s = 4; s <= kStages; ++s) {
    const long long n = static_cast<long long>(d.stageRows[s].size());
    if (n > kMaxStageRows) {
      std::fprintf(stderr, "%s: %lld rows with %d discs, more than the %lld one stage holds\n",
                   source, n, s, kMaxStageRows);
      return false;
    }
  }
  return true;
}

}  // namespace

void FeatureData::indexStages() {
  for (auto& rows : stageRows) rows.clear();
  for (size_t i = 0; i < game.size(); ++i) stageRows[columns[i][0]].push_back(static_cast<int>(i));
}

int fitWeightMatrix(const FeatureData& d, bool allColumns, bool sideToMove, bool consoleMessages,
                    matrix& weights, matrix& errors, const char* source) {
  if (!stagesFit(d, source)) return kOfflineTooLarge;
  const int forced = sideToMove ? rowOf(WeightRow::SideToMove) : 0;
  matrix coefficients = zeros(kFeatureColumns, kStages);
  errors = zeros(1, kStages);
  int firstFitted = 0;
  matrix x, y;
  for (int s = 4; s <= kStages; ++s) {
    if (offlineStopRequested()) return kOfflineInterrupted;
    if (consoleMessages) {
      std::printf("\n pola zajete= %i", s);
      std::fflush(stdout);
      reportOfflineProgress("stages", s - 3, kStages - 3, static_cast<long long>(d.game.size()));
    }
    if (static_cast<int>(d.stageRows[s].size()) < kMinStageRows) continue;
    stageData(d, s, x, y);
    double error = 0.0;
    const std::vector<double> c = fitStage(x, y, allColumns, forced, error);
    for (int k = 1; k <= kFeatureColumns; ++k) coefficients(k, s) = c[k];
    errors(1, s) = error;
    if (!firstFitted) firstFitted = s;
  }

  weights = matrix(kWeightRows, kStages);
  copy(coefficients, 1, 1, kWeightRows, kStages, weights, 1, 1);
  // The stages before the first one with enough data take its weights.
  for (int s = 5; s < firstFitted; ++s)
    copy(weights, 1, firstFitted, kWeightRows, 1, weights, 1, s);
  return kOfflineDone;
}

int Engine::fitWeights(const char* rowFile, const char* outputName, int allColumns,
                       const char* errorFile, int sideToMove) {
  const std::string weightPath = std::string(outputName) + ".dat";
  FeatureData d;
  if (const int status = readFeatureData(rowFile, d)) return status;
  if (!stagesFit(d, rowFile)) return kOfflineTooLarge;
  const int forced = sideToMove ? rowOf(WeightRow::SideToMove) : 0;
  if (forced && std::none_of(d.columns.begin(), d.columns.end(),
                             [forced](const auto& row) { return row[forced - 2] != 0; })) {
    std::fprintf(stderr,
                 "%s: column %d is 0 in every row: the side-to-move term needs rows written "
                 "with it\n",
                 rowFile, forced);
    return kOfflineBadInput;
  }
  if (!writableOutput(weightPath) || !writableOutput(errorFile)) return kOfflineCannotOpen;
  matrix weights, errors;
  if (const int status =
          fitWeightMatrix(d, allColumns != 0, sideToMove != 0, true, weights, errors, rowFile)) {
    return status;
  }
  weights.writetxt(weightPath.c_str(), Comma);
  errors.writetxt(errorFile, Comma);
  return kOfflineDone;
}

matrix smoothWeightMatrix(const matrix& m, int first, int last, int points) {
  matrix w = m;
  for (int r = 1; r <= m.rows(); ++r) {
    if (r == rowOf(WeightRow::RegionParity)) continue;  // left as fitted
    const double* in = m.rowData(r);
    double* out = w.rowData(r);
    for (int j = first; j <= last;) {
      if (!nonZero(in[j - 1])) {
        ++j;
        continue;
      }
      // A run: non-zero elements, with single zeros between them kept inside.
      int b = j;
      for (;;) {
        if (b + 1 <= last && nonZero(in[b])) {
          ++b;
        } else if (b + 2 <= last && nonZero(in[b + 1])) {
          b += 2;
        } else {
          break;
        }
      }
      const int n = b - j + 1;
      const int window = n >= points ? points : n >= 3 ? 3 : 0;
      if (window) {
        matrix v(n, 1);
        for (int i = 0; i < n; ++i) v.rowData(i + 1)[0] = in[j - 1 + i];
        const matrix smooth = vectorsmooth(v, 1, window);
        for (int i = 0; i < n; ++i) out[j - 1 + i] = smooth.rowData(i + 1)[0];
      }
      j = b + 1;
    }
  }
  return w;
}

int Engine::smoothWeights(const char* input, int first, int last, int points, const char* output) {
  if (points < 1 || points % 2 == 0) {
    std::fprintf(stderr, "smooth: the number of points must be odd and positive (%d)\n", points);
    return kOfflineBadArgument;
  }
  {
    InputFile in;
    if (!in.open(input)) return kOfflineCannotOpen;
  }
  matrix m;
  m.readtxt(input);
  if (first < 1 || last > m.cols() || first > last) {
    std::fprintf(stderr, "smooth: columns %d to %d are not within the %d columns of %s\n", first,
                 last, m.cols(), input);
    return kOfflineBadArgument;
  }
  if (!writableOutput(output)) return kOfflineCannotOpen;
  smoothWeightMatrix(m, first, last, points).writetxt(output, Comma);
  return kOfflineDone;
}

int Engine::featureReport(const char* rowFile, const char* directory) {
  FeatureData d;
  if (const int status = readFeatureData(rowFile, d)) return status;
  const std::string prefix = directory && *directory ? std::string(directory) + "/" : "";
  const std::string names[3] = {prefix + "korelacje.txt", prefix + "parametry0.txt",
                                prefix + "wypelnienie.txt"};
  for (const std::string& name : names)
    if (!writableOutput(name)) return kOfflineCannotOpen;
  matrix correlations = zeros(kFeatureColumns, kStages);
  matrix slopes = zeros(kFeatureColumns, kStages);
  matrix filled = zeros(kFeatureColumns, kStages);
  matrix x, y;
  for (int s = 4; s <= kStages - 1; ++s) {
    if (offlineStopRequested()) return kOfflineInterrupted;
    reportOfflineProgress("stages", s - 3, kStages - 4, static_cast<long long>(d.game.size()));
    if (d.stageRows[s].empty()) continue;
    stageData(d, s, x, y);
    for (int k = 1; k <= kFeatureColumns; ++k) {
      filled(k, s) = columnStats(x, k).nonZero;
      correlations(k, s) = correlation(x, k, y);
      // The least-squares coefficient of the column alone (no intercept, like the fit).
      double sxy = 0, sxx = 0;
      for (int i = 1; i <= x.rows(); ++i) {
        const double v = x.rowData(i)[k - 1];
        sxy += v * y.rowData(i)[0];
        sxx += v * v;
      }
      slopes(k, s) = sxx > 0 ? sxy / sxx : 0.0;
    }
  }
  correlations.writetxt(names[0].c_str(), Comma);
  slopes.writetxt(names[1].c_str(), Comma);
  filled.writetxt(names[2].c_str(), Comma);
  return kOfflineDone;
}

}  // namespace zedare
