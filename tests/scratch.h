// Scratch folders for the tests: made by mkdtemp under the system's temporary folder,
// so that two test runs at once (two builds, or ctest -j) never share a name, and
// removed with everything in them when the object is destroyed.
#ifndef ZEDARE_TESTS_SCRATCH_H
#define ZEDARE_TESTS_SCRATCH_H

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

class ScratchDir {
 public:
  explicit ScratchDir(const std::string& prefix = "zedare") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed: " + pattern);
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  // A name inside the folder.
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A name in the test program's own scratch folder, made on first use and removed when
// the program ends.
inline std::string scratchPath(const std::string& name) {
  static const ScratchDir folder("zedare-test");
  return folder.file(name);
}

#endif
