// The text table and the counted format: exact file contents, round trips, and the
// reading rules (separators, carriage returns, the last line, number length).
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <random>

#include "matrix/matrix.h"
#include "matrix_test_support.h"

using namespace zedare;
using matrix_test::Dense;
using matrix_test::fromRows;
using matrix_test::readFile;
using matrix_test::toRows;
using matrix_test::writeFile;

namespace {

class MatrixFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = matrix_test::scratchDir(testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string path(const char* name) const { return (dir_ / name).string(); }

  matrix readText(const std::string& text) {
    writeFile(path("in.txt"), text);
    matrix m;
    m.readtxt(path("in.txt").c_str());
    return m;
  }

  std::filesystem::path dir_;
};

// Values of every kind a table holds: small and large magnitudes, negative, integers,
// values needing all ten digits.
Dense sampleValues(int rows, int cols, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> mantissa(-1, 1);
  std::uniform_int_distribution<int> exponent(-12, 12);
  Dense values(rows, std::vector<double>(cols));
  for (auto& row : values)
    for (double& v : row) v = mantissa(rng) * std::pow(10.0, exponent(rng));
  values[0][0] = 0;
  if (cols > 1) values[0][1] = -7;
  return values;
}

}  // namespace

TEST_F(MatrixFiles, WritesTabSeparatedRowsAtTenDigits) {
  const matrix m = fromRows({{1.5, -2, 1.0 / 3}, {1e20, 0.000125, 123456789012.0}});
  m.writetxt(path("point.txt").c_str(), Point);
  EXPECT_EQ(readFile(path("point.txt")),
            "1.5\t-2\t0.3333333333\n1e+20\t0.000125\t1.23456789e+11\n");
  m.writetxt(path("comma.txt").c_str(), Comma);
  EXPECT_EQ(readFile(path("comma.txt")),
            "1,5\t-2\t0,3333333333\n1e+20\t0,000125\t1,23456789e+11\n");
}

TEST_F(MatrixFiles, ElementTextIsPrintfTenSignificantDigits) {
  const Dense values = sampleValues(50, 20, 7);
  fromRows(values).writetxt(path("t.txt").c_str(), Point);
  std::string expected;
  char buffer[64];
  for (const auto& row : values) {
    for (size_t j = 0; j < row.size(); ++j) {
      std::snprintf(buffer, sizeof buffer, "%.10g", row[j]);
      expected += buffer;
      expected += j + 1 < row.size() ? '\t' : '\n';
    }
  }
  EXPECT_EQ(readFile(path("t.txt")), expected);
}

TEST_F(MatrixFiles, TextRoundTripKeepsTenSignificantDigitsWithBothSeparators) {
  const Dense values = sampleValues(40, 7, 99);
  for (Separator separator : {Point, Comma}) {
    fromRows(values).writetxt(path("t.txt").c_str(), separator);
    matrix back = fromRows({{1}});  // a different shape: replaced
    back.readtxt(path("t.txt").c_str());
    ASSERT_EQ(back.rows(), 40);
    ASSERT_EQ(back.cols(), 7);
    for (int i = 0; i < 40; ++i)
      for (int j = 0; j < 7; ++j)
        EXPECT_NEAR(back(i + 1, j + 1), values[i][j], 5e-10 * std::fabs(values[i][j]))
            << "separator " << separator;
  }
}

TEST_F(MatrixFiles, ReadsCommaAndPointSeparatorsBlanksAndCarriageReturns) {
  EXPECT_EQ(toRows(readText("1,5\t1.5\n")), (Dense{{1.5, 1.5}}));
  EXPECT_EQ(toRows(readText("  1 \t\t 2   \r\n3\t4\r\n")), (Dense{{1, 2}, {3, 4}}));
  // A carriage return is ignored even inside a number.
  EXPECT_EQ(toRows(readText("1\r2 3\n")), (Dense{{12, 3}}));
  // Text that is not a number reads as its longest numeric prefix, or 0.
  EXPECT_EQ(toRows(readText("abc 2.5x +4 0x10 1e400\n")), (Dense{{0, 2.5, 4, 16, HUGE_VAL}}));
}

TEST_F(MatrixFiles, TheLastLineNeedsItsNewlineAndAnEmptyFileIsEmpty) {
  EXPECT_EQ(toRows(readText("1 2\n3 4\n5 6")), (Dense{{1, 2}, {3, 4}}));
  // The unterminated line is not checked either: it is not part of the table.
  EXPECT_EQ(toRows(readText("1 2\n3")), (Dense{{1, 2}}));
  const matrix empty = readText("");
  EXPECT_EQ(empty.rows(), 0);
  EXPECT_EQ(empty.cols(), 0);
  const matrix noNewline = readText("1 2 3");
  EXPECT_EQ(noNewline.rows(), 0);
  EXPECT_EQ(noNewline.cols(), 0);
}

TEST_F(MatrixFiles, NumbersOfTwentyNineCharactersRead) {
  const std::string longest = "1.000000000000000000000000005";  // 29 characters
  ASSERT_EQ(longest.size(), 29u);
  EXPECT_EQ(toRows(readText(longest + "\t" + longest + "\n")), (Dense{{1.0, 1.0}}));
  // Carriage returns do not count towards the length.
  EXPECT_EQ(toRows(readText("\r" + longest + "\r\n")), (Dense{{1.0}}));
}

TEST_F(MatrixFiles, EmptyAndColumnlessMatricesRoundTrip) {
  matrix empty;
  empty.writetxt(path("e.txt").c_str(), Point);
  EXPECT_EQ(readFile(path("e.txt")), "");
  matrix threeEmptyRows(3, 0);
  threeEmptyRows.writetxt(path("r.txt").c_str(), Point);
  matrix back;
  back.readtxt(path("r.txt").c_str());
  EXPECT_EQ(back.rows(), 3);
  EXPECT_EQ(back.cols(), 0);
}

TEST_F(MatrixFiles, ReadingIntoTheSameShapeKeepsTheStorage) {
  matrix m(2, 2);
  const double* firstRow = m.rowData(1);
  fromRows({{1, 2}, {3, 4}}).writetxt(path("t.txt").c_str(), Point);
  m.readtxt(path("t.txt").c_str());
  EXPECT_EQ(m.rowData(1), firstRow);
  EXPECT_EQ(toRows(m), (Dense{{1, 2}, {3, 4}}));
}

TEST_F(MatrixFiles, FilesDoNotDependOnTheProcessLocale) {
  const char* commaLocales[] = {"pl_PL.UTF-8", "pl_PL.utf8", "de_DE.UTF-8", "de_DE.utf8",
                                "fr_FR.UTF-8"};
  const char* chosen = nullptr;
  for (const char* name : commaLocales)
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      chosen = name;
      break;
    }
  if (chosen == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
  const matrix m = fromRows({{1.5, -0.25}});
  m.writetxt(path("t.txt").c_str(), Point);
  m.writebin(path("b.txt").c_str());
  matrix text, counted;
  text.readtxt(path("t.txt").c_str());
  counted.readbin(path("b.txt").c_str());
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(readFile(path("t.txt")), "1.5\t-0.25\n") << chosen;
  EXPECT_EQ(readFile(path("b.txt")), "1 2 1.5 -0.25 ") << chosen;
  EXPECT_EQ(toRows(text), toRows(m));
  EXPECT_EQ(toRows(counted), toRows(m));
}

TEST_F(MatrixFiles, CountedFormatIsCountsThenSixDigitElements) {
  const matrix m = fromRows({{1.5, -2, 1.0 / 3}, {1e20, 0.000125, 1234567}});
  m.writebin(path("b.dat").c_str());
  EXPECT_EQ(readFile(path("b.dat")), "2 3 1.5 -2 0.333333 1e+20 0.000125 1.23457e+06 ");
  matrix back;
  back.readbin(path("b.dat").c_str());
  EXPECT_EQ(toRows(back), (Dense{{1.5, -2, 0.333333}, {1e20, 0.000125, 1.23457e6}}));

  // Six significant digits survive, in general no more.
  const Dense values = sampleValues(30, 4, 5);
  fromRows(values).writebin(path("r.dat").c_str());
  back.readbin(path("r.dat").c_str());
  for (int i = 0; i < 30; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(back(i + 1, j + 1), values[i][j], 5e-6 * std::fabs(values[i][j]));
}

TEST_F(MatrixFiles, StreamPairReadsMatricesBackInSequence) {
  const matrix first = fromRows({{1, 2}, {3, 4}});
  const matrix second = fromRows({{-0.5}, {8}, {9}});
  std::FILE* out = std::fopen(path("s.dat").c_str(), "wb");
  first.writebin(out);
  second.writebin(out);
  std::fputs("tail", out);
  std::fclose(out);

  std::FILE* in = std::fopen(path("s.dat").c_str(), "rb");
  matrix a, b;
  a.readbin(in);
  b.readbin(in);
  char tail[8] = {};
  ASSERT_NE(std::fgets(tail, sizeof tail, in), nullptr);
  std::fclose(in);
  EXPECT_EQ(toRows(a), toRows(first));
  EXPECT_EQ(toRows(b), toRows(second));
  EXPECT_STREQ(tail, "tail");  // the stream stops right after the matrices
}

TEST_F(MatrixFiles, CountedFileMissingElementsReadsThemAsZero) {
  writeFile(path("short.dat"), "2 2 1 2 3");
  matrix m;
  m.readbin(path("short.dat").c_str());
  EXPECT_EQ(toRows(m), (Dense{{1, 2}, {3, 0}}));
}
