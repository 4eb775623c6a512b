// The weight fit and the smoothing of weight rows as operations on data in memory, shared
// by the file operations (fit, smooth) and by the joint fit of pattern tables and weights.
#ifndef ZEDARE_TRAINING_FIT_H
#define ZEDARE_TRAINING_FIT_H

#include <array>
#include <cstdint>
#include <vector>

#include "eval/model.h"
#include "matrix/matrix.h"

namespace zedare {

constexpr int kFitStages = 64;

// Feature rows held for the fit: the game number, columns 2..20 of each row, and the
// response (the final disc difference of the row's game). stageRows lists the rows of
// each disc count; fill it with indexStages once the rows are in.
struct FeatureData {
  std::vector<int32_t> game;
  std::vector<std::array<int16_t, kFeatureColumns - 1>> columns;  // columns 2..20
  std::vector<double> response;
  std::vector<std::vector<int>> stageRows = std::vector<std::vector<int>>(kFitStages + 1);

  void indexStages();
};

// The 18 x 64 weight matrix fitted stage by stage (see fit.cpp), and the 1 x 64 RMS error
// of each stage. With consoleMessages the stage messages of the fit file operation go to
// standard output and the stages are reported as progress. Fails with kOfflineTooLarge (reported)
// when a stage holds more rows than a stage may, kOfflineInterrupted on a stop request.
int fitWeightMatrix(const FeatureData& data, bool allColumns, bool sideToMove, bool consoleMessages,
                    matrix& weights, matrix& errors, const char* source);

// Each row but the region-parity row smoothed along columns first..last (runs of
// non-zero weights, a moving straight line over `points` columns, 3 for shorter runs).
// points must be odd and first..last within the columns.
matrix smoothWeightMatrix(const matrix& m, int first, int last, int points);

}  // namespace zedare

#endif
