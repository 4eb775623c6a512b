// One evaluation broken down into its terms, for showing why the engine judges a
// position as it does. The features are the evaluation's own kernels, computed the way
// evaluateWith computes them, but every one of them (a zero weight only makes its
// contribution 0), and with the loaded data checked first instead of stopping.
#include "eval/terms.h"

#include <bit>

#include "eval/context.h"
#include "eval/kernels.h"

namespace zedare {

namespace {

bool loaded(const matrix& table) {
  return table.rows() >= pattern::kRows && table.cols() >= 3;
}

}  // namespace

bool evaluationTerms(EvalContext& e, const Board& b, int set, EvaluationTerms& out) {
  using namespace kernels;
  out = EvaluationTerms{};
  const matrix& weights = set == 1 ? e.weights1 : e.weights2;
  const matrix* tables = set == 1 ? e.patterns1 : e.patterns2;
  const int stage = b.discCount;
  if (weights.rows() < kWeightRows || stage < 1 || stage > weights.cols()) return false;
  for (int t = 0; t < pattern::Count; ++t) {
    if (t != pattern::A2 && !loaded(tables[t])) return false;
  }

  prepare(e, b);
  const EvalContext::EvalScratch& s = e.evalScratch;
  const int computer = e.computerColour;
  const uint64_t candidates = b.candidates();
  auto canMove = [&](int colour) {
    if (colour == 0) return false;
    return ((colour == computer ? s.ownLegal : s.oppLegal) & candidates) != 0;
  };
  int side = b.sideToMove;
  if (!canMove(side)) {
    side = -side;
    if (!canMove(side)) {
      out.finished = true;
      return true;
    }
  }

  const Discs toMove = discsOf(b, b.sideToMove);
  CornerEstimates toMoveCorners(tables, toMove);
  const Discs given = discsOf(b, side);
  CornerEstimates givenCorners(tables, given);
  auto difference = [](SidePair p) { return p.computer - p.human; };
  const uint64_t counted = candidates & ~kXSquares;

  int* f = out.feature;
  f[0] = std::popcount(s.own) - std::popcount(s.opp);
  f[1] = frontier(s.own, b.occupancy) - frontier(s.opp, b.occupancy);
  f[2] = std::popcount(s.ownLegal & counted) - std::popcount(s.oppLegal & counted);
  f[3] = difference(stablePair(s.own, s.opp));
  f[4] = difference(cornerXPair(s.own, s.opp));
  f[5] = lineGroupValue<LineGroup::PRZ>(tables, toMove, computer);
  f[6] = difference(cornerAccessPair(s, computer == side));
  f[7] = regionParityValue(s, computer, side);
  f[8] = b.sideToMove == computer ? 1 : b.sideToMove == -computer ? -1 : 0;
  f[9] = side == b.sideToMove ? cornerThreatValue(s, toMoveCorners, computer, side)
                              : cornerThreatValue(s, givenCorners, computer, side);
  f[10] = cornerPatternValue(toMoveCorners, computer);
  f[11] = lineGroupValue<LineGroup::SC1>(tables, toMove, computer);
  f[12] = lineGroupValue<LineGroup::SC2>(tables, toMove, computer);
  f[13] = lineGroupValue<LineGroup::SC3>(tables, toMove, computer);

  for (int i = 0; i < kEvalTermCount; ++i) {
    const double w = weights.rowData(rowOf(kEvalTerms[i].row))[stage - 1];
    out.weight[i] = w;
    out.contribution[i] = w != 0.0 ? w * static_cast<double>(f[i]) : 0.0;
  }
  return true;
}

}  // namespace zedare
