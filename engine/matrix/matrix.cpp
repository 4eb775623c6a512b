// The matrix type itself: storage, element access, shape operations, joins, index and
// condition operations, and the element-wise arithmetic and comparisons.
//
// Each operation checks its preconditions first and stops through matrixError with its
// own signature text; only then does it touch storage. Loops run row by row over the
// row blocks.
#include "matrix/checks.h"
#include "matrix/matrix.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace zedare {

namespace {

using namespace matrix_checks;

// An index held in a double: its integer part (toward zero) when that lies in 1..limit,
// otherwise 0. Range is tested on the double first so that no out-of-range or NaN value
// is ever converted to int.
int indexFromDouble(double value, int limit) {
  if (!(value >= 1.0 && value < static_cast<double>(limit) + 1.0)) return 0;
  return static_cast<int>(value);
}

bool conditionTrue(double value) {
  return std::trunc(value) != 0.0;
}

void checkCondition(const matrix& data, const matrix& condition, const char* signature) {
  if (condition.colCount != 1 || data.colCount != 1 || data.rowCount != condition.rowCount)
    stop(signature, kBadCondition);
}

template <class Op>
matrix elementwise(const matrix& a, const matrix& b, const char* signature, Op op) {
  if (a.rowCount != b.rowCount || a.colCount != b.colCount) stop(signature, kDimensionsDiffer);
  matrix result(a.rowCount, a.colCount, matrix::Uninitialised{});
  for (int i = 0; i < a.rowCount; ++i) {
    const double* pa = a.data[i];
    const double* pb = b.data[i];
    double* pr = result.data[i];
    for (int j = 0; j < a.colCount; ++j) pr[j] = op(pa[j], pb[j]);
  }
  return result;
}

template <class Op>
void elementwiseInPlace(matrix& a, const matrix& b, const char* signature, Op op) {
  if (a.rowCount != b.rowCount || a.colCount != b.colCount) stop(signature, kDimensionsDiffer);
  for (int i = 0; i < a.rowCount; ++i) {
    double* pa = a.data[i];
    const double* pb = b.data[i];
    for (int j = 0; j < a.colCount; ++j) pa[j] = op(pa[j], pb[j]);
  }
}

double truth(bool value) {
  return value ? 1.0 : 0.0;
}

}  // namespace

// ---- storage ----

void matrix::allocate(int rows, int cols) {
  if (rows < 0 || cols < 0) stop("matrix(int,int)", "podano zle wymiary");
  rowCount = rows;
  colCount = cols;
  data = nullptr;
  rowsInOrder = true;
  if (rows == 0) return;
  // One block: the row pointers, then the rows one after another. The evaluation reads
  // pattern tables of 19683 rows at random, and rows next to each other in memory (not
  // each in an allocation of its own) keep those reads within far fewer cache lines.
  // Operations may still reorder the row pointers; the block is freed as a whole.
  const size_t pointers = sizeof(double*) * static_cast<size_t>(rows);
  const size_t values = sizeof(double) * static_cast<size_t>(rows) * static_cast<size_t>(cols);
  char* block = new char[pointers + values];
  data = reinterpret_cast<double**>(block);
  double* first = reinterpret_cast<double*>(block + pointers);
  for (int i = 0; i < rows; ++i) data[i] = first + static_cast<size_t>(i) * cols;
}

void matrix::release() {
  delete[] reinterpret_cast<char*>(data);
  data = nullptr;
  rowCount = 0;
  colCount = 0;
}

matrix::matrix(int rows, int cols) {
  allocate(rows, cols);
  for (int i = 0; i < rowCount; ++i) std::fill_n(data[i], colCount, 0.0);
}

matrix::matrix(int rows, int cols, Uninitialised) {
  allocate(rows, cols);
}

matrix::matrix(int n) : matrix(n, 1) {}

matrix matrix::square(int n) {
  return matrix(n, n);
}

matrix zeros(int r, int c) {
  return matrix(r, c);
}

matrix::matrix(const matrix& other) {
  allocate(other.rowCount, other.colCount);
  for (int i = 0; i < rowCount; ++i)
    std::memcpy(data[i], other.data[i], sizeof(double) * static_cast<size_t>(colCount));
}

matrix::matrix(matrix&& other) noexcept
    : rowCount(other.rowCount),
      colCount(other.colCount),
      data(other.data),
      rowsInOrder(other.rowsInOrder) {
  other.rowsInOrder = true;
  other.rowCount = 0;
  other.colCount = 0;
  other.data = nullptr;
}

matrix& matrix::operator=(const matrix& other) {
  if (this == &other) return *this;
  if (rowCount != other.rowCount || colCount != other.colCount) {
    release();
    allocate(other.rowCount, other.colCount);
  }
  for (int i = 0; i < rowCount; ++i)
    std::memcpy(data[i], other.data[i], sizeof(double) * static_cast<size_t>(colCount));
  return *this;
}

matrix& matrix::operator=(matrix&& other) noexcept {
  if (this != &other) {
    std::swap(rowCount, other.rowCount);
    std::swap(colCount, other.colCount);
    std::swap(data, other.data);
    std::swap(rowsInOrder, other.rowsInOrder);
  }
  return *this;
}

matrix::~matrix() {
  release();
}

void matrix::clear() {
  release();
}

// ---- element access ----

void matrix::indexError(int i, int j) const {
  char detail[96];
  std::snprintf(detail, sizeof detail, "%d x %d : ( %d , %d )", rowCount, colCount, i, j);
  matrixError("double operator ()(int,int)", kIndexOutOfRange, detail);
}

void matrix::indexError(int i) const {
  char detail[80];
  std::snprintf(detail, sizeof detail, "%d x %d : ( %d )", rowCount, colCount, i);
  matrixError("double operator ()(int)", kIndexOutOfRange, detail);
}

void matrix::notVectorError() const {
  stop("double operator ()(int)", "oczekiwany wektor kolumnowy lub wierszowy");
}

matrix::operator double() const {
  if (rowCount != 1 || colCount != 1) stop("operator double()", "konwersja niemozliwa");
  return data[0][0];
}

matrix::operator int() const {
  if (rowCount != 1 || colCount != 1) stop("operator int()", "konwersja niemozliwa");
  return static_cast<int>(data[0][0]);
}

// ---- blocks ----

namespace {

// A block of `rows` x `cols` at (first row, first column) lies inside the matrix; empty
// blocks lie inside whenever their first indexes are valid.
bool blockInside(const matrix& m, int firstRow, int firstCol, int rows, int cols) {
  if (firstRow < 1 || firstCol < 1 || rows < 0 || cols < 0) return false;
  if (rows == 0 || cols == 0) return true;
  return static_cast<long long>(firstRow) + rows - 1 <= m.rowCount &&
         static_cast<long long>(firstCol) + cols - 1 <= m.colCount;
}

}  // namespace

void matrix::fill(double value, int firstRow, int firstCol, int rows, int cols) {
  if (!blockInside(*this, firstRow, firstCol, rows, cols))
    stop("fill(double,int,int,int,int)", kIndexOutOfRange);
  for (int i = 0; i < rows; ++i) std::fill_n(data[firstRow - 1 + i] + (firstCol - 1), cols, value);
}

void copy(const matrix& source, int firstRow, int firstCol, int rows, int cols, matrix& destination,
          int destRow, int destCol) {
  const char* signature = "copy(matrix,int,int,int,int,matrix &,int,int)";
  if (!blockInside(source, firstRow, firstCol, rows, cols) ||
      !blockInside(destination, destRow, destCol, rows, cols))
    stop(signature, kIndexOutOfRange);
  if (&source == &destination) {
    // The blocks may overlap: copy from a snapshot of the source.
    matrix snapshot(source);
    copy(snapshot, firstRow, firstCol, rows, cols, destination, destRow, destCol);
    return;
  }
  for (int i = 0; i < rows; ++i)
    std::memcpy(destination.data[destRow - 1 + i] + (destCol - 1),
                source.data[firstRow - 1 + i] + (firstCol - 1),
                sizeof(double) * static_cast<size_t>(cols));
}

// ---- rows and columns ----

matrix col(const matrix& a, int k) {
  if (k < 1 || k > a.colCount) stop("matrix col(matrix,int)", "numer kolumny poza zakresem");
  matrix result(a.rowCount, 1, matrix::Uninitialised{});
  for (int i = 0; i < a.rowCount; ++i) result.data[i][0] = a.data[i][k - 1];
  return result;
}

matrix row(const matrix& a, int k) {
  if (k < 1 || k > a.rowCount) stop("matrix row(matrix,int)", "numer wiersza poza zakresem");
  matrix result(1, a.colCount, matrix::Uninitialised{});
  std::memcpy(result.data[0], a.data[k - 1], sizeof(double) * static_cast<size_t>(a.colCount));
  return result;
}

matrix cols(const matrix& a, const matrix& index) {
  const char* signature = "matrix cols(matrix,matrix)";
  if (index.rowCount != 1) stop(signature, "indeks ma byc wektorem wierszowym");
  const double* picked = index.data[0];
  for (int j = 0; j < index.colCount; ++j)
    if (indexFromDouble(picked[j], a.colCount) == 0) stop(signature, kIndexOutOfRange);
  matrix result(a.rowCount, index.colCount, matrix::Uninitialised{});
  for (int j = 0; j < index.colCount; ++j) {
    const int source = indexFromDouble(picked[j], a.colCount) - 1;
    for (int i = 0; i < a.rowCount; ++i) result.data[i][j] = a.data[i][source];
  }
  return result;
}

matrix rows(const matrix& a, const matrix& index) {
  const char* signature = "matrix rows(matrix,matrix)";
  if (index.colCount != 1) stop(signature, "indeks ma byc wektorem kolumnowym");
  for (int i = 0; i < index.rowCount; ++i)
    if (indexFromDouble(index.data[i][0], a.rowCount) == 0) stop(signature, kIndexOutOfRange);
  matrix result(index.rowCount, a.colCount, matrix::Uninitialised{});
  for (int i = 0; i < index.rowCount; ++i)
    std::memcpy(result.data[i], a.data[indexFromDouble(index.data[i][0], a.rowCount) - 1],
                sizeof(double) * static_cast<size_t>(a.colCount));
  return result;
}

void getcolumn(const matrix& a, int k, matrix& column) {
  const char* signature = "getcolumn(matrix,int,matrix &)";
  if (k < 1 || k > a.colCount) stop(signature, "numer kolumny poza zakresem");
  if (column.colCount != 1) stop(signature, "wymagana macierz kolumnowa");
  if (column.rowCount != a.rowCount) stop(signature, kRowsDiffer);
  for (int i = 0; i < a.rowCount; ++i) column.data[i][0] = a.data[i][k - 1];
}

void getrow(const matrix& a, int k, matrix& row) {
  const char* signature = "getrow(matrix,int,matrix &)";
  if (k < 1 || k > a.rowCount) stop(signature, "numer wiersza poza zakresem");
  if (row.rowCount != 1) stop(signature, "wymagana macierz wierszowa");
  if (row.colCount != a.colCount) stop(signature, kColumnsDiffer);
  if (&row != &a)
    std::memcpy(row.data[0], a.data[k - 1], sizeof(double) * static_cast<size_t>(a.colCount));
}

namespace {

// Shared by the column setter and adder: checks, then combines element by element.
template <class Op>
void intoColumn(matrix& a, int k, const matrix& column, const char* signature,
                const char* shapeMessage, Op op) {
  if (k < 1 || k > a.colCount) stop(signature, "numer kolumny poza zakresem");
  if (column.colCount != 1) stop(signature, shapeMessage);
  if (column.rowCount != a.rowCount) stop(signature, kRowsDiffer);
  for (int i = 0; i < a.rowCount; ++i) a.data[i][k - 1] = op(a.data[i][k - 1], column.data[i][0]);
}

template <class Op>
void intoRow(matrix& a, int k, const matrix& row, const char* signature, const char* shapeMessage,
             Op op) {
  if (k < 1 || k > a.rowCount) stop(signature, "numer wiersza poza zakresem");
  if (row.rowCount != 1) stop(signature, shapeMessage);
  if (row.colCount != a.colCount) stop(signature, kColumnsDiffer);
  double* target = a.data[k - 1];
  const double* source = row.data[0];
  for (int j = 0; j < a.colCount; ++j) target[j] = op(target[j], source[j]);
}

double replace(double, double value) {
  return value;
}
double add(double old, double value) {
  return old + value;
}

}  // namespace

void setcolumn(matrix& a, int k, const matrix& column) {
  intoColumn(a, k, column, "setcolumn(matrix &,int,matrix)", "wymagana jest macierz kolumnowa",
             replace);
}

void setrow(matrix& a, int k, const matrix& row) {
  intoRow(a, k, row, "setrow(matrix &,int,matrix)", "wymagana jest macierz wierszowa", replace);
}

void addcolumn(matrix& a, int k, const matrix& column) {
  intoColumn(a, k, column, "addcolumn(matrix &,int,matrix)", "wymagana macierz kolumnowa", add);
}

void addrow(matrix& a, int k, const matrix& row) {
  intoRow(a, k, row, "addrow(matrix &,int,matrix)", "wymagana macierz wierszowa", add);
}

// ---- joins ----

namespace {

matrix joinSideBySide(const matrix& a, const matrix& b, const char* signature) {
  if (a.rowCount != b.rowCount) stop(signature, kRowsDiffer);
  matrix result(a.rowCount, a.colCount + b.colCount, matrix::Uninitialised{});
  for (int i = 0; i < a.rowCount; ++i) {
    std::memcpy(result.data[i], a.data[i], sizeof(double) * static_cast<size_t>(a.colCount));
    std::memcpy(result.data[i] + a.colCount, b.data[i],
                sizeof(double) * static_cast<size_t>(b.colCount));
  }
  return result;
}

matrix joinAbove(const matrix& a, const matrix& b, const char* signature) {
  if (a.colCount != b.colCount) stop(signature, kColumnsDiffer);
  matrix result(a.rowCount + b.rowCount, a.colCount, matrix::Uninitialised{});
  const size_t rowBytes = sizeof(double) * static_cast<size_t>(a.colCount);
  for (int i = 0; i < a.rowCount; ++i) std::memcpy(result.data[i], a.data[i], rowBytes);
  for (int i = 0; i < b.rowCount; ++i)
    std::memcpy(result.data[a.rowCount + i], b.data[i], rowBytes);
  return result;
}

}  // namespace

matrix operator|(const matrix& a, const matrix& b) {
  return joinSideBySide(a, b, "matrix operator |(matrix,matrix)");
}

matrix operator&(const matrix& a, const matrix& b) {
  return joinAbove(a, b, "matrix operator &(matrix,matrix)");
}

matrix& matrix::operator|=(const matrix& right) {
  *this = joinSideBySide(*this, right, "operator |=(matrix)");
  return *this;
}

matrix& matrix::operator&=(const matrix& below) {
  *this = joinAbove(*this, below, "operator &=(matrix)");
  return *this;
}

matrix shufflecolumn(const matrix& a, const matrix& index) {
  const char* signature = "matrix shufflecolumn(matrix,matrix)";
  if (index.rowCount != 1) stop(signature, kRowsDiffer);
  if (index.colCount != a.colCount) stop(signature, "niewlasciwa liczba kolumn");
  return cols(a, index);
}

matrix shufflerow(const matrix& a, const matrix& index) {
  const char* signature = "matrix shufflerow(matrix,matrix)";
  if (index.colCount != 1) stop(signature, kColumnsDiffer);
  if (index.rowCount != a.rowCount) stop(signature, "niewlasciwa liczba wierszy");
  return rows(a, index);
}

// ---- square shapes ----

void matrix::transp() {
  if (rowCount != colCount) stop("transp()", kNotSquare);
  for (int i = 0; i < rowCount; ++i)
    for (int j = i + 1; j < colCount; ++j) std::swap(data[i][j], data[j][i]);
}

void matrix::rot90() {
  if (rowCount != colCount) stop("rot90()", kNotSquare);
  const int n = rowCount;
  matrix old(*this);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) data[i][j] = old.data[j][n - 1 - i];
}

void matrix::tril() {
  if (rowCount != colCount) stop("tril()", kNotSquare);
  for (int i = 0; i < rowCount; ++i)
    for (int j = i + 1; j < colCount; ++j) data[i][j] = 0.0;
}

void matrix::triu() {
  if (rowCount != colCount) stop("triu()", kNotSquare);
  for (int i = 1; i < rowCount; ++i)
    for (int j = 0; j < i; ++j) data[i][j] = 0.0;
}

matrix tril(const matrix& a) {
  if (a.rowCount != a.colCount) stop("matrix tril(matrix)", kNotSquare);
  matrix result(a);
  result.tril();
  return result;
}

matrix triu(const matrix& a) {
  if (a.rowCount != a.colCount) stop("matrix triu(matrix)", kNotSquare);
  matrix result(a);
  result.triu();
  return result;
}

void matrix::reshape(int r, int c) {
  if (r < 0 || c < 0 ||
      static_cast<long long>(r) * c != static_cast<long long>(rowCount) * colCount)
    stop("reshape(int,int)", "podano zle wymiary");
  if (r == rowCount && c == colCount) return;
  matrix result(r, c, Uninitialised{});
  // Element number e (0-based, column-major) sits at (e % rows, e / rows) in both shapes.
  const long long count = static_cast<long long>(r) * c;
  for (long long e = 0; e < count; ++e)
    result.data[e % r][e / r] = data[e % rowCount][e / rowCount];
  *this = std::move(result);
}

// ---- sequences, positions and conditions ----

matrix seq(double from, double step, double to) {
  const char* signature = "matrix seq(double,double,double)";
  if (!((from <= to && step > 0.0) || (to <= from && step < 0.0)))
    stop(signature, "niewlasciwe argumenty");
  const double steps = std::floor((to - from) / step);
  // A count that does not fit an int (a step vanishingly small for the range) cannot
  // be a matrix dimension.
  if (!(steps < 2147483647.0)) stop(signature, "niewlasciwe argumenty");
  const int count = static_cast<int>(steps) + 1;
  matrix result(1, count, matrix::Uninitialised{});
  double value = from;
  for (int j = 0; j < count; ++j) {
    result.data[0][j] = value;
    value += step;
  }
  return result;
}

matrix find(const matrix& v) {
  if (!isVector(v)) stop("matrix find(matrix)", "oczekiwany wektor wierszowy lub kolumnowy");
  const int n = vectorLength(v);
  int found = 0;
  for (int i = 1; i <= n; ++i)
    if (vectorAt(v, i) != 0.0) ++found;
  const bool column = v.colCount == 1;
  matrix result = column ? matrix(found, 1, matrix::Uninitialised{})
                         : matrix(1, found, matrix::Uninitialised{});
  int k = 0;
  for (int i = 1; i <= n; ++i) {
    if (vectorAt(v, i) == 0.0) continue;
    if (column)
      result.data[k][0] = i;
    else
      result.data[0][k] = i;
    ++k;
  }
  return result;
}

int countif(const matrix& condition) {
  if (condition.colCount != 1) stop("countif(matrix)", kBadCondition);
  int count = 0;
  for (int i = 0; i < condition.rowCount; ++i)
    if (conditionTrue(condition.data[i][0])) ++count;
  return count;
}

double sumif(const matrix& data, const matrix& condition) {
  checkCondition(data, condition, "sumif(matrix,matrix)");
  double sum = 0.0;
  for (int i = 0; i < data.rowCount; ++i)
    if (conditionTrue(condition.data[i][0])) sum += data.data[i][0];
  return sum;
}

double meanif(const matrix& data, const matrix& condition) {
  checkCondition(data, condition, "meanif(matrix,matrix)");
  double sum = 0.0;
  int count = 0;
  for (int i = 0; i < data.rowCount; ++i) {
    if (!conditionTrue(condition.data[i][0])) continue;
    sum += data.data[i][0];
    ++count;
  }
  return count == 0 ? 0.0 : sum / count;
}

matrix filter(const matrix& data, const matrix& condition) {
  checkCondition(data, condition, "filter(matrix,matrix)");
  int count = 0;
  for (int i = 0; i < condition.rowCount; ++i)
    if (conditionTrue(condition.data[i][0])) ++count;
  matrix result(count, 1, matrix::Uninitialised{});
  int k = 0;
  for (int i = 0; i < data.rowCount; ++i)
    if (conditionTrue(condition.data[i][0])) result.data[k++][0] = data.data[i][0];
  return result;
}

// ---- element-wise arithmetic and comparisons ----

matrix operator+(const matrix& a, const matrix& b) {
  return elementwise(a, b, "matrix operator +(matrix,matrix)",
                     [](double x, double y) { return x + y; });
}
matrix operator-(const matrix& a, const matrix& b) {
  return elementwise(a, b, "matrix operator -(matrix,matrix)",
                     [](double x, double y) { return x - y; });
}
matrix operator*(const matrix& a, const matrix& b) {
  return elementwise(a, b, "matrix operator *(matrix,matrix)",
                     [](double x, double y) { return x * y; });
}
matrix operator/(const matrix& a, const matrix& b) {
  return elementwise(a, b, "matrix operator /(matrix,matrix)",
                     [](double x, double y) { return x / y; });
}

matrix& matrix::operator+=(const matrix& other) {
  elementwiseInPlace(*this, other, "operator +=(matrix)", [](double x, double y) { return x + y; });
  return *this;
}
matrix& matrix::operator-=(const matrix& other) {
  elementwiseInPlace(*this, other, "operator -=(matrix)", [](double x, double y) { return x - y; });
  return *this;
}
matrix& matrix::operator*=(const matrix& other) {
  elementwiseInPlace(*this, other, "operator *=(matrix)", [](double x, double y) { return x * y; });
  return *this;
}
matrix& matrix::operator/=(const matrix& other) {
  elementwiseInPlace(*this, other, "operator /=(matrix)", [](double x, double y) { return x / y; });
  return *this;
}

matrix operator==(const matrix& a, const matrix& b) {
  return elementwise(a, b, "matrix operator ==(matrix,matrix)",
                     [](double x, double y) { return truth(x == y); });
}
matrix operator!=(const matrix& a, const matrix& b) {
  return elementwise(a, b, "matrix operator !=(matrix,matrix)",
                     [](double x, double y) { return truth(x != y); });
}
matrix operator<(const matrix& a, const matrix& b) {
  return elementwise(a, b, "matrix operator <(matrix,matrix)",
                     [](double x, double y) { return truth(x < y); });
}
matrix operator<=(const matrix& a, const matrix& b) {
  return elementwise(a, b, "matrix operator <=(matrix,matrix)",
                     [](double x, double y) { return truth(x <= y); });
}
matrix operator>(const matrix& a, const matrix& b) {
  return elementwise(a, b, "matrix operator >(matrix,matrix)",
                     [](double x, double y) { return truth(x > y); });
}
matrix operator>=(const matrix& a, const matrix& b) {
  return elementwise(a, b, "matrix operator >=(matrix,matrix)",
                     [](double x, double y) { return truth(x >= y); });
}
matrix operator&&(const matrix& a, const matrix& b) {
  return elementwise(a, b, "matrix operator &&(matrix,matrix)",
                     [](double x, double y) { return truth(x != 0.0 && y != 0.0); });
}
matrix operator||(const matrix& a, const matrix& b) {
  return elementwise(a, b, "matrix operator ||(matrix,matrix)",
                     [](double x, double y) { return truth(x != 0.0 || y != 0.0); });
}

// ---- printing ----

void matrix::print(const char* title) const {
  std::fputs("\n", stdout);
  std::fputs(title, stdout);
  std::fputs("\n", stdout);
  for (int i = 0; i < rowCount; ++i) {
    for (int j = 0; j < colCount; ++j) std::printf("%10.3f ", data[i][j]);
    std::fputs("\n", stdout);
  }
}

}  // namespace zedare
