// The output folder with what only Windows paths have: drives, drive roots and ":".
// POSIX paths have none of these, which is why these cases are not in the shared suite.
#include <windows.h>

#include "Conformance.h"

namespace fv::testing {
namespace {

class DrivePaths : public ConformanceTest {
 protected:
  // The path the files are written under after SetSavePath.
  std::string StoredFile() {
    host.ClearMessages();
    TConvertRange range{0, 0, 0};
    host.LoadFile(Pages("probe.doc", 1).c_str(), &range);
    return host.Messages().empty() ? "" : host.Messages().front().path;
  }
};

TEST_F(DrivePaths, RootsDrivesAndShortPaths) {
  const std::string drive = folder.Path().substr(0, 2);  // "C:"
  const std::string before = JoinPath(out, "000001.htm");
  struct Case {
    std::string path;
    int result;
    std::string storedFile;  // "" when the earlier folder stays
  } cases[] = {
      // An existing drive root, with and without its separator.
      {drive + "\\", 1, drive + "\\000001.htm"},
      // Two characters: counts as made without making anything.
      {"zz", 1, ""},
      // A drive that does not exist cannot hold a folder.
      {UncreatableFolder(), 0, ""},
      // Every level below the drive is made.
      {folder / "a\\b\\c", 1, folder / "a\\b\\c\\000001.htm"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(host.SetSavePath(out.c_str()), 1);
    EXPECT_EQ(host.SetSavePath(c.path.c_str()), c.result) << c.path;
    if (c.path == "zz") {
      EXPECT_EQ(GetFileAttributesA("zz"), INVALID_FILE_ATTRIBUTES) << "nothing is made";
      continue;  // a relative folder: where its files go depends on the current folder
    }
    EXPECT_EQ(StoredFile(), c.storedFile.empty() ? before : c.storedFile) << c.path;
  }
  DeleteFileA((drive + "\\000001.htm").c_str());
}

}  // namespace
}  // namespace fv::testing
