// Making books: the generator's fixed first moves, the symmetric images of book lines,
// continuation lines along the engine's own play, and books with bad lines.
#include <utility>

#include "offline_support.h"

using namespace offline_test;
using zedare::Board;

namespace {

using Books = OfflineTest;

// The start position in the book text form, with the given side to move.
std::string startText(int side) {
  std::string s;
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) {
      const bool centre = (r == 4 || r == 5) && (c == 4 || c == 5);
      s += !centre ? "0 " : r == c ? "1 " : "-1 ";
    }
  }
  return s + " " + std::to_string(side);
}

struct BookEntry {
  Position position;
  int row = 0, column = 0;
  double value = 0;
};

BookEntry parseEntry(const std::string& line) {
  const size_t tab = line.find('\t');
  EXPECT_NE(tab, std::string::npos) << line;
  BookEntry e;
  e.position = parsePosition(line.substr(0, tab), false);
  std::istringstream move(line.substr(tab + 1));
  move >> e.row >> e.column >> e.value;
  EXPECT_FALSE(move.fail()) << line;
  EXPECT_EQ(line.substr(tab + 1, 5), std::to_string(e.row) + " " + std::to_string(e.column) + "  ")
      << "the move is written as \"row column  value\"";
  return e;
}

}  // namespace

TEST_F(Books, BlackBookOfTwoPliesHoldsTheStartPositionWithTheFixedMove) {
  const std::string book = path("c.dat");
  ASSERT_EQ(engine().generateBook(book.c_str(), 2, -1), zedare::kOfflineDone);
  EXPECT_EQ(readText(book), startText(-1) + "\t3 4  9999\n");
  EXPECT_EQ(engine().computerColour, -1);
  EXPECT_EQ(engine().humanColour, 1);
  EXPECT_EQ(engine().gameCounter, 1);
  EXPECT_EQ(engine().bookMaxPly, 2);

  ASSERT_EQ(engine().generateBook(book.c_str(), 1, -1), zedare::kOfflineDone);
  EXPECT_EQ(readLines(book).size(), 1u);
}

TEST_F(Books, WhiteBookAnswersTheFirstLegalMoveWithTheFixedReply) {
  const std::string book = path("b.dat");
  ASSERT_EQ(engine().generateBook(book.c_str(), 2, 1), zedare::kOfflineDone);
  const std::vector<std::string> lines = readLines(book);
  ASSERT_EQ(lines.size(), 1u);
  const BookEntry e = parseEntry(lines[0]);
  Board expected;
  expected.setInitial();
  expected.play(3, 4, -1);  // black's first legal candidate
  EXPECT_TRUE(sameSquares(e.position, fromBoard(expected)));
  EXPECT_EQ(e.position.side, 1);
  EXPECT_EQ(e.row, 3);
  EXPECT_EQ(e.column, 3);
  EXPECT_EQ(e.value, 9999.0);

  // One ply: only the opponent's first move is made, so there is no line.
  ASSERT_EQ(engine().generateBook(book.c_str(), 1, 1), zedare::kOfflineDone);
  EXPECT_TRUE(readText(book).empty());
  EXPECT_EQ(engine().generateBook(book.c_str(), 2, 0), zedare::kOfflineBadArgument);
}

TEST_F(Books, SymmetrizedStartLineGivesTheFourImagesOfTheMove) {
  const std::string in = path("in.dat"), out = path("out.dat");
  writeText(in, startText(-1) + "\t3 4  9999\n");
  ASSERT_EQ(engine().symmetrizeBook(in.c_str(), out.c_str()), zedare::kOfflineDone);
  EXPECT_EQ(readText(out), startText(-1) + "\t3 4  9999\n" + startText(-1) + "\t4 3  9999\n" +
                               startText(-1) + "\t5 6  9999\n" + startText(-1) + "\t6 5  9999\n");
}

TEST_F(Books, SymmetrizedLinesMapPositionAndMoveAlike) {
  // A lopsided position after three moves, white to move, and a legal move in it.
  Board b;
  b.setInitial();
  ASSERT_TRUE(b.play(3, 4, -1));
  ASSERT_TRUE(b.play(3, 3, 1));
  ASSERT_TRUE(b.play(3, 2, -1));
  ASSERT_EQ(b.sideToMove, 1);
  int row = 0, column = 0;
  for (int r = 1; r <= 8 && !row; ++r)
    for (int c = 1; c <= 8 && !row; ++c)
      if (b.isLegal(r, c, 1)) row = r, column = c;
  ASSERT_NE(row, 0);
  const std::string in = path("in.dat"), out = path("out.dat");
  writeText(in, b.toLine() + "\t" + std::to_string(row) + " " + std::to_string(column) + "  1.5\n");
  ASSERT_EQ(engine().symmetrizeBook(in.c_str(), out.c_str()), zedare::kOfflineDone);
  const std::vector<std::string> lines = readLines(out);
  ASSERT_EQ(lines.size(), 4u);
  // The four images: identity, main diagonal, other diagonal, half turn.
  auto image = [](int t, int r, int c) {
    switch (t) {
      case 1:
        return std::pair{c, r};
      case 2:
        return std::pair{9 - c, 9 - r};
      case 3:
        return std::pair{9 - r, 9 - c};
      default:
        return std::pair{r, c};
    }
  };
  Board after = b;
  after.play(row, column, 1);
  for (int t = 0; t < 4; ++t) {
    const BookEntry e = parseEntry(lines[t]);
    for (int r = 1; r <= 8; ++r) {
      for (int c = 1; c <= 8; ++c) {
        const auto [ir, ic] = image(t, r, c);
        ASSERT_EQ(e.position.at(ir, ic), b.colourAt(r, c))
            << "image " << t << " of " << r << "," << c;
      }
    }
    EXPECT_EQ(std::pair(e.row, e.column), image(t, row, column)) << "image " << t;
    EXPECT_EQ(e.position.side, 1);
    EXPECT_EQ(e.value, 1.5);
    // Playing the image of the move gives the image of the position after the move.
    Board played = e.position.board();
    ASSERT_TRUE(played.play(e.row, e.column, 1)) << "image " << t;
    for (int r = 1; r <= 8; ++r) {
      for (int c = 1; c <= 8; ++c) {
        const auto [ir, ic] = image(t, r, c);
        ASSERT_EQ(played.colourAt(ir, ic), after.colourAt(r, c)) << "image " << t;
      }
    }
  }
  EXPECT_NE(lines[0], lines[3]) << "the position is not symmetric";
}

TEST_F(Books, AMalformedBookLineStopsWithItsLineNumber) {
  const std::string in = path("book.dat"), out = path("out.dat");
  const std::string good = startText(-1) + "\t3 4  9999\n";
  const std::string cases[] = {
      startText(-1) + "\t3 9  1\n",                      // column off the board
      startText(-1) + "\n",                              // no move
      startText(-1).substr(2) + "\t3 4  1\n",            // 63 squares and a side
      startText(-1) + "\t3 4  1 extra\n",                // text after the value
      "0 0 2" + startText(-1).substr(5) + "\t3 4  1\n",  // a square value of 2
  };
  for (const std::string& bad : cases) {
    writeText(in, good + "\n" + bad + good);
    testing::internal::CaptureStderr();
    EXPECT_EQ(engine().symmetrizeBook(in.c_str(), out.c_str()), zedare::kOfflineBadInput) << bad;
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find(in + ":3:"), std::string::npos) << message;
    EXPECT_EQ(readLines(out).size(), 4u) << "only the first line's images";
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(engine().symmetrizeBook(path("none.dat").c_str(), out.c_str()),
            zedare::kOfflineCannotOpen);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("none.dat"), std::string::npos);
}

TEST_F(Books, ContinuationsFollowTheEngineFromTheBookMoveToTheLastMove) {
  const std::string book = path("c.dat"), out = path("k.dat");
  writeText(book, startText(-1) + "\t3 4  5\n");
  zedare::Engine& e = engine();
  ASSERT_EQ(e.generateContinuations(book.c_str(), 1, out.c_str(), 6, -1, 100.0),
            zedare::kOfflineDone);
  // The book move is move 1; white answers (2), black's moves 3 and 5 are written.
  const std::vector<std::string> lines = readLines(out);
  ASSERT_EQ(lines.size(), 2u);
  Board start;
  start.setInitial();
  start.play(3, 4, -1);
  Position previous = fromBoard(start);
  for (size_t i = 0; i < lines.size(); ++i) {
    const BookEntry entry = parseEntry(lines[i]);
    EXPECT_EQ(entry.position.side, -1);
    EXPECT_EQ(61 - entry.position.count(0), 3 + 2 * static_cast<int>(i)) << "move number";
    EXPECT_TRUE(oneMoveApart(previous, entry.position));
    Board b = entry.position.board();
    ASSERT_TRUE(b.play(entry.row, entry.column, -1)) << lines[i];
    previous = fromBoard(b);
  }
  EXPECT_EQ(e.gameBoard.count(0), 60 - 6);

  // An entry of another move number, or valued above the threshold, is not continued.
  ASSERT_EQ(e.generateContinuations(book.c_str(), 2, out.c_str(), 6, -1, 100.0),
            zedare::kOfflineDone);
  EXPECT_TRUE(readText(out).empty());
  ASSERT_EQ(e.generateContinuations(book.c_str(), 1, out.c_str(), 6, -1, 4.5),
            zedare::kOfflineDone);
  EXPECT_TRUE(readText(out).empty());
}

TEST_F(Books, ContinuationsRefuseAnEntryTheyCannotPlay) {
  const std::string book = path("c.dat"), out = path("k.dat");
  zedare::Engine& e = engine();
  writeText(book, startText(-1) + "\t3 3  5\n");  // (3,3) is not legal for black
  testing::internal::CaptureStderr();
  EXPECT_EQ(e.generateContinuations(book.c_str(), 1, out.c_str(), 6, -1, 100.0),
            zedare::kOfflineBadInput);
  EXPECT_NE(testing::internal::GetCapturedStderr().find(book + ":1:"), std::string::npos);

  writeText(book, startText(1) + "\t3 4  5\n");  // a white position in a black book
  testing::internal::CaptureStderr();
  EXPECT_EQ(e.generateContinuations(book.c_str(), 1, out.c_str(), 6, -1, 100.0),
            zedare::kOfflineBadInput);
  EXPECT_NE(testing::internal::GetCapturedStderr().find(book + ":1:"), std::string::npos);

  testing::internal::CaptureStderr();
  EXPECT_EQ(
      e.generateContinuations(path("none.dat").c_str(), 1, path("new.dat").c_str(), 6, -1, 100.0),
      zedare::kOfflineCannotOpen);
  testing::internal::GetCapturedStderr();
  EXPECT_FALSE(exists(path("new.dat"))) << "nothing is written when the input is missing";
}

TEST_F(Books, TheGeneratorStopsBetweenLinesWhenAsked) {
  // A stop requested before the run writes no line at all, and leaves a valid (empty)
  // book rather than a partial line.
  const std::string book = path("c.dat");
  zedare::requestOfflineStop();
  EXPECT_EQ(engine().generateBook(book.c_str(), 2, -1), zedare::kOfflineInterrupted);
  EXPECT_TRUE(exists(book));
  EXPECT_TRUE(readText(book).empty());
}
