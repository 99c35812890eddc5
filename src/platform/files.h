// Files and folders.
#pragma once

#include <string>

#include "platform/text.h"

namespace fv::platform {

// The separator between the folders of a path.
char PathSeparator();
// True when `c` ends a path's folder part: the separator ("\" and ":" on Windows).
bool IsFolderDelimiter(char c);
// True iff `path` names an existing file that is not a folder.
bool FileExists(const std::string& path);
// True iff `path` names an existing folder.
bool FolderExists(const std::string& path);
// Creates one folder whose parent exists; true also when the folder has just been made by
// someone else. False on failure, an existing file of that name included.
bool CreateFolder(const std::string& path);
// True when `path` (without its trailing separator) is where folder creation stops:
// nothing above it can or need be created (a drive root on Windows; "/" or nothing on
// POSIX).
bool IsFolderCreationRoot(const std::string& path);
// The length of the folder part of `path`: up to and including its last folder delimiter,
// judged by whole characters; 0 when it has none.
inline size_t FolderPartLength(const std::string& path) {
  size_t length = 0;
  for (size_t at = 0; at < path.size();) {
    const size_t next = NextCharacter(path, at);
    if (next == at + 1 && IsFolderDelimiter(path[at])) length = next;
    at = next;
  }
  return length;
}
// True when the text's last whole character is the separator (on Windows, judged in the
// ANSI code page, so that the second byte of a double-byte character never counts).
bool EndsWithSeparator(const std::string& path);

}  // namespace fv::platform
