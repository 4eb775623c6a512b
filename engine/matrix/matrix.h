// The engine's matrix library: one dense matrix type of doubles with 1-based element
// access, its shape operations, element-wise arithmetic and comparisons, linear
// equations, least-squares regression, sorting and smoothing of vectors, and the two
// file formats in which the model and pattern tables are stored.
//
// Storage: one allocation holds `rowCount` row pointers (`data`) and then the rows of
// `colCount` doubles one after another. Operations may reorder the row pointers (solving
// linear equations does), so every loop here runs row by row through rowData(), and
// rowsInOrder says whether row i still starts at data[0] + i * colCount. An empty matrix
// is 0 x 0 and holds no storage. Vectors are matrices with one column (column vectors) or one row
// (row vectors).
//
// Errors: the library has no error returns. Every failed precondition calls
// matrixError(), which prints
//     "MATRIX: " <signature of the failing operation> "\n" <message> "\n" <detail> "\n"
// and ends the process with exit status 1. The signature texts and the (Polish, plain
// ASCII) messages are fixed: stored logs and the desktop application's message box show
// them as they are. How the text is presented can be replaced (setMatrixErrorHandler);
// that the process ends cannot.
//
// Text and counted files are written and read in the "C" numeric convention whatever
// the process locale is (a desktop toolkit may switch LC_NUMERIC to the user's locale,
// which must not change what the files hold).
#ifndef ZEDARE_MATRIX_MATRIX_H
#define ZEDARE_MATRIX_MATRIX_H

#include <cstdio>

namespace zedare {

// Sort direction. Plain integers on purpose: a value other than 0 or 1 reaching an
// operation is rejected with its message rather than being impossible to express.
enum Direction : int { Ascending = 0, Descending = 1 };

// Decimal separator of writetxt: 0 point, 1 comma; other values are rejected.
enum Separator : int { Point = 0, Comma = 1 };

class matrix {
 public:
  int rowCount = 0;
  int colCount = 0;
  double** data = nullptr;  // rowCount rows of colCount doubles, in one owned block
  // Whether row i still starts at data[0] + i * colCount (only solving linear equations
  // reorders the rows of its matrix), so that a row can be found without its pointer.
  bool rowsInOrder = true;

  // Tag for the constructor that leaves the elements unset; for operations that go on
  // to overwrite every element.
  struct Uninitialised {};

  matrix() = default;
  // rows x cols, every element 0.0. Negative dimensions stop with "podano zle wymiary".
  matrix(int rows, int cols);
  matrix(int rows, int cols, Uninitialised);
  // Column vector of n elements (n x 1), every element 0.0.
  explicit matrix(int n);
  // Square n x n matrix, every element 0.0.
  static matrix square(int n);

  matrix(const matrix& other);
  matrix(matrix&& other) noexcept;
  // Deep copy. Assigning to itself changes nothing; a target of the same shape keeps
  // its storage, any other target is reallocated to the new shape.
  matrix& operator=(const matrix& other);
  matrix& operator=(matrix&& other) noexcept;
  ~matrix();

  int rows() const { return rowCount; }
  int cols() const { return colCount; }
  // Raw row i (1-based), no check: the hot loops of the evaluation and of training
  // read whole rows through this pointer.
  const double* rowData(int i) const { return data[i - 1]; }
  double* rowData(int i) { return data[i - 1]; }

  // Element (i, j), checked on every access.
  double& operator()(int i, int j) {
    if (i < 1 || i > rowCount || j < 1 || j > colCount) indexError(i, j);
    return data[i - 1][j - 1];
  }
  double operator()(int i, int j) const {
    if (i < 1 || i > rowCount || j < 1 || j > colCount) indexError(i, j);
    return data[i - 1][j - 1];
  }
  // Element i of a row or column vector, checked.
  double& operator()(int i) { return *vectorElement(i); }
  double operator()(int i) const { return *vectorElement(i); }

  // The value of a 1 x 1 matrix. Explicit: an implicit conversion would let a matrix
  // slip into scalar arithmetic unnoticed.
  explicit operator double() const;
  explicit operator int() const;

  // Frees the storage; the matrix becomes 0 x 0.
  void clear();

  // Sets the block of `rows` x `cols` elements starting at (firstRow, firstCol) to value.
  void fill(double value, int firstRow, int firstCol, int rows, int cols);

  // In place; square matrices only.
  void transp();
  void rot90();  // quarter turn anticlockwise: new (i, j) = old (j, n + 1 - i)
  void tril();   // keeps the lower triangle with the diagonal, zeroes the rest
  void triu();   // keeps the upper triangle with the diagonal, zeroes the rest

  // The same elements in an r x c shape, read and placed column after column.
  void reshape(int r, int c);

  // Joins in place: columns of `right` after these / rows of `below` under these.
  matrix& operator|=(const matrix& right);
  matrix& operator&=(const matrix& below);

  // Element-wise compound arithmetic (* and / too are element-wise).
  matrix& operator+=(const matrix& other);
  matrix& operator-=(const matrix& other);
  matrix& operator*=(const matrix& other);
  matrix& operator/=(const matrix& other);

  // Solves A x = b into this matrix (resized to n x 1 when needed) by Gaussian
  // elimination with partial pivoting; A and b are working copies.
  void lineqns_gauss(matrix A, matrix b);
  // Sweeps the pivots first..last of this square, exactly symmetric matrix in place.
  void linreg_sweep(int first, int last);

  // Replaces the matrix by the text table in the file at path.
  void readtxt(const char* path);
  // Writes the matrix as a text table: elements at 10 significant digits, one tab
  // between elements, a newline after each row.
  void writetxt(const char* path, Separator separator) const;
  // Counted format: "%d %d " (rows, columns), then every element as "%g ", row after
  // row. Six significant digits, so values do not in general survive a round trip.
  void readbin(const char* path);
  void writebin(const char* path) const;
  // The same format on an already open stream, which stays open. Reading consumes the
  // whitespace after the last element, as the format's trailing blank says.
  void readbin(std::FILE* stream);
  void writebin(std::FILE* stream) const;

  // Writes "\n", the title, "\n", then each row as "%10.3f " per element and "\n".
  void print(const char* title) const;

 private:
  void allocate(int rows, int cols);  // storage for the shape, elements unset
  void release();
  [[noreturn]] void indexError(int i, int j) const;
  [[noreturn]] void indexError(int i) const;
  double* vectorElement(int i) const {
    if (colCount == 1) {
      if (i < 1 || i > rowCount) indexError(i);
      return data[i - 1];
    }
    if (rowCount == 1) {
      if (i < 1 || i > colCount) indexError(i);
      return data[0] + (i - 1);
    }
    notVectorError();
  }
  [[noreturn]] void notVectorError() const;
};

// r x c matrix of 0.0.
matrix zeros(int r, int c);

// ---- error path ----

// Receives the whole error text (three lines, each ended by "\n").
using MatrixErrorHandler = void (*)(const char* text);
// Installs the handler that presents matrix errors and returns the previous one;
// nullptr restores the console handler. Whatever the handler does, the process then
// ends with exit status 1 (a handler may also end it itself).
MatrixErrorHandler setMatrixErrorHandler(MatrixErrorHandler handler);
// The console handler: writes the text to standard output and flushes it; then, if the
// program defines and exports the C function TavrinMatrixErrorHook(const char* text),
// calls it with the text (a desktop program shows it in a message box there);
// otherwise, when standard input is a terminal, waits for Enter.
void consoleMatrixErrorHandler(const char* text);
// Reports a failed precondition and ends the process (exit status 1).
[[noreturn]] void matrixError(const char* signature, const char* message, const char* detail = "");

// ---- blocks, rows and columns ----

// Copies the rows x cols block of source at (firstRow, firstCol) to destination at
// (destRow, destCol). Source and destination may be the same matrix.
void copy(const matrix& source, int firstRow, int firstCol, int rows, int cols, matrix& destination,
          int destRow, int destCol);
matrix col(const matrix& a, int k);  // column k as a column vector
matrix row(const matrix& a, int k);  // row k as a row vector
// The columns listed in a row vector of indexes / the rows listed in a column vector of
// indexes, in its order (indexes may repeat).
matrix cols(const matrix& a, const matrix& index);
matrix rows(const matrix& a, const matrix& index);
// Column / row k into an existing column / row vector of matching length.
void getcolumn(const matrix& a, int k, matrix& column);
void getrow(const matrix& a, int k, matrix& row);
// Overwrite column / row k with a vector.
void setcolumn(matrix& a, int k, const matrix& column);
void setrow(matrix& a, int k, const matrix& row);
// Add a vector element by element to column / row k.
void addcolumn(matrix& a, int k, const matrix& column);
void addrow(matrix& a, int k, const matrix& row);

// Side by side (columns of b after those of a) / one above the other.
matrix operator|(const matrix& a, const matrix& b);
matrix operator&(const matrix& a, const matrix& b);

// Column j of the result is column index(j) of a; index is a row vector with one entry
// per column of a. shufflerow does the same for rows with a column vector.
matrix shufflecolumn(const matrix& a, const matrix& index);
matrix shufflerow(const matrix& a, const matrix& index);

// Lower / upper triangle (with the diagonal) of a square matrix as a new matrix.
matrix tril(const matrix& a);
matrix triu(const matrix& a);

// Row vector from, from + step, ... with (int)((to - from) / step) + 1 elements, built
// by repeated addition.
matrix seq(double from, double step, double to);
// 1-based positions of the non-zero elements of a vector, increasing, as a vector of
// the same orientation (a 1 x 1 input counts as a column).
matrix find(const matrix& v);

// Condition vectors: an n x 1 column, entry true when its integer part is not 0.
// The data of sumif, meanif and filter is an n x 1 column of the same length.
int countif(const matrix& condition);
double sumif(const matrix& data, const matrix& condition);
// Mean of the selected entries; 0.0 when none is selected.
double meanif(const matrix& data, const matrix& condition);
// The selected entries as a column vector (k x 1, 0 x 1 when none).
matrix filter(const matrix& data, const matrix& condition);

// ---- element-wise operations ----

matrix operator+(const matrix& a, const matrix& b);
matrix operator-(const matrix& a, const matrix& b);
matrix operator*(const matrix& a, const matrix& b);  // element-wise
matrix operator/(const matrix& a, const matrix& b);  // element-wise
// Comparisons and logic, element by element: 1.0 true, 0.0 false.
matrix operator==(const matrix& a, const matrix& b);
matrix operator!=(const matrix& a, const matrix& b);
matrix operator<(const matrix& a, const matrix& b);
matrix operator<=(const matrix& a, const matrix& b);
matrix operator>(const matrix& a, const matrix& b);
matrix operator>=(const matrix& a, const matrix& b);
matrix operator&&(const matrix& a, const matrix& b);
matrix operator||(const matrix& a, const matrix& b);

// ---- algebra ----

matrix multipl(const matrix& a, const matrix& b);        // A B
matrix multipltransp(const matrix& a, const matrix& b);  // A B^T
matrix crossproduct(const matrix& z);                    // Z^T Z
double scalarmultipl(const matrix& a, const matrix& b);  // dot product of two vectors
double scalarsqr(const matrix& v);                       // sum of squares of a vector
double comutator(const matrix& a, const matrix& v);      // v^T A v
// x of A x = b for square A (n x n) and b (n x 1).
matrix lineqns(const matrix& a, const matrix& b);
// Least-squares coefficients b (p x 1) of y ~ X b; no intercept is added.
matrix linreg(const matrix& x, const matrix& y);

// ---- sorting and smoothing ----

void vectorsort(matrix& v, Direction direction);
// Sorts the pairs (v(i), w(i)) by v; w must have v's dimensions.
void vectordualsort(matrix& v, matrix& w, Direction direction);
// Moving least-squares polynomial smoothing of a column vector: every sample is replaced
// by the value of the polynomial of the given degree (0..5) fitted to the window of
// `points` (odd) samples around it; the first and last points / 2 samples take their
// values from the first and last full window. A degree of points - 1 or more
// reproduces the data.
matrix vectorsmooth(const matrix& v, int degree, int points);
// Coefficient functions of the smoothing weights, for k = 0..5 on the 2m + 1 points
// -m..m: fun_eps(k, m) = (2k + 1) (2m)!^2 / ((2m + k + 1)! (2m - k)!) is the weight of
// the Gram polynomial of degree k, and fun_delta(k, j, m) is the coefficient of i^j in
// that polynomial (normalised to 1 at i = m). Both are 0 when k > 2m: there is no such
// polynomial on so few points.
double fun_eps(int k, int m);
double fun_delta(int k, int j, int m);

}  // namespace zedare

#endif  // ZEDARE_MATRIX_MATRIX_H
