// EvalContext: all the evaluation and the features read and write: which colour the
// computer plays, the two loaded weight sets and pattern-table sets, and the features'
// working storage. The engine is an EvalContext (it derives from it); the evaluation
// sees nothing else of the engine, so this module depends only on the board and the
// matrix library.
#ifndef ZEDARE_EVAL_CONTEXT_H
#define ZEDARE_EVAL_CONTEXT_H

#include <cstdint>

#include "matrix/matrix.h"

namespace zedare {

struct EvalContext {
  int humanColour = -1;
  int computerColour = 1;

  // Evaluation working storage: the position being scored as seen from the computer's
  // side (its discs, the human's discs) and both sides' legal-move squares, filled by
  // every feature call and every evaluation before the features read it. Nothing in it
  // carries over from one call to the next.
  struct EvalScratch {
    uint64_t own = 0;       // computerColour's discs
    uint64_t opp = 0;       // humanColour's discs
    uint64_t ownLegal = 0;  // squares where computerColour may move
    uint64_t oppLegal = 0;  // squares where humanColour may move
  } evalScratch;

  matrix weights1;
  matrix weights2;
  matrix patterns1[8];  // A1, A2, A3, A4, SC1, SC2, SC3, PRZ
  matrix patterns2[8];
};

}  // namespace zedare

#endif
