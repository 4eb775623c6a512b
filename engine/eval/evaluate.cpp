// The stage-weighted evaluation. Column s of the weight matrix (s = the disc count)
// holds one weight per feature row; the score is the sum of weight x feature
// difference over the rows below, in this order, accumulated in double and rounded to
// float once:
//
//   row  4 disc difference            row 12 region parity (given side)
//   row  5 frontier discs             row 13 side to move (+1 C, -1 H, 0 nobody)
//   row  6 mobility                   row 14 corner threat (given side)
//   row  7 stable discs               row 15 corner patterns
//   row  8 corners and X-squares      rows 16..18 edge-line patterns SC1, SC2, SC3
//   row 10 diagonal patterns (PRZ)
//   row 11 corner access (given side)
//
// A weight of exactly zero skips its feature (so a weight set can switch expensive
// features off stage by stage); a NaN weight is not zero and propagates. The "given
// side" is the side that has a legal move: the side to move, or its opponent when the
// side to move must pass. A position where neither can move is a finished game and
// scores +1000, -1000 or 0 by the disc count without reading any weight.
//
// Nothing here allocates: the features run on the engine's working storage.
#include "eval/evaluate.h"

#include <cstdio>

#include "eval/context.h"
#include "eval/kernels.h"

namespace zedare {

ZEDARE_ISA_BEGIN

namespace {

constexpr float kFinished = 1000.0f;

[[noreturn]] void weightsTooSmall(const matrix& weights, int set, int discs,
                                  const char* signature) {
  char detail[96];
  std::snprintf(detail, sizeof detail, "zestaw wag %d: %d x %d, potrzeba 18 wierszy i %d kolumn",
                set, weights.rows(), weights.cols(), discs);
  matrixError(signature, "indeks poza zakresem", detail);
}

float evaluateWith(EvalContext& e, const Board& b, const matrix& weights, const matrix* tables, int set,
                   const char* signature) {
  using namespace kernels;
  prepare(e, b);
  const EvalContext::EvalScratch& s = e.evalScratch;
  const int computer = e.computerColour;
  const uint64_t candidates = b.candidates();

  // The side whose turn it really is; a side-to-move of 0 (a game already marked as
  // finished) has no legal move by definition.
  int side = b.sideToMove;
  auto canMove = [&](int colour) {
    if (colour == 0) return false;
    return ((colour == computer ? s.ownLegal : s.oppLegal) & candidates) != 0;
  };
  if (!canMove(side)) {
    side = -side;
    if (!canMove(side)) {
      const int own = std::popcount(s.own), opp = std::popcount(s.opp);
      return own > opp ? kFinished : own < opp ? -kFinished : 0.0f;
    }
  }

  const int stage = b.discCount;
  if (weights.rows() < 18 || stage < 1 || stage > weights.cols()) {
    weightsTooSmall(weights, set, stage, signature);
  }
  auto w = [&](int row) { return weights.rowData(row)[stage - 1]; };
  auto needs = [&](int which) { requireTable(tables[which], which, signature); };
  // The pattern lines read with the side to move's digit, and the corner estimates: the
  // corner-threat feature reads them with the given side's digit, the same ones unless
  // the side to move must pass.
  const Discs toMove = discsOf(b, b.sideToMove);
  CornerEstimates toMoveCorners(tables, toMove);

  double sum = 0.0;
  double k;
  if ((k = w(4)) != 0.0) {
    sum += k * static_cast<double>(std::popcount(s.own) - std::popcount(s.opp));
  }
  if ((k = w(5)) != 0.0) {
    sum += k * static_cast<double>(frontier(s.own, b.occupancy) - frontier(s.opp, b.occupancy));
  }
  if ((k = w(6)) != 0.0) {
    const uint64_t counted = candidates & ~kXSquares;
    sum += k * static_cast<double>(std::popcount(s.ownLegal & counted) -
                                   std::popcount(s.oppLegal & counted));
  }
  if ((k = w(7)) != 0.0) {
    const SidePair p = stablePair(s.own, s.opp);
    sum += k * static_cast<double>(p.computer - p.human);
  }
  if ((k = w(8)) != 0.0) {
    const SidePair p = cornerXPair(s.own, s.opp);
    sum += k * static_cast<double>(p.computer - p.human);
  }
  if ((k = w(10)) != 0.0) {
    needs(pattern::PRZ);
    sum += k * static_cast<double>(lineGroupValue<LineGroup::PRZ>(tables, toMove, computer));
  }
  if ((k = w(11)) != 0.0) {
    const SidePair p = cornerAccessPair(s, computer == side);
    sum += k * static_cast<double>(p.computer - p.human);
  }
  if ((k = w(12)) != 0.0) {
    sum += k * static_cast<double>(regionParityValue(s, computer, side));
  }
  if ((k = w(13)) != 0.0) {
    const int toMove = b.sideToMove == computer ? 1 : b.sideToMove == -computer ? -1 : 0;
    sum += k * static_cast<double>(toMove);
  }
  if ((k = w(14)) != 0.0) {
    needs(pattern::A1), needs(pattern::A3), needs(pattern::A4);
    if (side == b.sideToMove) {
      sum += k * static_cast<double>(cornerThreatValue(s, toMoveCorners, computer, side));
    } else {
      const Discs given = discsOf(b, side);
      CornerEstimates givenSide(tables, given);
      sum += k * static_cast<double>(cornerThreatValue(s, givenSide, computer, side));
    }
  }
  if ((k = w(15)) != 0.0) {
    needs(pattern::A1), needs(pattern::A3), needs(pattern::A4);
    sum += k * static_cast<double>(cornerPatternValue(toMoveCorners, computer));
  }
  if ((k = w(16)) != 0.0) {
    needs(pattern::SC1);
    sum += k * static_cast<double>(lineGroupValue<LineGroup::SC1>(tables, toMove, computer));
  }
  if ((k = w(17)) != 0.0) {
    needs(pattern::SC2);
    sum += k * static_cast<double>(lineGroupValue<LineGroup::SC2>(tables, toMove, computer));
  }
  if ((k = w(18)) != 0.0) {
    needs(pattern::SC3);
    sum += k * static_cast<double>(lineGroupValue<LineGroup::SC3>(tables, toMove, computer));
  }
  return static_cast<float>(sum);
}

}  // namespace

namespace level {

float evaluate1(EvalContext& engine, const Board& board) {
  return evaluateWith(engine, board, engine.weights1, engine.patterns1, 1,
                      "float evaluate1(Engine &,const Board &)");
}

float evaluate2(EvalContext& engine, const Board& board) {
  return evaluateWith(engine, board, engine.weights2, engine.patterns2, 2,
                      "float evaluate2(Engine &,const Board &)");
}

}  // namespace level

ZEDARE_ISA_END

// This level's entries, under a name of its own (see evalEntries).
extern const EvalEntries ZEDARE_ISA_NAME(kEvalEntries);
const EvalEntries ZEDARE_ISA_NAME(kEvalEntries) = {&level::evaluate1, &level::evaluate2};

}  // namespace zedare
