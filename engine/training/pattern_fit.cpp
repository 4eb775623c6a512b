// The line pattern tables fitted jointly with the weights (see pattern_fit.h).
//
// The evaluation of a position with s discs adds, for each line table t, the weight
// W(row of t, s) times its feature, which is 10 x C x the sum of the table's values at the
// position's lines (before the truncation to an integer). With the weights fixed that is
// linear in the table values, so for all positions together
//
//   final disc difference - (the terms that read no line table)
//     ~ sum over t of W(row t, s) x 10 x C x sum over the lines of t of value[t][line]
//
// is one sparse least-squares problem: a row per position, a column per table value, at
// most fourteen entries per row. The values are tied by the two symmetries every table
// has: the colours and the side to move inverted negate a value, and a line read backwards
// has the same value; so a column stands for a class of up to four pattern indices. The
// solver is the conjugate-gradient method on the normal equations with the columns scaled
// to unit norm (Eigen's LeastSquaresConjugateGradient and its diagonal preconditioner). A
// small ridge term pulls every value towards 0 as if it had `ridge` more occurrences with
// nothing to explain, so that rare patterns stay near 0 instead of absorbing noise.
//
// The alternation starts from the pattern statistics (the per-configuration means) and the
// weights fitted to their features; each round solves the four tables for the current
// weights and fits and smooths the weights again for the features of the new tables (the
// fit of `fit --all-columns --side-to-move`, then `smooth`). The corner tables keep their
// means: the corner features choose among their three lines by the values' size, which is
// not linear.
//
// The values are rounded to what the pattern files hold before any feature is computed
// with them, so the weights are fitted to exactly the features the written model gives.
#include "training/pattern_fit.h"

#include <Eigen/IterativeLinearSolvers>
#include <Eigen/SparseCore>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "board/board.h"
#include "eval/context.h"
#include "eval/features.h"
#include "eval/model.h"
#include "eval/weight_rows.h"
#include "training/fit.h"
#include "training/offline.h"

namespace zedare {

namespace {

constexpr int kSquareConfigurations = 6561;  // 3^8
constexpr int kLineRows[kLineTables] = {rowOf(WeightRow::EdgeLine1), rowOf(WeightRow::EdgeLine2),
                                        rowOf(WeightRow::EdgeLine3),
                                        rowOf(WeightRow::DiagonalPatterns)};
constexpr int kLineTableIndex[kLineTables] = {pattern::SC1, pattern::SC2, pattern::SC3,
                                              pattern::PRZ};
// The table of each of the fourteen lines.
constexpr int kTableOfLine[kLinesPerPosition] = {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3};

int reversedSquares(int squares) {
  int reversed = 0;
  for (int i = 0; i < 8; ++i) {
    reversed = reversed * 3 + squares % 3;
    squares /= 3;
  }
  return reversed;
}

int invertedSquares(int squares) {
  int inverted = 0, place = 1;
  for (int i = 0; i < 8; ++i) {
    inverted += (2 - squares % 3) * place;
    squares /= 3;
    place *= 3;
  }
  return inverted;
}

// Which unknown each pattern index stands for, and with which sign; -1 for the indices
// with side to move 0 (never evaluated).
struct Classes {
  std::vector<int> of = std::vector<int>(pattern::kRows, -1);
  std::vector<int8_t> sign = std::vector<int8_t>(pattern::kRows, 0);
  int count = 0;

  explicit Classes(bool symmetries) {
    if (!symmetries) {
      for (int index = 0; index < pattern::kRows; ++index) {
        if (index / kSquareConfigurations == 1) continue;
        of[index] = count++;
        sign[index] = 1;
      }
      return;
    }
    // The representative of a class: side to move +1, the smaller of the line and its
    // reverse.
    std::vector<int> id(kSquareConfigurations, -1);
    for (int squares = 0; squares < kSquareConfigurations; ++squares) {
      const int representative = std::min(squares, reversedSquares(squares));
      if (id[representative] < 0) id[representative] = count++;
      id[squares] = id[representative];
    }
    for (int squares = 0; squares < kSquareConfigurations; ++squares) {
      of[2 * kSquareConfigurations + squares] = id[squares];
      sign[2 * kSquareConfigurations + squares] = 1;
      of[squares] = id[invertedSquares(squares)];
      sign[squares] = -1;
    }
  }
};

// A value as the pattern files hold it: written with ten significant digits, read back.
double asWritten(double value) {
  char text[48];
  const auto written =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, 10);
  double back = 0.0;
  std::from_chars(text, written.ptr, back);
  return back;
}

void roundAsWritten(matrix& m) {
  for (int i = 1; i <= m.rows(); ++i)
    for (int j = 0; j < m.cols(); ++j) m.rowData(i)[j] = asWritten(m.rowData(i)[j]);
}

using SparseRows = Eigen::SparseMatrix<double, Eigen::RowMajor>;

}  // namespace

std::string checkPatternFitOptions(const PatternFitOptions& o) {
  if (o.alternations < 0) return "the number of alternations must not be negative";
  if (!(o.ridge >= 0.0) || !std::isfinite(o.ridge)) return "the ridge must be a number >= 0";
  if (!(o.stageWeight > 0.0) || !std::isfinite(o.stageWeight))
    return "the stage weight must be a number > 0";
  if (o.weightedFirst > o.weightedLast) return "the weighted disc counts are an empty range";
  if (o.solverIterations < 1) return "the solver needs at least one iteration";
  if (!(o.tolerance > 0.0) || !(o.tolerance < 1.0)) return "the tolerance must be in (0, 1)";
  if (o.smoothPoints < 1 || o.smoothPoints % 2 == 0)
    return "the smoothing points must be odd and positive";
  if (o.smoothFirst < 1 || o.smoothLast > kFitStages || o.smoothFirst > o.smoothLast ||
      o.smoothLast - o.smoothFirst + 1 < o.smoothPoints) {
    return "the smoothed columns must lie within 1..64 and hold the smoothing window";
  }
  return "";
}

LineIndices lineIndices(const Board& b) {
  const int side = b.sideToMove;
  LineIndices out{};
  for (int k = 1; k <= 3; ++k) {
    uint16_t* lines = &out[4 * (k - 1)];
    lines[0] = static_cast<uint16_t>(patternIndex(b, LineKind::ColumnDown, k, side));
    lines[1] = static_cast<uint16_t>(patternIndex(b, LineKind::RowLeft, k, side));
    lines[2] = static_cast<uint16_t>(patternIndex(b, LineKind::ColumnUp, 9 - k, side));
    lines[3] = static_cast<uint16_t>(patternIndex(b, LineKind::RowRight, 9 - k, side));
  }
  out[12] = static_cast<uint16_t>(patternIndex(b, LineKind::Diagonal, 0, side));
  out[13] = static_cast<uint16_t>(patternIndex(b, LineKind::AntiDiagonal, 0, side));
  return out;
}

int fitLineTables(const LineSamples& samples, const matrix& weights, int computer,
                  const PatternFitOptions& options,
                  std::array<std::vector<double>, kLineTables>& values, LineSolve& solve) {
  const Classes classes(options.symmetries);
  const int n = static_cast<int>(samples.lines.size());
  const int all = kLineTables * classes.count;
  auto weightOf = [&](int table, int discs) {
    return weights.rowData(kLineRows[table])[discs - 1];
  };
  auto stageFactor = [&](int discs) {
    return discs >= options.weightedFirst && discs <= options.weightedLast
               ? std::sqrt(options.stageWeight)
               : 1.0;
  };

  // The columns that some weighted sample reaches, numbered in order; the mean square
  // coefficient of each table, the unit of its ridge term.
  std::vector<int> column(all, -1);
  std::array<double, kLineTables> squares{}, entries{};
  std::vector<int> rowEntries;
  rowEntries.reserve(n);
  for (int i = 0; i < n; ++i) {
    const int discs = samples.discs[i];
    int used = 0;
    for (int l = 0; l < kLinesPerPosition; ++l) {
      const int t = kTableOfLine[l];
      const double a = 10.0 * weightOf(t, discs) * stageFactor(discs);
      if (a == 0.0) continue;
      column[t * classes.count + classes.of[samples.lines[i][l]]] = 0;
      squares[t] += a * a;
      entries[t] += 1;
      ++used;
    }
    rowEntries.push_back(used);
  }
  int unknowns = 0;
  for (int& c : column)
    if (c == 0) c = unknowns++;
  solve = LineSolve{};
  solve.unknowns = unknowns;

  int rows = 0;
  for (int i = 0; i < n; ++i) rows += rowEntries[i] > 0;
  SparseRows a(rows + unknowns, std::max(unknowns, 1));
  Eigen::VectorXi reserve(rows + unknowns);
  for (int i = 0, r = 0; i < n; ++i)
    if (rowEntries[i] > 0) reserve[r++] = rowEntries[i];
  for (int j = 0; j < unknowns; ++j) reserve[rows + j] = 1;
  a.reserve(reserve);
  Eigen::VectorXd b = Eigen::VectorXd::Zero(rows + unknowns);
  std::vector<std::pair<int, double>> row;
  for (int i = 0, r = 0; i < n; ++i) {
    if (rowEntries[i] == 0) continue;
    const int discs = samples.discs[i];
    const double factor = stageFactor(discs);
    row.clear();
    for (int l = 0; l < kLinesPerPosition; ++l) {
      const int t = kTableOfLine[l];
      const double w = weightOf(t, discs);
      if (w == 0.0) continue;
      const int index = samples.lines[i][l];
      const int c = column[t * classes.count + classes.of[index]];
      const double coefficient = 10.0 * w * factor * computer * classes.sign[index];
      // Two lines of one class add up in one entry.
      bool merged = false;
      for (auto& [at, sum] : row)
        if (at == c) {
          sum += coefficient;
          merged = true;
        }
      if (!merged) row.emplace_back(c, coefficient);
    }
    std::sort(row.begin(), row.end());
    for (const auto& [c, coefficient] : row) a.insert(r, c) = coefficient;
    b[r] = samples.target[i] * factor;
    ++r;
  }
  for (int t = 0; t < kLineTables; ++t) {
    const double unit = entries[t] > 0 ? std::sqrt(squares[t] / entries[t]) : 0.0;
    for (int k = 0; k < classes.count; ++k) {
      const int c = column[t * classes.count + k];
      if (c >= 0) a.insert(rows + c, c) = std::sqrt(options.ridge) * unit;
    }
  }
  a.makeCompressed();

  // The current values are the starting point.
  Eigen::VectorXd guess = Eigen::VectorXd::Zero(std::max(unknowns, 1));
  for (int t = 0; t < kLineTables; ++t) {
    for (int index = 0; index < pattern::kRows; ++index) {
      if (classes.of[index] < 0) continue;
      const int c = column[t * classes.count + classes.of[index]];
      if (c >= 0 && classes.sign[index] > 0) guess[c] = values[t][index];
    }
  }
  Eigen::VectorXd x = guess;
  if (unknowns > 0) {
    Eigen::LeastSquaresConjugateGradient<SparseRows> solver;
    solver.setMaxIterations(options.solverIterations);
    solver.setTolerance(options.tolerance);
    solver.compute(a);
    x = solver.solveWithGuess(b, guess);
    solve.iterations = static_cast<int>(solver.iterations());
    solve.error = solver.error();
    if (solver.info() != Eigen::Success) {
      std::fprintf(stderr,
                   "fit-patterns: the table solve did not converge: relative residual %.3g "
                   "after %d iterations, tolerance %.3g\n",
                   solve.error, solve.iterations, options.tolerance);
      return kOfflineNotConverged;
    }
  }
  for (int t = 0; t < kLineTables; ++t) {
    for (int index = 0; index < pattern::kRows; ++index) {
      if (classes.of[index] < 0) continue;
      const int c = column[t * classes.count + classes.of[index]];
      values[t][index] = c >= 0 ? classes.sign[index] * x[c] : 0.0;
    }
  }
  return kOfflineDone;
}

namespace {

// A position as held between the steps: its squares (with the candidate flags) and side.
struct HeldBoard {
  uint64_t occupancy, colour;
  int8_t side;

  void restore(Board& b) const {
    b.occupancy = occupancy;
    b.colour = colour;
    b.sideToMove = side;
    b.rebuildCandidates();
  }
};

struct JointData {
  std::vector<HeldBoard> boards;
  FeatureData rows;            // every position, final ones too: the weight fit's data
  std::vector<int> sampleRow;  // the row of each line sample (positions with a side to move)
  LineSamples samples;
};

// Columns 2..20 of the feature rows, with the side-to-move term in column 13, for the
// pattern tables of the context.
void computeRows(EvalContext& context, JointData& d) {
  Board b;
  int row[kFeatureColumns];
  for (size_t i = 0; i < d.boards.size(); ++i) {
    d.boards[i].restore(b);
    featureRow(context, b, d.rows.game[i], row);
    if (b.sideToMove != 0) {
      row[rowOf(WeightRow::SideToMove) - 1] = b.sideToMove == context.computerColour ? 1 : -1;
    }
    for (int k = 1; k < kFeatureColumns; ++k)
      d.rows.columns[i][k - 1] = static_cast<int16_t>(row[k]);
  }
}

double columnValue(const FeatureData& rows, int i, int k) {
  return rows.columns[i][k - 2];
}

// What the line tables are to explain: the response minus the other terms.
void lineTargets(const matrix& weights, JointData& d) {
  for (size_t j = 0; j < d.sampleRow.size(); ++j) {
    const int i = d.sampleRow[j];
    const int discs = d.samples.discs[j];
    double rest = 0.0;
    for (int k = rowOf(WeightRow::DiscDifference); k <= kWeightRows; ++k) {
      if (k == rowOf(WeightRow::DiagonalPatterns) || k >= rowOf(WeightRow::EdgeLine1)) continue;
      rest += weights.rowData(k)[discs - 1] * columnValue(d.rows, i, k);
    }
    d.samples.target[j] = d.rows.response[i] - rest;
  }
}

// RMS in discs of the evaluation's linear sum against the final disc difference, over
// the positions with a side to move.
double modelError(const matrix& weights, const JointData& d) {
  double sum = 0.0;
  for (size_t j = 0; j < d.sampleRow.size(); ++j) {
    const int i = d.sampleRow[j];
    const int discs = d.samples.discs[j];
    double p = 0.0;
    for (int k = rowOf(WeightRow::DiscDifference); k <= kWeightRows; ++k)
      p += weights.rowData(k)[discs - 1] * columnValue(d.rows, i, k);
    sum += (p - d.rows.response[i]) * (p - d.rows.response[i]);
  }
  return d.sampleRow.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(d.sampleRow.size()));
}

int fitWeights(const JointData& d, const PatternFitOptions& o, const char* source, matrix& weights,
               matrix& errors) {
  matrix fitted;
  if (const int status = fitWeightMatrix(d.rows, true, true, false, fitted, errors, source))
    return status;
  // Smoothed as the fitted file would be read back, and kept as the smoothed file holds it.
  roundAsWritten(fitted);
  weights = smoothWeightMatrix(fitted, o.smoothFirst, o.smoothLast, o.smoothPoints);
  roundAsWritten(weights);
  return kOfflineDone;
}

}  // namespace

int fitPatternTables(const char* positionFile, const char* finalFile, const char* patternPrefix,
                     const char* parameterFile, const PatternFitOptions& options,
                     const char* errorFile) {
  const std::string problem = checkPatternFitOptions(options);
  if (!problem.empty()) {
    std::fprintf(stderr, "fit-patterns: %s\n", problem.c_str());
    return kOfflineBadArgument;
  }
  std::string paths[pattern::Count];
  for (int t = 0; t < pattern::Count; ++t) {
    paths[t] = std::string(patternPrefix) + kPatternSuffixes[t];
    if (!writableOutput(paths[t])) return kOfflineCannotOpen;
  }
  if (!writableOutput(parameterFile)) return kOfflineCannotOpen;
  if (errorFile && !writableOutput(errorFile)) return kOfflineCannotOpen;

  EvalContext context;
  const int computer = context.computerColour;
  matrix tables[pattern::Count];
  resetPatternTables(tables);
  JointData d;
  int mismatched = 0;
  int status = forEachPairedPosition(
      positionFile, finalFile, mismatched, [&](int game, const Board& p, const Board& f) {
        if (p.discCount < 4) {
          std::fprintf(stderr, "%s: game %d: a position with %d discs (the fit takes 4 to 64)\n",
                       positionFile, game, p.discCount);
          return kOfflineBadInput;
        }
        countPatternPosition(tables, p, f);
        if (p.sideToMove != 0) {
          d.sampleRow.push_back(static_cast<int>(d.boards.size()));
          d.samples.lines.push_back(lineIndices(p));
          d.samples.discs.push_back(p.discCount);
        }
        d.boards.push_back({p.occupancy, p.colour, p.sideToMove});
        d.rows.game.push_back(game);
        d.rows.response.push_back(f.count(computer) - f.count(-computer));
        return kOfflineDone;
      });
  if (status) return status;
  if (mismatched > 0) {
    std::fprintf(stderr,
                 "fit-patterns: warning: %d positions were paired with the final position of "
                 "another game (are the two files in the same order?)\n",
                 mismatched);
  }
  if (d.sampleRow.empty()) {
    std::fprintf(stderr, "fit-patterns: %s holds no position with a side to move\n", positionFile);
    return kOfflineBadInput;
  }
  finishPatternMeans(tables);
  for (matrix& table : tables)
    for (int i = 1; i <= table.rows(); ++i) table.rowData(i)[2] = asWritten(table.rowData(i)[2]);
  for (int t = 0; t < pattern::Count; ++t) context.patterns1[t] = tables[t];
  d.rows.columns.resize(d.boards.size());
  d.samples.target.assign(d.sampleRow.size(), 0.0);
  computeRows(context, d);
  d.rows.indexStages();
  matrix weights, errors;
  if ((status = fitWeights(d, options, positionFile, weights, errors))) return status;
  std::fprintf(stderr, "fit-patterns: %zu positions; the means and their weights: RMS %.4f discs\n",
               d.sampleRow.size(), modelError(weights, d));

  std::array<std::vector<double>, kLineTables> values;
  for (int t = 0; t < kLineTables; ++t) {
    const matrix& table = context.patterns1[kLineTableIndex[t]];
    values[t].resize(pattern::kRows);
    for (int i = 0; i < pattern::kRows; ++i) values[t][i] = table.rowData(i + 1)[2];
  }
  for (int round = 1; round <= options.alternations; ++round) {
    if (offlineStopRequested()) return kOfflineInterrupted;
    lineTargets(weights, d);
    LineSolve solve;
    if ((status = fitLineTables(d.samples, weights, computer, options, values, solve)))
      return status;
    for (int t = 0; t < kLineTables; ++t) {
      matrix& table = context.patterns1[kLineTableIndex[t]];
      for (int i = 0; i < pattern::kRows; ++i) {
        if (i / kSquareConfigurations == 1) continue;  // side to move 0: the means stay
        double* r = table.rowData(i + 1);
        // An index never seen keeps count, sum and value 0, as the statistics have it.
        const double value = r[0] > 0 ? asWritten(values[t][i]) : 0.0;
        r[1] = r[0] * value;
        r[2] = value;
      }
    }
    computeRows(context, d);
    const double before = modelError(weights, d);
    if ((status = fitWeights(d, options, positionFile, weights, errors))) return status;
    std::fprintf(stderr,
                 "fit-patterns: alternation %d/%d: %d values, %d solver iterations (residual "
                 "%.2g); RMS %.4f discs with the old weights, %.4f refitted\n",
                 round, options.alternations, solve.unknowns, solve.iterations, solve.error, before,
                 modelError(weights, d));
  }

  for (int t = 0; t < pattern::Count; ++t) context.patterns1[t].writetxt(paths[t].c_str(), Comma);
  weights.writetxt(parameterFile, Comma);
  if (errorFile) errors.writetxt(errorFile, Comma);
  return kOfflineDone;
}

}  // namespace zedare
