// Folders and file-name prefixes in a double-byte ANSI code page. In code page 936 the
// trail byte of a double-byte character may be 0x5C, the byte of "\": such a character
// must be taken whole, never as a character and a folder delimiter.
#include <windows.h>

#include <algorithm>

#include "Conformance.h"

namespace fv::testing {
namespace {

// "乗" in code page 936: a lead byte and a trail byte that reads as "\".
const std::string kTrailBackslash = "\x81\x5C";

// The names in `folder`, as the ANSI file API gives them.
std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class DoubleBytePaths : public ConformanceTest {
 protected:
  void SetUp() override {
    // scripts/test-windows.sh runs the suite in the Simplified Chinese code page.
    ASSERT_EQ(GetACP(), 936u) << "run under Wine with LC_ALL=zh_CN.UTF-8";
  }
  // Converts a one-page source and returns the path the file was announced under.
  std::string Convert() {
    host.ClearMessages();
    TConvertRange range{0, 0, 0};
    EXPECT_EQ(host.LoadFile(Pages("a.doc", 1).c_str(), &range), 1);
    return host.Messages().empty() ? "" : host.Messages().front().path;
  }
};

TEST_F(DoubleBytePaths, OutputFolderIsMadeWithEveryCharacterWhole) {
  const std::string base = folder / "made";
  const std::string named = base + "\\" + kTrailBackslash;
  struct Case {
    std::string savePath;
    std::string outputFolder;
  } cases[] = {
      // The character ends the path: its trail byte is not a trailing separator.
      {named, named},
      // The character in the middle: the folder above is made whole, not cut after its
      // lead byte.
      {named + "\\sub", named + "\\sub"},
      {named + "\\sub\\", named + "\\sub"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.savePath);
    RemoveDirectoryA((named + "\\sub").c_str());
    RemoveDirectoryA(named.c_str());
    ASSERT_EQ(host.SetSavePath(c.savePath.c_str()), 1);
    EXPECT_EQ(NamesIn(base), std::vector<std::string>{kTrailBackslash}) << "no stray folder";
    EXPECT_TRUE(IsFolder(c.outputFolder));
    const std::string file = c.outputFolder + "\\000001.htm";
    EXPECT_EQ(Convert(), file);
    EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileA(file.c_str());
  }
}

TEST_F(DoubleBytePaths, PrefixWhoseCharacterEndsInBackslashStaysInTheFolder) {
  host.SetFirstChar(kTrailBackslash.c_str());
  const std::string file = out + "\\" + kTrailBackslash + "000001.htm";
  EXPECT_EQ(Convert(), file);
  EXPECT_EQ(NamesIn(out), std::vector<std::string>{kTrailBackslash + "000001.htm"});
}

}  // namespace
}  // namespace fv::testing
