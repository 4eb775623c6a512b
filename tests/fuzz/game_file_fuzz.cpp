// The game-file loader: a refused file leaves the record exactly as it was; an accepted
// one gives a record that keeps its invariants, saves, and loads back the same.
#include "fuzz_support.h"

namespace {

zedare::GameRecord aShortGame() {
  zedare::GameRecord r;
  zedare::Board b;
  b.setInitial();
  r.store(b, 1);
  b.play(3, 4, -1);
  r.store(b, 1);
  b.play(3, 3, 1);
  r.store(b, 1);
  r.back();
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string input = fuzz::scratch("input.gam");
  static const std::string saved = fuzz::scratch("saved.gam");
  static const zedare::GameRecord game = aShortGame();
  static const std::string gameText = fuzz::recordText(game);
  fuzz::writeInput(input, data, size);

  zedare::GameRecord record = game;
  if (!record.load(input.c_str())) {
    FUZZ_REQUIRE(fuzz::recordText(record) == gameText, "a refused file changes nothing");
    return 0;
  }
  fuzz::checkRecord(record);
  FUZZ_REQUIRE(record.save(saved.c_str()), "an accepted record saves");
  zedare::GameRecord back;
  FUZZ_REQUIRE(back.load(saved.c_str()), "a saved record loads");
  FUZZ_REQUIRE(fuzz::recordText(back) == fuzz::recordText(record), "the round trip is exact");
  return 0;
}
