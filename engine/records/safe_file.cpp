// Replacing a file's contents through a temporary file and a rename.
#include "records/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace zedare {

namespace {

std::string folderOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The file a chain of symbolic links ends at (the path itself when it is no link); an
// empty string when the chain loops or a link cannot be read. The final file need not
// exist: a link may point at the file a save is about to create.
std::string finalTarget(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    const ssize_t n = readlink(path.c_str(), link.data(), link.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return {};
    link.resize(static_cast<std::size_t>(n));
    path = link[0] == '/' ? link : folderOf(path) + "/" + link;
  }
  return {};
}

bool writeAll(int fd, const std::string& contents) {
  const char* p = contents.data();
  std::size_t left = contents.size();
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// Creates a new file beside `target` under a name no file has, opened for writing.
int createTemporary(const std::string& target, std::string& name) {
  const std::string folder = folderOf(target);
  const std::string base = target.substr(target.rfind('/') == std::string::npos
                                             ? 0
                                             : target.rfind('/') + 1);
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%012llx.tmp",
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFULL));
    name = folder + "/." + base + suffix;
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

bool replaceFileContents(const char* path, const std::string& contents) {
  if (path == nullptr || *path == '\0') return false;
  const std::string target = finalTarget(path);
  if (target.empty()) return false;

  struct stat old;
  const bool exists = stat(target.c_str(), &old) == 0;
  if (exists) {
    if (!S_ISREG(old.st_mode)) return false;
    if ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    if (access(target.c_str(), W_OK) != 0) return false;
  }

  std::string temporary;
  const int fd = createTemporary(target, temporary);
  if (fd < 0) return false;
  bool ok = writeAll(fd, contents);
  if (ok && exists) {
    // The owner first: changing it may clear set-id bits, which the mode then restores.
    if (fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Not permitted for another user's file: the new file stays ours, like any copy.
    }
    ok = fchmod(fd, old.st_mode & 07777) == 0;
  }
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (!ok || std::rename(temporary.c_str(), target.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace zedare
