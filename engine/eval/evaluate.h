// The stage-weighted evaluation: the computer's advantage in a position as a sum of
// per-stage weights times feature differences. evaluate1 reads weight set 1 and pattern
// table set 1, evaluate2 weight set 2 and pattern table set 2. A finished game scores
// +1000, -1000 or 0 by the disc count. Positive values favour the computer's colour.
//
// The evaluation is compiled once per instruction level (board/isa.h): evaluate1 and
// evaluate2 run the chosen level's; level::evaluate1 and level::evaluate2 are the ones of
// the level the calling code is compiled for (the search calls those).
#ifndef ZEDARE_EVAL_EVALUATE_H
#define ZEDARE_EVAL_EVALUATE_H

#include "board/isa.h"

namespace zedare {

struct EvalContext;
struct Board;

float evaluate1(EvalContext& engine, const Board& board);
float evaluate2(EvalContext& engine, const Board& board);

ZEDARE_ISA_BEGIN
namespace level {
float evaluate1(EvalContext& engine, const Board& board);
float evaluate2(EvalContext& engine, const Board& board);
}  // namespace level
ZEDARE_ISA_END

// One level's evaluation, for the code that picks or compares levels.
struct EvalEntries {
  float (*evaluate1)(EvalContext&, const Board&);
  float (*evaluate2)(EvalContext&, const Board&);
};
// The entries of a level this build holds (levelRuns tells whether it may be called).
// Defined beside the search's tables, in search/levels.cpp.
const EvalEntries& evalEntries(IsaLevel level);

}  // namespace zedare

#endif
