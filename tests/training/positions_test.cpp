// Position files: merging parts, keeping final positions, feature rows, and the
// refusal of malformed lines with their file name and line number.
#include <functional>

#include "eval/features.h"
#include "offline_support.h"

using namespace offline_test;
using zedare::Board;

namespace {

using Positions = OfflineTest;

// A position line with explicit squares: `discs` at the given squares, others empty.
std::string line(int game, int discCount, int side,
                 std::initializer_list<std::tuple<int, int, int>> discs) {
  int squares[64] = {};
  for (const auto& [r, c, v] : discs) squares[(r - 1) * 8 + c - 1] = v;
  std::string s = std::to_string(game) + "\t" + std::to_string(discCount) + "\t";
  for (int v : squares) s += std::to_string(v) + " ";
  return s + " " + std::to_string(side) + "\n";
}

std::string startLine(int game) {
  return line(game, 4, -1, {{4, 4, 1}, {5, 5, 1}, {4, 5, -1}, {5, 4, -1}});
}

}  // namespace

TEST_F(Positions, MergeCopiesThePartsInOrderAndSkipsMissingOnes) {
  const std::string base = path("pos");
  const std::string a = startLine(1),
                    b = line(1, 5, 0, {{1, 1, 1}, {1, 2, -1}, {2, 2, 1}, {3, 3, 1}, {8, 8, -1}});
  const std::string c = startLine(7);
  writeText(base + "_1.txt", a + b);
  // A part written with other blanks is rewritten in the file's own form.
  std::string loose = c;
  for (char& ch : loose)
    if (ch == '\t') ch = ' ';
  writeText(base + "_3.txt", "   " + loose);
  testing::internal::CaptureStderr();
  ASSERT_EQ(engine().mergePositionFiles(base.c_str(), 3), zedare::kOfflineDone);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("pos_2.txt"), std::string::npos);
  EXPECT_EQ(readText(base + ".txt"), a + b + c);

  ASSERT_EQ(engine().mergePositionFiles(base.c_str(), 0), zedare::kOfflineDone);
  EXPECT_TRUE(readText(base + ".txt").empty());
}

TEST_F(Positions, FinalPositionsAreTheLinesWithoutASideToMove) {
  const std::string in = path("pos.txt"), out = path("fin.txt");
  const std::string f1 = line(1, 3, 0, {{1, 1, 1}, {1, 2, -1}, {8, 8, 1}});
  const std::string f2 = line(2, 2, 0, {{2, 2, -1}, {3, 3, -1}});
  writeText(in, startLine(1) + f1 + startLine(2) +
                    line(2, 4, 1, {{1, 1, 1}, {2, 2, -1}, {3, 3, 1}, {4, 4, 1}}) + f2);
  ASSERT_EQ(engine().extractFinalPositions(in.c_str(), out.c_str()), zedare::kOfflineDone);
  EXPECT_EQ(readText(out), f1 + f2);

  // No game-over position: an empty file.
  writeText(in, startLine(1) + startLine(2));
  ASSERT_EQ(engine().extractFinalPositions(in.c_str(), out.c_str()), zedare::kOfflineDone);
  EXPECT_TRUE(exists(out));
  EXPECT_TRUE(readText(out).empty());

  // A missing input writes nothing, not even an empty output.
  testing::internal::CaptureStderr();
  EXPECT_EQ(engine().extractFinalPositions(path("none.txt").c_str(), path("new.txt").c_str()),
            zedare::kOfflineCannotOpen);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("none.txt"), std::string::npos);
  EXPECT_FALSE(exists(path("new.txt")));
}

TEST_F(Positions, AMalformedPositionLineStopsTheReadWithItsLineNumber) {
  const std::string in = path("pos.txt"), out = path("out.txt");
  const std::string good = line(1, 1, 0, {{1, 1, 1}});
  std::string shortLine = startLine(1);
  shortLine.erase(shortLine.find("0 "), 2);  // 63 squares
  std::string badSquare = startLine(1);
  badSquare.replace(badSquare.find("0 "), 1, "3");
  std::string badSide = startLine(1);
  badSide.replace(badSide.rfind("-1"), 2, "5");
  const std::string cases[] = {
      shortLine, badSquare,     badSide,
      "1\t4\n",  "x\t4\t0 0\n", startLine(1).substr(0, startLine(1).size() - 1) + " 0\n"};
  for (const std::string& bad : cases) {
    writeText(in, good + good + bad + good);
    for (int op = 0; op < 3; ++op) {
      testing::internal::CaptureStderr();
      int status;
      if (op == 0) {
        status = engine().extractFinalPositions(in.c_str(), out.c_str());
      } else if (op == 1) {
        status = engine().writeFeatureRows(in.c_str(), out.c_str());
      } else {
        status = engine().patternStatistics(in.c_str(), in.c_str());
      }
      const std::string message = testing::internal::GetCapturedStderr();
      EXPECT_EQ(status, zedare::kOfflineBadInput) << "operation " << op << ": " << bad;
      EXPECT_NE(message.find(in + ":3: malformed line"), std::string::npos) << message;
      if (op == 0) {
        EXPECT_EQ(readText(out), good + good) << "what came before is kept";
      }
    }
  }
}

TEST_F(Positions, FeatureRowOfAFinalPositionHoldsOnlyGameDiscsAndDifference) {
  const std::string in = path("pos.txt"), out = path("rows.txt");
  // The disc count on the line (9) is wrong on purpose: the row recounts it.
  writeText(in, line(12, 9, 0, {{1, 1, 1}, {1, 2, 1}, {8, 8, -1}, {2, 2, 1}, {4, 4, -1}}));
  ASSERT_EQ(engine().writeFeatureRows(in.c_str(), out.c_str()), zedare::kOfflineDone);
  EXPECT_EQ(readText(out), "12\t5\t0\t1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\n");
}

TEST_F(Positions, FeatureRowOfAPositionInPlayCountsFromTheComputersSide) {
  const std::string in = path("pos.txt"), out = path("rows.txt");
  // Computer +1 holds corners (1,1) and (8,1); the human holds (8,8).
  writeText(
      in,
      startLine(3) +
          line(4, 7, 1,
               {{1, 1, 1}, {8, 1, 1}, {8, 8, -1}, {4, 4, 1}, {5, 5, 1}, {4, 5, -1}, {5, 4, -1}}));
  ASSERT_EQ(engine().writeFeatureRows(in.c_str(), out.c_str()), zedare::kOfflineDone);
  const std::vector<std::string> rows = readLines(out);
  ASSERT_EQ(rows.size(), 2u);
  for (const std::string& r : rows) EXPECT_EQ(fields(r, '\t').size(), 20u);
  const std::vector<std::string> start = fields(rows[0], '\t');
  EXPECT_EQ(start[0], "3");
  EXPECT_EQ(start[1], "4");
  EXPECT_EQ(start[2], "-1");
  EXPECT_EQ(start[3], "0");
  EXPECT_EQ(start[5], "0") << "four moves each: equal mobility";
  const std::vector<std::string> f = fields(rows[1], '\t');
  EXPECT_EQ(f[0], "4");
  EXPECT_EQ(f[1], "7");
  EXPECT_EQ(f[2], "1");
  EXPECT_EQ(f[3], "1") << "four computer discs against three";
  EXPECT_EQ(f[8], "0");
  EXPECT_EQ(f[12], "0");
  EXPECT_EQ(f[18], "2") << "corners held by the computer";
  EXPECT_EQ(f[19], "1") << "corners held by the human";
}

// Column 13 on request: the side-to-move term as the evaluation weighs it, from the
// computer's side (+1 to move, -1 not, 0 in a final position); the other columns are those
// of the plain rows, and the plain rows keep 0 there.
TEST_F(Positions, SideToMoveColumnIsTheEvaluationsTerm) {
  const std::string in = path("pos.txt"), plain = path("plain.txt"), marked = path("marked.txt");
  writeText(in, startLine(3) + line(4, 7, 1, {{4, 4, 1}, {5, 5, 1}, {4, 5, -1}, {5, 4, -1}, {3, 3, 1}}) +
                    line(4, 9, 0, {{1, 1, 1}, {1, 2, 1}, {8, 8, -1}}));
  const int sides[] = {-1, 1, 0};
  for (const int computer : {1, -1}) {
    engine().computerColour = computer;
    engine().humanColour = -computer;
    ASSERT_EQ(engine().writeFeatureRows(in.c_str(), plain.c_str()), zedare::kOfflineDone);
    ASSERT_EQ(engine().writeFeatureRows(in.c_str(), marked.c_str(), 1), zedare::kOfflineDone);
    const std::vector<std::string> a = readLines(plain), b = readLines(marked);
    ASSERT_EQ(a.size(), 3u);
    ASSERT_EQ(b.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      std::vector<std::string> f = fields(a[i], '\t'), g = fields(b[i], '\t');
      ASSERT_EQ(g.size(), 20u);
      const int side = sides[i];
      EXPECT_EQ(f[12], "0") << "plain row " << i;
      EXPECT_EQ(g[12], std::to_string(side == 0 ? 0 : side == computer ? 1 : -1))
          << "computer " << computer << ", row " << i;
      g[12] = f[12];
      EXPECT_EQ(g, f) << "computer " << computer << ", row " << i;
    }
  }
}

namespace {

// A device that never ends a line is refused by every reader of the offline side after a
// few kilobytes, as malformed input, instead of growing a line without bound.
TEST_F(Positions, EndlessInputIsRefusedByEveryReader) {
  const char* endless = "/dev/zero";
  const std::string out = path("out.txt");
  const std::function<int()> operations[] = {
      [&] { return engine().extractFinalPositions(endless, out.c_str()); },
      [&] { return engine().writeFeatureRows(endless, out.c_str()); },
      [&] { return engine().patternStatistics(endless, endless); },
      [&] { return engine().fitWeights(endless, path("w").c_str(), 0, path("e.txt").c_str()); },
      [&] { return engine().symmetrizeBook(endless, out.c_str()); },
      [&] { return engine().generateContinuations(endless, 1, out.c_str(), 6, -1, 100.0); },
  };
  int op = 0;
  for (const auto& run : operations) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = run();
    testing::internal::GetCapturedStdout();
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, zedare::kOfflineBadInput) << "operation " << op;
    EXPECT_NE(message.find("/dev/zero:1: malformed line: longer than"), std::string::npos)
        << "operation " << op << ": " << message;
    ++op;
  }
}

}  // namespace
