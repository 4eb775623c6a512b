// The text-table reader: any file is either refused through the error path or read
// into a table that writes and reads back in the same shape; no file makes it allocate
// more than its size allows (libFuzzer's -malloc_limit_mb catches that).
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string input = fuzz::scratch("table.txt");
  static const std::string again = fuzz::scratch("again.txt");
  static const bool handler = (zedare::setMatrixErrorHandler(fuzz::throwMatrixStop), true);
  (void)handler;
  fuzz::writeInput(input, data, size);
  zedare::matrix m;
  try {
    m.readtxt(input.c_str());
  } catch (const fuzz::MatrixStop&) {
    return 0;
  }
  FUZZ_REQUIRE(static_cast<size_t>(m.rows()) <= size, "a row takes a line of the file");
  FUZZ_REQUIRE(static_cast<size_t>(m.rows()) * m.cols() <= size, "an element takes a byte");
  zedare::matrix back;
  try {
    m.writetxt(again.c_str(), zedare::Point);
    back.readtxt(again.c_str());
  } catch (const fuzz::MatrixStop&) {
    FUZZ_REQUIRE(false, "a table written reads back");
  }
  FUZZ_REQUIRE(back.rows() == m.rows(), "rows survive the round trip");
  // A table without columns writes empty lines, which read back as rows of no elements.
  FUZZ_REQUIRE(back.cols() == m.cols() || m.rows() == 0, "columns survive the round trip");
  return 0;
}
