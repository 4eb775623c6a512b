// The transcript readers: byte 0 chooses GGF (odd) or move text (even), the rest is the
// text. A refused text leaves the game as it was; an accepted game is consistent, writes
// and reads back to the same moves in both forms it can take, and goes to a game record
// and back unchanged.
#include <memory>

#include "fuzz_support.h"
#include "records/transcript.h"

namespace {

bool sameMoves(const zedare::Transcript& a, const zedare::Transcript& b) {
  if (a.moves.size() != b.moves.size() || !a.start.sameSquares(b.start)) return false;
  for (std::size_t i = 0; i < a.moves.size(); ++i) {
    if (a.moves[i].row != b.moves[i].row || a.moves[i].column != b.moves[i].column) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool ggf = (data[0] & 1) != 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  zedare::Transcript game;
  game.moves.push_back(zedare::GameMove{6, 5});
  const std::string why = ggf ? zedare::parseGgf(text, game) : zedare::parseMoveText(text, game);
  if (!why.empty()) {
    FUZZ_REQUIRE(game.moves.size() == 1 && game.moves[0].row == 6,
                 "a refused text changes nothing");
    return 0;
  }
  const zedare::Board end = zedare::finalPosition(game);
  FUZZ_REQUIRE(end.checkConsistency().empty(), "the final position is consistent");

  zedare::Transcript back;
  FUZZ_REQUIRE(zedare::parseGgf(zedare::writeGgf(game, "x"), back).empty(), "written GGF reads");
  FUZZ_REQUIRE(sameMoves(game, back), "GGF round trip");
  std::string error;
  const std::string moves = zedare::writeMoveText(game, error);
  if (error.empty()) {
    zedare::Transcript again;
    FUZZ_REQUIRE(zedare::parseMoveText(moves, again).empty(), "written move text reads");
    FUZZ_REQUIRE(sameMoves(game, again), "move text round trip");
  }
  auto record = std::make_unique<zedare::GameRecord>();
  if (zedare::recordFromTranscript(game, *record).empty()) {
    fuzz::checkRecord(*record);
    zedare::Transcript fromRecord;
    FUZZ_REQUIRE(zedare::transcriptFromRecord(*record, fromRecord).empty(), "record reads back");
    FUZZ_REQUIRE(sameMoves(game, fromRecord), "record round trip");
  }
  return 0;
}
