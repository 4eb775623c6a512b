// What the matrix library's own files share: the messages of the common precondition
// faults, the stop through matrixError, and the vector view of a one-row or one-column
// matrix. Not part of the library's interface.
#ifndef ZEDARE_MATRIX_CHECKS_H
#define ZEDARE_MATRIX_CHECKS_H

#include "matrix/matrix.h"

namespace zedare::matrix_checks {

constexpr const char* kIndexOutOfRange = "indeks poza zakresem";
constexpr const char* kDimensionsDiffer = "niezgodne wymiary macierzy";
constexpr const char* kNotSquare = "macierz powinna byc kwadratowa";
constexpr const char* kRowsDiffer = "niezgodna liczba wierszy";
constexpr const char* kColumnsDiffer = "niezgodna liczba kolumn";
constexpr const char* kBadCondition = "wektor warunkowy ma nieprawidlowe wymiary";

[[noreturn]] inline void stop(const char* signature, const char* message) {
  matrixError(signature, message, "");
}

inline bool isVector(const matrix& v) {
  return v.rowCount == 1 || v.colCount == 1;
}
inline int vectorLength(const matrix& v) {
  return v.colCount == 1 ? v.rowCount : v.colCount;
}
// Element i (1-based) of a vector, unchecked.
inline double& vectorAt(matrix& v, int i) {
  return v.colCount == 1 ? v.data[i - 1][0] : v.data[0][i - 1];
}
inline double vectorAt(const matrix& v, int i) {
  return v.colCount == 1 ? v.data[i - 1][0] : v.data[0][i - 1];
}

}  // namespace zedare::matrix_checks

#endif
