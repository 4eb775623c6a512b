// The model files and the feature rows built from the same features.
//
// Files, relative to the working directory, with "//" as separator:
//   parameter file  <directory>//<parameterName>_<n>.dat   18 rows (feature rows of the
//                   evaluation) x one column per disc count, at least 64
//   pattern files   <directory>//<patternName>_A1.dat .. _PRZ.dat, in the order of
//                   pattern::Table; 19683 rows x 3 columns (column 3 is the value the
//                   features read), except _A2.dat, which no feature reads (9 x 3)
//   row converter   modele//konwerter.dat: 65536 records of 16 tab-separated integers
//                   (the board computes the same table itself; the file is for others)
// All matrices are the matrix library's text tables (readtxt / writetxt).
//
// loadModel (Engine::loadModel for the engine) reads a parameter file and the eight
// pattern files into weight set 1 and pattern set 1 (slot 1) or set 2 (slot 2); any
// other slot loads nothing. A file that cannot be read stops through the matrix
// library's error path with its message; a file that reads but is smaller than the
// shape above stops through the same path with a signature naming the load and the
// file, so that a damaged model never fails later inside a search.
#ifndef ZEDARE_EVAL_MODEL_H
#define ZEDARE_EVAL_MODEL_H

#include <cstdio>
#include <string>

namespace zedare {

struct EvalContext;
struct Board;

constexpr int kFeatureColumns = 20;

// The pattern file suffixes, in loading order.
extern const char* const kPatternSuffixes[8];

// The paths loadModel reads.
std::string parameterPath(const char* directory, const char* parameterName, int n);
std::string patternPath(const char* directory, const char* patternName, int table);

// The 20 columns of a feature row of a board, from the engine's computer's side, with
// pattern table set 1 and the board's stored side to move wherever a side is needed:
//   1 tag, 2 disc count, 3 side to move, 4 disc difference, 5 frontier, 6 mobility,
//   7 stable discs, 8 corners and X-squares, 9 zero, 10 PRZ patterns, 11 corner access,
//   12 region parity, 13 zero, 14 corner threat, 15 corner patterns, 16..18 SC1..SC3
//   patterns, 19 and 20 the corners held by the computer and by the human.
// Columns 5 to 20 are 0 when the side to move is 0 (a finished game). Columns 4 to 18
// line up with the weight rows of the evaluation.
void featureRow(EvalContext& engine, const Board& board, int tag, int out[kFeatureColumns]);

// Appends the feature record line of a board to `out`: the 20 columns of featureRow,
// then the model's prediction (columns 4..18 times column "disc count" of weight set 1,
// times 10, truncated toward zero), tab-separated, one line. Does nothing when `out` is
// null (no evaluations file open).
void writeFeatureRecord(EvalContext& engine, std::FILE* out, int tag, const Board& board);

// Reads a parameter file and the eight pattern files into weight set 1 and pattern set
// 1 (slot 1) or set 2 (slot 2); any other slot loads nothing (see above).
void loadModel(EvalContext& context, int slot, const char* directory, const char* parameterName,
               const char* patternName, int n);

// Writes the row converter table to a file. False when the file cannot be written.
bool writeConverterFile(const char* path);

}  // namespace zedare

#endif
