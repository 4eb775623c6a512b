// The error path: every failing operation, run in a child process, must print its three
// lines exactly and end the process with exit status 1; the presentation can be
// replaced by a handler or by the program's own C hook; on a terminal the console
// handler waits for Enter.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "scratch.h"
#include "matrix/matrix.h"
#include "matrix_test_support.h"

using namespace zedare;
using matrix_test::errorText;
using matrix_test::exactly;
using matrix_test::fromRows;
using matrix_test::runFailing;

namespace {

bool hookActive = false;

}  // namespace

// The program-side hook that a desktop program defines. It only reports while a test
// turns it on, so that the other death tests see the plain console output.
extern "C" __attribute__((visibility("default"))) void TavrinMatrixErrorHook(const char* text) {
  if (!hookActive) return;
  std::fputs("HOOK:", stderr);
  std::fputs(text, stderr);
  std::fflush(stderr);
}

namespace {

struct FailureCase {
  const char* name;
  const char* signature;
  const char* message;
  const char* detail;
  std::function<void()> operation;
};

std::string scratchFile(const char* name) {
  return scratchPath(name);
}

// The scratch folder is made when the program starts, before any death test forks: the
// child ends with _Exit, so a folder made there would be left behind.
[[maybe_unused]] const std::string kScratchFolder = scratchPath("");

void writeScratch(const char* name, const std::string& text) {
  matrix_test::writeFile(scratchFile(name), text);
}

matrix m(int r, int c) {
  return matrix(r, c);
}

const char* const kIndex = "indeks poza zakresem";
const char* const kSquare = "macierz powinna byc kwadratowa";
const char* const kDims = "niezgodne wymiary macierzy";
const char* const kRows = "niezgodna liczba wierszy";
const char* const kCols = "niezgodna liczba kolumn";
const char* const kCondition = "wektor warunkowy ma nieprawidlowe wymiary";

std::vector<FailureCase> accessAndShapeCases() {
  return {
      {"ElementRowZero", "double operator ()(int,int)", kIndex, "2 x 3 : ( 0 , 1 )",
       [] { m(2, 3)(0, 1) = 1; }},
      {"ElementRowPastEnd", "double operator ()(int,int)", kIndex, "2 x 3 : ( 3 , 1 )",
       [] { m(2, 3)(3, 1) = 1; }},
      {"ElementColumnPastEnd", "double operator ()(int,int)", kIndex, "2 x 3 : ( 1 , 4 )",
       [] {
         const matrix a(2, 3);
         (void)a(1, 4);
       }},
      {"VectorAccessOfMatrix", "double operator ()(int)",
       "oczekiwany wektor kolumnowy lub wierszowy", "", [] { m(2, 2)(1) = 1; }},
      {"ColumnVectorPastEnd", "double operator ()(int)", kIndex, "3 x 1 : ( 4 )",
       [] { matrix(3)(4) = 1; }},
      {"RowVectorZero", "double operator ()(int)", kIndex, "1 x 3 : ( 0 )",
       [] {
         const matrix a(1, 3);
         (void)a(0);
       }},
      {"DoubleOfColumn", "operator double()", "konwersja niemozliwa", "",
       [] { (void)static_cast<double>(m(2, 1)); }},
      {"IntOfRow", "operator int()", "konwersja niemozliwa", "",
       [] { (void)static_cast<int>(m(1, 2)); }},
      {"NegativeShape", "matrix(int,int)", "podano zle wymiary", "", [] { matrix(-1, 2); }},
      {"FillPastLastRow", "fill(double,int,int,int,int)", kIndex, "",
       [] { m(2, 2).fill(1, 2, 1, 2, 1); }},
      {"FillFirstRowZero", "fill(double,int,int,int,int)", kIndex, "",
       [] { m(2, 2).fill(1, 0, 1, 1, 1); }},
      {"FillNegativeCount", "fill(double,int,int,int,int)", kIndex, "",
       [] { m(2, 2).fill(1, 1, 1, 1, -1); }},
      {"CopyOutOfDestination", "copy(matrix,int,int,int,int,matrix &,int,int)", kIndex, "",
       [] {
         matrix d(2, 2);
         copy(m(3, 3), 1, 1, 2, 2, d, 2, 1);
       }},
      {"CopyOutOfSource", "copy(matrix,int,int,int,int,matrix &,int,int)", kIndex, "",
       [] {
         matrix d(3, 3);
         copy(m(2, 2), 1, 2, 1, 2, d, 1, 1);
       }},
      {"ColumnNumber", "matrix col(matrix,int)", "numer kolumny poza zakresem", "",
       [] { col(m(2, 2), 3); }},
      {"RowNumber", "matrix row(matrix,int)", "numer wiersza poza zakresem", "",
       [] { row(m(2, 2), 0); }},
      {"ColsIndexShape", "matrix cols(matrix,matrix)", "indeks ma byc wektorem wierszowym", "",
       [] {
         cols(m(2, 2), fromRows({{1}, {2}}));
       }},
      {"ColsIndexValue", "matrix cols(matrix,matrix)", kIndex, "",
       [] {
         cols(m(2, 2), fromRows({{1, 3}}));
       }},
      {"RowsIndexShape", "matrix rows(matrix,matrix)", "indeks ma byc wektorem kolumnowym", "",
       [] {
         rows(m(2, 2), fromRows({{1, 2}}));
       }},
      {"RowsIndexValue", "matrix rows(matrix,matrix)", kIndex, "",
       [] { rows(m(2, 2), fromRows({{0.5}})); }},
      {"GetColumnNumber", "getcolumn(matrix,int,matrix &)", "numer kolumny poza zakresem", "",
       [] {
         matrix v(2);
         getcolumn(m(2, 2), 3, v);
       }},
      {"GetColumnShape", "getcolumn(matrix,int,matrix &)", "wymagana macierz kolumnowa", "",
       [] {
         matrix v(2, 2);
         getcolumn(m(2, 2), 1, v);
       }},
      {"GetColumnLength", "getcolumn(matrix,int,matrix &)", kRows, "",
       [] {
         matrix v(3);
         getcolumn(m(2, 2), 1, v);
       }},
      {"GetRowNumber", "getrow(matrix,int,matrix &)", "numer wiersza poza zakresem", "",
       [] {
         matrix v(1, 2);
         getrow(m(2, 2), 3, v);
       }},
      {"GetRowShape", "getrow(matrix,int,matrix &)", "wymagana macierz wierszowa", "",
       [] {
         matrix v(2);
         getrow(m(2, 2), 1, v);
       }},
      {"GetRowLength", "getrow(matrix,int,matrix &)", kCols, "",
       [] {
         matrix v(1, 3);
         getrow(m(2, 2), 1, v);
       }},
      {"SetColumnNumber", "setcolumn(matrix &,int,matrix)", "numer kolumny poza zakresem", "",
       [] {
         matrix a(2, 2);
         setcolumn(a, 0, m(2, 1));
       }},
      {"SetColumnShape", "setcolumn(matrix &,int,matrix)", "wymagana jest macierz kolumnowa", "",
       [] {
         matrix a(2, 2);
         setcolumn(a, 1, m(1, 2));
       }},
      {"SetColumnLength", "setcolumn(matrix &,int,matrix)", kRows, "",
       [] {
         matrix a(2, 2);
         setcolumn(a, 1, m(3, 1));
       }},
      {"SetRowShape", "setrow(matrix &,int,matrix)", "wymagana jest macierz wierszowa", "",
       [] {
         matrix a(2, 2);
         setrow(a, 1, m(2, 1));
       }},
      {"SetRowLength", "setrow(matrix &,int,matrix)", kCols, "",
       [] {
         matrix a(2, 2);
         setrow(a, 1, m(1, 3));
       }},
      {"AddColumnShape", "addcolumn(matrix &,int,matrix)", "wymagana macierz kolumnowa", "",
       [] {
         matrix a(2, 2);
         addcolumn(a, 1, m(1, 2));
       }},
      {"AddRowNumber", "addrow(matrix &,int,matrix)", "numer wiersza poza zakresem", "",
       [] {
         matrix a(2, 2);
         addrow(a, 3, m(1, 2));
       }},
      {"AddRowShape", "addrow(matrix &,int,matrix)", "wymagana macierz wierszowa", "",
       [] {
         matrix a(2, 2);
         addrow(a, 1, m(2, 1));
       }},
      {"JoinSideBySide", "matrix operator |(matrix,matrix)", kRows, "",
       [] { (void)(m(2, 2) | m(3, 1)); }},
      {"JoinSideBySideInPlace", "operator |=(matrix)", kRows, "",
       [] {
         matrix a(2, 2);
         a |= m(1, 1);
       }},
      {"JoinAbove", "matrix operator &(matrix,matrix)", kCols, "",
       [] { (void)(m(2, 2) & m(1, 3)); }},
      {"JoinAboveInPlace", "operator &=(matrix)", kCols, "",
       [] {
         matrix a(2, 2);
         a &= m(1, 1);
       }},
      {"ShuffleColumnIndexShape", "matrix shufflecolumn(matrix,matrix)", kRows, "",
       [] {
         shufflecolumn(m(2, 2), fromRows({{1}, {2}}));
       }},
      {"ShuffleColumnIndexLength", "matrix shufflecolumn(matrix,matrix)",
       "niewlasciwa liczba kolumn", "",
       [] {
         shufflecolumn(m(2, 2), fromRows({{1, 2, 1}}));
       }},
      {"ShuffleColumnIndexValue", "matrix cols(matrix,matrix)", kIndex, "",
       [] {
         shufflecolumn(m(2, 2), fromRows({{1, 5}}));
       }},
      {"ShuffleRowIndexShape", "matrix shufflerow(matrix,matrix)", kCols, "",
       [] {
         shufflerow(m(2, 2), fromRows({{1, 2}}));
       }},
      {"ShuffleRowIndexLength", "matrix shufflerow(matrix,matrix)", "niewlasciwa liczba wierszy",
       "", [] { shufflerow(m(2, 2), fromRows({{1}})); }},
      {"Transpose", "transp()", kSquare, "", [] { m(2, 3).transp(); }},
      {"Rotate", "rot90()", kSquare, "", [] { m(3, 2).rot90(); }},
      {"LowerInPlace", "tril()", kSquare, "", [] { m(1, 2).tril(); }},
      {"UpperInPlace", "triu()", kSquare, "", [] { m(2, 1).triu(); }},
      {"Lower", "matrix tril(matrix)", kSquare, "", [] { tril(m(1, 2)); }},
      {"Upper", "matrix triu(matrix)", kSquare, "", [] { triu(m(2, 1)); }},
      {"Reshape", "reshape(int,int)", "podano zle wymiary", "", [] { m(2, 3).reshape(4, 2); }},
      {"ReshapeNegative", "reshape(int,int)", "podano zle wymiary", "",
       [] { m(2, 2).reshape(-2, -2); }},
      {"SeqStepZero", "matrix seq(double,double,double)", "niewlasciwe argumenty", "",
       [] { seq(0, 0, 2); }},
      {"SeqWrongDirection", "matrix seq(double,double,double)", "niewlasciwe argumenty", "",
       [] { seq(0, -1, 2); }},
      {"FindOfMatrix", "matrix find(matrix)", "oczekiwany wektor wierszowy lub kolumnowy", "",
       [] { find(m(2, 2)); }},
      {"CountIfRow", "countif(matrix)", kCondition, "", [] { countif(m(1, 3)); }},
      {"SumIfLength", "sumif(matrix,matrix)", kCondition, "", [] { sumif(m(3, 1), m(2, 1)); }},
      {"MeanIfShape", "meanif(matrix,matrix)", kCondition, "", [] { meanif(m(2, 1), m(2, 2)); }},
      {"FilterLength", "filter(matrix,matrix)", kCondition, "", [] { filter(m(2, 1), m(3, 1)); }},
  };
}

std::vector<FailureCase> arithmeticCases() {
  std::vector<FailureCase> cases = {
      {"Plus", "matrix operator +(matrix,matrix)", kDims, "", [] { m(2, 2) + m(2, 3); }},
      {"Minus", "matrix operator -(matrix,matrix)", kDims, "", [] { m(2, 2) - m(3, 2); }},
      {"Times", "matrix operator *(matrix,matrix)", kDims, "", [] { m(2, 2) * m(2, 3); }},
      {"Divide", "matrix operator /(matrix,matrix)", kDims, "", [] { m(2, 2) / m(2, 1); }},
      {"PlusAssign", "operator +=(matrix)", kDims, "", [] { m(2, 2) += m(2, 3); }},
      {"MinusAssign", "operator -=(matrix)", kDims, "", [] { m(2, 2) -= m(2, 3); }},
      {"TimesAssign", "operator *=(matrix)", kDims, "", [] { m(2, 2) *= m(2, 3); }},
      {"DivideAssign", "operator /=(matrix)", kDims, "", [] { m(2, 2) /= m(2, 3); }},
      {"Equal", "matrix operator ==(matrix,matrix)", kDims, "", [] { m(1, 2) == m(2, 1); }},
      {"NotEqual", "matrix operator !=(matrix,matrix)", kDims, "", [] { m(1, 2) != m(2, 1); }},
      {"Less", "matrix operator <(matrix,matrix)", kDims, "", [] { m(1, 2) < m(2, 1); }},
      {"LessEqual", "matrix operator <=(matrix,matrix)", kDims, "", [] { m(1, 2) <= m(2, 1); }},
      {"Greater", "matrix operator >(matrix,matrix)", kDims, "", [] { m(1, 2) > m(2, 1); }},
      {"GreaterEqual", "matrix operator >=(matrix,matrix)", kDims, "", [] { m(1, 2) >= m(2, 1); }},
      {"And", "matrix operator &&(matrix,matrix)", kDims, "", [] { m(1, 2) && m(2, 1); }},
      {"Or", "matrix operator ||(matrix,matrix)", kDims, "", [] { m(1, 2) || m(2, 1); }},
      {"Product", "matrix multipl(matrix,matrix)", kDims, "", [] { multipl(m(2, 3), m(2, 3)); }},
      {"ProductTransposed", "matrix multipltransp(matrix,matrix)", kDims, "",
       [] { multipltransp(m(2, 3), m(3, 2)); }},
      {"DotFirst", "double scalarmultipl(matrix,matrix)", "pierwszy argument musi byc wektorem", "",
       [] { scalarmultipl(m(2, 2), m(2, 1)); }},
      {"DotSecond", "double scalarmultipl(matrix,matrix)", "drugi argument musi byc wektorem", "",
       [] { scalarmultipl(m(2, 1), m(2, 2)); }},
      {"DotOrientation", "double scalarmultipl(matrix,matrix)",
       "niezgodna orientacja wektorow wejsciowych", "", [] { scalarmultipl(m(2, 1), m(1, 2)); }},
      {"DotLength", "double scalarmultipl(matrix,matrix)", "niezgodna dlugosc wektorow wejsciowych",
       "", [] { scalarmultipl(m(1, 2), m(1, 3)); }},
      {"SumOfSquares", "double scalarsqr(matrix)", "argument musi byc wektorem", "",
       [] { scalarsqr(m(2, 2)); }},
      {"QuadraticFormSquare", "double comutator(matrix,matrix)",
       "pierwszy argument musi byc macierza kwadratowa", "", [] { comutator(m(2, 3), m(2, 1)); }},
      {"QuadraticFormColumn", "double comutator(matrix,matrix)",
       "drugi argument musi byc wektorem kolumnowym", "", [] { comutator(m(2, 2), m(1, 2)); }},
      {"QuadraticFormLength", "double comutator(matrix,matrix)",
       "wektor ma inna dlugosc niz wymiary macierzy", "", [] { comutator(m(2, 2), m(3, 1)); }},
      {"EpsCase", "double fun_eps(int,int)", "zle wywolanie funkcji wewnetrznej", "",
       [] { fun_eps(6, 3); }},
      {"DeltaCase", "double fun_delta(int,int,int)", "zle wywolanie funkcji wewnetrznej", "",
       [] { fun_delta(-1, 0, 3); }},
  };
  return cases;
}

std::vector<FailureCase> numericalCases() {
  return {
      {"SolveAllZero", "lineqns_gauss(matrix,matrix)", "macierz jest prawie osobliwa", "",
       [] { lineqns(m(2, 2), m(2, 1)); }},
      {"SolveSingularAtLastPivot", "lineqns_gauss(matrix,matrix)", "macierz jest prawie osobliwa",
       "",
       [] {
         lineqns(fromRows({{1, 2}, {2, 4}}), fromRows({{1}, {2}}));
       }},
      {"SolveShape", "matrix lineqns(matrix,matrix)", kDims, "", [] { lineqns(m(2, 2), m(3, 1)); }},
      {"SweepNotSquare", "linreg_sweep(int,int)", kSquare, "", [] { m(2, 3).linreg_sweep(1, 2); }},
      {"SweepNotSymmetric", "linreg_sweep(int,int)", "macierz powinna byc symetryczna", "",
       [] {
         fromRows({{1, 2}, {2.0000001, 1}}).linreg_sweep(1, 2);
       }},
      {"SweepPivotRange", "linreg_sweep(int,int)", kIndex, "",
       [] { matrix::square(2).linreg_sweep(1, 3); }},
      {"RegressionFewRows", "matrix linreg(matrix,matrix)", "nieprawidlowe wymiary macierzy", "",
       [] { linreg(m(2, 3), m(2, 1)); }},
      {"RegressionTwoColumnsOfY", "matrix linreg(matrix,matrix)", "nieprawidlowe wymiary macierzy",
       "", [] { linreg(m(4, 2), m(4, 2)); }},
      {"RegressionRowsDiffer", "matrix linreg(matrix,matrix)", "nieprawidlowe wymiary macierzy", "",
       [] { linreg(m(4, 2), m(5, 1)); }},
      {"SortMatrix", "vectorsort(matrix &,Direction)", "oczekiwany wektor", "",
       [] {
         matrix a(2, 2);
         vectorsort(a, Ascending);
       }},
      {"SortDirection", "vectorsort(matrix &,Direction)", "nieprawidlowy kierunek sortowania", "",
       [] {
         matrix a(1, 4);
         vectorsort(a, static_cast<Direction>(2));
       }},
      {"DualSortFirst", "vectordualsort(matrix &,matrix &,Direction)",
       "pierwszy argument nie jest wektorem", "",
       [] {
         matrix a(2, 2), b(2, 2);
         vectordualsort(a, b, Ascending);
       }},
      {"DualSortCompanion", "vectordualsort(matrix &,matrix &,Direction)",
       "wektor dualny ma nieprawidlowe wymiary", "",
       [] {
         matrix a(3, 1), b(1, 3);
         vectordualsort(a, b, Descending);
       }},
      {"DualSortDirection", "vectordualsort(matrix &,matrix &,Direction)",
       "nieprawidlowy kierunek sortowania", "",
       [] {
         matrix a(3, 1), b(3, 1);
         vectordualsort(a, b, static_cast<Direction>(-1));
       }},
      {"SmoothRow", "matrix vectorsmooth(matrix,int,int)", "oczekiwany wektor kolumnowy", "",
       [] { vectorsmooth(m(1, 9), 1, 3); }},
      {"SmoothEvenPoints", "matrix vectorsmooth(matrix,int,int)",
       "oczekiwana nieparzysta liczba punktow do usredniania", "",
       [] { vectorsmooth(m(9, 1), 1, 4); }},
      {"SmoothTooManyPoints", "matrix vectorsmooth(matrix,int,int)",
       "liczba punktow do usredniania przekracza dlugosc danych", "",
       [] { vectorsmooth(m(5, 1), 1, 7); }},
      {"SmoothDegreeSix", "matrix vectorsmooth(matrix,int,int)", "stopien wielomianu przekracza 5",
       "", [] { vectorsmooth(m(20, 1), 6, 15); }},
      {"SmoothNegativeDegree", "matrix vectorsmooth(matrix,int,int)", "niewlasciwe argumenty", "",
       [] { vectorsmooth(m(20, 1), -1, 5); }},
      {"SmoothNegativePoints", "matrix vectorsmooth(matrix,int,int)", "niewlasciwe argumenty", "",
       [] { vectorsmooth(m(20, 1), 1, -3); }},
  };
}

std::vector<FailureCase> fileCases() {
  return {
      {"ReadTextMissing", "readtxt(char *)", "nieudane otwarcie pliku do odczytu", "",
       [] { m(1, 1).readtxt("/nonexistent-zedare/table.txt"); }},
      {"ReadTextDirectory", "readtxt(char *)", "nieudane otwarcie pliku do odczytu", "",
       [] { m(1, 1).readtxt("/"); }},
      {"ReadTextRowLonger", "readtxt(char *)", "zmienna liczba elementow w wierszach", "",
       [] {
         writeScratch("zedare_uneven.txt", "1 2\n3 4 5\n");
         m(1, 1).readtxt(scratchFile("zedare_uneven.txt").c_str());
       }},
      {"ReadTextEmptyLineInside", "readtxt(char *)", "zmienna liczba elementow w wierszach", "",
       [] {
         writeScratch("zedare_gap.txt", "1 2\n\n3 4\n");
         m(1, 1).readtxt(scratchFile("zedare_gap.txt").c_str());
       }},
      {"ReadTextThirtyCharacters", "readtxt(char *)", "liczba ma zbyt wiele cyfr", "",
       [] {
         writeScratch("zedare_long.txt", "1 1.0000000000000000000000000005\n");
         m(1, 1).readtxt(scratchFile("zedare_long.txt").c_str());
       }},
      {"WriteTextSeparator", "writetxt(char *,Separator)", "nieprawidlowy separator dziesietny", "",
       [] { m(1, 1).writetxt(scratchFile("zedare_sep.txt").c_str(), static_cast<Separator>(2)); }},
      {"WriteTextNoDirectory", "writetxt(char *,Separator)", "nieudane otwarcie pliku do zapisu",
       "", [] { m(1, 1).writetxt("/nonexistent-zedare/out.txt", Comma); }},
      {"ReadCountedMissing", "readbin(char *)", "nieudane otwarcie pliku do odczytu", "",
       [] { m(1, 1).readbin("/nonexistent-zedare/table.dat"); }},
      {"ReadCountedNoCounts", "readbin(char *)", "nieprawidlowe wymiary macierzy", "",
       [] {
         writeScratch("zedare_nocounts.dat", "");
         m(1, 1).readbin(scratchFile("zedare_nocounts.dat").c_str());
       }},
      {"ReadCountedNegativeCount", "readbin(char *)", "nieprawidlowe wymiary macierzy", "",
       [] {
         writeScratch("zedare_negative.dat", "-2 3 1 2 3 ");
         m(1, 1).readbin(scratchFile("zedare_negative.dat").c_str());
       }},
      // Counts the file cannot hold are refused before anything is allocated.
      {"ReadCountedCountsBeyondTheFile", "readbin(char *)", "nieprawidlowe wymiary macierzy", "",
       [] {
         writeScratch("zedare_huge.dat", "4630 9260 " + std::string(94, '1'));
         m(1, 1).readbin(scratchFile("zedare_huge.dat").c_str());
       }},
      // A table without columns holds no elements, but its rows still cost memory.
      {"ReadCountedRowsBeyondTheFile", "readbin(char *)", "nieprawidlowe wymiary macierzy", "",
       [] {
         writeScratch("zedare_rows.dat", "189141044 0 ");
         m(1, 1).readbin(scratchFile("zedare_rows.dat").c_str());
       }},
      // Devices that never end a number are refused at once.
      {"ReadTextEndlessDevice", "readtxt(char *)", "liczba ma zbyt wiele cyfr", "",
       [] { m(1, 1).readtxt("/dev/zero"); }},
      {"ReadCountedEndlessDevice", "readbin(char *)", "nieprawidlowe wymiary macierzy", "",
       [] { m(1, 1).readbin("/dev/zero"); }},
      {"WriteCountedNoDirectory", "writebin(char *)", "nieudane otwarcie pliku do zapisu", "",
       [] { m(1, 1).writebin("/nonexistent-zedare/out.dat"); }},
  };
}

void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class MatrixFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(MatrixFailure, PrintsThreeLinesAndExitsWithStatusOne) {
  const FailureCase& c = GetParam();
  EXPECT_EXIT(runFailing(c.operation), testing::ExitedWithCode(1),
              exactly(errorText(c.signature, c.message, c.detail)));
}

std::string caseName(const testing::TestParamInfo<FailureCase>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(AccessAndShapes, MatrixFailure, testing::ValuesIn(accessAndShapeCases()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(Arithmetic, MatrixFailure, testing::ValuesIn(arithmeticCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Numerical, MatrixFailure, testing::ValuesIn(numericalCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Files, MatrixFailure, testing::ValuesIn(fileCases()), caseName);

void recordingHandler(const char* text) {
  std::fputs("HANDLED:", stderr);
  std::fputs(text, stderr);
}

TEST(MatrixErrorPath, TextIsPrintedVerbatimNotAsAFormat) {
  EXPECT_EXIT(runFailing([] { matrixError("open(%s%n)", "100% %d", "x%%"); }),
              testing::ExitedWithCode(1), exactly(errorText("open(%s%n)", "100% %d", "x%%")));
}

TEST(MatrixErrorPath, ReplacedHandlerPresentsTheTextAndTheProcessStillEnds) {
  // The handler returns; the process must end with status 1 all the same, and the
  // console text must not appear.
  EXPECT_EXIT(runFailing([] {
                setMatrixErrorHandler(recordingHandler);
                m(2, 3).transp();
              }),
              testing::ExitedWithCode(1),
              exactly("HANDLED:" + errorText("transp()", "macierz powinna byc kwadratowa")));
  // Restoring the console handler.
  EXPECT_EQ(setMatrixErrorHandler(nullptr), nullptr);
  EXPECT_EQ(setMatrixErrorHandler(recordingHandler), nullptr);
  EXPECT_EQ(setMatrixErrorHandler(nullptr), recordingHandler);
}

bool hookVisible() {
  return dlsym(RTLD_DEFAULT, "TavrinMatrixErrorHook") != nullptr;
}

TEST(MatrixErrorPath, ProgramHookReceivesTheTextAfterStandardOutput) {
  if (!hookVisible())
    GTEST_SKIP() << "test_matrix does not export its symbols (link it with ENABLE_EXPORTS)";
  const std::string text = errorText("matrix col(matrix,int)", "numer kolumny poza zakresem");
  EXPECT_EXIT(runFailing([] {
                hookActive = true;
                col(m(2, 2), 5);
              }),
              testing::ExitedWithCode(1), exactly(text + "HOOK:" + text));
}

TEST(MatrixErrorPath, ConsoleHandlerWaitsForEnterOnATerminal) {
  if (hookVisible())
    GTEST_SKIP() << "this program defines the hook, which takes the place of the wait";
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string slaveName = ptsname(master);
  int output[2];
  ASSERT_EQ(pipe(output), 0);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int slave = open(slaveName.c_str(), O_RDWR | O_NOCTTY);
    dup2(slave, STDIN_FILENO);
    dup2(output[1], STDOUT_FILENO);
    close(output[0]);
    m(2, 2)(3, 1) = 0;
    _exit(99);
  }
  close(output[1]);

  const std::string expected =
      errorText("double operator ()(int,int)", "indeks poza zakresem", "2 x 2 : ( 3 , 1 )");
  std::string printed;
  char buffer[256];
  while (printed.size() < expected.size()) {
    const ssize_t got = read(output[0], buffer, sizeof buffer);
    if (got <= 0) break;
    printed.append(buffer, static_cast<size_t>(got));
  }
  EXPECT_EQ(printed, expected);

  // The text is out, so the handler is at its wait: without a key it must not end.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, WNOHANG), 0) << "ended without waiting for Enter";

  ASSERT_EQ(write(master, "\n", 1), 1);
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  close(output[0]);
  close(master);
}

}  // namespace
