// Reading a pattern table: readtxt of a 19683 x 3 text table (one row per pattern of
// nine squares with three states). Changing the style of play reads eight of these, so
// a single read has to stay far below an eighth of the 100 ms the whole change may take.
// Also: writing the same table, and the least-squares fit of a training-sized problem.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "matrix/matrix.h"

namespace {

constexpr int kPatternRows = 19683;

zedare::matrix patternTable() {
  std::mt19937 rng(19683);
  std::uniform_real_distribution<double> value(-40.0, 40.0);
  std::uniform_int_distribution<int> count(0, 5000);
  zedare::matrix table(kPatternRows, 3);
  for (int i = 1; i <= kPatternRows; ++i) {
    table(i, 1) = value(rng);               // mean outcome
    table(i, 2) = value(rng) * value(rng);  // spread
    table(i, 3) = count(rng);               // number of positions seen
  }
  return table;
}

std::string tablePath() {
  return (std::filesystem::temp_directory_path() /
          ("zedare_matrix_bench_" + std::to_string(getpid()) + ".txt"))
      .string();
}

void BM_ReadPatternTable(benchmark::State& state) {
  const std::string path = tablePath();
  patternTable().writetxt(path.c_str(), zedare::Point);
  zedare::matrix table;
  for (auto _ : state) {
    table.clear();  // measure a read into a fresh matrix, as the engine does
    table.readtxt(path.c_str());
    benchmark::DoNotOptimize(table.rowData(kPatternRows));
  }
  std::filesystem::remove(path);
  if (table.rows() != kPatternRows || table.cols() != 3) state.SkipWithError("wrong shape read");
  state.SetItemsProcessed(state.iterations() * kPatternRows * 3);
}
BENCHMARK(BM_ReadPatternTable)->Unit(benchmark::kMillisecond);

void BM_WritePatternTable(benchmark::State& state) {
  const std::string path = tablePath();
  const zedare::matrix table = patternTable();
  for (auto _ : state) table.writetxt(path.c_str(), zedare::Point);
  std::filesystem::remove(path);
}
BENCHMARK(BM_WritePatternTable)->Unit(benchmark::kMillisecond);

void BM_LinearRegression(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const int p = 20;
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  zedare::matrix x(n, p), y(n, 1);
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= p; ++j) x(i, j) = value(rng);
    y(i) = value(rng);
  }
  for (auto _ : state) benchmark::DoNotOptimize(zedare::linreg(x, y).rowData(1));
}
BENCHMARK(BM_LinearRegression)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
