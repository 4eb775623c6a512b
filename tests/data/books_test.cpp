// The shipped opening and continuation books in otwarcia/: every line is a well-formed
// entry whose move is legal in its position, each file covers the move numbers it is
// consulted for, the files stay small enough for a linear look-up, a level-3 game
// really takes its first ten computer moves from the book, and level 4 plays the
// continuation lines from the book without searching.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "api/engine.h"
#include "board/board.h"

namespace {

using Squares = std::array<int, 64>;  // (row - 1) * 8 + (column - 1), colours -1/0/+1

struct Entry {
  Squares squares{};
  int side = 0;
  int row = 0, column = 0;
  double value = 0;
};

// Reads a book with its own parser: 64 squares and the side to move, a tab, then
// "row column  value". Lines that do not parse are collected in `bad`.
std::vector<Entry> readBook(const std::string& path, std::vector<std::string>& bad) {
  std::vector<Entry> entries;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const auto tab = line.find('\t');
    Entry e;
    std::istringstream board(line.substr(0, tab));
    bool ok = tab != std::string::npos;
    for (int& s : e.squares) ok = ok && static_cast<bool>(board >> s) && s >= -1 && s <= 1;
    ok = ok && static_cast<bool>(board >> e.side);
    std::string rest;
    ok = ok && !static_cast<bool>(board >> rest);
    if (ok) {
      std::istringstream move(line.substr(tab + 1));
      ok = static_cast<bool>(move >> e.row >> e.column >> e.value) && !(move >> rest);
    }
    if (ok) {
      entries.push_back(e);
    } else {
      bad.push_back(line);
    }
  }
  return entries;
}

// Legality by the rules, independent of the engine: the square is empty and some
// direction runs over one or more opposing discs to a disc of the mover.
bool legal(const Squares& b, int row, int column, int colour) {
  if (row < 1 || row > 8 || column < 1 || column > 8) return false;
  if (b[(row - 1) * 8 + column - 1] != 0) return false;
  for (int dr = -1; dr <= 1; ++dr) {
    for (int dc = -1; dc <= 1; ++dc) {
      if (dr == 0 && dc == 0) continue;
      int r = row + dr, c = column + dc, between = 0;
      while (r >= 1 && r <= 8 && c >= 1 && c <= 8 && b[(r - 1) * 8 + c - 1] == -colour) {
        r += dr;
        c += dc;
        ++between;
      }
      if (between > 0 && r >= 1 && r <= 8 && c >= 1 && c <= 8 && b[(r - 1) * 8 + c - 1] == colour) {
        return true;
      }
    }
  }
  return false;
}

int moveNumber(const Squares& b) {
  int empty = 0;
  for (int s : b) empty += s == 0;
  return 61 - empty;
}

struct BookFile {
  const char* name;
  int colour;
  int firstMove, lastMove;  // move numbers the file is consulted for
};

// Opening books up to move 10 (levels 3 and up), continuation books for moves 11 to 30.
const BookFile kBooks[] = {
    {"otwarcia9_i15_c.dat", -1, 1, 10},
    {"otwarcia9_i15_b.dat", 1, 1, 10},
    {"kontynuacje9_i15_c.dat", -1, 11, 30},
    {"kontynuacje9_i15_b.dat", 1, 11, 30},
};

std::string bookPath(const char* name) {
  return std::string("otwarcia/") + name;  // the tests run from the source root
}

TEST(ShippedBooks, EveryEntryIsALegalMoveOfTheFilesColourInItsRange) {
  for (const BookFile& f : kBooks) {
    SCOPED_TRACE(f.name);
    std::vector<std::string> bad;
    const std::vector<Entry> entries = readBook(bookPath(f.name), bad);
    ASSERT_FALSE(entries.empty());
    EXPECT_TRUE(bad.empty()) << bad.size() << " malformed lines, first: " << bad.front();
    int illegal = 0, wrongSide = 0, outOfRange = 0;
    for (const Entry& e : entries) {
      illegal += !legal(e.squares, e.row, e.column, f.colour);
      wrongSide += e.side != f.colour;
      const int n = moveNumber(e.squares);
      outOfRange += n < f.firstMove || n > f.lastMove;
    }
    EXPECT_EQ(illegal, 0);
    EXPECT_EQ(wrongSide, 0);
    EXPECT_EQ(outOfRange, 0);
  }
}

TEST(ShippedBooks, OpeningBooksCoverEveryMoveNumberOfTheirColourUpToTen) {
  for (const BookFile& f : {kBooks[0], kBooks[1]}) {
    SCOPED_TRACE(f.name);
    std::vector<std::string> bad;
    std::set<int> numbers;
    for (const Entry& e : readBook(bookPath(f.name), bad)) numbers.insert(moveNumber(e.squares));
    std::set<int> expected;
    for (int n = f.colour < 0 ? 1 : 2; n <= 10; n += 2) expected.insert(n);
    EXPECT_EQ(numbers, expected);
  }
}

// Each look-up reads its file from the start, and the books ship in the repository.
TEST(ShippedBooks, FilesStaySmall) {
  for (const BookFile& f : kBooks) {
    EXPECT_LE(std::filesystem::file_size(bookPath(f.name)), 2u * 1024 * 1024) << f.name;
  }
}

std::string key(const Squares& s) {
  std::string k;
  for (int v : s) k += static_cast<char>('1' + v);
  return k;
}

Squares squaresOf(const zedare::Board& b) {
  Squares s{};
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) s[(r - 1) * 8 + c - 1] = b.colourAt(r, c);
  }
  return s;
}

// Twelve games at level 3 (six with the computer as black, six as white), the opponent
// picking its moves from a fixed pseudo-random sequence: every computer move up to move
// 10 is the move the book stores for that position, with the stored value.
TEST(ShippedBooks, LevelThreeTakesTheFirstTenMovesFromTheBook) {
  std::set<std::vector<int>> games;
  for (int colour : {-1, 1}) {
    std::vector<std::string> bad;
    // position -> (row, column, value) of every entry stored for it
    std::map<std::string, std::set<std::tuple<int, int, float>>> book;
    for (const Entry& e : readBook(bookPath(colour < 0 ? kBooks[0].name : kBooks[1].name), bad)) {
      book[key(e.squares)].insert({e.row, e.column, static_cast<float>(e.value)});
    }
    for (unsigned seed = 1; seed <= 6; ++seed) {
      SCOPED_TRACE("computer " + std::to_string(colour) + ", seed " + std::to_string(seed));
      zedare::Engine e;
      e.loadModel(1, "modele", "parametry9_i15", "wzorce9_i15", 0);
      e.setLevel(3);
      e.newGame();
      e.computerColour = colour;
      e.humanColour = -colour;
      std::mt19937 random(seed);
      std::vector<int> moves;
      int bookMoves = 0;
      while (moveNumber(squaresOf(e.gameBoard)) <= 10) {
        const int side = e.gameBoard.sideToMove;
        ASSERT_TRUE(e.gameBoard.hasLegalMove(side));
        const Squares now = squaresOf(e.gameBoard);
        int row = 0, column = 0;
        if (side == colour) {
          const auto stored = book.find(key(now));
          ASSERT_NE(stored, book.end())
              << "position of move " << moveNumber(now) << " not in the book";
          e.chooseMove(1);
          row = e.bestMove.row;
          column = e.bestMove.column;
          EXPECT_EQ(stored->second.count({row, column, e.bestMove.value}), 1u)
              << "move " << moveNumber(now) << ": engine played " << row << " " << column;
          ++bookMoves;
        } else {
          std::vector<int> options;
          for (int s = 0; s < 64; ++s) {
            if (legal(now, s / 8 + 1, s % 8 + 1, side)) options.push_back(s);
          }
          const int s = options[random() % options.size()];
          row = s / 8 + 1;
          column = s % 8 + 1;
        }
        ASSERT_EQ(e.playMove(row, column, side), 1);
        moves.push_back(row * 10 + column);
      }
      EXPECT_EQ(bookMoves, 5);
      games.insert(moves);
    }
  }
  EXPECT_EQ(games.size(), 12u);  // twelve different book lines were followed
}

zedare::Board boardOf(const Squares& s, int side) {
  zedare::Board b;
  b.setInitial();
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) b.setSquare(r, c, s[(r - 1) * 8 + c - 1]);
  }
  b.sideToMove = static_cast<int8_t>(side);
  b.rebuildCandidates();
  return b;
}

// Positions spread over each continuation book, set up as the game at level 4 (the
// lowest level that consults these books): the engine answers from the book, without
// scoring a single position, with a legal move and the value stored for the position
// (the look-up also finds a position by its mirror images, so any image counts).
TEST(ShippedBooks, LevelFourAnswersContinuationPositionsFromTheBook) {
  for (const BookFile& f : {kBooks[2], kBooks[3]}) {
    SCOPED_TRACE(f.name);
    std::vector<std::string> bad;
    const std::vector<Entry> entries = readBook(bookPath(f.name), bad);
    ASSERT_GE(entries.size(), 144u);  // room for twelve steps of at least twelve
    std::map<std::string, std::set<float>> values;
    for (const Entry& e : entries) values[key(e.squares)].insert(static_cast<float>(e.value));
    zedare::Engine engine;
    engine.loadModel(1, "modele", "parametry9_i15", "wzorce9_i15", 0);
    engine.setLevel(4);
    engine.computerColour = f.colour;
    engine.humanColour = -f.colour;
    std::set<int> numbers;
    // A line of the file's play comes as consecutive entries, one per move; stepping by
    // one more than a whole fraction of the file walks through the move numbers.
    const size_t step = entries.size() / 12;
    for (size_t k = 0, i = 0; k < 12; ++k, i = k * step + k) {
      const Entry& e = entries[i];
      SCOPED_TRACE("line " + std::to_string(i + 1));
      engine.newGame();
      engine.gameBoard = boardOf(e.squares, e.side);
      engine.chooseMove(1);
      EXPECT_EQ(engine.evalCount + engine.exactCount, 0) << "the engine searched";
      EXPECT_TRUE(legal(e.squares, engine.bestMove.row, engine.bestMove.column, f.colour));
      bool stored = false;
      for (int code = 0; code < 8; ++code) {
        zedare::Board image;
        engine.gameBoard.copyTransformed(image, code);
        const auto it = values.find(key(squaresOf(image)));
        stored = stored || (it != values.end() && it->second.count(engine.bestMove.value) > 0);
      }
      EXPECT_TRUE(stored) << "value " << engine.bestMove.value << " is not stored for the position";
      numbers.insert(moveNumber(e.squares));
    }
    EXPECT_GE(numbers.size(), 4u);  // the positions span several move numbers
  }
}

}  // namespace
