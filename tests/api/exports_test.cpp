// The engine from the outside, as the application sees it: the shared library loaded
// with dlopen by path, its six functions bound by name, games driven through the codes
// and checked against the square-by-square oracle.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scratch.h"
#include "../board/oracle.h"

namespace {

using Create = void* (*)();
using Destroy = void (*)(void*);
using Inst = int32_t (*)(void*, uint32_t, int32_t, int32_t);
using InstP0 = int32_t (*)(void*, uint32_t, int32_t, int32_t, int32_t);
using InstPP = int32_t (*)(void*, uint32_t);
using FilePP = int32_t (*)(void*, uint32_t, const char*);

struct Library {
  void* handle = nullptr;
  Create create = nullptr;
  Destroy destroy = nullptr;
  Inst inst = nullptr;
  InstP0 p0 = nullptr;
  InstPP pp = nullptr;
  FilePP file = nullptr;

  Library() {
    handle = dlopen(ZEDARE_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return;
    create = reinterpret_cast<Create>(dlsym(handle, "TavrinCreate"));
    destroy = reinterpret_cast<Destroy>(dlsym(handle, "TavrinDestroy"));
    inst = reinterpret_cast<Inst>(dlsym(handle, "TavrinInst"));
    p0 = reinterpret_cast<InstP0>(dlsym(handle, "TavrinInst_p0"));
    pp = reinterpret_cast<InstPP>(dlsym(handle, "TavrinInst_pp"));
    file = reinterpret_cast<FilePP>(dlsym(handle, "TavrinFile_pp"));
  }
  bool complete() const { return handle && create && destroy && inst && p0 && pp && file; }
};

Library& lib() {
  static Library library;
  return library;
}

class Exports : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib().complete()) << dlerror();
    engine = lib().create();
    ASSERT_NE(engine, nullptr);
  }
  void TearDown() override { lib().destroy(engine); }

  int inst(uint32_t code, int a = 0, int b = 0) { return lib().inst(engine, code, a, b); }
  int p0(uint32_t code, int r = 0, int c = 0, int colour = 0) {
    return lib().p0(engine, code, r, c, colour);
  }
  int pp(uint32_t code) { return lib().pp(engine, code); }

  // Everything a caller can read without changing anything.
  std::string snapshot() {
    std::ostringstream s;
    for (uint32_t code :
         {3u, 4u, 5u, 6u, 7u, 10u, 11u, 12u, 13u, 17u, 18u, 19u, 20u, 21u, 22u, 24u, 25u, 27u})
      s << inst(code) << ' ';
    s << pp(2) << ' ' << pp(4) << '|';
    for (int r = 1; r <= 8; ++r)
      for (int c = 1; c <= 8; ++c)
        s << p0(0, r, c) << p0(1, r, c) << p0(2, r, c, -1) << p0(2, r, c, 1) << ',';
    return s.str();
  }

  void* engine = nullptr;
};

TEST(ExportTable, ExactlySixFunctionsAreVisible) {
  const std::string command = std::string("nm -D --defined-only ") + ZEDARE_LIBRARY_PATH;
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> symbols;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    std::istringstream in(line);
    std::string address, type, name;
    if (in >> address >> type >> name) symbols.insert(name);
  }
  ASSERT_EQ(pclose(pipe), 0);
  const std::set<std::string> expected = {"TavrinCreate",  "TavrinDestroy", "TavrinInst",
                                          "TavrinInst_p0", "TavrinInst_pp", "TavrinFile_pp"};
  EXPECT_EQ(symbols, expected);
}

TEST_F(Exports, FreshInstanceAnswers) {
  EXPECT_EQ(inst(3), -1);
  EXPECT_EQ(inst(4), 1);
  EXPECT_EQ(inst(5), -1);
  EXPECT_EQ(inst(6), 3);
  EXPECT_EQ(inst(7), 2);
  EXPECT_EQ(inst(21), 0);
  EXPECT_EQ(inst(22), 0);
  EXPECT_EQ(inst(25), 0);
  EXPECT_EQ(inst(27), 0);
  EXPECT_EQ(inst(24), 0);
  EXPECT_EQ(inst(20), 0);
  EXPECT_EQ(inst(10), 1);
  EXPECT_EQ(inst(11), 0);
  EXPECT_EQ(pp(2), -1);
  EXPECT_EQ(pp(4), -1);
  EXPECT_EQ(p0(0, 4, 4), 1);
  EXPECT_EQ(p0(0, 4, 5), -1);
  EXPECT_EQ(p0(1, 4, 4), 2);
  EXPECT_EQ(p0(1, 5, 4), 2);
  EXPECT_EQ(p0(1, 3, 3), 1);
  EXPECT_EQ(p0(1, 1, 1), 0);
}

TEST_F(Exports, UnknownCodesAndBadArgumentsChangeNothing) {
  const std::string before = snapshot();
  EXPECT_EQ(inst(35, 1, 1), 0);
  EXPECT_EQ(inst(31, -5), 0);  // a negative move time is refused
  EXPECT_EQ(inst(32), 0);
  EXPECT_EQ(inst(0xFFFFFFFFu, 1, 1), 0);
  EXPECT_EQ(inst(29, 1, 1), 0);
  EXPECT_EQ(p0(5, 1, 1, 1), 0);
  EXPECT_EQ(pp(9), 0);
  const std::string path = scratchPath("zedare_code2.gam");
  std::remove(path.c_str());
  EXPECT_EQ(lib().file(engine, 2, path.c_str()), 0);
  EXPECT_FALSE(std::ifstream(path).good());
  EXPECT_EQ(lib().file(engine, 0, path.c_str()), 0);  // no such file: refused
  EXPECT_EQ(lib().file(engine, 0, nullptr), 0);
  EXPECT_EQ(lib().file(engine, 1, nullptr), 0);
  // Squares outside the board and colours other than +-1 are refused.
  EXPECT_EQ(inst(14, 0, 4), 0);
  EXPECT_EQ(inst(15, 9, 4), 0);
  EXPECT_EQ(inst(14, 3, -1), 0);
  EXPECT_EQ(inst(0, 2), 0);
  EXPECT_EQ(inst(0, 0), 0);
  EXPECT_EQ(inst(23, 9, 1), 0);
  EXPECT_EQ(p0(0, 0, 1), 0);
  EXPECT_EQ(p0(1, 1, 9), 0);
  EXPECT_EQ(p0(2, 3, 4, 0), 0);
  EXPECT_EQ(p0(2, 3, 4, 2), 0);
  EXPECT_EQ(p0(2, -5, 4, -1), 0);
  EXPECT_EQ(snapshot(), before);
  // A null handle is refused by every function.
  EXPECT_EQ(lib().inst(nullptr, 3, 0, 0), 0);
  EXPECT_EQ(lib().p0(nullptr, 0, 4, 4, 0), 0);
  EXPECT_EQ(lib().pp(nullptr, 2), 0);
  lib().file(nullptr, 1, path.c_str());
  lib().destroy(nullptr);
  EXPECT_FALSE(std::ifstream(path).good());
}

TEST_F(Exports, ColoursLevelAndLastMove) {
  inst(0, -1);
  EXPECT_EQ(inst(3), -1);
  inst(0, 1);
  EXPECT_EQ(inst(3), 1);
  EXPECT_EQ(inst(4), -1);
  EXPECT_EQ(inst(10), 0);
  EXPECT_EQ(inst(11), 1);
  inst(1, 5);
  EXPECT_EQ(inst(6), 5);
  inst(1, 0);  // a level without parameters is stored all the same
  EXPECT_EQ(inst(6), 0);
  inst(2, 1);
  EXPECT_EQ(inst(7), 1);
  inst(31, 1500);
  EXPECT_EQ(inst(32), 1500);
  inst(31, 0);
  EXPECT_EQ(inst(32), 0);
  inst(23, 3, 4);
  EXPECT_EQ(inst(21), 3);
  EXPECT_EQ(inst(22), 4);
  inst(23, 0, 0);
  EXPECT_EQ(inst(21), 0);
}

// Plays random games through codes 14 and 15 with square arguments, deciding passes and
// the end of the game as the application does, and compares everything the codes report
// with the oracle after every move.
TEST_F(Exports, RandomGamesAgreeWithTheOracle) {
  std::mt19937 rng(17);
  for (int game = 0; game < 40; ++game) {
    inst(8);
    inst(0, game % 2 ? 1 : -1);
    oracle::Position p = oracle::Position::initial();
    const int human = inst(3), computer = inst(4);
    int moves = 0;
    while (true) {
      const int side = inst(5);
      ASSERT_EQ(side, p.side);
      std::vector<std::pair<int, int>> legal;
      for (int r = 1; r <= 8; ++r)
        for (int c = 1; c <= 8; ++c)
          if (p.legal(r, c, side)) legal.emplace_back(r, c);
      ASSERT_FALSE(legal.empty());
      const auto [r, c] = legal[rng() % legal.size()];
      // An illegal square first: refused, nothing changes.
      ASSERT_EQ(inst(side == human ? 14 : 15, 1, 1) == 1, p.legal(1, 1, side));
      if (p.legal(1, 1, side)) {
        p.play(1, 1, side);
      } else {
        ASSERT_EQ(inst(side == human ? 14 : 15, r, c), 1);
        p.play(r, c, side);
        EXPECT_EQ(inst(21), r);
        EXPECT_EQ(inst(22), c);
      }
      ++moves;
      // The caller's pass and end-of-game decisions.
      const bool nextCanMove = inst(p.side == human ? 12 : 13) != 0;
      ASSERT_EQ(nextCanMove, p.anyLegal(p.side));
      bool over = false;
      if (!nextCanMove) {
        if (inst(p.side == human ? 13 : 12)) {
          p0(3);
          p.side = -p.side;
        } else {
          p0(4);
          over = true;
        }
      }
      pp(0);
      for (int rr = 1; rr <= 8; ++rr)
        for (int cc = 1; cc <= 8; ++cc) {
          ASSERT_EQ(p0(0, rr, cc), p.sq[rr][cc]);
          ASSERT_EQ(p0(1, rr, cc), p.sq[rr][cc] ? 2 : (p.isCandidate(rr, cc) ? 1 : 0));
          ASSERT_EQ(p0(2, rr, cc, 1), p.legal(rr, cc, 1) ? 1 : 0);
          ASSERT_EQ(p0(2, rr, cc, -1), p.legal(rr, cc, -1) ? 1 : 0);
        }
      EXPECT_EQ(inst(12) != 0, p.anyLegal(human));
      EXPECT_EQ(inst(13) != 0, p.anyLegal(computer));
      const int k = p.count(computer), h = p.count(human);
      EXPECT_EQ(inst(24), k == 0 ? 64 : h == 0 ? -64 : h - k);
      EXPECT_EQ(pp(4), over ? 0 : p.side);
      if (over) {
        EXPECT_EQ(inst(5), 0);
        break;
      }
    }
    EXPECT_GT(moves, 8);
  }
}

TEST_F(Exports, SavedGameLoadsBackThroughTheFileCodes) {
  const std::string path = scratchPath("zedare_exports.gam");
  inst(0, 1);
  inst(15, 3, 4);
  pp(0);
  inst(14, 3, 3);
  pp(0);
  pp(6);
  EXPECT_EQ(lib().file(engine, 1, path.c_str()), 1);
  void* other = lib().create();
  EXPECT_EQ(lib().file(other, 0, path.c_str()), 1);
  EXPECT_EQ(lib().pp(other, 2), 1);
  lib().pp(other, 3);
  EXPECT_EQ(lib().p0(other, 0, 3, 4, 0), -1);
  EXPECT_EQ(lib().p0(other, 0, 3, 3, 0), 0);  // current index 1: before the second move
  lib().pp(other, 7);
  lib().pp(other, 3);
  EXPECT_EQ(lib().p0(other, 0, 3, 3, 0), 1);
  lib().destroy(other);
  std::remove(path.c_str());
  // A folder that does not exist cannot take the file.
  EXPECT_EQ(lib().file(engine, 1, (path + ".missing/partia.gam").c_str()), 0);
}

}  // namespace
