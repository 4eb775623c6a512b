// The search bench: chooseMove on a fixed position set at fixed levels and algorithms,
// each from a fresh tree. Prints every case (move, value, positions scored, time), the
// signature (total positions scored) and the speed, and per level the median and worst
// time per move.
//
//   zedare_bench            levels 1 to 6 with MTD(f)
//   zedare_bench --quick    the quick set only (what the signature test runs)
//   zedare_bench --levels 1-4
//   zedare_bench --skip ff26-20@6   leave out a position at a level (repeatable)
//   zedare_bench --games 4-6   self-play games at levels 4 to 6 (two at level 6), book
//                              on: seconds per searched move and peak memory per level
//   zedare_bench --budget 100  the kept tree's memory budget in MB (0: none), before the
//                              other options
//   zedare_bench --stops 20    twenty stops at level 6: milliseconds from the clear to
//                              the return of the call
//   zedare_bench --endgames 20 exact solves of bench/positions with at most 20 empty
//                              squares: time and value per position, median per count
//   zedare_bench --algorithm 3 ...   the root search of every case, game and stop (before
//                              the other options; 2, MTD(f), by default); --quick with 3
//                              runs the fast search's own quick set (the "fast" line of
//                              signature.txt)
//
// By default the 20-empty position is left out at level 6, where its win/loss/draw solve
// takes more than seven minutes on the reference machine; --skip none keeps it.
//
// Reads the model "mistrzowski" (style 0) from modele/ under the source folder.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "board/isa.h"
#include "play_suite.h"
#include "search_suite.h"

int main(int argc, char** argv) {
  bool quick = false;
  int firstLevel = 1, lastLevel = 6;
  std::vector<std::string> skipped = {"ff26-20@6"};
  bool skipGiven = false;
  int endgames = 0;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--algorithm") && i + 1 < argc) {
      bench::algorithm = std::atoi(argv[++i]);
    } else if (!std::strcmp(argv[i], "--quick")) {
      quick = true;
    } else if (!std::strcmp(argv[i], "--levels") && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%d-%d", &firstLevel, &lastLevel) != 2) {
        std::fprintf(stderr, "--levels takes a range such as 1-6\n");
        return 2;
      }
    } else if (!std::strcmp(argv[i], "--budget") && i + 1 < argc) {
      const long mb = std::atol(argv[++i]);
      bench::treeBudget = mb > 0 ? size_t(mb) << 20 : zedare::NodeStore::kUnlimited;
    } else if (!std::strcmp(argv[i], "--games") && i + 1 < argc) {
      int a = 0, b = 0;
      if (std::sscanf(argv[++i], "%d-%d", &a, &b) != 2) {
        std::fprintf(stderr, "--games takes a range of levels such as 4-6\n");
        return 2;
      }
      std::filesystem::current_path(ZEDARE_SOURCE_DIR);
      return bench::runGames(a, b);
    } else if (!std::strcmp(argv[i], "--stops") && i + 1 < argc) {
      std::filesystem::current_path(ZEDARE_SOURCE_DIR);
      return bench::runStops(std::atoi(argv[++i]));
    } else if (!std::strcmp(argv[i], "--endgames") && i + 1 < argc) {
      endgames = std::atoi(argv[++i]);
    } else if (!std::strcmp(argv[i], "--skip") && i + 1 < argc) {
      if (!skipGiven) skipped.clear();
      skipGiven = true;
      if (std::strcmp(argv[i + 1], "none")) skipped.push_back(argv[i + 1]);
      ++i;
    } else {
      std::fprintf(stderr,
                   "usage: %s [--quick] [--levels A-B] [--skip NAME@LEVEL|none] [--budget MB] "
                   "[--algorithm K] | "
                   "--games A-B | --stops N\n",
                   argv[0]);
      return 2;
    }
  }
  std::filesystem::current_path(ZEDARE_SOURCE_DIR);
  zedare::Engine model;
  model.loadModel(1, "modele", "parametry9_i15", "wzorce9_i15", 0);
  model.loadModel(2, "modele", "parametry9_i15", "wzorce9_i15", 0);
  if (endgames > 0) return bench::runEndgames(model, bench::algorithm, endgames);

  std::vector<bench::CaseSpec> cases;
  if (quick) {
    cases = bench::algorithm == 3 ? bench::fastQuickCases() : bench::quickCases();
  } else {
    for (int level = firstLevel; level <= lastLevel; ++level)
      cases.push_back({level, bench::algorithm});
  }
  std::printf("kernels: %s\n", zedare::levelName(zedare::chosenLevel()));
  std::printf("%-8s %5s %4s %5s %10s %12s %9s %9s\n", "position", "level", "alg", "move",
              "value", "nodes", "seconds", "tree MB");
  int64_t signature = 0;
  double seconds = 0;
  std::map<int, std::vector<double>> perLevel;
  for (const auto& c : cases) {
    for (const auto& p : bench::positions()) {
      const std::string key = std::string(p.name) + "@" + std::to_string(c.level);
      if (!quick && std::find(skipped.begin(), skipped.end(), key) != skipped.end()) {
        std::printf("%-8s %5d %4d  (left out)\n", p.name, c.level, c.algorithm);
        continue;
      }
      const bench::CaseResult r = bench::runCase(model, p, c.level, c.algorithm);
      std::printf("%-8s %5d %4d %3d%2d %10.3f %12lld %9.3f %9.1f\n", r.name.c_str(), r.level,
                  r.algorithm, r.row, r.column, r.value, static_cast<long long>(r.nodes), r.seconds,
                  r.treeBytes / 1048576.0);
      std::fflush(stdout);
      signature += r.nodes;
      seconds += r.seconds;
      if (c.algorithm == bench::algorithm) perLevel[c.level].push_back(r.seconds);
    }
  }
  std::printf("\nsignature: %lld\n", static_cast<long long>(signature));
  std::printf("nodes per second: %.0f\n", seconds > 0 ? signature / seconds : 0.0);
  for (auto& [level, times] : perLevel) {
    std::sort(times.begin(), times.end());
    std::printf("level %d: median %.3f s, worst %.3f s per move over %zu positions\n", level,
                times[times.size() / 2], times.back(), times.size());
  }
  return 0;
}
