// The features of a position that the evaluation weights: hand-made counts (frontier,
// stable discs, corners and X-squares, corner access, region parity) and pattern
// features that look up learned values of 8-square lines in the engine's pattern
// tables.
//
// Perspective: C = engine.computerColour, H = engine.humanColour (= -C). Count features
// return a pair (C's value, H's value); pattern features and region parity return one
// integer from C's point of view. Some features depend on a side to move S: either the
// board's stored side to move, or the side the caller passes ("given"; the evaluation
// passes the side that has a legal move).
//
// Every feature reads the squares through the board's two words, which both board forms
// keep current, and none changes the board. The features that take an EvalContext fill its
// evaluation working storage (evalScratch) before use; one feature call at a time per
// engine.
//
// Pattern table sets: 1 reads engine.patterns1, any other value engine.patterns2. Each
// table read must hold at least 19683 rows and 3 columns; a table that does not (not
// loaded, or cut short) stops through the matrix library's error path rather than being
// read past its end.
#ifndef ZEDARE_EVAL_FEATURES_H
#define ZEDARE_EVAL_FEATURES_H

namespace zedare {

struct EvalContext;
struct Board;
class matrix;

// Index of each table in EvalContext::patterns1 / patterns2 (the order of the file suffixes).
namespace pattern {
enum Table : int { A1 = 0, A2, A3, A4, SC1, SC2, SC3, PRZ, Count };
constexpr int kRows = 19683;  // 3^9: one row per pattern index
}  // namespace pattern

struct SidePair {
  int computer;
  int human;
};

// Edge-line groups of linePatterns: the four quarter turns of column 1, 2 or 3 read from
// row 1 to row 8 (SC1, SC2, SC3), and the two diagonals (PRZ).
enum class LineGroup : int { SC1, SC2, SC3, PRZ };

// Discs of colour on the frontier: edge squares in rows or columns 3..6 with an empty
// neighbour along their edge, plus inner squares (rows 3..6 x columns 2..7 and rows 2,
// 7 x columns 3..6) with an empty neighbour, the four X-squares counting as occupied.
int frontierCount(const Board& board, int colour);

// Discs safe in all four line directions (a direction is safe when the whole line is
// filled, or one side of it up to the edge holds only the disc's own colour). A colour
// holding no corner counts 0.
SidePair stableCounts(EvalContext& engine, const Board& board);

// Corners held, and discs on an X-square next to an empty corner counted for the other
// colour.
SidePair cornerXCounts(EvalContext& engine, const Board& board);

// Corners held by each colour.
SidePair cornerCounts(EvalContext& engine, const Board& board);

// Corners each colour holds or can take; corners both can take are shared out in the
// order (1,1), (8,8), (1,8), (8,1), the given side first.
SidePair cornerAccess(EvalContext& engine, const Board& board, int side);

// Share of the empty regions that fall to C by parity, in percent centred on 0.
int regionParity(EvalContext& engine, const Board& board, int side);

// +-10 per corner held or takeable (contested corners alternating from the given side),
// the rounded pattern estimate for a corner nobody can take.
int cornerThreat(EvalContext& engine, const Board& board, int side, int tableSet);

// The four corners' pattern estimates from tables A1, A3, A4, stored side to move.
int cornerPatterns(EvalContext& engine, const Board& board, int tableSet);

// Sum of the group's line values (stored side to move), times C, times 10, truncated.
int linePatterns(EvalContext& engine, const Board& board, LineGroup group, int tableSet);

// ---- pattern lines, for the features and for the training's statistics ----

// A line named by how its eight squares q1..q8 are read; `n` is the column or row
// (ignored for the diagonals).
enum class LineKind : int {
  ColumnDown,           // column n, rows 1 -> 8
  ColumnUp,             // column n, rows 8 -> 1
  RowRight,             // row n, columns 1 -> 8
  RowLeft,              // row n, columns 8 -> 1
  Diagonal,             // (1,1), (2,2) .. (8,8)
  DiagonalReversed,     // (8,8) .. (1,1)
  AntiDiagonal,         // (1,8), (2,7) .. (8,1)
  AntiDiagonalReversed  // (8,1) .. (1,8)
};

// (side + 1) * 3^8 + sum of (colour of q_i + 1) * 3^(i-1): 0 .. 19682. The row of the
// pattern tables is this index + 1.
int patternIndex(const Board& board, LineKind line, int n, int side);

// The eight tables of a set (1: patterns1, otherwise patterns2).
const matrix* patternTables(const EvalContext& engine, int tableSet);

}  // namespace zedare

#endif
