// Shared by the self-play and training tests: a fixture with an engine that has the
// shipped model loaded, a scratch folder per test, and readers of the written files that
// parse them on their own (not through the engine's parsers).
#ifndef ZEDARE_TESTS_OFFLINE_SUPPORT_H
#define ZEDARE_TESTS_OFFLINE_SUPPORT_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "scratch.h"
#include "api/engine.h"
#include "board/board.h"
#include "training/offline.h"

namespace offline_test {

inline std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::vector<std::string> readLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline bool exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

inline std::vector<std::string> fields(const std::string& line, char separator) {
  std::vector<std::string> out;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, separator)) out.push_back(field);
  return out;
}

// A position as the test reads it from text: squares row by row, then the side to move.
struct Position {
  int game = 0;
  int discs = 0;
  int squares[64] = {};
  int side = 0;

  int at(int row, int column) const { return squares[(row - 1) * 8 + (column - 1)]; }
  int count(int colour) const {
    int n = 0;
    for (int v : squares) n += v == colour;
    return n;
  }
  zedare::Board board() const {
    zedare::Board b;
    for (int i = 0; i < 64; ++i) b.setSquare(i / 8 + 1, i % 8 + 1, squares[i]);
    b.sideToMove = static_cast<int8_t>(side);
    b.rebuildCandidates();
    return b;
  }
};

// "game<TAB>discs<TAB>" then 64 squares and the side; fails the test when it does not fit.
inline Position parsePosition(const std::string& line, bool withNumbers = true) {
  Position p;
  std::istringstream in(line);
  if (withNumbers) in >> p.game >> p.discs;
  for (int& v : p.squares) in >> v;
  in >> p.side;
  EXPECT_FALSE(in.fail()) << "not a position line: " << line;
  return p;
}

inline Position fromBoard(const zedare::Board& b) {
  Position p;
  for (int i = 0; i < 64; ++i) p.squares[i] = b.colourAt(i / 8 + 1, i % 8 + 1);
  p.side = b.sideToMove;
  p.discs = b.discCount;
  return p;
}

inline bool sameSquares(const Position& a, const Position& b) {
  for (int i = 0; i < 64; ++i)
    if (a.squares[i] != b.squares[i]) return false;
  return true;
}

// Whether `after` follows from `before` by one legal move of either colour (a pass in
// between is allowed): the rules' own test of a played game.
inline bool oneMoveApart(const Position& before, const Position& after) {
  const zedare::Board start = before.board();
  for (int colour : {-1, 1}) {
    for (int r = 1; r <= 8; ++r) {
      for (int c = 1; c <= 8; ++c) {
        zedare::Board b = start;
        if (b.play(r, c, colour) && sameSquares(fromBoard(b), after)) return true;
      }
    }
  }
  return false;
}

// An engine with the shipped model in slot 1 at level 1, a scratch folder of its own,
// and no stop request or progress hook left over from another test.
class OfflineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(chdir(ZEDARE_SOURCE_DIR), 0);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    scratch_ = std::make_unique<ScratchDir>(std::string("zedare_") + info->test_suite_name() +
                                            "_" + info->name());
    dir = scratch_->path();
    zedare::clearOfflineStop();
    zedare::setOfflineProgressHook(nullptr, nullptr);
  }
  void TearDown() override {
    zedare::clearOfflineStop();
    zedare::setOfflineProgressHook(nullptr, nullptr);
    scratch_.reset();
  }

  zedare::Engine& engine() {
    if (!engine_) {
      engine_ = std::make_unique<zedare::Engine>();
      engine_->loadModel(1, "modele", "parametry9_i15", "wzorce9_i15", 0);
      engine_->setLevel(1);
    }
    return *engine_;
  }
  std::string path(const std::string& name) const { return dir + "/" + name; }

  std::string dir;
  std::unique_ptr<ScratchDir> scratch_;

 private:
  std::unique_ptr<zedare::Engine> engine_;
};

}  // namespace offline_test

#endif
