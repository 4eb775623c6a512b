// The line pattern tables (SC1, SC2, SC3, PRZ) fitted together with the evaluation's
// weights: for fixed weights the evaluation is linear in the table values, so all four
// tables come from one sparse least-squares problem against the games' final disc
// differences; then the weights are fitted again for the new tables, and the two steps
// alternate. The corner tables (A1 .. A4) keep the per-configuration means.
#ifndef ZEDARE_TRAINING_PATTERN_FIT_H
#define ZEDARE_TRAINING_PATTERN_FIT_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "matrix/matrix.h"

namespace zedare {

struct Board;

struct PatternFitOptions {
  int alternations = 4;    // table solves, each followed by a weight fit
  double ridge = 10.0;     // each value pulled towards 0 as by this many more occurrences
  int weightedFirst = 40;  // positions with weightedFirst..weightedLast discs ...
  int weightedLast = 52;
  double stageWeight = 2.0;     // ... count this many times in the table solve
  bool symmetries = true;       // tie the values of a line read backwards and of inverted colours
  int solverIterations = 1000;  // conjugate-gradient iterations of one table solve, at most
  double tolerance = 1e-6;      // relative residual of the normal equations to stop at
  int smoothFirst = 5, smoothLast = 64, smoothPoints = 5;  // smoothing of every weight fit
};

// An empty string, or what is wrong with the options.
std::string checkPatternFitOptions(const PatternFitOptions& options);

// The four line tables in the order of their weight rows' features: SC1, SC2, SC3, PRZ,
// and the fourteen lines of a position: four each for SC1..SC3, two for PRZ, in the order
// the evaluation sums them.
constexpr int kLineTables = 4;
constexpr int kLinesPerPosition = 14;
using LineIndices = std::array<uint16_t, kLinesPerPosition>;

// The pattern index of each of the fourteen lines, with the board's stored side to move.
LineIndices lineIndices(const Board& board);

// What one table solve sees: per position its lines, its disc count and the part of its
// response that the line tables are to explain.
struct LineSamples {
  std::vector<LineIndices> lines;
  std::vector<int8_t> discs;
  std::vector<double> target;
};

struct LineSolve {
  int iterations = 0;  // conjugate-gradient iterations
  double error = 0;    // relative residual reached
  int unknowns = 0;
};

// Least squares of the samples' targets on the line tables' terms for the weights given
// (18 x 64, rows 16, 17, 18, 10 for SC1, SC2, SC3, PRZ): each term is the weight times 10
// times computer times the sum of its lines' values. values[t] (19683 entries per table)
// holds the current values, the solver's starting point, and receives the value of every
// pattern index with a side to move; indices that no weighted sample holds get 0, those of
// side to move 0 are left as they were. Returns kOfflineNotConverged (reported) when the
// solver stops short of the tolerance; values are then left as they were.
int fitLineTables(const LineSamples& samples, const matrix& weights, int computer,
                  const PatternFitOptions& options,
                  std::array<std::vector<double>, kLineTables>& values, LineSolve& solve);

// The whole operation on files: pattern statistics of the positions (for the corner tables,
// the counts and the starting values), the weight fit on them, then the alternation; writes
// the eight pattern files PREFIX_A1.dat .. PREFIX_PRZ.dat and the parameter file, and with
// an errorFile (may be null) the last weight fit's RMS error per stage (1 x 64, as fit's).
int fitPatternTables(const char* positionFile, const char* finalFile, const char* patternPrefix,
                     const char* parameterFile, const PatternFitOptions& options,
                     const char* errorFile = nullptr);

}  // namespace zedare

#endif
