// The offline tool's line parsers and the bounded line reader. A parsed position is a
// consistent board whose text reads back as the same board; a parsed book move is on the
// board; the line reader never returns a line longer than its bound.
#include <cstring>
#include <string>

#include "eval/model.h"
#include "fuzz_support.h"
#include "training/offline.h"

namespace {

void checkBoardReadsBack(const zedare::Board& b) {
  FUZZ_REQUIRE(b.checkConsistency().empty(), "a parsed board is consistent");
  const std::string text = b.toLine();
  const char* cursor = text.c_str();
  zedare::Board again;
  std::string why;
  FUZZ_REQUIRE(again.parseText(cursor, zedare::TextStrictness::Strict, &why), "a board's text parses");
  FUZZ_REQUIRE(again.toLine() == text, "a board's text reads back the same");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);  // NUL-terminated
  std::string why;
  zedare::Board board;
  int game, discs, row, column;
  double value;
  if (zedare::parsePositionLine(text.c_str(), game, discs, board, why)) checkBoardReadsBack(board);
  if (zedare::parseBookLine(text.c_str(), board, row, column, value, zedare::TextStrictness::Strict, &why)) {
    checkBoardReadsBack(board);
    FUZZ_REQUIRE(row >= 1 && row <= 8 && column >= 1 && column <= 8, "a book move is on the board");
  }
  long long values[zedare::kFeatureColumns];
  zedare::parseFeatureRow(text.c_str(), values, zedare::kFeatureColumns, why);
  const char* cursor = text.c_str();
  zedare::Board parsed;
  if (parsed.parseText(cursor)) {
    parsed.rebuildCandidates();
    FUZZ_REQUIRE(cursor >= text.c_str() && cursor <= text.c_str() + std::strlen(text.c_str()),
                 "the cursor stays inside the line");
    checkBoardReadsBack(parsed);
  }

  if (size == 0) return 0;
  std::FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (stream == nullptr) return 0;
  std::string line;
  zedare::LineStatus status;
  size_t total = 0;
  while ((status = zedare::readBoundedLine(stream, line, 64)) == zedare::LineStatus::Line) {
    FUZZ_REQUIRE(line.size() <= 64, "a line within its bound");
    total += line.size() + 1;
  }
  FUZZ_REQUIRE(total <= size + 1, "no byte read twice");
  std::fclose(stream);
  return 0;
}
