// Position files: merging the numbered files of several dumps, keeping the final
// positions of the games, and turning positions into rows of feature values.
//
// A position line is "game<TAB>discs<TAB>" and the board text; the board's side to move
// is 0 on the last line of a game. Every line read is parsed strictly (see offline.h).
#include <string>

#include "api/engine.h"
#include "eval/model.h"
#include "eval/weight_rows.h"
#include "training/offline.h"

namespace zedare {

namespace {

// Reads every position of `input` and hands it to `each`, which writes what it makes of
// it to `output`.
template <typename Each>
int rewritePositions(const char* input, const char* output, Each each) {
  InputFile in;
  if (!in.open(input)) return kOfflineCannotOpen;
  OutputFile out;
  if (!out.open(output)) return kOfflineCannotOpen;
  long long positions = 0;
  const int status =
      forEachPosition(in, input, positions, [&out, &each](int game, int discs, const Board& board) {
        return each(out, game, discs, board);
      });
  return out.finish(status);
}

}  // namespace

int Engine::mergePositionFiles(const char* baseName, int count) {
  const std::string outputPath = std::string(baseName) + ".txt";
  OutputFile out;
  if (!out.open(outputPath.c_str())) return kOfflineCannotOpen;
  long long positions = 0;
  for (int k = 1; k <= count; ++k) {
    const std::string path = std::string(baseName) + "_" + std::to_string(k) + ".txt";
    InputFile in;
    if (!in.open(path.c_str(), false)) {
      // A part that is not there is left out, as when a dump of that range was not run.
      std::fprintf(stderr, "%s: not found, skipped\n", path.c_str());
      continue;
    }
    const int status = forEachPosition(in, path.c_str(), positions,
                                       [&out](int game, int discs, const Board& board) {
                                         out.write(positionLine(game, discs, board));
                                         return kOfflineDone;
                                       });
    if (status) return out.finish(status);
  }
  return out.finish(kOfflineDone);
}

int Engine::extractFinalPositions(const char* input, const char* output) {
  return rewritePositions(input, output,
                          [](OutputFile& out, int game, int discs, const Board& board) {
                            if (board.sideToMove == 0) out.write(positionLine(game, discs, board));
                            return kOfflineDone;
                          });
}

int Engine::writeFeatureRows(const char* input, const char* output, int sideToMove) {
  return rewritePositions(input, output,
                          [this, sideToMove](OutputFile& out, int game, int, const Board& board) {
                            // Column 2 is the disc count recounted from the squares, not the one on
                            // the line.
                            int row[kFeatureColumns];
                            featureRow(*this, board, game, row);
                            if (sideToMove && board.sideToMove != 0) {
                              row[rowOf(WeightRow::SideToMove) - 1] =
                                  board.sideToMove == computerColour ? 1 : -1;
                            }
                            char text[kFeatureColumns * 12 + 2];
                            int n = 0;
                            for (int i = 0; i < kFeatureColumns; ++i) {
                              n += std::snprintf(text + n, sizeof text - n,
                                                 i + 1 < kFeatureColumns ? "%i\t" : "%i\n", row[i]);
                            }
                            out.write(std::string(text, n));
                            return kOfflineDone;
                          });
}

}  // namespace zedare
