// The counted-format reader, from a file (read whole) and from a stream that cannot tell
// its length: refused through the error path, or read into a table no larger than the
// input allows, which writes and reads back with the same shape.
//
// Input: byte 0 chooses the source (even: a file by path, odd: a memory stream); the rest
// is the file.
#include <cstdio>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string input = fuzz::scratch("table.dat");
  static const std::string again = fuzz::scratch("again.dat");
  static const bool handler = (zedare::setMatrixErrorHandler(fuzz::throwMatrixStop), true);
  (void)handler;
  if (size < 1) return 0;
  const bool fromStream = data[0] & 1;
  ++data;
  --size;
  zedare::matrix m;
  try {
    if (fromStream) {
      std::FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
      if (stream == nullptr) return 0;  // fmemopen takes no empty buffer
      try {
        m.readbin(stream);
      } catch (...) {
        std::fclose(stream);
        throw;
      }
      std::fclose(stream);
    } else {
      fuzz::writeInput(input, data, size);
      m.readbin(input.c_str());
    }
  } catch (const fuzz::MatrixStop&) {
    return 0;
  }
  FUZZ_REQUIRE(static_cast<size_t>(m.rows()) * m.cols() <= size, "an element takes a byte");
  FUZZ_REQUIRE(m.rows() <= (1 << 20) || static_cast<size_t>(m.rows()) <= size,
               "rows within the file's allowance");
  zedare::matrix back;
  try {
    m.writebin(again.c_str());
    back.readbin(again.c_str());
  } catch (const fuzz::MatrixStop&) {
    FUZZ_REQUIRE(false, "a table written reads back");
  }
  FUZZ_REQUIRE(back.rows() == m.rows() && back.cols() == m.cols(), "the shape survives");
  return 0;
}
