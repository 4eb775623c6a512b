// The fourteen terms of the evaluation, in the order it adds them: which weight row
// weighs each, which column of a feature row holds its value, which pattern tables it
// reads, and its name in Polish (for the window) and in English (for tools and logs).
// One table, so that everything listing the terms agrees with the evaluation.
//
// evaluationTerms breaks one evaluation down into these terms: each term's feature
// value, its weight at the position's stage and its contribution (weight x value, 0
// where the weight is 0). The contributions, added in this order in double precision
// and rounded to float once, give exactly what evaluate1 / evaluate2 give.
#ifndef ZEDARE_EVAL_TERMS_H
#define ZEDARE_EVAL_TERMS_H

#include "eval/features.h"
#include "eval/weight_rows.h"

namespace zedare {

struct Board;
struct EvalContext;

// Bits of EvalTerm::tables: 1 << pattern::Table.
constexpr unsigned tableBit(pattern::Table t) {
  return 1u << static_cast<int>(t);
}

struct EvalTerm {
  WeightRow row;
  int featureColumn;  // 1-based column of a training feature row
  unsigned tables;    // pattern tables read, as tableBit()s; 0 for a count feature
  const char* polish;
  const char* english;
};

constexpr int kEvalTermCount = 14;

inline constexpr EvalTerm kEvalTerms[kEvalTermCount] = {
    {WeightRow::DiscDifference, 4, 0, "różnica pionów", "disc difference"},
    {WeightRow::Frontier, 5, 0, "piony graniczne", "frontier discs"},
    {WeightRow::Mobility, 6, 0, "ruchliwość", "mobility"},
    {WeightRow::StableDiscs, 7, 0, "piony stabilne", "stable discs"},
    {WeightRow::CornersAndXSquares, 8, 0, "rogi i pola X", "corners and X-squares"},
    {WeightRow::DiagonalPatterns, 10, tableBit(pattern::PRZ), "wzorce przekątnych",
     "diagonal patterns"},
    {WeightRow::CornerAccess, 11, 0, "dostęp do rogów", "corner access"},
    {WeightRow::RegionParity, 12, 0, "parzystość obszarów", "region parity"},
    {WeightRow::SideToMove, 13, 0, "strona na ruchu", "side to move"},
    {WeightRow::CornerThreat, 14,
     tableBit(pattern::A1) | tableBit(pattern::A3) | tableBit(pattern::A4), "zagrożenie rogów",
     "corner threat"},
    {WeightRow::CornerPatterns, 15,
     tableBit(pattern::A1) | tableBit(pattern::A3) | tableBit(pattern::A4), "wzorce rogów",
     "corner patterns"},
    {WeightRow::EdgeLine1, 16, tableBit(pattern::SC1), "wzorce brzegu", "edge-line patterns"},
    {WeightRow::EdgeLine2, 17, tableBit(pattern::SC2), "wzorce drugiej linii",
     "second-line patterns"},
    {WeightRow::EdgeLine3, 18, tableBit(pattern::SC3), "wzorce trzeciej linii",
     "third-line patterns"},
};

// One evaluation broken down, term by term in kEvalTerms' order.
struct EvaluationTerms {
  bool finished = false;  // neither side can move: no term counts, everything is 0
  int feature[kEvalTermCount] = {};
  double weight[kEvalTermCount] = {};
  double contribution[kEvalTermCount] = {};
};

// The terms of `board` for the computer, with weight set and pattern table set `set`
// (1, or 2 for any other value). False, and nothing stopped, when the weights or a
// pattern table are not loaded (or too small for the position's stage); unlike the
// evaluation this never ends the process, so that it can answer any caller.
bool evaluationTerms(EvalContext& engine, const Board& board, int set, EvaluationTerms& out);

}  // namespace zedare

#endif
