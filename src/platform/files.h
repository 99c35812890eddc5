// Files and folders.
#pragma once

#include <string>

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
// True when the text's last whole character is the separator (on Windows, judged in the
// ANSI code page, so that the second byte of a double-byte character never counts).
bool EndsWithSeparator(const std::string& path);

}  // namespace fv::platform
