// The evaluation of the chosen instruction level, and each level's entries.
#include "eval/evaluate.h"

namespace zedare {

extern const EvalEntries kEvalEntries_isa_portable;
#ifdef ZEDARE_ISA_V2_BUILT
extern const EvalEntries kEvalEntries_isa_v2;
#endif
#ifdef ZEDARE_ISA_V3_BUILT
extern const EvalEntries kEvalEntries_isa_v3;
#endif

const EvalEntries& evalEntries(IsaLevel level) {
#ifdef ZEDARE_ISA_V3_BUILT
  if (level == IsaLevel::V3) return kEvalEntries_isa_v3;
#endif
#ifdef ZEDARE_ISA_V2_BUILT
  if (level == IsaLevel::V2) return kEvalEntries_isa_v2;
#endif
  (void)level;
  return kEvalEntries_isa_portable;
}

namespace {

const EvalEntries& chosen() {
  static const EvalEntries& entries = evalEntries(chosenLevel());
  return entries;
}

}  // namespace

float evaluate1(EvalContext& engine, const Board& board) {
  return chosen().evaluate1(engine, board);
}

float evaluate2(EvalContext& engine, const Board& board) {
  return chosen().evaluate2(engine, board);
}

}  // namespace zedare
