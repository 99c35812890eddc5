// The page loop in detail: the range record, the output names, how each page is located
// and the calls that build each page document.
#include "Conformance.h"

namespace fv::testing {
namespace {

using PageLoop = ConformanceTest;

TEST_F(PageLoop, RangeNormalisation) {
  struct Case {
    int pages;
    TConvertRange in, stored;
    std::vector<int> files;
    int result;
  } cases[] = {
      {4, {1, 0, 0}, {1, 0, 0}, {1, 2, 3, 4}, 1},
      {4, {1, 2, 2}, {1, 2, 2}, {2}, 1},
      {7, {1, 5, 0}, {1, 0, 5}, {1, 2, 3, 4, 5}, 1},
      {8, {1, 7, 3}, {1, 3, 7}, {3, 4, 5, 6, 7}, 1},
      {4, {1, -4, 2}, {1, 0, 2}, {1, 2}, 1},
      {4, {1, -4, -2}, {1, 0, 0}, {1, 2, 3, 4}, 1},
      {4, {1, 4, 9}, {1, 4, 4}, {4}, 1},        // FromPage = page count: only the last page
      {4, {1, 2, 9}, {1, 2, 4}, {2, 3, 4}, 1},  // ToPage cut to the page count
      {10, {1, 12, 15}, {1, 12, 15}, {}, 0},    // beyond: 104, ToPage not cut
      {10, {0, 15, 12}, {0, 12, 15}, {}, 0},    // whole-document mode fails the same way
      {4, {0, 2, 3}, {0, 2, 3}, {1}, 1},        // whole-document mode ignores the range
      {0, {1, 0, 0}, {1, 0, 0}, {}, 0},         // a document without pages writes nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.in.PerPage) + " " + std::to_string(c.in.FromPage) + ".." +
                 std::to_string(c.in.ToPage) + " of " + std::to_string(c.pages));
    const std::string outFolder = folder / ("out" + std::to_string(&c - cases));
    ASSERT_EQ(host.SetSavePath(outFolder.c_str()), 1);
    out = outFolder;
    host.ClearMessages();
    TConvertRange range = c.in;
    EXPECT_EQ(host.LoadFile(Pages("a.doc", c.pages).c_str(), &range), c.result);
    EXPECT_EQ(range.PerPage, c.stored.PerPage);
    EXPECT_EQ(range.FromPage, c.stored.FromPage);
    EXPECT_EQ(range.ToPage, c.stored.ToPage);
    EXPECT_EQ(ListFiles(outFolder), OutputFiles(c.files));
    if (c.result == 1) {
      EXPECT_EQ(host.Sequence(), Written(c.files));
    } else if (c.pages > 0) {
      EXPECT_EQ(host.Sequence(), (std::vector<Message>{Error(104), Notify(0xFFFFFFFFu)}));
    } else {
      EXPECT_EQ(host.Sequence(), std::vector<Message>{Notify(0xFFFFFFFFu)});
    }
  }
}

TEST_F(PageLoop, EachFileHoldsItsPage) {
  TConvertRange range{1, 0, 0};
  ASSERT_EQ(host.LoadFile(Source("a.doc", {"alpha ", "beta ", "gamma"}).c_str(), &range), 1);
  const char* expected[] = {"alpha ", "beta ", "gamma"};
  for (int k = 0; k < 3; ++k) {
    const std::string html = ReadFile(JoinPath(out, OutputFiles({k + 1})[0]));
    EXPECT_NE(html.find(std::string("<td>") + expected[k] + "</td>"), std::string::npos) << html;
  }
  range = {0, 0, 0};
  ASSERT_EQ(host.LoadFile(Source("b.doc", {"one ", "two"}).c_str(), &range), 1);
  EXPECT_NE(ReadFile(JoinPath(out, "000001.htm")).find("<td>one two</td>"), std::string::npos);
}

TEST_F(PageLoop, OutputNumbersAndPaths) {
  struct Case {
    std::string prefix;
    int start;
    TConvertRange range;
    std::vector<std::string> names;
  } cases[] = {
      {"", 1, {1, 3, 5}, {"000003.htm", "000004.htm", "000005.htm"}},
      {"p", 12, {0, 0, 0}, {"p000012.htm"}},
      {"page", 12, {0, 0, 0}, {"page000012.htm"}},
      {"a", 100, {0, 0, 0}, {"a000100.htm"}},
      {"", 0, {1, 1, 1}, {"000000.htm"}},
      {"", -5, {1, 1, 1}, {"0000-5.htm"}},
      {"", 999999, {1, 1, 2}, {"999999.htm", "1000000.htm"}},
      {"", 1234567, {1, 1, 1}, {"1234567.htm"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prefix + " " + std::to_string(c.start));
    const std::string outFolder = folder / ("out" + std::to_string(&c - cases));
    ASSERT_EQ(host.SetSavePath(outFolder.c_str()), 1);
    host.SetFirstChar(c.prefix.c_str());
    host.SetStartPageNumber(c.start);
    host.ClearMessages();
    TConvertRange range = c.range;
    ASSERT_EQ(host.LoadFile(Pages("a.doc", 6).c_str(), &range), 1);
    std::vector<std::string> sent;
    for (const auto& m : host.Messages()) {
      if (m.wParam == 0) sent.push_back(m.path);
    }
    std::vector<std::string> expected;
    for (const auto& name : c.names) expected.push_back(JoinPath(outFolder, name));
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(ListFiles(outFolder).size(), c.names.size());
  }
}

TEST_F(PageLoop, FolderWithATrailingSeparatorGetsNoSecondOne) {
  ASSERT_EQ(host.SetSavePath((out + kSeparator).c_str()), 1);
  TConvertRange range{0, 0, 0};
  ASSERT_EQ(host.LoadFile(Pages("a.doc", 1).c_str(), &range), 1);
  EXPECT_EQ(host.Messages().at(0).path, JoinPath(out, "000001.htm"));
}

// The GoTo calls made to copy the pages of `range` from a document of `pages` pages.
std::vector<std::string> GoTos(ConformanceTest& t, int pages, TConvertRange range) {
  scripted::Reset();
  t.host.LoadFile(t.Pages("a.doc", pages).c_str(), &range);
  return scripted::Calls("Selection.GoTo");
}

std::string Absolute(int page) {
  return "Selection.GoTo(I4 1, I4 1, I4 " + std::to_string(page) + ", empty)";
}
std::string Last(int pageNumberArgument) {
  return "Selection.GoTo(I4 1, UI4 0xFFFFFFFF, I4 " + std::to_string(pageNumberArgument) +
         ", empty)";
}

TEST_F(PageLoop, TwoWaysOfLocatingAPage) {
  struct Case {
    int pages;
    TConvertRange range;
    std::vector<std::string> gotos;
  } cases[] = {
      // One page: the last-page way with the page-number argument still 0.
      {1, {1, 0, 0}, {Last(0)}},
      // A range that stops before the last page: all the absolute way, the end of page 3
      // found from page 4.
      {5, {1, 2, 3}, {Absolute(2), Absolute(3), Absolute(3), Absolute(4)}},
      // Ends at the last page: the last goes the last-page way with its own number.
      {3, {1, 2, 3}, {Absolute(2), Absolute(3), Last(3)}},
      // Only the last page: its way with the argument 0.
      {3, {1, 3, 3}, {Last(0)}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GoTos(*this, c.pages, c.range), c.gotos) << c.pages;
  }
}

TEST_F(PageLoop, LastPageRunsToTheEndOfTheSource) {
  TConvertRange range{1, 2, 2};
  ASSERT_EQ(host.LoadFile(Source("a.doc", {"aa", "bbb"}).c_str(), &range), 1);
  EXPECT_EQ(scripted::Calls("Document.Range"),
            (std::vector<std::string>{"Document.Range(omitted, omitted)",  // the page count
                                      "Document.Range(omitted, omitted)",  // the end of item 1
                                      "Document.Range(I4 2, I4 5)"}));
}

TEST_F(PageLoop, PageDocumentCalls) {
  TConvertRange range{1, 1, 1};
  ASSERT_EQ(host.LoadFile(Pages("a.doc", 2).c_str(), &range), 1);
  std::vector<std::string> calls;
  for (const auto& call : scripted::CallLog()) {
    for (const char* member :
         {"Documents.Add(", "Document.Select(", "Tables.Add(", "Border.LineStyle(",
          "Selection.Paste(", "Rows.Alignment(", "Document.SaveAs(", "Document.Close("}) {
      if (call.rfind(member, 0) == 0) calls.push_back(call);
    }
  }
  const std::string path = JoinPath(out, "000001.htm");
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "Documents.Add(omitted, omitted, omitted, empty)",
                       "Document.Select()",
                       "Tables.Add(range[0,0), 1, 1, I4 1, I4 0)",
                       "Border.LineStyle(-1, 0)",
                       "Border.LineStyle(-2, 0)",
                       "Border.LineStyle(-4, 0)",
                       "Border.LineStyle(-3, 0)",
                       "Selection.Paste()",
                       "Rows.Alignment(1)",
                       "Document.SaveAs(BSTR \"" + path +
                           "\", I4 8, BOOL 0, BSTR \"\", BOOL -1, BSTR \"\", BOOL 0, BOOL 0, "
                           "BOOL 0, BOOL 0, BOOL 0)",
                       "Document.Close(empty, empty, empty)",
                   }));
}

TEST_F(PageLoop, WordCallsPerPage) {
  // Locating and copying a page costs fourteen calls, the last page eleven, the whole
  // document four.
  auto count = [&](TConvertRange range) {
    scripted::Reset();
    host.LoadFile(Pages("a.doc", 3).c_str(), &range);
    int n = 0;
    bool counting = false;
    for (const auto& call : scripted::CallLog()) {
      if (call.rfind("Range.Information", 0) == 0) counting = true;  // after the page count
      // The page document begins: Documents.Add and the fetch of Documents just before.
      if (call.rfind("Documents.Add", 0) == 0) return n - 1;
      if (!counting || call.rfind("Range.Information", 0) == 0) continue;
      ++n;
    }
    return -1;
  };
  EXPECT_EQ(count({1, 1, 1}), 14);
  EXPECT_EQ(count({1, 3, 3}), 11);
  EXPECT_EQ(count({0, 0, 0}), 4);
}

}  // namespace
}  // namespace fv::testing
