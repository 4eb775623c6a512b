// The feature functions: each fills the engine's working storage for the board and runs
// its kernel (kernels.h), which the evaluation runs directly on storage it fills once.
#include "eval/features.h"

#include <cstdio>

#include "eval/context.h"
#include "eval/kernels.h"

namespace zedare {

void tableTooSmall(const matrix& table, int which, const char* signature) {
  static const char* const kNames[pattern::Count] = {"A1",  "A2",  "A3",  "A4",
                                                     "SC1", "SC2", "SC3", "PRZ"};
  char detail[96];
  std::snprintf(detail, sizeof detail, "tablica wzorcow %s: %d x %d, potrzeba 19683 x 3",
                kNames[which], table.rows(), table.cols());
  matrixError(signature, "indeks poza zakresem", detail);
}

namespace {

void requireCornerTables(const matrix* t, const char* signature) {
  kernels::requireTable(t[pattern::A1], pattern::A1, signature);
  kernels::requireTable(t[pattern::A3], pattern::A3, signature);
  kernels::requireTable(t[pattern::A4], pattern::A4, signature);
}

}  // namespace

const matrix* patternTables(const EvalContext& engine, int tableSet) {
  return tableSet == 1 ? engine.patterns1 : engine.patterns2;
}

int frontierCount(const Board& board, int colour) {
  return kernels::frontier(board.discs(colour), board.occupancy);
}

SidePair stableCounts(EvalContext& engine, const Board& board) {
  kernels::prepareDiscs(engine, board);
  return kernels::stablePair(engine.evalScratch.own, engine.evalScratch.opp);
}

SidePair cornerXCounts(EvalContext& engine, const Board& board) {
  kernels::prepareDiscs(engine, board);
  return kernels::cornerXPair(engine.evalScratch.own, engine.evalScratch.opp);
}

SidePair cornerCounts(EvalContext& engine, const Board& board) {
  kernels::prepareDiscs(engine, board);
  return SidePair{std::popcount(engine.evalScratch.own & kernels::kCorners),
                  std::popcount(engine.evalScratch.opp & kernels::kCorners)};
}

SidePair cornerAccess(EvalContext& engine, const Board& board, int side) {
  kernels::prepare(engine, board);
  return kernels::cornerAccessPair(engine.evalScratch, engine.computerColour == side);
}

int regionParity(EvalContext& engine, const Board& board, int side) {
  kernels::prepare(engine, board);
  return kernels::regionParityValue(engine.evalScratch, engine.computerColour, side);
}

int cornerThreat(EvalContext& engine, const Board& board, int side, int tableSet) {
  const matrix* t = patternTables(engine, tableSet);
  requireCornerTables(t, "int cornerThreat(Engine &,const Board &,int,int)");
  kernels::prepare(engine, board);
  return kernels::cornerThreatValue(engine.evalScratch, t, board, engine.computerColour, side);
}

int cornerPatterns(EvalContext& engine, const Board& board, int tableSet) {
  const matrix* t = patternTables(engine, tableSet);
  requireCornerTables(t, "int cornerPatterns(Engine &,const Board &,int)");
  return kernels::cornerPatternValue(t, board, engine.computerColour);
}

int linePatterns(EvalContext& engine, const Board& board, LineGroup group, int tableSet) {
  const matrix* t = patternTables(engine, tableSet);
  const int which = pattern::SC1 + static_cast<int>(group);
  kernels::requireTable(t[which], which, "int linePatterns(Engine &,const Board &,LineGroup,int)");
  return kernels::lineGroupValue(t, board, group, engine.computerColour);
}

int patternIndex(const Board& board, LineKind line, int n, int side) {
  const kernels::Discs d = kernels::discsOf(board, side);
  switch (line) {
    case LineKind::ColumnDown:
      return kernels::columnDown(d, n);
    case LineKind::ColumnUp:
      return kernels::columnUp(d, n);
    case LineKind::RowRight:
      return kernels::rowRight(d, n);
    case LineKind::RowLeft:
      return kernels::rowLeft(d, n);
    case LineKind::Diagonal:
      return kernels::diagonalDown(d);
    case LineKind::DiagonalReversed:
      return kernels::diagonalUp(d);
    case LineKind::AntiDiagonal:
      return kernels::antiDiagonalDown(d);
    case LineKind::AntiDiagonalReversed:
      return kernels::antiDiagonalUp(d);
  }
  return 0;
}

}  // namespace zedare
