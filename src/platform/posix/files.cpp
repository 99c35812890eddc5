#include "platform/files.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>

namespace fv::platform {

char PathSeparator() {
  return '/';
}

bool IsFolderDelimiter(char c) {
  return c == '/';
}

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(const std::string& path) {
  return mkdir(path.c_str(), 0777) == 0;
}

bool IsFolderCreationRoot(const std::string& path) {
  return path.empty() || path == "/";
}

bool EndsWithSeparator(const std::string& path) {
  // In UTF-8 no byte of a multi-byte character is '/'.
  return !path.empty() && path.back() == '/';
}

}  // namespace fv::platform
