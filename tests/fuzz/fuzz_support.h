// What every fuzz target shares: a scratch folder of its own, writing an input to a file
// for the loaders that take a path, a broken invariant reported as a crash, and a matrix
// error path that returns to the target instead of ending the process.
#ifndef ZEDARE_TESTS_FUZZ_FUZZ_SUPPORT_H
#define ZEDARE_TESTS_FUZZ_FUZZ_SUPPORT_H

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/board.h"
#include "matrix/matrix.h"
#include "records/game_record.h"

namespace fuzz {

// A folder under the temporary folder for this process's files.
inline std::string scratch(const char* name) {
  static const std::string dir = [] {
    const char* base = std::getenv("TMPDIR");
    std::string d = std::string(base && *base ? base : "/tmp") + "/zedare-fuzz-" +
                    std::to_string(getpid());
    mkdir(d.c_str(), 0700);
    return d;
  }();
  return dir + "/" + name;
}

inline void writeInput(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

// A broken invariant: said on standard error and turned into a crash, which libFuzzer
// reports with the input that caused it.
#define FUZZ_REQUIRE(condition, what)                                                  \
  do {                                                                                 \
    if (!(condition)) {                                                                \
      std::fprintf(stderr, "broken invariant: %s (%s:%d)\n", what, __FILE__, __LINE__); \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

// Thrown by the matrix error path in targets that feed it bad files on purpose.
struct MatrixStop {};

inline void throwMatrixStop(const char*) {
  throw MatrixStop{};
}

// The whole record as its game file would hold it, for comparing records.
inline std::string recordText(const zedare::GameRecord& r) {
  std::string text = std::to_string(r.playerColour) + " " + std::to_string(r.currentIndex) + " " +
                     std::to_string(r.lastIndex) + "\n";
  for (int i = 0; i <= r.lastIndex; ++i) text += r.positions[i].toLine() + "\n";
  return text;
}

// The record's own invariants: indexes in range, slot i holding i + 4 discs, every board
// consistent in its two forms.
inline void checkRecord(const zedare::GameRecord& r) {
  FUZZ_REQUIRE(r.lastIndex >= 0 && r.lastIndex < zedare::GameRecord::kSlots, "last index");
  FUZZ_REQUIRE(r.currentIndex >= 0 && r.currentIndex <= r.lastIndex, "current index");
  FUZZ_REQUIRE(r.playerColour == 1 || r.playerColour == -1, "player colour");
  for (int i = 0; i <= r.lastIndex; ++i) {
    FUZZ_REQUIRE(r.positions[i].count(0) == 60 - i, "slot i holds i + 4 discs");
    FUZZ_REQUIRE(r.positions[i].checkConsistency().empty(), "record board consistent");
  }
}

}  // namespace fuzz

#endif
