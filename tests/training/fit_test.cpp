// Weight fitting on synthetic feature rows made from known weights plus noise: the
// weights come back within the noise at every stage with enough rows, the default fit
// uses only frontier and corners, and the column rules (sign, collinearity, stage size)
// drop what they should. Also smoothing worked out by hand and the feature report.
#include <cmath>
#include <map>
#include <random>

#include "matrix/matrix.h"
#include "offline_support.h"

using namespace offline_test;
using zedare::matrix;

namespace {

using Fit = OfflineTest;

// Feature rows of synthetic games: each game is one row at its stage, with the given
// feature columns, followed by its final row (64 discs, side 0) carrying the result.
class Rows {
 public:
  void game(int stage, const std::map<int, int>& features, int result) {
    ++game_;
    int row[21] = {};
    row[1] = game_;
    row[2] = stage;
    row[3] = 1;
    for (const auto& [k, v] : features) row[k] = v;
    add(row);
    int final[21] = {};
    final[1] = game_;
    final[2] = 64;
    final[4] = result;
    add(final);
  }
  const std::string& text() const { return text_; }

 private:
  void add(const int row[21]) {
    for (int k = 1; k <= 20; ++k) text_ += std::to_string(row[k]) + (k < 20 ? "\t" : "\n");
  }
  int game_ = 0;
  std::string text_;
};

struct Weights {
  double w5, w8, w6, w7, w11;
};

// Independent, centred features; result = weights . features + N(0, 2), rounded.
void stageGames(Rows& rows, std::mt19937& rng, int stage, int count, const Weights& w) {
  std::uniform_int_distribution<int> x5(-10, 10), x8(-4, 4), x6(-8, 8), x7(-5, 5), x11(-3, 3);
  std::normal_distribution<double> noise(0.0, 2.0);
  for (int i = 0; i < count; ++i) {
    const int f5 = x5(rng), f8 = x8(rng), f6 = x6(rng), f7 = x7(rng), f11 = x11(rng);
    const double y = w.w5 * f5 + w.w8 * f8 + w.w6 * f6 + w.w7 * f7 + w.w11 * f11 + noise(rng);
    rows.game(stage, {{5, f5}, {8, f8}, {6, f6}, {7, f7}, {11, f11}},
              static_cast<int>(std::lround(y)));
  }
}

matrix readMatrix(const std::string& path) {
  matrix m;
  m.readtxt(path.c_str());
  return m;
}

const Weights kStage20{-1.5, 3.0, 0.8, 1.2, 2.0};
const Weights kStage40{-0.5, 5.0, 0.3, 2.0, 1.0};

std::string syntheticData(const std::string& path) {
  std::mt19937 rng(20240607);
  Rows rows;
  stageGames(rows, rng, 20, 3000, kStage20);
  stageGames(rows, rng, 40, 3000, kStage40);
  stageGames(rows, rng, 10, 300, kStage40);  // too few rows: not fitted
  writeText(path, rows.text());
  return path;
}

}  // namespace

TEST_F(Fit, DefaultFitRecoversFrontierAndCornerWeightsOnly) {
  const std::string data = syntheticData(path("rows.txt"));
  const std::string out = path("w"), errors = path("err.txt");
  testing::internal::CaptureStdout();
  ASSERT_EQ(engine().fitWeights(data.c_str(), out.c_str(), 0, errors.c_str()),
            zedare::kOfflineDone);
  std::string expectedMessages = "\n wczytanie do tablicy pomocniczej...";
  for (int s = 4; s <= 64; ++s) expectedMessages += "\n pola zajete= " + std::to_string(s);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), expectedMessages);

  const matrix w = readMatrix(out + ".dat");
  ASSERT_EQ(w.rows(), 18);
  ASSERT_EQ(w.cols(), 64);
  EXPECT_NEAR(w(5, 20), kStage20.w5, 0.1);
  EXPECT_NEAR(w(8, 20), kStage20.w8, 0.25);
  EXPECT_NEAR(w(5, 40), kStage40.w5, 0.1);
  EXPECT_NEAR(w(8, 40), kStage40.w8, 0.25);
  for (int k = 1; k <= 18; ++k) {
    if (k == 5 || k == 8) continue;
    EXPECT_EQ(w(k, 20), 0.0) << "row " << k;
    EXPECT_EQ(w(k, 40), 0.0) << "row " << k;
  }
  // Stages 5..19 take the first fitted stage's weights; stage 4 and the stages between
  // fitted ones without data stay 0.
  for (int k = 1; k <= 18; ++k) {
    for (int s = 5; s < 20; ++s) EXPECT_EQ(w(k, s), w(k, 20)) << k << "," << s;
    EXPECT_EQ(w(k, 4), 0.0);
    EXPECT_EQ(w(k, 30), 0.0);
  }

  // The error of a stage is the spread left by the unexplained terms and the noise:
  // sqrt(4 + 1/12 + 0.8^2 * 24 + 1.2^2 * 10 + 2^2 * 4) = 7.06 at stage 20.
  const matrix e = readMatrix(errors);
  ASSERT_EQ(e.rows(), 1);
  ASSERT_EQ(e.cols(), 64);
  EXPECT_NEAR(e(1, 20), 7.06, 0.4);
  EXPECT_EQ(e(1, 10), 0.0);
  EXPECT_EQ(e(1, 30), 0.0);
  EXPECT_NE(readText(out + ".dat").find(','), std::string::npos) << "decimal commas";
}

TEST_F(Fit, AllColumnsFitRecoversEveryWeight) {
  const std::string data = syntheticData(path("rows.txt"));
  const std::string out = path("w"), errors = path("err.txt");
  testing::internal::CaptureStdout();
  ASSERT_EQ(engine().fitWeights(data.c_str(), out.c_str(), 1, errors.c_str()),
            zedare::kOfflineDone);
  testing::internal::GetCapturedStdout();
  const matrix w = readMatrix(out + ".dat");
  for (const auto& [stage, weights] : {std::pair{20, kStage20}, std::pair{40, kStage40}}) {
    EXPECT_NEAR(w(5, stage), weights.w5, 0.03) << stage;
    EXPECT_NEAR(w(8, stage), weights.w8, 0.06) << stage;
    EXPECT_NEAR(w(6, stage), weights.w6, 0.04) << stage;
    EXPECT_NEAR(w(7, stage), weights.w7, 0.06) << stage;
    EXPECT_NEAR(w(11, stage), weights.w11, 0.08) << stage;
    for (int k : {1, 2, 3, 4, 9, 10, 12, 13, 14, 15, 16, 17, 18}) EXPECT_EQ(w(k, stage), 0.0) << k;
  }
  // With every term in, only the noise is left: sd 2 and the rounding.
  const matrix e = readMatrix(errors);
  EXPECT_NEAR(e(1, 20), std::sqrt(4.0 + 1.0 / 12), 0.15);
  EXPECT_NEAR(e(1, 40), std::sqrt(4.0 + 1.0 / 12), 0.15);
  // The final rows (stage 64) hold the result itself in column 4.
  EXPECT_NEAR(readMatrix(out + ".dat")(4, 64), 1.0, 1e-9);
}

// The side-to-move column (13) enters on request in both fits, past the column rules:
// at stage 30 it is -1 in every row (constant, an intercept), at stage 31 mostly +1; its
// weight, -3, is negative, which the sign rule of columns above 5 would refuse. Without
// the request, or when every row has 0 there, the weight stays 0.
TEST_F(Fit, SideToMoveColumnIsFittedOnRequest) {
  std::mt19937 rng(13);
  std::uniform_int_distribution<int> x5(-10, 10), x8(-4, 4), tenth(0, 9);
  std::normal_distribution<double> noise(0.0, 2.0);
  Rows rows;
  for (const int stage : {30, 31}) {
    for (int i = 0; i < 3000; ++i) {
      const int f5 = x5(rng), f8 = x8(rng);
      const int side = stage == 30 || tenth(rng) == 0 ? -1 : 1;
      const double y = -1.0 * f5 + 2.0 * f8 - 3.0 * side + noise(rng);
      rows.game(stage, {{5, f5}, {8, f8}, {13, side}}, static_cast<int>(std::lround(y)));
    }
  }
  const std::string data = path("rows.txt"), out = path("w"), errors = path("err.txt");
  writeText(data, rows.text());
  for (const int allColumns : {0, 1}) {
    for (const int sideToMove : {0, 1}) {
      testing::internal::CaptureStdout();
      ASSERT_EQ(engine().fitWeights(data.c_str(), out.c_str(), allColumns, errors.c_str(),
                                    sideToMove),
                zedare::kOfflineDone);
      testing::internal::GetCapturedStdout();
      const matrix w = readMatrix(out + ".dat"), e = readMatrix(errors);
      for (const int stage : {30, 31}) {
        const std::string where =
            "stage " + std::to_string(stage) + ", all columns " + std::to_string(allColumns);
        if (sideToMove) {
          EXPECT_NEAR(w(13, stage), -3.0, 0.15) << where;
          EXPECT_NEAR(w(5, stage), -1.0, 0.03) << where;
          EXPECT_NEAR(w(8, stage), 2.0, 0.06) << where;
          EXPECT_NEAR(e(1, stage), std::sqrt(4.0 + 1.0 / 12), 0.15) << where;
        } else {
          EXPECT_EQ(w(13, stage), 0.0) << where;
          EXPECT_GT(e(1, stage), 2.5) << where << ": the term is left unexplained";
        }
      }
    }
  }

  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const std::string plain = syntheticData(path("plain.txt"));
  EXPECT_EQ(engine().fitWeights(plain.c_str(), path("p").c_str(), 0, errors.c_str(), 1),
            zedare::kOfflineBadInput);
  testing::internal::GetCapturedStdout();
  EXPECT_NE(testing::internal::GetCapturedStderr().find("column 13 is 0 in every row"),
            std::string::npos);
  EXPECT_FALSE(exists(path("p.dat")));
}

TEST_F(Fit, SignRulesDropTheWeakestWrongColumnFirst) {
  // y = 3 x6 - 0.2 x7 - 1.0 x10 with x7 and x10 correlated -0.6. Fitted together both
  // come out negative (wrong for columns above 5). x7 correlates least with y, so it
  // goes first; refitted without it, x10 is still negative and goes too. Dropping x10
  // first instead would leave x7 at +0.4 and keep it.
  std::mt19937 rng(7);
  std::normal_distribution<double> z(0.0, 1.0), noise(0.0, 5.0);
  Rows rows;
  for (int i = 0; i < 3000; ++i) {
    const double z1 = z(rng), z2 = z(rng);
    const int x6 = static_cast<int>(std::lround(10 * z(rng)));
    const int x7 = static_cast<int>(std::lround(10 * z1));
    const int x10 = static_cast<int>(std::lround(10 * (-0.6 * z1 + 0.8 * z2)));
    const double y = 3.0 * x6 - 0.2 * x7 - 1.0 * x10 + noise(rng);
    rows.game(30, {{6, x6}, {7, x7}, {10, x10}}, static_cast<int>(std::lround(y)));
  }
  const std::string data = path("rows.txt"), out = path("w");
  writeText(data, rows.text());
  testing::internal::CaptureStdout();
  ASSERT_EQ(engine().fitWeights(data.c_str(), out.c_str(), 1, path("err.txt").c_str()),
            zedare::kOfflineDone);
  testing::internal::GetCapturedStdout();
  const matrix w = readMatrix(out + ".dat");
  EXPECT_EQ(w(7, 30), 0.0);
  EXPECT_EQ(w(10, 30), 0.0);
  EXPECT_NEAR(w(6, 30), 3.0, 0.05);
}

TEST_F(Fit, PositiveFrontierWeightIsDroppedAndCornersRefitted) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> x5(-10, 10), x8(-4, 4);
  std::normal_distribution<double> noise(0.0, 1.0);
  Rows rows;
  for (int i = 0; i < 2000; ++i) {
    const int f5 = x5(rng), f8 = x8(rng);
    rows.game(25, {{5, f5}, {8, f8}},
              static_cast<int>(std::lround(1.0 * f5 + 2.0 * f8 + noise(rng))));
  }
  const std::string data = path("rows.txt"), out = path("w");
  writeText(data, rows.text());
  testing::internal::CaptureStdout();
  ASSERT_EQ(engine().fitWeights(data.c_str(), out.c_str(), 0, path("err.txt").c_str()),
            zedare::kOfflineDone);
  testing::internal::GetCapturedStdout();
  const matrix w = readMatrix(out + ".dat");
  EXPECT_EQ(w(5, 25), 0.0) << "a frontier weight must not be positive";
  EXPECT_NEAR(w(8, 25), 2.0, 0.1);
}

TEST_F(Fit, ACollinearWeakerColumnIsDropped) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> x6(-8, 8), jitter(-1, 1);
  std::normal_distribution<double> noise(0.0, 2.0);
  Rows rows;
  for (int i = 0; i < 2000; ++i) {
    const int f6 = x6(rng);
    rows.game(33, {{6, f6}, {11, f6 + jitter(rng)}},
              static_cast<int>(std::lround(2.0 * f6 + noise(rng))));
  }
  const std::string data = path("rows.txt"), out = path("w");
  writeText(data, rows.text());
  testing::internal::CaptureStdout();
  ASSERT_EQ(engine().fitWeights(data.c_str(), out.c_str(), 1, path("err.txt").c_str()),
            zedare::kOfflineDone);
  testing::internal::GetCapturedStdout();
  const matrix w = readMatrix(out + ".dat");
  EXPECT_EQ(w(11, 33), 0.0);
  EXPECT_NEAR(w(6, 33), 2.0, 0.05);
}

TEST_F(Fit, TooManyRowsOfOneStageStopWithAMessage) {
  std::string text;
  const std::string row = "1\t30\t1\t0\t1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\n";
  text.reserve(row.size() * 97555);
  for (int i = 0; i < 97555; ++i) text += row;
  const std::string data = path("rows.txt"), out = path("w");
  writeText(data, text);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(engine().fitWeights(data.c_str(), out.c_str(), 0, path("err.txt").c_str()),
            zedare::kOfflineTooLarge);
  testing::internal::GetCapturedStdout();
  EXPECT_NE(testing::internal::GetCapturedStderr().find("97555 rows"), std::string::npos);
  EXPECT_FALSE(exists(out + ".dat"));
  EXPECT_FALSE(exists(path("err.txt")));
}

TEST_F(Fit, MissingAndMalformedRowFiles) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(
      engine().fitWeights(path("none.txt").c_str(), path("w").c_str(), 0, path("err.txt").c_str()),
      zedare::kOfflineCannotOpen);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Brak pliku!");
  testing::internal::GetCapturedStderr();

  const std::string good = "1\t30\t1\t0\t1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\n";
  const std::string cases[] = {
      "1\t30\t1\t0\t1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\n",         // 19 columns
      "1\t70\t1\t0\t1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\n",      // 70 discs
      "1\t30\t1\t0\t40000\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\n",  // too large
      "1\t30\t1\t0\tx\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\n",      // not a number
      "1\t30\t1\t0\t1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t5\n",   // 21 columns
  };
  const std::string data = path("rows.txt");
  for (const std::string& bad : cases) {
    writeText(data, good + good + bad);
    for (int report = 0; report < 2; ++report) {
      testing::internal::CaptureStdout();
      testing::internal::CaptureStderr();
      const int status =
          report ? engine().featureReport(data.c_str(), dir.c_str())
                 : engine().fitWeights(data.c_str(), path("w").c_str(), 0, path("err.txt").c_str());
      testing::internal::GetCapturedStdout();
      const std::string message = testing::internal::GetCapturedStderr();
      EXPECT_EQ(status, zedare::kOfflineBadInput) << bad;
      EXPECT_NE(message.find(data + ":3: malformed line"), std::string::npos) << message;
    }
  }
  EXPECT_FALSE(exists(path("w.dat")));
  EXPECT_FALSE(exists(path("korelacje.txt")));
}

TEST_F(Fit, SmoothingRunsAlongTheDiscCountWorkedByHand) {
  matrix m = zedare::zeros(18, 12);
  // Row 1: a run of four (shorter than the 5 points: 3-point lines), two zeros, a lone
  // value. Three-point straight-line fits: inside, the mean of three; at the ends, the
  // first and last window's line one step out:
  //   (1, 4, 2): mean 7/3, slope 1/2 -> 11/6 at the start; (4, 2, 8): mean 14/3,
  //   slope 2 -> 20/3 at the end.
  const double row1[] = {1, 4, 2, 8, 0, 0, 3, 0, 0, 0};
  // Row 2: five values (a full 5-point window): all become the line through them,
  // whose slope is 0 here, so every value is the mean 3.2.
  const double row2[] = {1, 2, 10, 2, 1, 0, 0, 0, 0, 0};
  // Row 3: a single zero inside a run stays in it and is smoothed; two zeros end it.
  // Row 6: a straight line is reproduced exactly.
  const double row3[] = {2, 4, 0, 8, 10, 12, 14, 0, 0, 0};
  // Row 5: a run cut at the last column (10); columns 11 and 12 are outside.
  const double row5[] = {0, 0, 0, 0, 0, 0, 0, 1, 2, 10};
  for (int j = 1; j <= 10; ++j) {
    m(1, j) = row1[j - 1];
    m(2, j) = row2[j - 1];
    m(3, j) = row3[j - 1];
    m(5, j) = row5[j - 1];
    m(12, j) = j * j;       // row 12 is never smoothed
    m(6, j) = 3.0 * j - 1;  // linear: unchanged
  }
  m(5, 11) = 2;
  m(5, 12) = 1;
  const std::string in = path("w.dat"), out = path("s.dat");
  m.writetxt(in.c_str(), zedare::Comma);
  ASSERT_EQ(engine().smoothWeights(in.c_str(), 1, 10, 5, out.c_str()), zedare::kOfflineDone);
  const matrix s = readMatrix(out);
  ASSERT_EQ(s.rows(), 18);
  ASSERT_EQ(s.cols(), 12);
  const double expected1[] = {11.0 / 6, 7.0 / 3, 14.0 / 3, 20.0 / 3, 0, 0, 3, 0, 0, 0};
  for (int j = 1; j <= 10; ++j) {
    EXPECT_NEAR(s(1, j), expected1[j - 1], 1e-8) << "row 1, column " << j;
    EXPECT_NEAR(s(2, j), j <= 5 ? 3.2 : 0.0, 1e-8) << "row 2, column " << j;
    EXPECT_EQ(s(12, j), j * j);
    EXPECT_NEAR(s(6, j), 3.0 * j - 1, 1e-8);
  }
  EXPECT_NE(s(3, 3), 0.0) << "the single zero inside the run is smoothed";
  EXPECT_EQ(s(3, 8), 0.0);
  // (1, 2, 10): mean 13/3, slope 9/2.
  EXPECT_NEAR(s(5, 8), 13.0 / 3 - 4.5, 1e-8);
  EXPECT_NEAR(s(5, 9), 13.0 / 3, 1e-8);
  EXPECT_NEAR(s(5, 10), 13.0 / 3 + 4.5, 1e-8);
  EXPECT_EQ(s(5, 11), 2);
  EXPECT_EQ(s(5, 12), 1);

  testing::internal::CaptureStderr();
  EXPECT_EQ(engine().smoothWeights(in.c_str(), 1, 10, 4, path("even.dat").c_str()),
            zedare::kOfflineBadArgument);
  EXPECT_EQ(engine().smoothWeights(in.c_str(), 1, 13, 5, path("wide.dat").c_str()),
            zedare::kOfflineBadArgument);
  EXPECT_EQ(engine().smoothWeights(path("none.dat").c_str(), 1, 10, 5, path("x.dat").c_str()),
            zedare::kOfflineCannotOpen);
  testing::internal::GetCapturedStderr();
  EXPECT_FALSE(exists(path("even.dat")));
  EXPECT_FALSE(exists(path("wide.dat")));
}

TEST_F(Fit, FeatureReportGivesCorrelationCoefficientAndFillPerStage) {
  // Stage 20: column 6 alone decides the result (y = 2 x6); column 8 is non-zero in
  // every third row and unrelated.
  Rows rows;
  for (int i = 0; i < 90; ++i) {
    const int x6 = i % 7 - 3, x8 = i % 3 == 0 ? 1 + i % 2 : 0;
    rows.game(20, {{6, x6}, {8, x8}}, 2 * x6);
  }
  const std::string data = path("rows.txt");
  writeText(data, rows.text());
  testing::internal::CaptureStdout();
  ASSERT_EQ(engine().featureReport(data.c_str(), dir.c_str()), zedare::kOfflineDone);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n wczytanie do tablicy pomocniczej...");
  const matrix correlations = readMatrix(path("korelacje.txt"));
  const matrix coefficients = readMatrix(path("parametry0.txt"));
  const matrix filled = readMatrix(path("wypelnienie.txt"));
  for (const matrix* m : {&correlations, &coefficients, &filled}) {
    ASSERT_EQ(m->rows(), 20);
    ASSERT_EQ(m->cols(), 64);
  }
  EXPECT_NEAR(correlations(6, 20), 1.0, 1e-12);
  EXPECT_NEAR(coefficients(6, 20), 2.0, 1e-12);
  int x6NonZero = 0;
  for (int i = 0; i < 90; ++i) x6NonZero += i % 7 != 3;
  EXPECT_EQ(filled(6, 20), x6NonZero);
  EXPECT_EQ(filled(8, 20), 30);
  EXPECT_EQ(filled(2, 20), 90);
  EXPECT_EQ(filled(5, 20), 0);
  EXPECT_EQ(correlations(5, 20), 0.0);
  // Stage 64 (the final rows) is not reported.
  EXPECT_EQ(filled(2, 64), 0);
  EXPECT_EQ(filled(2, 21), 0);
}
