// Writes the row converter table, the table that turns one packed board row (occupancy
// byte, colour byte) into the eight colours and eight square states of the grid form,
// as a text file: record k = occupancy * 256 + colour, 16 tab-separated integers per
// line. The engine computes the same table itself; the file is for other programs.
//
// Usage: write_converter [path]   (default modele//konwerter.dat)
#include <cstdio>

#include "eval/model.h"

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "modele//konwerter.dat";
  if (!zedare::writeConverterFile(path)) {
    std::fprintf(stderr, "write_converter: cannot write %s\n", path);
    return 1;
  }
  return 0;
}
