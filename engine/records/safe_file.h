// Replacing a file's contents so that a failure never leaves it half written, and never
// touches a file the user did not name.
#ifndef ZEDARE_RECORDS_SAFE_FILE_H
#define ZEDARE_RECORDS_SAFE_FILE_H

#include <string>

namespace zedare {

// Writes `contents` to `path` through a temporary file in the target's folder that is
// renamed over the target once it is complete and on disk. False, with the target as it
// was, when:
//   - the path is empty, or the folder cannot take a new file;
//   - the target exists and may not be written by this user, or has no write permission
//     for anyone (a read-only file stays read-only, for root too);
//   - writing, flushing or renaming fails.
// The temporary file gets a new name that no file in the folder has. A symbolic link is
// followed: its final target gets the contents and the link stays a link. An existing
// target keeps its permission bits (and its owner and group where the process may set
// them); a new file gets the permissions the process's umask gives.
bool replaceFileContents(const char* path, const std::string& contents);

}  // namespace zedare

#endif
