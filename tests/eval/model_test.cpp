// Loading the model (through code 30 of the C interface and directly), refusing damaged
// model files, the feature rows and record lines, the row converter file, and the
// starter model shipped in modele/.
#include "scratch.h"
#include "eval/model.h"

#include <memory>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "api/engine.h"
#include "api/zedare.h"
#include "eval/evaluate.h"
#include "eval/features.h"
#include "eval/reference.h"

using namespace zedare;

namespace {

void errorsToStderr(const char* text) {
  std::fputs(text, stderr);
}

bool sameMatrix(const matrix& a, const matrix& b) {
  if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
  for (int i = 1; i <= a.rows(); ++i)
    for (int j = 1; j <= a.cols(); ++j)
      if (a(i, j) != b(i, j)) return false;
  return true;
}

matrix readFile(const std::string& path) {
  matrix m;
  m.readtxt(path.c_str());
  return m;
}

// A scratch directory of its own for each test, removed afterwards.
class ModelFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(chdir(ZEDARE_SOURCE_DIR), 0);
    scratch_ = std::make_unique<ScratchDir>("zedare-model");
    dir = scratch_->path();
  }
  void TearDown() override { scratch_.reset(); }

  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir + "/" + name) << text;
  }
  // A complete model under the names "p" and "w": parameter files p_<n>.dat whose
  // element (1, 1) is n, pattern tables whose element (1, 1) is the table's number.
  void writeModel(int n, int paramRows = 18, int paramCols = 64) {
    matrix w = zeros(paramRows, paramCols);
    w(1, 1) = n;
    w.writetxt((dir + "//p_" + std::to_string(n) + ".dat").c_str(), Comma);
    for (int t = 0; t < pattern::Count; ++t) {
      matrix m = zeros(t == pattern::A2 ? 9 : pattern::kRows, 3);
      m(1, 1) = t + 1;
      m.writetxt(patternPath(dir.c_str(), "w", t).c_str(), Point);
    }
  }
  std::string dir;
  std::unique_ptr<ScratchDir> scratch_;
};

TEST_F(ModelFiles, PathsAreBuiltWithDoubleSlashes) {
  EXPECT_EQ(parameterPath("modele", "parametry9_i15", 3), "modele//parametry9_i15_3.dat");
  EXPECT_EQ(patternPath("modele", "wzorce9_i15", pattern::A1), "modele//wzorce9_i15_A1.dat");
  EXPECT_EQ(patternPath("modele", "wzorce9_i15", pattern::PRZ), "modele//wzorce9_i15_PRZ.dat");
  EXPECT_EQ(patternPath("d", "x", pattern::SC2), "d//x_SC2.dat");
}

TEST_F(ModelFiles, EachSlotGetsItsFilesInOrderAndOthersLoadNothing) {
  writeModel(1);
  writeModel(4);
  Engine e;
  e.loadModel(2, dir.c_str(), "p", "w", 1);
  EXPECT_EQ(e.weights2(1, 1), 1.0);
  EXPECT_EQ(e.weights2.rows(), 18);
  for (int t = 0; t < pattern::Count; ++t) EXPECT_EQ(e.patterns2[t](1, 1), t + 1) << t;
  EXPECT_EQ(e.patterns2[pattern::A2].rows(), 9);
  EXPECT_EQ(e.weights1.rows(), 0);  // set 1 untouched
  for (const matrix& t : e.patterns1) EXPECT_EQ(t.rows(), 0);

  e.loadModel(1, dir.c_str(), "p", "w", 4);
  EXPECT_EQ(e.weights1(1, 1), 4.0);
  EXPECT_EQ(e.weights2(1, 1), 1.0);
  for (int slot : {0, 3, -1}) {
    e.loadModel(slot, dir.c_str(), "p", "w", 1);
    EXPECT_EQ(e.weights1(1, 1), 4.0);
    EXPECT_EQ(e.weights2(1, 1), 1.0);
  }
  // A slot that loads nothing does not even look for the files.
  e.loadModel(0, "/nonexistent", "p", "w", 1);
}

TEST_F(ModelFiles, LargerFilesThanNeededAreAccepted) {
  writeModel(2, 20, 70);
  Engine e;
  e.loadModel(1, dir.c_str(), "p", "w", 2);
  EXPECT_EQ(e.weights1.rows(), 20);
  EXPECT_EQ(e.weights1.cols(), 70);
}

// Code 30 through the exported functions, from the source root where modele/ lives.
TEST_F(ModelFiles, Code30LoadsTheStyleIntoSetOneOnly) {
  ZedareHandle h = TavrinCreate();
  ASSERT_NE(h, nullptr);
  Engine& e = *static_cast<Engine*>(h);
  EXPECT_EQ(TavrinInst(h, ZEDARE_LOAD_MODEL, 1, 2), 0);
  EXPECT_TRUE(sameMatrix(e.weights1, readFile("modele//parametry9_i15_2.dat")));
  EXPECT_EQ(e.weights2.rows(), 0);
  for (int t = 0; t < pattern::Count; ++t) {
    EXPECT_TRUE(sameMatrix(e.patterns1[t], readFile(patternPath("modele", "wzorce9_i15", t))));
    EXPECT_EQ(e.patterns2[t].rows(), 0);
  }
  const matrix before = e.weights1;
  TavrinInst(h, ZEDARE_LOAD_MODEL, 0, 5);
  TavrinInst(h, ZEDARE_LOAD_MODEL, 3, 5);
  EXPECT_TRUE(sameMatrix(e.weights1, before));
  EXPECT_EQ(e.weights2.rows(), 0);
  // Another style replaces set 1.
  TavrinInst(h, ZEDARE_LOAD_MODEL, 1, 6);
  EXPECT_TRUE(sameMatrix(e.weights1, readFile("modele//parametry9_i15_6.dat")));
  EXPECT_FALSE(sameMatrix(e.weights1, before));
  TavrinDestroy(h);
}

// ---- damaged files stop through the matrix error path ----

#define EXPECT_LOAD_STOPS(call, text)          \
  EXPECT_EXIT(                                 \
      {                                        \
        setMatrixErrorHandler(errorsToStderr); \
        call;                                  \
      },                                       \
      ::testing::ExitedWithCode(1), text)

TEST_F(ModelFiles, UnreadableFilesStopWithTheReadersMessage) {
  Engine e;
  // The detail line names the missing file and says why it could not be read.
  EXPECT_LOAD_STOPS(e.loadModel(1, dir.c_str(), "p", "w", 0),
                    "MATRIX: readtxt\\(char \\*\\)\nnieudane otwarcie pliku do odczytu\n"
                    ".*//p_0.dat: No such file or directory\n");
  writeModel(0);
  std::remove(patternPath(dir.c_str(), "w", pattern::SC3).c_str());
  EXPECT_LOAD_STOPS(e.loadModel(2, dir.c_str(), "p", "w", 0),
                    "nieudane otwarcie pliku do odczytu\n.*//w_SC3.dat: No such file");
  writeModel(0);
  std::remove(patternPath(dir.c_str(), "w", pattern::SC3).c_str());
  std::filesystem::create_directory(patternPath(dir.c_str(), "w", pattern::SC3));
  EXPECT_LOAD_STOPS(e.loadModel(2, dir.c_str(), "p", "w", 0),
                    "nieudane otwarcie pliku do odczytu\n.*//w_SC3.dat: Is a directory");
  std::filesystem::remove(patternPath(dir.c_str(), "w", pattern::SC3));

  writeModel(0);
  write("p_0.dat", "1 2 3\n4 5\n");
  EXPECT_LOAD_STOPS(e.loadModel(1, dir.c_str(), "p", "w", 0),
                    "zmienna liczba elementow w wierszach");

  writeModel(0);
  write("w_A3.dat", "0 0 0\n0 0 1.0000000000000000000000000000\n");  // 30 characters
  EXPECT_LOAD_STOPS(e.loadModel(1, dir.c_str(), "p", "w", 0), "liczba ma zbyt wiele cyfr");
}

TEST_F(ModelFiles, ShortFilesAreRefusedAtLoad) {
  Engine e;
  writeModel(0, 17, 64);
  EXPECT_LOAD_STOPS(e.loadModel(1, dir.c_str(), "p", "w", 0),
                    "loadModel\\(.*//p_0.dat\\)\nnieprawidlowe wymiary macierzy\n"
                    "plik ma 17 x 64, potrzeba co najmniej 18 x 64");
  writeModel(0, 18, 63);
  EXPECT_LOAD_STOPS(e.loadModel(2, dir.c_str(), "p", "w", 0), "plik ma 18 x 63");

  writeModel(0);
  zeros(pattern::kRows - 1, 3).writetxt(patternPath(dir.c_str(), "w", pattern::PRZ).c_str(), Point);
  EXPECT_LOAD_STOPS(e.loadModel(1, dir.c_str(), "p", "w", 0),
                    "loadModel\\(.*//w_PRZ.dat\\)\nnieprawidlowe wymiary macierzy\n"
                    "plik ma 19682 x 3, potrzeba co najmniej 19683 x 3");
  writeModel(0);
  zeros(pattern::kRows, 2).writetxt(patternPath(dir.c_str(), "w", pattern::A1).c_str(), Point);
  EXPECT_LOAD_STOPS(e.loadModel(1, dir.c_str(), "p", "w", 0), "//w_A1.dat");
  write("w_A1.dat", "");
  EXPECT_LOAD_STOPS(e.loadModel(1, dir.c_str(), "p", "w", 0), "plik ma 0 x 0");

  // A2 is read by no feature: any shape loads.
  writeModel(0);
  write("w_A2.dat", "7\n");
  e.loadModel(1, dir.c_str(), "p", "w", 0);
  EXPECT_EQ(e.patterns1[pattern::A2].rows(), 1);
}

// ---- feature rows and record lines ----

std::vector<long> readInts(std::FILE* f) {
  std::rewind(f);
  std::vector<long> v;
  long x;
  while (std::fscanf(f, "%ld", &x) == 1) v.push_back(x);
  return v;
}

TEST_F(ModelFiles, FeatureRowCarriesEachFeatureInItsColumn) {
  std::mt19937 rng(51);
  Engine e;
  ref::randomTables(rng, e.patterns1);
  ref::randomTables(rng, e.patterns2);  // must not be read
  for (int n = 0; n < 300; ++n) {
    const Board b = n % 2 ? ref::randomGame(rng, 1 + n % 59) : ref::randomFill(rng);
    e.computerColour = n % 4 < 2 ? 1 : -1;
    e.humanColour = -e.computerColour;
    int row[kFeatureColumns];
    featureRow(e, b, 1000 + n, row);
    const int C = e.computerColour, S = b.sideToMove;
    const matrix* t = e.patterns1;
    const int expected[kFeatureColumns] = {
        1000 + n,
        b.discCount,
        S,
        ref::discs(b, C) - ref::discs(b, -C),
        ref::frontier(b, C) - ref::frontier(b, -C),
        ref::mobility(b, C) - ref::mobility(b, -C),
        ref::stable(e, b).computer - ref::stable(e, b).human,
        ref::cornerX(e, b).computer - ref::cornerX(e, b).human,
        0,
        ref::linePatterns(e, t, b, 4),
        ref::cornerAccess(e, b, S).computer - ref::cornerAccess(e, b, S).human,
        ref::regionParity(e, b, S),
        0,
        ref::cornerThreat(e, t, b, S),
        ref::cornerPatterns(e, t, b),
        ref::linePatterns(e, t, b, 1),
        ref::linePatterns(e, t, b, 2),
        ref::linePatterns(e, t, b, 3),
        ref::corners(e, b).computer,
        ref::corners(e, b).human,
    };
    for (int k = 0; k < kFeatureColumns; ++k) EXPECT_EQ(row[k], expected[k]) << "column " << k + 1;
  }
}

TEST_F(ModelFiles, FeatureRecordLineAndPrediction) {
  Engine e;
  ref::zeroTables(e.patterns1);
  e.weights1 = zeros(18, 64);
  // Start position after black (3,4): 4 black, 1 white, white to move, 5 discs.
  Board b;
  b.setInitial();
  b.play(3, 4, -1);
  e.computerColour = 1;
  e.humanColour = -1;
  e.weights1(4, 5) = 0.75;   // times the disc difference, -3
  e.weights1(6, 5) = 0.125;  // times the mobility difference
  int row[kFeatureColumns];
  featureRow(e, b, 17, row);
  const double p = 0.75 * row[3] + 0.125 * row[5];
  const long prediction =
      p < 0 ? -static_cast<long>(std::floor(-10 * p)) : static_cast<long>(std::floor(10 * p));

  e.evaluationsFile = std::tmpfile();
  ASSERT_NE(e.evaluationsFile, nullptr);
  writeFeatureRecord(e, e.evaluationsFile, 17, b);
  std::fflush(e.evaluationsFile);
  std::vector<long> got = readInts(e.evaluationsFile);
  ASSERT_EQ(got.size(), 21u);
  for (int k = 0; k < kFeatureColumns; ++k) EXPECT_EQ(got[k], row[k]);
  EXPECT_EQ(got[3], -3);
  EXPECT_EQ(got[20], prediction);
  EXPECT_NE(prediction, 0);

  // The separators: a tab after every field but the last, then a line feed.
  std::rewind(e.evaluationsFile);
  char text[256] = {};
  ASSERT_NE(std::fgets(text, sizeof text, e.evaluationsFile), nullptr);
  std::string line = text;
  EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 20);
  EXPECT_EQ(line.back(), '\n');
  EXPECT_EQ(line.find(' '), std::string::npos);

  // A finished game: fields 5 to 20 are 0; tag, discs, side, difference and prediction
  // are still written.
  std::fclose(e.evaluationsFile);
  e.evaluationsFile = std::tmpfile();
  b.sideToMove = 0;
  writeFeatureRecord(e, e.evaluationsFile, 18, b);
  got = readInts(e.evaluationsFile);
  ASSERT_EQ(got.size(), 21u);
  EXPECT_EQ(got[0], 18);
  EXPECT_EQ(got[1], 5);
  EXPECT_EQ(got[2], 0);
  EXPECT_EQ(got[3], -3);
  for (int k = 4; k < 20; ++k) EXPECT_EQ(got[k], 0) << k;
  EXPECT_EQ(got[20], -22);  // 0.75 x -3 = -2.25, times 10, truncated
  std::fclose(e.evaluationsFile);
  e.evaluationsFile = nullptr;
  // No open stream: nothing to write to, and nothing happens.
  writeFeatureRecord(e, e.evaluationsFile, 19, b);
}

// ---- the row converter file ----

TEST_F(ModelFiles, ConverterFileHoldsTheTableRecordByRecord) {
  const std::string path = dir + "//konwerter.dat";
  ASSERT_TRUE(writeConverterFile(path.c_str()));
  std::FILE* f = std::fopen(path.c_str(), "r");
  ASSERT_NE(f, nullptr);
  std::vector<std::vector<int>> records;
  int v[16];
  while (std::fscanf(f, "%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i", &v[0],
                     &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11],
                     &v[12], &v[13], &v[14], &v[15]) == 16)
    records.emplace_back(v, v + 16);
  std::fclose(f);
  ASSERT_EQ(records.size(), 65536u);
  EXPECT_EQ(records[0], std::vector<int>(16, 0));
  EXPECT_EQ(records[1], (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
  std::vector<int> white(8, 1), black(8, -1), occupied(8, 2);
  white.insert(white.end(), occupied.begin(), occupied.end());
  black.insert(black.end(), occupied.begin(), occupied.end());
  EXPECT_EQ(records[65535], white);
  EXPECT_EQ(records[256 * 255], black);
  // Occupancy 0x05, colour 0x0C: column 1 black, column 3 white, column 4 a candidate.
  EXPECT_EQ(records[0x05 * 256 + 0x0C],
            (std::vector<int>{-1, 0, 1, 0, 0, 0, 0, 0, 2, 0, 2, 1, 0, 0, 0, 0}));
  EXPECT_FALSE(writeConverterFile((dir + "/missing/konwerter.dat").c_str()));
}

// ---- the starter model ----

// The hand-set starter model, written by its generator into a folder of the test's own
// (the shipped modele/ holds the trained model, which follows other rules).
class StarterModel : public ::testing::TestWithParam<int> {
 protected:
  static void SetUpTestSuite() {
    folder = ::testing::TempDir() + "zedare_starter_" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    const std::string command = std::string(ZEDARE_STARTER_TOOL) + " " + folder + " > /dev/null";
    generated = std::system(command.c_str()) == 0;
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(folder); }
  void SetUp() override { ASSERT_TRUE(generated) << "the starter-model generator failed"; }
  static void load(Engine& e, int style) {
    e.loadModel(1, folder.c_str(), "parametry9_i15", "wzorce9_i15", style);
  }
  static inline std::string folder;
  static inline bool generated = false;
};

TEST_P(StarterModel, WeightsHaveTheSignsOfSensiblePlay) {
  Engine e;
  load(e, GetParam());
  const matrix& w = e.weights1;
  ASSERT_EQ(w.rows(), 18);
  ASSERT_EQ(w.cols(), 64);
  for (int s = 5; s <= 63; ++s) {
    EXPECT_LE(w(5, s), 0.0) << "frontier at " << s;
    EXPECT_GE(w(6, s), 0.0) << "mobility at " << s;
    EXPECT_GE(w(7, s), 0.0) << "stable discs at " << s;
    EXPECT_GT(w(8, s), 0.0) << "corners at " << s;
    EXPECT_GE(w(11, s), 0.0) << "corner access at " << s;
    // Corners count for more than a move of mobility throughout.
    EXPECT_GT(w(8, s), w(6, s));
  }
  // Mobility leads in the middle game, discs at the end.
  EXPECT_GT(w(6, 30), std::abs(w(4, 30)));
  EXPECT_GT(w(4, 62), w(4, 30));
  EXPECT_GT(w(4, 62), 0.5);
  for (int row : {1, 2, 3, 9, 10, 15, 16, 17, 18})
    for (int s = 1; s <= 64; ++s) EXPECT_EQ(w(row, s), 0.0) << row << " " << s;
}

// Games of one ply of look-ahead with evaluate1 against a player choosing its moves at
// random; returns the number the evaluating side won.
int winsAgainstRandomMoves(Engine& e, int games, unsigned seed) {
  std::mt19937 rng(seed);
  int wins = 0;
  for (int game = 0; game < games; ++game) {
    const int me = game % 2 ? 1 : -1;
    Board b;
    b.setInitial();
    for (;;) {
      const int side = b.sideToMove;
      if (!b.hasLegalMove(side)) {
        if (!b.hasLegalMove(-side)) break;
        b.pass();
        continue;
      }
      std::vector<std::pair<int, int>> legal;
      for (int i = 0; i < b.moveCount; ++i)
        if (b.isLegal(b.moves[i].row, b.moves[i].column, side))
          legal.emplace_back(b.moves[i].row, b.moves[i].column);
      std::pair<int, int> move =
          legal[std::uniform_int_distribution<size_t>(0, legal.size() - 1)(rng)];
      if (side == me) {
        e.computerColour = me;
        e.humanColour = -me;
        float best = -1e30f;
        for (const auto& m : legal) {
          Board next(b);
          next.play(m.first, m.second, side);
          const float v = evaluate1(e, next);
          if (v > best) best = v, move = m;
        }
      }
      b.play(move.first, move.second, side);
    }
    wins += b.count(me) > b.count(-me);
  }
  return wins;
}

// A sensible evaluation wins nearly every such game.
TEST_P(StarterModel, OnePlyBeatsRandomMoves) {
  Engine e;
  load(e, GetParam());
  const int games = 40;
  const int wins = winsAgainstRandomMoves(e, games, 600 + GetParam());
  RecordProperty("wins", wins);
  EXPECT_GE(wins, games * 8 / 10) << "style " << GetParam() << " won " << wins << " of " << games;
  // The same weights with every sign reversed must do far worse: the games measure the
  // weights, not the look-ahead.
  for (int r = 1; r <= 18; ++r)
    for (int s = 1; s <= 64; ++s) e.weights1(r, s) = -e.weights1(r, s);
  const int reversed = winsAgainstRandomMoves(e, games, 600 + GetParam());
  RecordProperty("reversedWins", reversed);
  EXPECT_LE(reversed, games / 2);
}

TEST(ShippedStyles, DifferFromEachOther) {
  ASSERT_EQ(chdir(ZEDARE_SOURCE_DIR), 0);
  std::vector<matrix> styles;
  for (int n = 0; n < 7; ++n)
    styles.push_back(readFile(parameterPath("modele", "parametry9_i15", n)));
  for (int a = 0; a < 7; ++a)
    for (int b = a + 1; b < 7; ++b) EXPECT_FALSE(sameMatrix(styles[a], styles[b])) << a << " " << b;
}

INSTANTIATE_TEST_SUITE_P(Styles, StarterModel, ::testing::Range(0, 7));

}  // namespace
