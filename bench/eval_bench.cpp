// Cost of the evaluation and of each feature on its own, over a fixed set of positions
// from seeded random games (plies 8 to 52), in the grid form the search's scratch
// boards use. "AllWeights" sets every evaluated weight row non-zero at every stage with
// non-zero pattern tables, so no term is skipped; "NoWeights" is the fixed cost (legal
// squares of both sides, finding the side to move) with every term skipped.
//
// Report the median: eval_bench --benchmark_repetitions=9
// --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "api/engine.h"
#include "eval/evaluate.h"
#include "eval/features.h"

using namespace zedare;

namespace {

constexpr int kPositions = 512;

std::vector<Board> positions(bool grid) {
  std::mt19937 rng(2024);
  std::vector<Board> out;
  out.reserve(kPositions);
  while (static_cast<int>(out.size()) < kPositions) {
    Board b;
    if (grid) b.toGrid();
    b.setInitial();
    const int plies = 8 + static_cast<int>(out.size() % 45);
    bool over = false;
    for (int i = 0; i < plies && !over; ++i) {
      if (!b.hasLegalMove(b.sideToMove)) {
        b.pass();
        if (!b.hasLegalMove(b.sideToMove)) over = true;
        continue;
      }
      std::vector<std::pair<int, int>> legal;
      for (int k = 0; k < b.moveCount; ++k)
        if (b.isLegal(b.moves[k].row, b.moves[k].column, b.sideToMove))
          legal.emplace_back(b.moves[k].row, b.moves[k].column);
      const auto m = legal[std::uniform_int_distribution<size_t>(0, legal.size() - 1)(rng)];
      b.play(m.first, m.second, b.sideToMove);
    }
    if (!over) out.push_back(b);
  }
  return out;
}

// One engine for the whole run, with weights and tables that switch nothing off.
Engine& engine() {
  static Engine* e = [] {
    Engine* x = new Engine();
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0.05, 1.0);
    x->weights1 = zeros(18, 64);
    for (int r = 4; r <= 18; ++r)
      for (int s = 1; s <= 64; ++s) x->weights1(r, s) = r == 9 ? 0.0 : (r % 2 ? u(rng) : -u(rng));
    for (int t = 0; t < pattern::Count; ++t) {
      x->patterns1[t] = zeros(t == pattern::A2 ? 9 : pattern::kRows, 3);
      if (t == pattern::A2) continue;
      for (int i = 1; i <= pattern::kRows; ++i) x->patterns1[t](i, 3) = u(rng) * 2.0 - 1.0;
    }
    return x;
  }();
  return *e;
}

const std::vector<Board>& gridPositions() {
  static const std::vector<Board> p = positions(true);
  return p;
}
const std::vector<Board>& packedPositions() {
  static const std::vector<Board> p = positions(false);
  return p;
}

template <class F>
void run(benchmark::State& state, const std::vector<Board>& boards, F f) {
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f(boards[i]));
    if (++i == boards.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_EvaluateAllWeights(benchmark::State& state) {
  Engine& e = engine();
  run(state, gridPositions(), [&](const Board& b) { return evaluate1(e, b); });
}
BENCHMARK(BM_EvaluateAllWeights);

void BM_EvaluateAllWeightsPacked(benchmark::State& state) {
  Engine& e = engine();
  run(state, packedPositions(), [&](const Board& b) { return evaluate1(e, b); });
}
BENCHMARK(BM_EvaluateAllWeightsPacked);

void BM_EvaluateNoWeights(benchmark::State& state) {
  Engine& e = engine();
  const matrix saved = e.weights2;
  e.weights2 = zeros(18, 64);
  for (int t = 0; t < pattern::Count; ++t) e.patterns2[t] = e.patterns1[t];
  run(state, gridPositions(), [&](const Board& b) { return evaluate2(e, b); });
  e.weights2 = saved;
}
BENCHMARK(BM_EvaluateNoWeights);

// ---- each feature on its own (computer and human values where it has both) ----

void BM_DiscDifference(benchmark::State& state) {
  run(state, gridPositions(), [](const Board& b) { return b.count(1) - b.count(-1); });
}
BENCHMARK(BM_DiscDifference);

void BM_FrontierCount(benchmark::State& state) {
  run(state, gridPositions(),
      [](const Board& b) { return frontierCount(b, 1) - frontierCount(b, -1); });
}
BENCHMARK(BM_FrontierCount);

void BM_Mobility(benchmark::State& state) {
  run(state, gridPositions(), [](const Board& b) { return b.mobility(1) - b.mobility(-1); });
}
BENCHMARK(BM_Mobility);

void BM_StableCounts(benchmark::State& state) {
  Engine& e = engine();
  run(state, gridPositions(), [&](const Board& b) { return stableCounts(e, b).computer; });
}
BENCHMARK(BM_StableCounts);

void BM_CornerXCounts(benchmark::State& state) {
  Engine& e = engine();
  run(state, gridPositions(), [&](const Board& b) { return cornerXCounts(e, b).computer; });
}
BENCHMARK(BM_CornerXCounts);

void BM_LinePatternsPRZ(benchmark::State& state) {
  Engine& e = engine();
  run(state, gridPositions(),
      [&](const Board& b) { return linePatterns(e, b, LineGroup::PRZ, 1); });
}
BENCHMARK(BM_LinePatternsPRZ);

void BM_CornerAccess(benchmark::State& state) {
  Engine& e = engine();
  run(state, gridPositions(),
      [&](const Board& b) { return cornerAccess(e, b, b.sideToMove).computer; });
}
BENCHMARK(BM_CornerAccess);

void BM_RegionParity(benchmark::State& state) {
  Engine& e = engine();
  run(state, gridPositions(), [&](const Board& b) { return regionParity(e, b, b.sideToMove); });
}
BENCHMARK(BM_RegionParity);

void BM_CornerThreat(benchmark::State& state) {
  Engine& e = engine();
  run(state, gridPositions(), [&](const Board& b) { return cornerThreat(e, b, b.sideToMove, 1); });
}
BENCHMARK(BM_CornerThreat);

void BM_CornerPatterns(benchmark::State& state) {
  Engine& e = engine();
  run(state, gridPositions(), [&](const Board& b) { return cornerPatterns(e, b, 1); });
}
BENCHMARK(BM_CornerPatterns);

void BM_LinePatternsSC1(benchmark::State& state) {
  Engine& e = engine();
  run(state, gridPositions(),
      [&](const Board& b) { return linePatterns(e, b, LineGroup::SC1, 1); });
}
BENCHMARK(BM_LinePatternsSC1);

void BM_LinePatternsSC2(benchmark::State& state) {
  Engine& e = engine();
  run(state, gridPositions(),
      [&](const Board& b) { return linePatterns(e, b, LineGroup::SC2, 1); });
}
BENCHMARK(BM_LinePatternsSC2);

void BM_LinePatternsSC3(benchmark::State& state) {
  Engine& e = engine();
  run(state, gridPositions(),
      [&](const Board& b) { return linePatterns(e, b, LineGroup::SC3, 1); });
}
BENCHMARK(BM_LinePatternsSC3);

}  // namespace
