// The search of the chosen instruction level, and each level's entries.
#include "search/search.h"

namespace zedare {

extern const SearchEntries kSearchEntries_isa_portable;
#ifdef ZEDARE_ISA_V2_BUILT
extern const SearchEntries kSearchEntries_isa_v2;
#endif
#ifdef ZEDARE_ISA_V3_BUILT
extern const SearchEntries kSearchEntries_isa_v3;
#endif

const SearchEntries& searchEntries(IsaLevel level) {
#ifdef ZEDARE_ISA_V3_BUILT
  if (level == IsaLevel::V3) return kSearchEntries_isa_v3;
#endif
#ifdef ZEDARE_ISA_V2_BUILT
  if (level == IsaLevel::V2) return kSearchEntries_isa_v2;
#endif
  (void)level;
  return kSearchEntries_isa_portable;
}

namespace {

const SearchEntries& chosen() {
  static const SearchEntries& entries = searchEntries(chosenLevel());
  return entries;
}

}  // namespace

float terminalValue(Engine& engine, Board& board) {
  return chosen().terminalValue(engine, board);
}
float leafValue(Engine& engine, Board& board) {
  return chosen().leafValue(engine, board);
}
float minimaxNode(Engine& engine, Board& board, int ply) {
  return chosen().minimaxNode(engine, board, ply);
}
float searchAlphaBeta(Engine& engine, Board& board) {
  return chosen().searchAlphaBeta(engine, board);
}
float searchMtdf(Engine& engine, Board& board) {
  return chosen().searchMtdf(engine, board);
}
float runRootSearch(Engine& engine) {
  return chosen().runRootSearch(engine);
}

}  // namespace zedare
