// The joint fit of the line tables and the weights. Positions of random games, whose
// responses are made from planted table values plus noise through the engine's own
// features, give the planted values back; the file operation with no alternation is the
// chain of pattern-stats, feature-rows, fit and smooth byte for byte, with alternations
// its files load, evaluate and come out the same twice; bad input and impossible options
// are refused.
#include "training/pattern_fit.h"

#include <sys/stat.h>

#include <array>
#include <cmath>
#include <random>

#include "eval/context.h"
#include "eval/evaluate.h"
#include "eval/features.h"
#include "eval/model.h"
#include "matrix/matrix.h"
#include "offline_support.h"

using namespace offline_test;
using zedare::matrix;
namespace pattern = zedare::pattern;

namespace {

using PatternFit = OfflineTest;

// Random games: every position with a side to move, then the final one with side 0.
std::vector<std::vector<zedare::Board>> randomGames(unsigned seed, int count) {
  std::mt19937 rng(seed);
  std::vector<std::vector<zedare::Board>> games(count);
  for (auto& game : games) {
    zedare::Board b;
    b.setInitial();
    for (;;) {
      int side = b.sideToMove;
      if (!b.hasLegalMove(side)) {
        if (!b.hasLegalMove(-side)) break;
        b.pass();
        side = -side;
      }
      game.push_back(b);
      std::vector<int> legal;
      for (int sq = 0; sq < 64; ++sq)
        if (b.isLegal(sq / 8 + 1, sq % 8 + 1, side)) legal.push_back(sq);
      const int sq = legal[std::uniform_int_distribution<size_t>(0, legal.size() - 1)(rng)];
      b.play(sq / 8 + 1, sq % 8 + 1, side);
      b.sideToMove = static_cast<int8_t>(-side);
      b.rebuildCandidates();
    }
    b.sideToMove = 0;
    game.push_back(b);
  }
  return games;
}

void writeGames(const std::vector<std::vector<zedare::Board>>& games, const std::string& positions,
                const std::string& finals) {
  std::string p, f;
  for (size_t g = 0; g < games.size(); ++g) {
    for (const zedare::Board& b : games[g]) {
      p += zedare::positionLine(static_cast<int>(g + 1), b.discCount, b);
    }
    f += zedare::positionLine(static_cast<int>(g + 1), games[g].back().discCount, games[g].back());
  }
  writeText(positions, p);
  writeText(finals, f);
}

int reversed(int squares) {
  int r = 0;
  for (int i = 0; i < 8; ++i, squares /= 3) r = r * 3 + squares % 3;
  return r;
}

}  // namespace

// Planted values obeying both symmetries, responses made through the engine's features
// (as the evaluation has them) plus noise of 0.5 discs come back, with and without tying
// the symmetric values, for weights that change with the disc count.
TEST_F(PatternFit, PlantedTableValuesAreRecovered) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> planted(-1.0, 1.0);
  // The features truncate ten times the sum of the values to an integer: values of +-100
  // with weights a hundred times smaller make that loss negligible.
  constexpr double kScale = 100.0;
  zedare::EvalContext truth;
  zedare::resetPatternTables(truth.patterns1);
  const int lineTables[4] = {pattern::SC1, pattern::SC2, pattern::SC3, pattern::PRZ};
  for (int table : lineTables) {
    matrix& t = truth.patterns1[table];
    for (int squares = 0; squares < 6561; ++squares) {
      if (squares > reversed(squares)) continue;
      const double v = kScale * planted(rng);
      for (int s : {squares, reversed(squares)}) {
        int inverted = 0;
        for (int i = 0, place = 1; i < 8; ++i, place *= 3) inverted += (2 - s / place % 3) * place;
        t(2 * 6561 + s + 1, 3) = v;  // side to move +1
        t(inverted + 1, 3) = -v;     // colours and side inverted
      }
    }
  }
  matrix weights = zedare::zeros(18, 64);
  for (int s = 1; s <= 64; ++s) {
    weights(16, s) = (0.08 + 0.001 * s) / kScale;
    weights(17, s) = (0.11 - 0.001 * s) / kScale;
    weights(18, s) = (0.05 + 0.01 * (s % 3)) / kScale;
    weights(10, s) = s < 20 ? 0.0 : 0.07 / kScale;  // PRZ only from 20 discs
  }

  zedare::LineSamples samples;
  std::vector<int> seen(4 * pattern::kRows, 0);
  std::normal_distribution<double> noise(0.0, 0.5);
  int row[zedare::kFeatureColumns];
  for (const auto& game : randomGames(11, 2500)) {
    for (const zedare::Board& b : game) {
      if (b.sideToMove == 0) continue;
      zedare::featureRow(truth, b, 0, row);
      const double y = weights(16, b.discCount) * row[15] + weights(17, b.discCount) * row[16] +
                       weights(18, b.discCount) * row[17] + weights(10, b.discCount) * row[9];
      const zedare::LineIndices lines = zedare::lineIndices(b);
      samples.lines.push_back(lines);
      samples.discs.push_back(b.discCount);
      samples.target.push_back(y + noise(rng));
      for (int l = 0; l < 14; ++l) {
        const int t = l < 12 ? l / 4 : 3;
        if (t < 3 || weights(10, b.discCount) != 0.0) ++seen[t * pattern::kRows + lines[l]];
      }
    }
  }

  for (bool symmetries : {true, false}) {
    zedare::PatternFitOptions options;
    options.ridge = 0.01;
    options.symmetries = symmetries;
    std::array<std::vector<double>, 4> values;
    for (auto& v : values) v.assign(pattern::kRows, 0.0);
    zedare::LineSolve solve;
    ASSERT_EQ(zedare::fitLineTables(samples, weights, 1, options, values, solve),
              zedare::kOfflineDone);
    // Every value seen at least 300 times: within 0.35 of the planted one, and within
    // 0.07 in RMS (the planted values spread 0.58 around 0; a wrong index or sign would
    // miss by about 1).
    int checked = 0;
    double worst = 0.0, squares = 0.0;
    for (int t = 0; t < 4; ++t) {
      for (int index = 0; index < pattern::kRows; ++index) {
        if (index / 6561 == 1 || seen[t * pattern::kRows + index] < 300) continue;
        const double error =
            std::fabs(values[t][index] - truth.patterns1[lineTables[t]](index + 1, 3)) / kScale;
        ++checked;
        worst = std::max(worst, error);
        squares += error * error;
      }
    }
    ASSERT_GT(checked, 500) << symmetries;
    EXPECT_LT(worst, 0.35) << "symmetries " << symmetries;
    EXPECT_LT(std::sqrt(squares / checked), 0.07) << "symmetries " << symmetries;
  }

  // A solve cut short of its tolerance is reported as such.
  zedare::PatternFitOptions strict;
  strict.solverIterations = 2;
  strict.tolerance = 1e-12;
  std::array<std::vector<double>, 4> values;
  for (auto& v : values) v.assign(pattern::kRows, 0.0);
  zedare::LineSolve solve;
  testing::internal::CaptureStderr();
  EXPECT_EQ(zedare::fitLineTables(samples, weights, 1, strict, values, solve),
            zedare::kOfflineNotConverged);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("did not converge"), std::string::npos);
}

TEST_F(PatternFit, FilesMatchTheChainLoadEvaluateAndRepeat) {
  const std::string positions = path("pos.txt"), finals = path("fin.txt");
  writeGames(randomGames(3, 700), positions, finals);
  zedare::Engine& e = engine();

  // No alternation: the pattern statistics and the weights fitted to their features,
  // exactly as the separate steps make them.
  const std::string chain = path("chain"), joint = path("joint");
  ASSERT_EQ(mkdir(chain.c_str(), 0755), 0);
  ASSERT_EQ(mkdir(joint.c_str(), 0755), 0);
  ASSERT_EQ(e.patternStatistics(positions.c_str(), finals.c_str()), zedare::kOfflineDone);
  ASSERT_EQ(e.savePatterns((chain + "/wzorce9_i15").c_str()), zedare::kOfflineDone);
  const std::vector<matrix> means(e.patterns1, e.patterns1 + pattern::Count);
  // The rows are made with the tables as the files hold them, as feature-rows reads them.
  for (int t = 0; t < pattern::Count; ++t)
    e.patterns1[t].readtxt((chain + "/wzorce9_i15" + zedare::kPatternSuffixes[t]).c_str());
  ASSERT_EQ(e.writeFeatureRows(positions.c_str(), path("rows.txt").c_str(), 1),
            zedare::kOfflineDone);
  testing::internal::CaptureStdout();
  ASSERT_EQ(
      e.fitWeights(path("rows.txt").c_str(), path("fitted").c_str(), 1, path("err.txt").c_str(), 1),
      zedare::kOfflineDone);
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(e.smoothWeights(path("fitted.dat").c_str(), 5, 64, 5,
                            (chain + "/parametry9_i15_0.dat").c_str()),
            zedare::kOfflineDone);
  zedare::PatternFitOptions none;
  none.alternations = 0;
  testing::internal::CaptureStderr();
  ASSERT_EQ(
      zedare::fitPatternTables(positions.c_str(), finals.c_str(), (joint + "/wzorce9_i15").c_str(),
                               (joint + "/parametry9_i15_0.dat").c_str(), none),
      zedare::kOfflineDone);
  for (const char* suffix : zedare::kPatternSuffixes) {
    EXPECT_EQ(readText(joint + "/wzorce9_i15" + suffix), readText(chain + "/wzorce9_i15" + suffix))
        << suffix;
  }
  EXPECT_EQ(readText(joint + "/parametry9_i15_0.dat"), readText(chain + "/parametry9_i15_0.dat"));

  // Two alternations, twice: the same bytes.
  zedare::PatternFitOptions two;
  two.alternations = 2;
  std::string first[9];
  for (int run = 0; run < 2; ++run) {
    ASSERT_EQ(zedare::fitPatternTables(positions.c_str(), finals.c_str(),
                                       (joint + "/wzorce9_i15").c_str(),
                                       (joint + "/parametry9_i15_0.dat").c_str(), two),
              zedare::kOfflineDone);
    for (int t = 0; t < 8; ++t) {
      const std::string text = readText(joint + "/wzorce9_i15" + zedare::kPatternSuffixes[t]);
      if (run == 0) {
        first[t] = text;
      }
      EXPECT_EQ(text, first[t]) << zedare::kPatternSuffixes[t];
    }
    const std::string params = readText(joint + "/parametry9_i15_0.dat");
    if (run == 0) {
      first[8] = params;
    }
    EXPECT_EQ(params, first[8]);
  }
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("alternation 2/2"), std::string::npos) << log;

  // The files load; the corner tables are the means, a line table's value is its sum over
  // its count (0 where the count is 0), and the values differ from the means.
  zedare::Engine fitted;
  fitted.loadModel(1, joint.c_str(), "parametry9_i15", "wzorce9_i15", 0);
  for (int t = 0; t < 8; ++t) {
    const matrix& table = fitted.patterns1[t];
    const bool line = t >= pattern::SC1;
    int changed = 0;
    for (int i = 1; i <= table.rows(); ++i) {
      if (!line) {
        ASSERT_NEAR(table(i, 3), means[t](i, 3), 1e-9) << t << ":" << i;
        continue;
      }
      if (table(i, 1) == 0) {
        ASSERT_EQ(table(i, 3), 0.0) << t << ":" << i;
      } else {
        ASSERT_NEAR(table(i, 2) / table(i, 1), table(i, 3), 1e-8 * (1 + std::fabs(table(i, 3))));
      }
      changed += std::fabs(table(i, 3) - means[t](i, 3)) > 1e-6;
    }
    if (line) {
      EXPECT_GT(changed, 100) << t;
    }
  }
  // ... and evaluate: the positions of a game get finite, not all equal values.
  const auto game = randomGames(99, 1)[0];
  double low = 1e9, high = -1e9;
  for (size_t i = 0; i + 1 < game.size(); ++i) {
    const double v = zedare::evaluate1(fitted, game[i]);
    ASSERT_TRUE(std::isfinite(v));
    low = std::min(low, v);
    high = std::max(high, v);
  }
  EXPECT_LT(low, high);
}

TEST_F(PatternFit, BadInputAndImpossibleOptionsAreRefused) {
  const std::string positions = path("pos.txt"), finals = path("fin.txt");
  writeGames(randomGames(5, 3), positions, finals);
  std::vector<std::string> lines = readLines(positions);
  lines[4] = "2\t9\t1 2 3";
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  writeText(path("bad.txt"), text);
  const std::string out = path("w"), params = path("p.dat");
  testing::internal::CaptureStderr();
  EXPECT_EQ(zedare::fitPatternTables(path("bad.txt").c_str(), finals.c_str(), out.c_str(),
                                     params.c_str(), zedare::PatternFitOptions()),
            zedare::kOfflineBadInput);
  EXPECT_NE(testing::internal::GetCapturedStderr().find(path("bad.txt") + ":5:"),
            std::string::npos);
  EXPECT_FALSE(exists(params));

  struct Case {
    void (*set)(zedare::PatternFitOptions&);
    const char* message;
  };
  const Case cases[] = {
      {[](zedare::PatternFitOptions& o) { o.alternations = -1; }, "alternations"},
      {[](zedare::PatternFitOptions& o) { o.ridge = -0.5; }, "ridge"},
      {[](zedare::PatternFitOptions& o) { o.stageWeight = 0; }, "stage weight"},
      {[](zedare::PatternFitOptions& o) { o.solverIterations = 0; }, "iteration"},
      {[](zedare::PatternFitOptions& o) { o.tolerance = 0; }, "tolerance"},
      {[](zedare::PatternFitOptions& o) { o.smoothPoints = 4; }, "odd"},
      {[](zedare::PatternFitOptions& o) { o.smoothLast = 65; }, "1..64"},
  };
  for (const Case& c : cases) {
    zedare::PatternFitOptions o;
    c.set(o);
    EXPECT_NE(zedare::checkPatternFitOptions(o).find(c.message), std::string::npos) << c.message;
    testing::internal::CaptureStderr();
    EXPECT_EQ(
        zedare::fitPatternTables(positions.c_str(), finals.c_str(), out.c_str(), params.c_str(), o),
        zedare::kOfflineBadArgument);
    testing::internal::GetCapturedStderr();
  }
  EXPECT_EQ(zedare::checkPatternFitOptions(zedare::PatternFitOptions()), "");
  EXPECT_FALSE(exists(params));
}
