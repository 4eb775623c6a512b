// The rows of a weight matrix (one column per disc count): which feature each row
// weighs. Rows 1..3 and 9 hold nothing the evaluation reads. The training data's
// feature columns use the same numbers.
#ifndef ZEDARE_EVAL_WEIGHT_ROWS_H
#define ZEDARE_EVAL_WEIGHT_ROWS_H

namespace zedare {

enum class WeightRow : int {
  DiscDifference = 4,
  Frontier = 5,
  Mobility = 6,
  StableDiscs = 7,
  CornersAndXSquares = 8,
  DiagonalPatterns = 10,
  CornerAccess = 11,
  RegionParity = 12,
  SideToMove = 13,
  CornerThreat = 14,
  CornerPatterns = 15,
  EdgeLine1 = 16,
  EdgeLine2 = 17,
  EdgeLine3 = 18,
};

constexpr int kWeightRows = 18;  // rows of a weight matrix

constexpr int rowOf(WeightRow row) {
  return static_cast<int>(row);
}

}  // namespace zedare

#endif
