// The controller's choice of engine, which a host sees only through what happens next.
#include <gtest/gtest.h>

#include "TestHost.h"
#include "controller/UnitFolivex.h"
#include "progress/UnitProgress.h"

namespace fv::controller {
namespace {

TEST(TFolivex, SourceTypeFollowsTheFilesDispatched) {
  testing::TempFolder folder;
  const std::string txt = folder.Write("notes.txt", "x");
  const std::string pdf = folder.Write("scan.pdf", "x");
  TConvertRange range{1, 0, 0};
  TFolivex folivex;

  EXPECT_EQ(folivex.LoadFile((folder / "missing.pdf").c_str(), &range), 0);
  EXPECT_EQ(folivex.GetSourceType(), 0);
  EXPECT_EQ(folivex.LoadFile(txt.c_str(), &range), 1);
  EXPECT_EQ(folivex.GetSourceType(), 0);
  EXPECT_EQ(folivex.LoadFile(pdf.c_str(), &range), 1);
  EXPECT_EQ(folivex.GetSourceType(), 2);
  EXPECT_NE(folivex.PdfEngine, nullptr);  // held until a later file's release
  // A text file after a PDF goes the PDF way.
  EXPECT_EQ(folivex.LoadFile(txt.c_str(), &range), 1);
  EXPECT_EQ(folivex.GetSourceType(), 2);
  EXPECT_NE(folivex.PdfEngine, nullptr);
  EXPECT_EQ(folivex.DocEngine, nullptr);
}

TEST(TFolivex, DefaultsAndTheProgressWindow) {
  {
    TFolivex folivex;
    EXPECT_EQ(folivex.HostWindow, nullptr);
    EXPECT_EQ(folivex.StartPageNumber, 1);
    EXPECT_EQ(folivex.GetSavePath(), "");
    EXPECT_EQ(folivex.GetFirstChar(), "");
    ASSERT_NE(progress::frmProgress, nullptr);
    EXPECT_FALSE(progress::frmProgress->Visible());
    folivex.SetFirstChar("a long prefix of many characters");
    EXPECT_EQ(folivex.GetFirstChar(), "a long prefix of many characters");
  }
  EXPECT_EQ(progress::frmProgress, nullptr);
}

}  // namespace
}  // namespace fv::controller
