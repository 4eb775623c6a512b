// The matrix type: storage and copying, element access, blocks, rows and columns,
// joins, square shapes, index and condition operations, element-wise arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "matrix/matrix.h"
#include "matrix_test_support.h"

using namespace zedare;
using matrix_test::Dense;
using matrix_test::fromRows;
using matrix_test::toRows;

TEST(MatrixStorage, ConstructorsGiveTheirShapesFilledWithZero) {
  const matrix empty;
  EXPECT_EQ(empty.rows(), 0);
  EXPECT_EQ(empty.cols(), 0);
  EXPECT_EQ(empty.data, nullptr);

  EXPECT_EQ(toRows(matrix(2, 3)), Dense(2, std::vector<double>(3, 0.0)));
  EXPECT_EQ(toRows(matrix(4)), Dense(4, std::vector<double>(1, 0.0)));
  EXPECT_EQ(toRows(matrix::square(3)), Dense(3, std::vector<double>(3, 0.0)));
  EXPECT_EQ(toRows(zeros(1, 5)), Dense(1, std::vector<double>(5, 0.0)));
}

TEST(MatrixStorage, CopiesAreDeepAndAssignmentReusesStorageOfTheSameShape) {
  matrix a = fromRows({{1, 2, 3}, {4, 5, 6}});
  matrix copied(a);
  copied(1, 1) = 100;
  EXPECT_EQ(a(1, 1), 1);
  EXPECT_NE(copied.rowData(1), a.rowData(1));

  matrix target = fromRows({{7, 8, 9}, {10, 11, 12}});
  const double* row1 = target.rowData(1);
  const double* row2 = target.rowData(2);
  target = a;
  EXPECT_EQ(target.rowData(1), row1);
  EXPECT_EQ(target.rowData(2), row2);
  EXPECT_EQ(toRows(target), toRows(a));

  matrix other = fromRows({{1}, {2}});
  other = a;  // different shape: reallocated
  EXPECT_EQ(toRows(other), toRows(a));

  matrix& alias = a;
  a = alias;
  EXPECT_EQ(toRows(a), (Dense{{1, 2, 3}, {4, 5, 6}}));

  a.clear();
  EXPECT_EQ(a.rows(), 0);
  EXPECT_EQ(a.cols(), 0);
  EXPECT_EQ(a.data, nullptr);
}

TEST(MatrixAccess, IndexesAreOneBasedAndRowsAreSeparateBlocks) {
  matrix a(3, 2);
  a(1, 1) = 1;
  a(3, 2) = 32;
  a(2, 1) = 21;
  EXPECT_EQ(a.rowData(3)[1], 32);
  EXPECT_EQ(a.rowData(2)[0], 21);
  EXPECT_EQ(a.data[0][0], 1);

  matrix column = matrix_test::column({5, 6, 7});
  matrix rowVector = fromRows({{5, 6, 7}});
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(column(i), rowVector(i));
  rowVector(3) = 70;
  EXPECT_EQ(rowVector(1, 3), 70);

  EXPECT_EQ(static_cast<double>(fromRows({{2.75}})), 2.75);
  EXPECT_EQ(static_cast<int>(fromRows({{-2.75}})), -2);
}

TEST(MatrixBlocks, FillAndCopyTouchOnlyTheirBlock) {
  matrix a(3, 4);
  a.fill(7, 2, 2, 2, 3);
  EXPECT_EQ(toRows(a), (Dense{{0, 0, 0, 0}, {0, 7, 7, 7}, {0, 7, 7, 7}}));
  a.fill(9, 1, 1, 0, 4);  // no rows: nothing changes
  a.fill(9, 3, 4, 1, 1);  // the last element alone
  EXPECT_EQ(a(1, 1), 0);
  EXPECT_EQ(a(3, 4), 9);

  matrix source = fromRows({{1, 2, 3}, {4, 5, 6}});
  matrix target(3, 3);
  copy(source, 1, 2, 2, 2, target, 2, 1);
  EXPECT_EQ(toRows(target), (Dense{{0, 0, 0}, {2, 3, 0}, {5, 6, 0}}));

  // Overlapping blocks of one matrix move as a whole, as from a snapshot.
  matrix line = fromRows({{1, 2, 3, 4, 5}});
  copy(line, 1, 1, 1, 4, line, 1, 2);
  EXPECT_EQ(toRows(line), (Dense{{1, 1, 2, 3, 4}}));
}

TEST(MatrixRowsAndColumns, ExtractSelectAndOverwrite) {
  const matrix a = fromRows({{1, 2, 3}, {4, 5, 6}});
  EXPECT_EQ(toRows(col(a, 3)), (Dense{{3}, {6}}));
  EXPECT_EQ(toRows(row(a, 2)), (Dense{{4, 5, 6}}));
  EXPECT_EQ(toRows(cols(a, fromRows({{3, 1, 3}}))), (Dense{{3, 1, 3}, {6, 4, 6}}));
  EXPECT_EQ(toRows(rows(a, fromRows({{2}, {2}, {1}}))), (Dense{{4, 5, 6}, {4, 5, 6}, {1, 2, 3}}));

  matrix column(2);
  getcolumn(a, 2, column);
  EXPECT_EQ(toRows(column), (Dense{{2}, {5}}));
  matrix rowVector(1, 3);
  getrow(a, 1, rowVector);
  EXPECT_EQ(toRows(rowVector), (Dense{{1, 2, 3}}));

  matrix b = a;
  setcolumn(b, 1, fromRows({{10}, {40}}));
  setrow(b, 2, fromRows({{7, 8, 9}}));
  EXPECT_EQ(toRows(b), (Dense{{10, 2, 3}, {7, 8, 9}}));
  addcolumn(b, 3, fromRows({{1}, {1}}));
  addrow(b, 1, fromRows({{1, 1, 1}}));
  EXPECT_EQ(toRows(b), (Dense{{11, 3, 5}, {7, 8, 10}}));
}

TEST(MatrixJoins, SideBySideAndAboveInBothForms) {
  const matrix a = fromRows({{1, 2}, {3, 4}});
  const matrix b = fromRows({{5}, {6}});
  EXPECT_EQ(toRows(a | b), (Dense{{1, 2, 5}, {3, 4, 6}}));
  EXPECT_EQ(toRows(a & fromRows({{7, 8}})), (Dense{{1, 2}, {3, 4}, {7, 8}}));

  matrix grown = a;
  grown |= b;
  grown &= fromRows({{0, 0, 1}});
  EXPECT_EQ(toRows(grown), (Dense{{1, 2, 5}, {3, 4, 6}, {0, 0, 1}}));
  matrix twice = a;
  twice |= twice;
  EXPECT_EQ(toRows(twice), (Dense{{1, 2, 1, 2}, {3, 4, 3, 4}}));

  EXPECT_EQ(toRows(shufflecolumn(a, fromRows({{2, 1}}))), (Dense{{2, 1}, {4, 3}}));
  EXPECT_EQ(toRows(shufflerow(a, fromRows({{2}, {1}}))), (Dense{{3, 4}, {1, 2}}));
}

TEST(MatrixSquareShapes, TransposeRotateTriangles) {
  matrix a = fromRows({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  matrix t = a;
  t.transp();
  EXPECT_EQ(toRows(t), (Dense{{1, 4, 7}, {2, 5, 8}, {3, 6, 9}}));

  matrix r = fromRows({{1, 2}, {3, 4}});
  r.rot90();
  EXPECT_EQ(toRows(r), (Dense{{2, 4}, {1, 3}}));
  matrix full = a;
  for (int turn = 0; turn < 4; ++turn) full.rot90();
  EXPECT_EQ(toRows(full), toRows(a));
  full.rot90();
  full.rot90();
  EXPECT_EQ(toRows(full), (Dense{{9, 8, 7}, {6, 5, 4}, {3, 2, 1}}));

  EXPECT_EQ(toRows(tril(a)), (Dense{{1, 0, 0}, {4, 5, 0}, {7, 8, 9}}));
  EXPECT_EQ(toRows(triu(a)), (Dense{{1, 2, 3}, {0, 5, 6}, {0, 0, 9}}));
  matrix inPlace = a;
  inPlace.triu();
  EXPECT_EQ(toRows(inPlace), toRows(triu(a)));
}

TEST(MatrixSquareShapes, ReshapeTakesAndPlacesColumnAfterColumn) {
  matrix a = fromRows({{1, 3, 5}, {2, 4, 6}});  // column-major order 1..6
  a.reshape(3, 2);
  EXPECT_EQ(toRows(a), (Dense{{1, 4}, {2, 5}, {3, 6}}));
  a.reshape(1, 6);
  EXPECT_EQ(toRows(a), (Dense{{1, 2, 3, 4, 5, 6}}));
}

TEST(MatrixSequences, SeqFindAndConditions) {
  EXPECT_EQ(toRows(seq(0, 0.5, 2)), (Dense{{0, 0.5, 1, 1.5, 2}}));
  EXPECT_EQ(toRows(seq(3, -1, 1)), (Dense{{3, 2, 1}}));
  EXPECT_EQ(toRows(seq(1, 1, 1)), (Dense{{1}}));
  EXPECT_EQ(toRows(seq(0, 0.4, 1)), (Dense{{0, 0.4, 0.8}}));

  EXPECT_EQ(toRows(find(fromRows({{0}, {3}, {0}, {-1}}))), (Dense{{2}, {4}}));
  EXPECT_EQ(toRows(find(fromRows({{0, 0.1, 0}}))), (Dense{{2}}));
  const matrix none = find(fromRows({{0}, {0}}));
  EXPECT_EQ(none.rows(), 0);
  EXPECT_EQ(none.cols(), 1);

  // An entry is true when its integer part is not 0: 0.5 is false, -1 and 2.9 true.
  const matrix condition = fromRows({{0.5}, {-1}, {0}, {2.9}, {-0.9}});
  const matrix values = fromRows({{10}, {20}, {30}, {40}, {50}});
  EXPECT_EQ(countif(condition), 2);
  EXPECT_EQ(sumif(values, condition), 60);
  EXPECT_EQ(meanif(values, condition), 30);
  EXPECT_EQ(toRows(filter(values, condition)), (Dense{{20}, {40}}));
  const matrix never = fromRows({{0}, {0.2}});
  EXPECT_EQ(meanif(fromRows({{1}, {2}}), never), 0.0);
  EXPECT_EQ(filter(fromRows({{1}, {2}}), never).rows(), 0);
}

TEST(MatrixElementwise, ArithmeticAndComparisonsPairElements) {
  const matrix a = fromRows({{1, -2}, {0, 8}});
  const matrix b = fromRows({{4, -2}, {5, 2}});
  EXPECT_EQ(toRows(a + b), (Dense{{5, -4}, {5, 10}}));
  EXPECT_EQ(toRows(a - b), (Dense{{-3, 0}, {-5, 6}}));
  EXPECT_EQ(toRows(a * b), (Dense{{4, 4}, {0, 16}}));
  EXPECT_EQ(toRows(a / b), (Dense{{0.25, 1}, {0, 4}}));

  matrix c = a;
  c += b;
  c -= a;
  EXPECT_EQ(toRows(c), toRows(b));
  c *= a;
  c /= b;
  EXPECT_EQ(toRows(c), toRows(a));

  EXPECT_EQ(toRows(a == b), (Dense{{0, 1}, {0, 0}}));
  EXPECT_EQ(toRows(a != b), (Dense{{1, 0}, {1, 1}}));
  EXPECT_EQ(toRows(a < b), (Dense{{1, 0}, {1, 0}}));
  EXPECT_EQ(toRows(a <= b), (Dense{{1, 1}, {1, 0}}));
  EXPECT_EQ(toRows(a > b), (Dense{{0, 0}, {0, 1}}));
  EXPECT_EQ(toRows(a >= b), (Dense{{0, 1}, {0, 1}}));
  EXPECT_EQ(toRows(a && b), (Dense{{1, 1}, {0, 1}}));
  EXPECT_EQ(toRows(fromRows({{0, 0}}) || fromRows({{0, 3}})), (Dense{{0, 1}}));
}

TEST(MatrixPrint, FormatsTitleAndFixedWidthElements) {
  testing::internal::CaptureStdout();
  fromRows({{1.5, -2}, {1234.5678, 0}}).print("Tytul");
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed, "\nTytul\n     1.500     -2.000 \n  1234.568      0.000 \n");
}
