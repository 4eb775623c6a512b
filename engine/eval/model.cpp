// Loading the model (weights and pattern tables), the feature rows and record lines
// written for training and matches, and the row converter file.
#include "eval/model.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "eval/context.h"
#include "board/board.h"
#include "eval/features.h"
#include "eval/kernels.h"
#include "matrix/matrix.h"

namespace zedare {

const char* const kPatternSuffixes[8] = {"_A1.dat",  "_A2.dat",  "_A3.dat",  "_A4.dat",
                                         "_SC1.dat", "_SC2.dat", "_SC3.dat", "_PRZ.dat"};

std::string parameterPath(const char* directory, const char* parameterName, int n) {
  return std::string(directory) + "//" + parameterName + "_" + std::to_string(n) + ".dat";
}

std::string patternPath(const char* directory, const char* patternName, int table) {
  return std::string(directory) + "//" + patternName + kPatternSuffixes[table];
}

namespace {

// Reads a text table and refuses it, through the matrix error path, when it is smaller
// than rows x cols: the features and the evaluation index these tables without checks
// of their own. A file that is missing or cannot be read is refused with the reader's own
// message and the file's name and the reason in the detail line, so that the user sees
// which of the many model files is at fault.
matrix readChecked(const std::string& path, int rows, int cols) {
  std::FILE* probe = std::fopen(path.c_str(), "rb");
  struct stat info;
  if (probe == nullptr || fstat(fileno(probe), &info) != 0 || S_ISDIR(info.st_mode)) {
    const std::string detail =
        path + ": " + std::strerror(probe == nullptr ? errno : EISDIR);
    if (probe != nullptr) std::fclose(probe);
    matrixError("readtxt(char *)", "nieudane otwarcie pliku do odczytu", detail.c_str());
  }
  std::fclose(probe);
  matrix m;
  m.readtxt(path.c_str());
  if (m.rows() < rows || m.cols() < cols) {
    const std::string signature = "loadModel(" + path + ")";
    char detail[96];
    std::snprintf(detail, sizeof detail, "plik ma %d x %d, potrzeba co najmniej %d x %d", m.rows(),
                  m.cols(), rows, cols);
    matrixError(signature.c_str(), "nieprawidlowe wymiary macierzy", detail);
  }
  return m;
}

}  // namespace

void loadModel(EvalContext& context, int slot, const char* directory, const char* parameterName,
               const char* patternName, int n) {
  if (slot != 1 && slot != 2) return;
  matrix& weights = slot == 1 ? context.weights1 : context.weights2;
  matrix* tables = slot == 1 ? context.patterns1 : context.patterns2;
  weights = readChecked(parameterPath(directory, parameterName, n), 18, 64);
  for (int t = 0; t < pattern::Count; ++t) {
    // A2 is loaded with the others but no feature reads it, so its shape is free.
    const int rows = t == pattern::A2 ? 0 : pattern::kRows;
    const int cols = t == pattern::A2 ? 0 : 3;
    tables[t] = readChecked(patternPath(directory, patternName, t), rows, cols);
  }
}

void featureRow(EvalContext& e, const Board& b, int tag, int out[kFeatureColumns]) {
  using namespace kernels;
  const int computer = e.computerColour;
  for (int i = 0; i < kFeatureColumns; ++i) out[i] = 0;
  out[0] = tag;
  out[1] = b.discCount;
  out[2] = b.sideToMove;
  out[3] = b.count(computer) - b.count(-computer);
  if (b.sideToMove == 0) return;

  const matrix* tables = e.patterns1;
  const char* signature = "void featureRow(Engine &,const Board &,int,int *)";
  for (int t : {pattern::A1, pattern::A3, pattern::A4, pattern::SC1, pattern::SC2, pattern::SC3,
                pattern::PRZ}) {
    requireTable(tables[t], t, signature);
  }
  prepare(e, b);
  const EvalContext::EvalScratch& s = e.evalScratch;
  const int side = b.sideToMove;
  out[4] = frontier(s.own, b.occupancy) - frontier(s.opp, b.occupancy);
  out[5] = b.mobility(computer) - b.mobility(-computer);
  const SidePair stable = stablePair(s.own, s.opp);
  out[6] = stable.computer - stable.human;
  const SidePair cx = cornerXPair(s.own, s.opp);
  out[7] = cx.computer - cx.human;
  out[9] = lineGroupValue(tables, b, LineGroup::PRZ, computer);
  const SidePair access = cornerAccessPair(s, computer == side);
  out[10] = access.computer - access.human;
  out[11] = regionParityValue(s, computer, side);
  out[13] = cornerThreatValue(s, tables, b, computer, side);
  out[14] = cornerPatternValue(tables, b, computer);
  out[15] = lineGroupValue(tables, b, LineGroup::SC1, computer);
  out[16] = lineGroupValue(tables, b, LineGroup::SC2, computer);
  out[17] = lineGroupValue(tables, b, LineGroup::SC3, computer);
  out[18] = std::popcount(s.own & kCorners);
  out[19] = std::popcount(s.opp & kCorners);
}

void writeFeatureRecord(EvalContext& e, std::FILE* out, int tag, const Board& b) {
  if (out == nullptr) return;
  int row[kFeatureColumns];
  featureRow(e, b, tag, row);

  // The prediction: the 1 x 18 row holding columns 4..18 (the first three zero) times
  // column "disc count" of weight set 1, summed in row order.
  const int stage = b.discCount;
  if (e.weights1.rows() < 18 || stage < 1 || stage > e.weights1.cols()) {
    char detail[96];
    std::snprintf(detail, sizeof detail, "zestaw wag 1: %d x %d, potrzeba 18 wierszy i %d kolumn",
                  e.weights1.rows(), e.weights1.cols(), stage);
    matrixError("void writeFeatureRecord(Engine &,int,const Board &)", "indeks poza zakresem",
                detail);
  }
  double p = 0.0;
  for (int k = 1; k <= 18; ++k) {
    const double f = k >= 4 ? static_cast<double>(row[k - 1]) : 0.0;
    p += f * e.weights1.rowData(k)[stage - 1];
  }
  const int prediction = kernels::truncateToInt(10.0 * p);

  for (int i = 0; i < kFeatureColumns; ++i) std::fprintf(out, "%i\t", row[i]);
  std::fprintf(out, "%i\n", prediction);
}

bool writeConverterFile(const char* path) {
  std::FILE* f = std::fopen(path, "w");
  if (!f) return false;
  bool ok = true;
  for (unsigned k = 0; k < 65536 && ok; ++k) {
    const int32_t* e = converterRow(k >> 8, k & 0xFF);
    ok = std::fprintf(f, "%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\t%i\n", e[0],
                      e[1], e[2], e[3], e[4], e[5], e[6], e[7], e[8], e[9], e[10], e[11], e[12],
                      e[13], e[14], e[15]) > 0;
  }
  return std::fclose(f) == 0 && ok;
}

}  // namespace zedare
