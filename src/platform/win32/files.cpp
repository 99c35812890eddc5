// Files and folders with the Win32 file API. Paths are narrow text in the ANSI code page;
// "\" separates folders and ":" ends a drive. The file API takes "/" as a separator too, so
// "/" delimits a folder as well: a file-name prefix holding one would leave the folder.
#include "platform/win32/win32_api.h"

#include "platform/files.h"

namespace fv::platform {
namespace {

constexpr DWORD kNoFile = INVALID_FILE_ATTRIBUTES;

DWORD Attributes(const std::string& path) {
  return path.empty() ? kNoFile : GetFileAttributesA(path.c_str());
}

}  // namespace

char PathSeparator() {
  return '\\';
}

bool IsFolderDelimiter(char c) {
  return c == '\\' || c == '/' || c == ':';
}

bool FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != kNoFile && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != kNoFile && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(const std::string& path) {
  return !path.empty() && CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool IsFolderCreationRoot(const std::string& path) {
  // A drive ("C:"), a drive's root, or what is left of a relative path: nothing to make.
  return path.size() < 3;
}

bool EndsWithSeparator(const std::string& path) {
  // Walk the text by characters: a "\" that is the trail byte of a double-byte
  // character does not end the path.
  bool lastIsSeparator = false;
  for (size_t at = 0; at < path.size();) {
    const size_t next = NextCharacter(path, at);
    lastIsSeparator = next == at + 1 && (path[at] == '\\' || path[at] == '/');
    at = next;
  }
  return lastIsSeparator;
}

}  // namespace fv::platform
