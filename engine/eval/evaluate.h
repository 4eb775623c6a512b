// The stage-weighted evaluation: the computer's advantage in a position as a sum of
// per-stage weights times feature differences. evaluate1 reads weight set 1 and pattern
// table set 1, evaluate2 weight set 2 and pattern table set 2. A finished game scores
// +1000, -1000 or 0 by the disc count. Positive values favour the computer's colour.
#ifndef ZEDARE_EVAL_EVALUATE_H
#define ZEDARE_EVAL_EVALUATE_H

namespace zedare {

struct EvalContext;
struct Board;

float evaluate1(EvalContext& engine, const Board& board);
float evaluate2(EvalContext& engine, const Board& board);

}  // namespace zedare

#endif
