// The tables of the files compiled per instruction level (the evaluation's and the
// search's), each level's and the chosen one's, in one place; and the evaluation and the
// search as the rest of the engine calls them, through the chosen level's tables.
#include "board/isa.h"
#include "eval/evaluate.h"
#include "search/search.h"

// A level's table where the build holds the level, else none.
#ifdef ZEDARE_ISA_V2_BUILT
#define ZEDARE_IF_V2(table) &table##_isa_v2
#else
#define ZEDARE_IF_V2(table) nullptr
#endif
#ifdef ZEDARE_ISA_V3_BUILT
#define ZEDARE_IF_V3(table) &table##_isa_v3
#else
#define ZEDARE_IF_V3(table) nullptr
#endif

namespace zedare {

extern const EvalEntries kEvalEntries_isa_portable, kEvalEntries_isa_v2, kEvalEntries_isa_v3;
extern const SearchEntries kSearchEntries_isa_portable, kSearchEntries_isa_v2,
    kSearchEntries_isa_v3;

const EvalEntries& evalEntries(IsaLevel level) {
  return levelTable(level, kEvalEntries_isa_portable, ZEDARE_IF_V2(kEvalEntries),
                    ZEDARE_IF_V3(kEvalEntries));
}

const SearchEntries& searchEntries(IsaLevel level) {
  return levelTable(level, kSearchEntries_isa_portable, ZEDARE_IF_V2(kSearchEntries),
                    ZEDARE_IF_V3(kSearchEntries));
}

namespace {

const EvalEntries& chosenEval() {
  static const EvalEntries& entries = evalEntries(chosenLevel());
  return entries;
}
const SearchEntries& chosenSearch() {
  static const SearchEntries& entries = searchEntries(chosenLevel());
  return entries;
}

}  // namespace

float evaluate1(EvalContext& engine, const Board& board) {
  return chosenEval().evaluate1(engine, board);
}
float evaluate2(EvalContext& engine, const Board& board) {
  return chosenEval().evaluate2(engine, board);
}
float terminalValue(Engine& engine, Board& board) {
  return chosenSearch().terminalValue(engine, board);
}
float searchAlphaBeta(Engine& engine, Board& board) {
  return chosenSearch().searchAlphaBeta(engine, board);
}
float runRootSearch(Engine& engine) {
  return chosenSearch().runRootSearch(engine);
}

}  // namespace zedare
