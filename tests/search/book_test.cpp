// Opening and continuation books: hits under each of the four symmetries, the first line
// winning, the side to move choosing the file, misses and unreadable files, and the
// move numbers at which each level asks which book.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "api/engine.h"
#include "search/search.h"
#include "search_support.h"

using zedare::Board;
using zedare::Engine;

namespace {

std::string bookLine(const Board& b, int row, int column, const char* value) {
  return b.toLine() + "\t" + std::to_string(row) + " " + std::to_string(column) + "  " + value +
         "\n";
}

class Book : public ::testing::Test {
 protected:
  void SetUp() override {
    dir =
        std::filesystem::path(::testing::TempDir()) / ("zedare_book_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "otwarcia");
    black = (dir / "black.dat").string();
    white = (dir / "white.dat").string();
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  void write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

  std::filesystem::path dir;
  std::string black, white;
};

TEST_F(Book, HitUnderEachSymmetryPlaysTheMappedMove) {
  // A position after three random moves, stored once with its best move; the game board
  // is the stored position mapped by each of the four symmetries in turn.
  std::mt19937 rng(3);
  const Board stored = support::randomPosition(rng, 4);
  int row = 0, column = 0;
  for (int i = 0; i < stored.moveCount && !row; ++i)
    if (stored.isLegal(stored.moves[i].row, stored.moves[i].column, stored.sideToMove))
      row = stored.moves[i].row, column = stored.moves[i].column;
  const bool blackToMove = stored.sideToMove == -1;
  write(blackToMove ? black : white, bookLine(stored, row, column, "1.25"));
  write(blackToMove ? white : black, "");
  for (int t = 0; t < 4; ++t) {
    Engine e;
    stored.copyTransformed(e.gameBoard, t);
    ASSERT_EQ(zedare::bookLookup(e, black.c_str(), white.c_str()), 1) << t;
    int r, c;
    zedare::symmetry(t, row, column, r, c);
    EXPECT_EQ(e.bestMove.flag, zedare::MoveFlag::Legal);
    EXPECT_EQ(e.bestMove.row, r) << t;
    EXPECT_EQ(e.bestMove.column, c) << t;
    EXPECT_EQ(e.bestMove.value, 1.25f);
    EXPECT_EQ(e.gameBoard.isLegal(r, c, e.gameBoard.sideToMove), 1) << t;
  }
}

TEST_F(Book, FirstLineWinsAndSideToMoveIsNotCompared) {
  Board start;
  start.setInitial();
  Board sameSquaresOtherSide = start;
  sameSquaresOtherSide.sideToMove = 1;
  write(black, bookLine(sameSquaresOtherSide, 3, 4, "7") + bookLine(start, 4, 3, "8"));
  Engine e;
  ASSERT_EQ(zedare::bookLookup(e, black.c_str(), white.c_str()), 1);
  EXPECT_EQ(e.bestMove.row, 3);
  EXPECT_EQ(e.bestMove.column, 4);
  EXPECT_EQ(e.bestMove.value, 7.0f);
  // With white to move the white file is read, which is missing: a miss.
  e.gameBoard.sideToMove = 1;
  EXPECT_EQ(zedare::bookLookup(e, black.c_str(), white.c_str()), 0);
}

TEST_F(Book, MissesAndUnreadableContent) {
  Engine e;
  EXPECT_EQ(zedare::bookLookup(e, (dir / "none.dat").c_str(), white.c_str()), 0);
  write(black, "");
  EXPECT_EQ(zedare::bookLookup(e, black.c_str(), white.c_str()), 0);
  // A line that does not parse ends the look-up: the good line after it is not reached.
  Board start;
  start.setInitial();
  write(black, "0 0 garbage\n" + bookLine(start, 3, 4, "1"));
  EXPECT_EQ(zedare::bookLookup(e, black.c_str(), white.c_str()), 0);
  write(black, bookLine(start, 9, 4, "1"));  // a move off the board
  EXPECT_EQ(zedare::bookLookup(e, black.c_str(), white.c_str()), 0);
  // A binary file of random bytes ends too.
  std::string noise;
  std::mt19937 rng(1);
  for (int i = 0; i < 5000; ++i) noise += static_cast<char>(rng() & 0xFF);
  write(black, noise);
  EXPECT_EQ(zedare::bookLookup(e, black.c_str(), white.c_str()), 0);
}

// A matching line whose move cannot be played (an empty square with nothing to flip, an
// occupied square) is a miss: a later line can still hit, and with no hit the search plays.
TEST_F(Book, UnplayableBookMoveIsAMiss) {
  Board start;
  start.setInitial();
  const std::string unplayable = bookLine(start, 1, 1, "3") + bookLine(start, 4, 4, "4");
  const struct {
    std::string book;
    int row, column;  // the move expected; 0: any legal move the search chooses
  } cases[] = {
      {unplayable + bookLine(start, 3, 4, "9"), 3, 4},
      {unplayable, 0, 0},
  };
  for (const auto& c : cases) {
    write((dir / "otwarcia" / "otwarcia9_i15_c.dat").string(), c.book);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    Engine e;
    support::setSimpleModel(e);
    e.humanColour = 1;
    e.computerColour = -1;
    const int played = e.chooseAndPlay(1, e.computerColour);
    std::filesystem::current_path(previous);
    ASSERT_EQ(played, 1) << c.row;
    EXPECT_EQ(e.gameBoard.count(0), 59);
    EXPECT_TRUE(start.isLegal(e.lastRow, e.lastColumn, -1));
    if (c.row) {
      EXPECT_EQ(e.lastRow, c.row);
      EXPECT_EQ(e.lastColumn, c.column);
    } else {
      EXPECT_NE(e.bestMove.value, 3.0f);
      EXPECT_NE(e.bestMove.value, 4.0f);
    }
  }
}

// Which book each level asks at which move number, seen from outside: books that hold a
// wrong-looking but legal move for the current position reveal themselves in the move.
TEST_F(Book, LevelHorizonsDecideWhichBookIsAsked) {
  std::mt19937 rng(8);
  // Positions with black to move (an odd move number) at move numbers 1 to 51.
  for (int moveNumber : {1, 5, 7, 11, 29, 31, 51}) {
    Board position;
    if (moveNumber == 1) {
      position.setInitial();
    } else {
      bool found = false;
      for (int tries = 0; tries < 500 && !found; ++tries) {
        position = support::randomPosition(rng, moveNumber - 1);
        found = position.count(0) == 61 - moveNumber && position.sideToMove == -1 &&
                position.hasLegalMove(-1);
      }
      ASSERT_TRUE(found) << moveNumber;
    }
    // The last legal candidate, so that a search would hardly pick the same.
    int row = 0, column = 0;
    for (int i = 0; i < position.moveCount; ++i)
      if (position.isLegal(position.moves[i].row, position.moves[i].column, -1))
        row = position.moves[i].row, column = position.moves[i].column;
    write((dir / "otwarcia" / "otwarcia9_i15_c.dat").string(),
          bookLine(position, row, column, "111"));
    write((dir / "otwarcia" / "kontynuacje9_i15_c.dat").string(),
          bookLine(position, row, column, "222"));
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    for (int level = 1; level <= 4; ++level) {
      Engine e;
      support::setUpGame(e, position, -1);
      e.setLevel(level);
      e.chooseMove(1);
      const float value = e.bestMove.value;
      const int openingLimit = level == 1 ? 0 : level == 2 ? 5 : 10;
      const int continuationLimit = level == 4 ? 30 : 0;
      float expected = 0;  // 0: no book, the search decides
      if (moveNumber <= openingLimit) {
        expected = 111;
      } else if (moveNumber > openingLimit && moveNumber <= continuationLimit) {
        expected = 222;
      }
      if (expected != 0) {
        EXPECT_EQ(value, expected) << "level " << level << ", move " << moveNumber;
        EXPECT_EQ(e.bestMove.row, row);
      } else {
        EXPECT_NE(value, 111.0f) << "level " << level << ", move " << moveNumber;
        EXPECT_NE(value, 222.0f) << "level " << level << ", move " << moveNumber;
      }
      // Without the book switch no book is asked.
      Engine off;
      support::setUpGame(off, position, -1);
      off.setLevel(level);
      off.chooseMove(0);
      EXPECT_NE(off.bestMove.value, 111.0f);
      EXPECT_NE(off.bestMove.value, 222.0f);
    }
    std::filesystem::current_path(previous);
  }
}

}  // namespace
