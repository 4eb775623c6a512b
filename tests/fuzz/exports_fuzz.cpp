// Random sequences of calls through the six exported C functions, with arguments in and
// out of range. After every call the game board and the record keep their invariants,
// and no stop flag is left raised once a call has returned.
//
// Input: four bytes a call: which function, the code, and two signed arguments. The
// model is loaded once (code 30 reads some megabytes, too slow to repeat per input), so
// code 30 is left out; each input starts with a new game at level 1. A level above 2 is
// taken back to 2 after the call that sets it, so that a search stays short.
#include <string>

#include "api/engine.h"
#include "api/zedare.h"
#include "fuzz_support.h"

namespace {

void abortOnMatrixError(const char* text) {
  std::fprintf(stderr, "matrix error during play:\n%s", text);
  std::abort();
}

ZedareHandle theEngine() {
  ZedareHandle h = TavrinCreate();
  if (h == nullptr) std::abort();
  zedare::setMatrixErrorHandler(abortOnMatrixError);
  TavrinInst(h, ZEDARE_LOAD_MODEL, 1, 0);
  TavrinInst(h, ZEDARE_LOAD_MODEL, 2, 0);
  return h;
}

const char* pathFor(int choice) {
  static const std::string saved = fuzz::scratch("exports.gam");
  switch (choice & 3) {
    case 0:
      return saved.c_str();
    case 1:
      return "/dev/zero";
    case 2:
      return "/nonexistent-zedare/none.gam";
    default:
      return "/";
  }
}

void checkState(ZedareHandle h) {
  const zedare::Engine& e = *static_cast<zedare::Engine*>(h);
  FUZZ_REQUIRE(e.gameBoard.checkConsistency().empty(), "the game board is consistent");
  FUZZ_REQUIRE(e.humanColour == -e.computerColour, "the colours are opposite");
  FUZZ_REQUIRE(e.searching.load() == 0 && e.pondering.load() == 0, "no flag left raised");
  FUZZ_REQUIRE(e.lastRow >= 0 && e.lastRow <= 8 && e.lastColumn >= 0 && e.lastColumn <= 8,
               "the last move is a square or none");
  fuzz::checkRecord(e.record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ZedareHandle h = theEngine();
  TavrinInst(h, ZEDARE_NEW_GAME, 0, 0);
  TavrinInst(h, ZEDARE_SET_LEVEL, 1, 0);
  TavrinInst(h, ZEDARE_SET_ALGORITHM, 2, 0);
  TavrinInst(h, ZEDARE_SET_HUMAN_COLOUR, 1, 0);
  for (size_t at = 0; at + 4 <= size && at < 4 * 64; at += 4) {
    const int function = data[at] & 3;
    const uint32_t code = data[at + 1];
    const int32_t a = static_cast<int8_t>(data[at + 2]);
    const int32_t b = static_cast<int8_t>(data[at + 3]);
    switch (function) {
      case 0:
        if (code % 32 == 30) break;
        TavrinInst(h, code % 32, a, b);
        if (TavrinInst(h, ZEDARE_LEVEL, 0, 0) > 2) TavrinInst(h, ZEDARE_SET_LEVEL, 2, 0);
        break;
      case 1:
        TavrinInst_p0(h, code % 8, a, b, static_cast<int8_t>(data[at + 1]) % 3);
        break;
      case 2:
        TavrinInst_pp(h, code % 12);
        break;
      default:
        TavrinFile_pp(h, code % 4, pathFor(a));
        break;
    }
    checkState(h);
  }
  return 0;
}
