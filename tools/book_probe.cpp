// Times the engine's book look-up on the book files as they are (run it from the folder
// that holds otwarcia/): for each of the four files, a hit on the position of the file's
// last line (the latest a hit can come) and a miss (a position no book holds, so the
// whole file is read), each repeated and averaged.
//
// Usage: book_probe [REPEATS]   (default 20). Prints one line per file:
//   file  lines  bytes  hit-ms  miss-ms  hit-found
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "api/engine.h"
#include "search/search.h"
#include "training/offline.h"

namespace {

struct Book {
  const char* path;
  int colour;
  bool continuation;
};

double millisecondsPerLookup(zedare::Engine& e, const Book& b, int repeats, int& found) {
  found = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < repeats; ++i) {
    found += b.continuation ? zedare::continuationBookLookup(e) : zedare::openingBookLookup(e);
  }
  const auto t1 = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(t1 - t0).count() / repeats;
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::atoi(argv[1]) : 20;
  const Book books[] = {{"otwarcia//otwarcia9_i15_c.dat", -1, false},
                        {"otwarcia//otwarcia9_i15_b.dat", 1, false},
                        {"otwarcia//kontynuacje9_i15_c.dat", -1, true},
                        {"otwarcia//kontynuacje9_i15_b.dat", 1, true}};
  int status = 0;
  for (const Book& b : books) {
    std::FILE* in = std::fopen(b.path, "r");
    if (!in) {
      std::fprintf(stderr, "book_probe: cannot open %s\n", b.path);
      status = 1;
      continue;
    }
    std::string last, line;
    long long lines = 0;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, in)) {
      line += buffer;
      if (!line.empty() && line.back() == '\n') {
        last = line;
        line.clear();
        ++lines;
      }
    }
    const long long bytes = zedare::fileSize(in);
    std::fclose(in);
    zedare::Engine e;
    int row = 0, column = 0;
    double value = 0;
    std::string why;
    if (lines == 0 || !zedare::parseBookLine(last.c_str(), e.gameBoard, row, column, value, zedare::TextStrictness::Strict, &why)) {
      std::fprintf(stderr, "book_probe: %s: no readable last line %s\n", b.path, why.c_str());
      status = 1;
      continue;
    }
    e.gameBoard.sideToMove = static_cast<int8_t>(b.colour);
    int found = 0;
    const double hit = millisecondsPerLookup(e, b, repeats, found);
    const int hits = found;
    // Four discs in the corners: no game reaches it, so no line matches.
    e.gameBoard.setInitial();
    e.gameBoard.setSquare(1, 1, 1);
    e.gameBoard.setSquare(8, 8, -1);
    e.gameBoard.setSquare(1, 8, 1);
    e.gameBoard.setSquare(8, 1, -1);
    e.gameBoard.rebuildCandidates();
    e.gameBoard.sideToMove = static_cast<int8_t>(b.colour);
    const double miss = millisecondsPerLookup(e, b, repeats, found);
    std::printf("%s\t%lld\t%lld\t%.2f\t%.2f\t%d/%d\n", b.path, lines, bytes, hit, miss, hits,
                repeats);
    if (found != 0 || hits != repeats) status = 1;
  }
  return status;
}
