// The engine seen from inside the library: the progress window it drives, and the output
// paths it builds.
#include <gtest/gtest.h>

#include <filesystem>

#include "ScriptedServer.h"
#include "TestHost.h"
#include "controller/UnitFolivex.h"
#include "progress/UnitProgress.h"
#include "registration.h"
#include "word/UnitWord.h"

namespace fv::word {
namespace {

using progress::frmProgress;

class EngineInProcess : public ::testing::Test {
 protected:
  EngineInProcess() {
    scripted::Reset();
    testing::Registration registration;
    registration.serverPath = FOLIVEX_SCRIPTED_SERVER_PATH;
    testing::RegisterForTest(folder / "registry", registration);
    window = fvw_CreateWindow(&EngineInProcess::Record, this);
    folivex.HostWindow = window;
    folivex.SetSavePath((folder / "out").c_str());
    std::filesystem::create_directories(folder / "out");
  }
  ~EngineInProcess() override {
    fvw_DestroyWindow(window);
    testing::UnregisterForTest();
  }

  std::string Pages(const std::string& name, int n) {
    std::string content;
    for (int k = 1; k <= n; ++k) content += (k > 1 ? "\f" : "") + std::string("p");
    return folder.Write(name, content);
  }

  // The gauge's value each time a file is announced.
  static LRESULT Record(HWND w, UINT message, WPARAM wParam, LPARAM) {
    auto* self = static_cast<EngineInProcess*>(fvw_GetWindowData(w));
    if (message == WM_CONVERT_NOTIFY && wParam == 0) {
      self->gauge.push_back(frmProgress->ggCurrent->Progress());
    }
    return 0;
  }

  testing::TempFolder folder;
  controller::TFolivex folivex;
  HWND window;
  std::vector<int> gauge;
};

TEST_F(EngineInProcess, GaugeShowsTheShareOfTheRangeStarted) {
  struct Case {
    int pages;
    TConvertRange range;
    std::vector<int> values;
  } cases[] = {
      {12, {1, 0, 0}, {8, 16, 25, 33, 41, 50, 58, 66, 75, 83, 91, 100}},
      {9, {1, 3, 7}, {20, 40, 60, 80, 100}},
      {9, {1, 0, 5}, {20, 40, 60, 80, 100}},
      {9, {1, 2, 2}, {100}},
  };
  for (const Case& c : cases) {
    gauge.clear();
    TConvertRange range = c.range;
    ASSERT_EQ(folivex.LoadFile(Pages("a.doc", c.pages).c_str(), &range), 1);
    EXPECT_EQ(gauge, c.values) << c.pages << " pages from " << c.range.FromPage;
  }
  // A range deep in a long document still moves on every page.
  gauge.clear();
  TConvertRange range{1, 200, 650};
  ASSERT_EQ(folivex.LoadFile(Pages("long.doc", 700).c_str(), &range), 1);
  ASSERT_EQ(gauge.size(), 451u);
  EXPECT_EQ(gauge.front(), 0);  // 100 * 1 / 451
  EXPECT_EQ(gauge[225], 50);
  EXPECT_EQ(gauge.back(), 100);
}

TEST_F(EngineInProcess, WindowDuringAndAfterAConversion) {
  TConvertRange range{1, 0, 0};
  ASSERT_EQ(folivex.LoadFile(Pages("a.doc", 12).c_str(), &range), 1);
  EXPECT_FALSE(frmProgress->Visible());
  EXPECT_EQ(frmProgress->lbTotalPage->Caption(), "总页数：12");

  // Whole-document mode never shows the window; the open step's labels stay.
  range = {0, 0, 0};
  const std::string source = Pages("b.doc", 2);
  ASSERT_EQ(folivex.LoadFile(source.c_str(), &range), 1);
  EXPECT_FALSE(frmProgress->Visible());
  EXPECT_EQ(frmProgress->lbPath->Caption(), "待转换文件所在路径：" + folder.Path() + "/");
  EXPECT_EQ(frmProgress->lbFileName->Caption(), "待转换文件名称：b.doc");
}

TEST_F(EngineInProcess, AbandonedConversionHidesTheWindow) {
  scripted::FailCall("Document.SaveAs", 2, static_cast<int32_t>(0x80004005));
  TConvertRange range{1, 0, 0};
  ASSERT_EQ(folivex.LoadFile(Pages("a.doc", 5).c_str(), &range), 0);
  EXPECT_FALSE(frmProgress->Visible());
  EXPECT_EQ(folivex.DocEngine, nullptr);
  // The next conversion starts with a fresh caption, not the old count behind it.
  range = {1, 0, 0};
  ASSERT_EQ(folivex.LoadFile(Pages("b.doc", 3).c_str(), &range), 1);
  EXPECT_EQ(frmProgress->lbTotalPage->Caption(), "总页数：3");
}

TEST_F(EngineInProcess, OutputPaths) {
  TDOCFolivex engine(nullptr);
  struct Case {
    std::string folder;
    int number;
    std::string path;
  } cases[] = {
      {"", 7, "/000007.htm"},  // the root, as an empty folder names it
      {"out", 1, "out/000001.htm"},
      {"/srv/html/", 100, "/srv/html/000100.htm"},
      {"/srv/文档", 1, "/srv/文档/000001.htm"},
  };
  for (const Case& c : cases) {
    engine.SetSavePath(c.folder.c_str());
    EXPECT_EQ(engine.MakeOutputPath(engine.MakeOutputName(c.number)), c.path);
  }
  engine.SetSavePath(nullptr);
  EXPECT_EQ(engine.GetSavePath(), "");
}

}  // namespace
}  // namespace fv::word
