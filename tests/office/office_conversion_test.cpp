// Conversions through the library's exports, as a host makes them, with the office server
// registered as the word processor and a real office: every page of the test documents
// checked against the office's own layout with pagecheck, the whole-document mode, a page
// range, an office already running on a named pipe, an office killed while converting, and
// documents that cannot be read.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <regex>

#include "OfficeTesting.h"
#include "TestHost.h"
#include "registration.h"

namespace fv::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class OfficeConversionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UseOfficeTestEnvironment(); }

  void SetUp() override {
    RegisterForTest(temp_ / "registry", {FOLIVEX_OFFICE_SERVER_PATH});
    host_.Initialization(host_.Window());
    ASSERT_EQ(host_.SetSavePath((temp_ / "out").c_str()), 1);
    host_.SetStartPageNumber(1);  // the page checker reads page i from 00000i.htm
  }

  void TearDown() override {
    UnregisterForTest();
    EXPECT_TRUE(StartedOffices().empty());
    EXPECT_TRUE(LeftProfileCopies().empty());
  }

  int Convert(const std::string& source, TConvertRange range) {
    return host_.LoadFile(source.c_str(), &range);
  }

  std::string Out() const { return temp_ / "out"; }
  std::vector<std::string> PageFiles() const {
    std::vector<std::string> pages;
    for (const auto& name : ListFiles(Out())) {
      if (name.size() == 10 && name.substr(6) == ".htm") pages.push_back(name);
    }
    return pages;
  }
  std::vector<uint32_t> Errors() const {
    std::vector<uint32_t> codes;
    for (const auto& m : host_.Messages()) {
      if (m.message == WM_CONVERT_ERROR) codes.push_back(m.wParam);
    }
    return codes;
  }

  static std::string Fixture(const std::string& name) { return OfficeFixtures() + "/" + name; }

  TempFolder temp_;
  TestHost host_;
};

// Every page of each test document holds the text of that page as the office lays it out.
class PerPageConversion : public OfficeConversionTest,
                          public ::testing::WithParamInterface<const char*> {};

TEST_P(PerPageConversion, EveryPageMatchesTheOfficeLayout) {
  if (!PageCheckerAvailable()) GTEST_SKIP() << "pagecheck cannot run here";
  const std::string source = Fixture(GetParam());
  EXPECT_EQ(Convert(source, {1, 0, 0}), 1);
  EXPECT_TRUE(Errors().empty()) << Describe(host_.Messages());
  const auto check = CheckPages(source, Out());
  ASSERT_TRUE(check.ran) << check.output;
  EXPECT_EQ(static_cast<int>(PageFiles().size()), check.pages);
  EXPECT_EQ(check.matched, check.pages) << check.output;
}

// tables.docx: rows split over pages, a repeated heading row, a table that starts a page,
// tables right after one another, a table nested in a cell; layout.doc (Word 97): hard
// page breaks, a section in another page style, an image, footnotes, a header and a
// footer, a paragraph over pages; cjk.docx: CJK text in a paragraph and in narrow cells
// over pages; merged.docx: rows split over pages that begin with their second cell (the
// first column is one cell merged down); tracked.docx: tracked deletions, shown struck
// through, over a page boundary and in a cell; endnotes.docx: an endnote marked on the first
// page, its text on the last; one-page.docx; rich-text.doc: rich text under a .doc name.
INSTANTIATE_TEST_SUITE_P(TestDocuments, PerPageConversion,
                         ::testing::Values("tables.docx", "layout.doc", "cjk.docx", "merged.docx",
                                           "tracked.docx", "endnotes.docx", "one-page.docx",
                                           "rich-text.doc"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           std::string name = param.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST_F(OfficeConversionTest, WithoutTheAgentInTheOfficeThePagesAreTheSame) {
  if (!PageCheckerAvailable()) GTEST_SKIP() << "pagecheck cannot run here";
  ScopedEnv noAgent("FOLIVEX_OFFICE_AGENT", "0");
  const std::string source = Fixture("tables.docx");
  EXPECT_EQ(Convert(source, {1, 0, 0}), 1);
  const auto check = CheckPages(source, Out());
  ASSERT_TRUE(check.ran) << check.output;
  EXPECT_EQ(check.matched, check.pages) << check.output;
}

TEST_F(OfficeConversionTest, TheWholeDocumentModeWritesAllTextIntoOneFile) {
  if (!PageCheckerAvailable()) GTEST_SKIP() << "pagecheck cannot run here";
  for (const char* name : {"tables.docx", "layout.doc"}) {
    fs::remove_all(Out());
    fs::create_directories(Out());
    host_.ClearMessages();
    EXPECT_EQ(Convert(Fixture(name), {0, 0, 0}), 1) << name;
    EXPECT_TRUE(Errors().empty()) << Describe(host_.Messages());
    ASSERT_EQ(PageFiles(), std::vector<std::string>{"000001.htm"}) << name;
    const auto missing = LinesMissingFromWhole(Fixture(name), Out() + "/000001.htm");
    ASSERT_TRUE(missing.has_value()) << name;
    EXPECT_TRUE(missing->empty()) << name << ": " << missing->front();
  }
}

TEST_F(OfficeConversionTest, APageRangeWritesThosePagesOnly) {
  if (!PageCheckerAvailable()) GTEST_SKIP() << "pagecheck cannot run here";
  const std::string source = Fixture("tables.docx");
  EXPECT_EQ(Convert(source, {1, 3, 5}), 1);
  EXPECT_EQ(PageFiles(), (std::vector<std::string>{"000003.htm", "000004.htm", "000005.htm"}));
  const auto check = CheckPages(source, Out());
  ASSERT_TRUE(check.ran) << check.output;
  for (int page : {3, 4, 5}) {
    const auto found = check.verdicts.find(page);
    const std::string verdict = found == check.verdicts.end() ? "none" : found->second;
    EXPECT_TRUE(verdict == "exact" || verdict == "contained" || verdict == "reordered")
        << "page " << page << ": " << verdict;
  }
}

// The page sits in a plain one-cell table across the text's width, without visible lines:
// the page documents are never laid out, and an unlaid table keeps the office's placeholder
// width (thousands of pixels) and its default lines unless they are set on it directly.
TEST_F(OfficeConversionTest, ThePageSitsInABorderlessTableOfTheTextWidth) {
  ASSERT_EQ(Convert(Fixture("one-page.docx"), {1, 0, 0}), 1);
  const std::string html = ReadFile(Out() + "/000001.htm");
  // The first table is the frame table, and its first cell the frame's cell.
  std::smatch frame;
  ASSERT_TRUE(std::regex_search(html, frame, std::regex("<table[^>]*>[^]*?<(t[dh])[^>]*>")))
      << html;
  const std::string table = frame.str(0).substr(0, frame.str(0).find('>'));
  const std::string cell = frame.str(0).substr(frame.str(0).rfind("<t"));
  // The page starts with text and then a table with a heading row, which the office would
  // make a heading cell of the frame's cell: shown bold and centred.
  EXPECT_EQ(frame.str(1), "td") << cell;
  std::smatch width;
  ASSERT_TRUE(std::regex_search(table, width, std::regex("width=\"([0-9]+)\""))) << table;
  const int pixels = std::stoi(width.str(1));
  EXPECT_GT(pixels, 300) << table;  // an A4 or Letter page's text is about 650 pixels wide
  EXPECT_LT(pixels, 1000) << table;
  EXPECT_EQ(cell.find("solid"), std::string::npos) << cell;
}

TEST_F(OfficeConversionTest, AnOfficeOnTheNamedPipeIsUsedAndLeftRunning) {
  const std::string pipe = "folivex-test-named-" + std::to_string(getpid());
  SharedOffice shared(pipe);
  ASSERT_TRUE(shared.WaitReady(120));
  ScopedEnv named("FOLIVEX_OFFICE_PIPE", pipe);
  for (int round = 0; round < 2; ++round) {
    fs::remove_all(Out());
    fs::create_directories(Out());
    EXPECT_EQ(Convert(Fixture("one-page.docx"), {1, 0, 0}), 1);
    EXPECT_EQ(PageFiles(), std::vector<std::string>{"000001.htm"});
    // No office of the server's own: it used the running one, which keeps running with the
    // library's documents closed, ready for the next file.
    EXPECT_TRUE(StartedOffices().empty());
    EXPECT_TRUE(shared.Running());
    EXPECT_EQ(OpenDocumentsOfOffice(pipe), 0);
  }
  EXPECT_TRUE(Errors().empty()) << Describe(host_.Messages());
}

// A failed call into the office is the library's check box (answered "yes": give up the
// file) naming the call and the office's failure; the file's result is 0.
bool ReportedAFailedCall(const MessageBoxAnswerer& boxes, const char* call) {
  for (const auto& box : boxes.Boxes()) {
    if (box.text.find(call) != std::string::npos) return true;
  }
  return false;
}

TEST_F(OfficeConversionTest, AnOfficeKilledWhileConvertingEndsTheFile) {
  MessageBoxAnswerer boxes(IDYES);
  host_.onMessage = [](TestHost&, const Message& message) {
    // The office dies right after the first page has been written.
    if (message.message == WM_CONVERT_NOTIFY && message.wParam == 0) {
      for (pid_t office : StartedOffices()) kill(office, SIGKILL);
    }
  };
  const auto started = Clock::now();
  const int result = Convert(Fixture("tables.docx"), {1, 0, 0});
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(120));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(PageFiles(), std::vector<std::string>{"000001.htm"});
  ASSERT_FALSE(boxes.Boxes().empty()) << Describe(host_.Messages());
  EXPECT_NE(boxes.Boxes().front().text.find("disappeared"), std::string::npos)
      << boxes.Boxes().front().text;
}

TEST_F(OfficeConversionTest, DocumentsThatCannotBeReadFailWithinSecondsWritingNothing) {
  for (const char* name : {"password.doc", "truncated.docx"}) {
    MessageBoxAnswerer boxes(IDYES);
    host_.ClearMessages();
    const auto started = Clock::now();
    EXPECT_EQ(Convert(Fixture(name), {1, 0, 0}), 0) << name;
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(30)) << name;
    EXPECT_TRUE(PageFiles().empty()) << name;
    EXPECT_TRUE(ReportedAFailedCall(boxes, "Open(")) << name << "\n" << Describe(host_.Messages());
  }
}

}  // namespace
}  // namespace fv::testing
