// The host interface as a host sees it: the export table, the library's lifetime, the
// output folder, and the files that are not Word documents.
#include <cstdio>
#include <filesystem>
#include <memory>

#include "Conformance.h"

namespace fv::testing {
namespace {

namespace fs = std::filesystem;

TEST(ExportTable, HoldsExactlyTheSixFunctions) {
  EXPECT_EQ(ExportedNames(FOLIVEX_LIBRARY_PATH),
            (std::vector<std::string>{"FV_Initialization", "FV_LoadFile", "FV_Set_FirstChar",
                                      "FV_Set_Progress_Style", "FV_Set_SavePath",
                                      "FV_Set_StartPageNumber"}));
}

TEST(Lifetime, LoadingAndUnloadingSendsNothing) {
  TestHost host;
  host.Initialization(host.Window());
  host.Unload();
  host.Load();
  host.Unload();
  EXPECT_TRUE(host.Messages().empty());
}

using HostInterface = ConformanceTest;

TEST_F(HostInterface, MissingNullOrEmptyFileNames) {
  TConvertRange range{1, 0, 0};
  EXPECT_EQ(host.LoadFile((folder / "absent.doc").c_str(), &range), 0);
  EXPECT_EQ(host.LoadFile(nullptr, &range), 0);
  EXPECT_EQ(host.LoadFile("", &range), 0);
  EXPECT_EQ(host.LoadFile(folder.Path().c_str(), &range), 0);  // a folder is no file
  EXPECT_EQ(host.LoadFile(Pages("a.doc", 1).c_str(), nullptr), 0);
  EXPECT_TRUE(host.Messages().empty());
  EXPECT_TRUE(scripted::CallLog().empty());
}

TEST_F(HostInterface, FilesThatAreNotWordDocuments) {
  TConvertRange range{1, 0, 0};
  const std::string txt = folder.Write("notes.txt", "text");
  const std::string pdf = folder.Write("scan.pdf", "%PDF-1.4");
  // Neither test passes: handled, nothing sent or written.
  EXPECT_EQ(host.LoadFile(txt.c_str(), &range), 1);
  // A PDF file is accepted and produces nothing; so does a text file after it.
  EXPECT_EQ(host.LoadFile(pdf.c_str(), &range), 1);
  EXPECT_EQ(host.LoadFile(txt.c_str(), &range), 1);
  EXPECT_TRUE(host.Messages().empty());
  EXPECT_TRUE(scripted::CallLog().empty());
  EXPECT_TRUE(ListFiles(out).empty());
}

TEST_F(HostInterface, AfterAWordFileEveryFileGoesTheWordWay) {
  TConvertRange range{1, 0, 0};
  ASSERT_EQ(host.LoadFile(Pages("report.doc", 1).c_str(), &range), 1);
  host.ClearMessages();
  const std::string pdf = Pages("scan.pdf", 2);
  range = {1, 0, 0};
  EXPECT_EQ(host.LoadFile(pdf.c_str(), &range), 1);
  EXPECT_EQ(host.Sequence(), Written({1, 2}));
}

TEST_F(HostInterface, DocAnywhereInThePathIsAWordFile) {
  for (const std::string name : {"report.DOCX", "my.docs/notes.txt", "a.doc.bak"}) {
    scripted::Reset();
    host.ClearMessages();
    TConvertRange range{0, 0, 0};
    EXPECT_EQ(host.LoadFile(Pages(name, 1).c_str(), &range), 1) << name;
    EXPECT_EQ(host.Sequence(), Written({1})) << name;
  }
}

TEST_F(HostInterface, SettingsApplyFromTheNextFileOn) {
  const std::string source = Pages("a.doc", 2);
  host.SetFirstChar("ABC");
  host.SetStartPageNumber(10);
  TConvertRange range{1, 0, 0};
  ASSERT_EQ(host.LoadFile(source.c_str(), &range), 1);
  host.SetFirstChar(nullptr);  // an empty prefix
  host.SetStartPageNumber(-1);
  const std::string second = folder / "second";
  ASSERT_EQ(host.SetSavePath(second.c_str()), 1);
  range = {1, 0, 0};
  ASSERT_EQ(host.LoadFile(source.c_str(), &range), 1);
  EXPECT_EQ(ListFiles(out), (std::vector<std::string>{"ABC000010.htm", "ABC000011.htm"}));
  EXPECT_EQ(ListFiles(second), (std::vector<std::string>{"0000-1.htm", "000000.htm"}));
  // Each file got its own engine: the word processor was started and quit twice.
  EXPECT_EQ(scripted::Calls("Server.CreateInstance").size(), 2u);
  for (const auto& instance : scripted::Instances()) EXPECT_TRUE(instance.quit);
}

TEST_F(HostInterface, WithoutAHostWindowTheFilesAreStillWritten) {
  host.Initialization(nullptr);
  TConvertRange range{1, 0, 0};
  EXPECT_EQ(host.LoadFile(Pages("a.doc", 2).c_str(), &range), 1);
  EXPECT_TRUE(host.Messages().empty());
  EXPECT_EQ(ListFiles(out), OutputFiles({1, 2}));
}

TEST_F(HostInterface, ACallFromAMessageHandlerIsRefused) {
  static int nestedResult;
  nestedResult = -7;
  host.onMessage = [](TestHost& h, const Message& m) {
    if (m.message != WM_CONVERT_NOTIFY || m.wParam != 0 || nestedResult != -7) return;
    TConvertRange nested{1, 0, 0};
    nestedResult = h.LoadFile(m.path.c_str(), &nested);
  };
  TConvertRange range{1, 0, 0};
  EXPECT_EQ(host.LoadFile(Pages("a.doc", 2).c_str(), &range), 1);
  EXPECT_EQ(nestedResult, 0);
  EXPECT_EQ(host.Sequence(), Written({1, 2}));
}

class SavePath : public ConformanceTest {
 protected:
  // The path stored is the one the files are written under.
  std::string StoredPath() {
    host.ClearMessages();
    TConvertRange range{0, 0, 0};
    host.LoadFile(Pages("probe.doc", 1).c_str(), &range);
    return host.Messages().empty() ? "" : host.Messages().front().path;
  }
};

TEST_F(SavePath, FolderCreation) {
  const std::string file = folder.Write("file.txt", "x");
  struct Case {
    std::string path;
    int result;
    std::string storedFile;  // what a file written afterwards is called ("" when unchanged)
  } cases[] = {
      {folder.Path(), 1, folder / "000001.htm"},
      {folder.Path() + kSeparator, 1, folder / "000001.htm"},
      {folder / "x/y/z", 1, folder / "x/y/z/000001.htm"},
      {folder / "x/y/z2/", 1, folder / "x/y/z2/000001.htm"},
      {JoinPath(file, "sub"), 0, ""},
      {file, 0, ""},
      {"", 0, ""},
      {UncreatableFolder(), 0, ""},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(host.SetSavePath(out.c_str()), 1);
    EXPECT_EQ(host.SetSavePath(c.path.c_str()), c.result) << c.path;
    EXPECT_EQ(StoredPath(), c.result ? c.storedFile : JoinPath(out, "000001.htm")) << c.path;
  }
  EXPECT_EQ(host.SetSavePath(nullptr), 0);
  EXPECT_TRUE(fs::is_directory(folder / "x/y/z"));
}

}  // namespace
}  // namespace fv::testing
